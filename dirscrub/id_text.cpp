// Conversions of directory property values.
#include "dirscrub/id_text.h"

#include <cstdint>
#include <vector>

#include "platform/error.h"

namespace dirscrub {
namespace {

constexpr std::size_t kShortestId = 10;
constexpr std::uint8_t kHyphenOffset = 45;

std::vector<std::uint8_t> BytesOf(const platform::doh::PropertyValue& value) {
  if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&value)) return *bytes;
  std::vector<std::uint8_t> out;
  if (const auto* text = std::get_if<std::wstring>(&value)) {
    for (const wchar_t c : *text) {
      out.push_back(static_cast<std::uint8_t>(c & 0xFF));
      out.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
  }
  return out;
}

// Two bytes a character; an odd last byte makes no character, as the run time reads it.
std::wstring Utf16Text(const std::vector<std::uint8_t>& bytes) {
  std::wstring text;
  for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
    text.push_back(static_cast<wchar_t>(bytes[at] | (bytes[at + 1] << 8)));
  }
  return text;
}

}  // namespace

std::wstring IdToText(const platform::doh::PropertyValue& value) {
  if (std::holds_alternative<std::int32_t>(value)) platform::Raise(13, L"Type mismatch");
  std::vector<std::uint8_t> bytes = BytesOf(value);
  if (Utf16Text(bytes).size() < kShortestId) return {};
  bytes[0] = static_cast<std::uint8_t>(bytes[0] + kHyphenOffset);
  bytes[2] = static_cast<std::uint8_t>(bytes[2] + kHyphenOffset);
  return Utf16Text(bytes);
}

std::wstring PropertyText(const platform::doh::PropertyValue& value) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_wstring(*number);
  if (const auto* text = std::get_if<std::wstring>(&value)) return *text;
  return Utf16Text(BytesOf(value));
}

std::int32_t PropertyNumber(const platform::doh::PropertyValue& value) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return *number;
  platform::Raise(13, L"Type mismatch");
}

}  // namespace dirscrub
