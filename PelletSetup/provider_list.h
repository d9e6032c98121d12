// The TAPI provider list read safely: every count, offset and size checked against the buffer,
// and read again with the room TAPI asks for when 4028 bytes are not enough.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "PelletSetup/tapi_binding.h"

namespace pellet {

struct ProviderEntry {
  std::uint32_t permanent_id = 0;
  std::wstring file;
};

inline constexpr std::uint32_t kTapiVersion = 0x00020000;
inline constexpr std::uint32_t kProviderListRoom = 4028;

// The entries in list order; nothing when TAPI does not give a list.
std::optional<std::vector<ProviderEntry>> ReadProviderList(TapiBinding& tapi);

// The entries a LINEPROVIDERLIST of `size` bytes holds; entries that point outside the buffer
// are left out, and an entry array that does not fit gives none at all.
std::vector<ProviderEntry> ParseProviderList(const std::uint8_t* list, std::uint32_t size);

// A file name without drive, folders and extension ("C:\x\ZqPellet.tsp" -> "ZqPellet").
std::wstring_view BaseName(std::wstring_view file);
// Equal when only the letters A-Z and a-z differ in case.
bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace pellet
