// The run time's conversions of database values, shared by both backends: CStr and CLng as the
// programs apply them to fields and parameters.
#include "platform/database.h"

#include <cmath>
#include <cstdio>
#include <cwctype>
#include <optional>

#include "platform/error.h"

namespace platform {
namespace {

[[noreturn]] void RaiseNull() {
  Raise(94, L"Invalid use of Null");
}
[[noreturn]] void RaiseTypeMismatch() {
  Raise(13, L"Type mismatch");
}

// CLng rounds halves to the even neighbour and overflows outside the 32-bit range.
std::int32_t RoundToLong(double value) {
  const double rounded = std::nearbyint(value);  // the default mode rounds halves to even
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) Raise(6, L"Overflow");
  return static_cast<std::int32_t>(rounded);
}

// A text the run time reads as a number: blanks around, a sign, digits with a decimal point
// and an exponent, or &H / &O for hexadecimal and octal.
std::optional<double> ParseNumber(const std::wstring& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && std::iswspace(text[begin])) ++begin;
  while (end > begin && std::iswspace(text[end - 1])) --end;
  const std::wstring number = text.substr(begin, end - begin);
  if (number.empty()) return std::nullopt;
  if (number.size() > 2 && number[0] == L'&') {
    const wchar_t radix = static_cast<wchar_t>(std::towupper(number[1]));
    if (radix != L'H' && radix != L'O') return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = 2; i < number.size(); ++i) {
      const wchar_t c = static_cast<wchar_t>(std::towupper(number[i]));
      const int digit = std::iswdigit(c) ? c - L'0' : (c >= L'A' && c <= L'F') ? c - L'A' + 10 : 99;
      if (digit >= (radix == L'H' ? 16 : 8) || value > 0xFFFFFFFFull) return std::nullopt;
      value = value * (radix == L'H' ? 16 : 8) + static_cast<std::uint64_t>(digit);
    }
    if (value > 0xFFFFFFFFull) return std::nullopt;
    // &H literals are 32-bit: &HFFFFFFFF is -1.
    return value > 0x7FFFFFFFull
               ? static_cast<double>(static_cast<std::int64_t>(value) - 0x100000000ll)
               : static_cast<double>(value);
  }
  wchar_t* stop = nullptr;
  const double value = std::wcstod(number.c_str(), &stop);
  if (stop != number.c_str() + number.size()) return std::nullopt;
  // wcstod also reads hexadecimal, "inf" and "nan", which the run time does not.
  for (const wchar_t c : number) {
    if (!(std::iswdigit(c) || c == L'.' || c == L'+' || c == L'-' || c == L'e' || c == L'E')) {
      return std::nullopt;
    }
  }
  return value;
}

}  // namespace

std::wstring DbText(const DbValue& value) {
  if (IsNull(value)) RaiseNull();
  if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_wstring(*number);
  if (const auto* real = std::get_if<double>(&value)) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%.15G", *real);  // the run time shows 15 significant digits
    return text;
  }
  return std::get<std::wstring>(value);
}

std::int32_t DbInt(const DbValue& value) {
  if (IsNull(value)) RaiseNull();
  if (const auto* number = std::get_if<std::int32_t>(&value)) return *number;
  if (const auto* real = std::get_if<double>(&value)) return RoundToLong(*real);
  const auto parsed = ParseNumber(std::get<std::wstring>(value));
  if (!parsed) RaiseTypeMismatch();
  return RoundToLong(*parsed);
}

}  // namespace platform
