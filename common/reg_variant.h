// The value type that registry reads, writes and enumerations hand around: nothing, text,
// bytes or a 32-bit integer, the four shapes a registry value or a caller's default can take.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace velmar {

// monostate is the "empty" value: the default most callers pass and the one cell of the
// value table of a key without values.
using RegVariant =
    std::variant<std::monostate, std::wstring, std::vector<std::uint8_t>, std::int32_t>;

// True for the empty value and for an empty text: callers test enumeration results this way,
// so a key whose only value has an empty name counts as a key without values.
inline bool IsBlank(const RegVariant& value) {
  if (std::holds_alternative<std::monostate>(value)) return true;
  const auto* text = std::get_if<std::wstring>(&value);
  return text != nullptr && text->empty();
}

}  // namespace velmar
