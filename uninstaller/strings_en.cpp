// The built-in English string table, expanded from strings_en.def.
#include "uninstaller/strings_en.h"

namespace uninstaller {

std::vector<std::pair<std::uint32_t, const wchar_t*>> BuiltInStrings() {
  return {
#define STR(id, text) {id, L##text},
#include "uninstaller/strings_en.def"
#undef STR
  };
}

}  // namespace uninstaller
