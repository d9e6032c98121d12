// Traces' numbers and the verbose-only message boxes of the TSP setup.
#include "PelletSetup/setup_app.h"

#include <optional>

namespace pellet {

namespace {
// The administrator text may be long; every other text fits the usual 255 characters.
std::uint32_t RoomFor(std::uint32_t text_id) {
  return text_id == text::kNeedsAdministrator ? 512 : 256;
}
}  // namespace

std::wstring Hex(std::uint32_t value) {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring digits;
  do {
    digits.insert(digits.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return digits;
}

std::vector<std::uint8_t> RegistryText(std::wstring_view text) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve((text.size() + 1) * 2);
  for (const wchar_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
  }
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

int SetupApp::Box(std::uint32_t text_id, std::uint32_t caption_id, std::uint32_t style) {
  if (!modes.verbose) return platform::mb::kIdOk;
  platform::Libraries& libraries = host_.libraries;
  const std::optional<std::wstring> body = libraries.LoadText(resources, text_id, RoomFor(text_id));
  const std::optional<std::wstring> caption = libraries.LoadText(resources, caption_id, 256);
  if (!body || !caption) return platform::mb::kIdOk;
  return host_.boxes.Show(*body, *caption, style);
}

}  // namespace pellet
