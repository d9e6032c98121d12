// Number-to-text conversions of the run time.
#include "common/vb_text.h"

namespace velmar {

std::wstring VbStr(long number) {
  return (number >= 0 ? L" " : L"") + std::to_wstring(number);
}

}  // namespace velmar
