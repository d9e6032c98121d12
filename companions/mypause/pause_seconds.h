// How long mypause.exe waits, read from its argument. Portable, so it is tested natively.
#pragma once

#include <optional>
#include <string_view>

namespace companions {

// Without an argument the pause is one second.
inline constexpr unsigned kDefaultPauseSeconds = 1;
// An hour at most: a longer pause is a typing error, not a wait for children to settle.
inline constexpr unsigned kMaxPauseSeconds = 3600;

// Whole seconds, 0 to kMaxPauseSeconds, digits only; anything else is not a duration.
std::optional<unsigned> ParsePauseSeconds(std::wstring_view text);

}  // namespace companions
