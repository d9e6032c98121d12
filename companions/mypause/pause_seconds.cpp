// Reading mypause.exe's argument.
#include "companions/mypause/pause_seconds.h"

namespace companions {

std::optional<unsigned> ParsePauseSeconds(std::wstring_view text) {
  if (text.empty()) return std::nullopt;
  unsigned seconds = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    seconds = seconds * 10 + static_cast<unsigned>(c - L'0');
    // Checked at every digit, so a long string of digits cannot overflow.
    if (seconds > kMaxPauseSeconds) return std::nullopt;
  }
  return seconds;
}

}  // namespace companions
