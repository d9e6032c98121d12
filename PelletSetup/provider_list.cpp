// Reading TAPI's provider list: the fixed header, the entry array and the file names, each
// checked to lie inside the buffer before it is read.
#include "PelletSetup/provider_list.h"

#include <cstring>

namespace pellet {

namespace {

// LINEPROVIDERLIST's fixed part: dwTotalSize, dwNeededSize, dwUsedSize, dwNumProviders,
// dwProviderListSize, dwProviderListOffset.
constexpr std::uint32_t kHeaderSize = 24;
constexpr std::uint32_t kEntrySize = 12;  // dwPermanentProviderID, filename size and offset
// However many providers a server has, their list never needs more than this.
constexpr std::uint32_t kMostRoom = 1u << 20;
constexpr int kAttempts = 3;

std::uint32_t Dword(const std::uint8_t* at) {
  std::uint32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// True when [offset, offset + length) lies inside a buffer of `size` bytes.
bool Inside(std::uint64_t offset, std::uint64_t length, std::uint32_t size) {
  return offset <= size && length <= size - offset;
}

std::wstring NameAt(const std::uint8_t* list, std::uint32_t size, std::uint32_t offset,
                    std::uint32_t length) {
  std::wstring name;
  if (!Inside(offset, length, size)) return name;
  for (std::uint32_t at = offset; at + 1 < offset + length; at += 2) {
    const auto c = static_cast<wchar_t>(list[at] | (list[at + 1] << 8));
    if (c == 0) break;
    name.push_back(c);
  }
  return name;
}

}  // namespace

std::vector<ProviderEntry> ParseProviderList(const std::uint8_t* list, std::uint32_t size) {
  std::vector<ProviderEntry> entries;
  if (size < kHeaderSize) return entries;
  const std::uint32_t count = Dword(list + 12);
  const std::uint32_t array = Dword(list + 20);
  if (!Inside(array, std::uint64_t{count} * kEntrySize, size)) return entries;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = list + array + i * kEntrySize;
    const std::uint32_t name_size = Dword(entry + 4);
    const std::uint32_t name_offset = Dword(entry + 8);
    if (!Inside(name_offset, name_size, size)) continue;
    entries.push_back({Dword(entry), NameAt(list, size, name_offset, name_size)});
  }
  return entries;
}

std::optional<std::vector<ProviderEntry>> ReadProviderList(TapiBinding& tapi) {
  std::uint32_t room = kProviderListRoom;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::vector<std::uint8_t> buffer(room, 0);
    std::memcpy(buffer.data(), &room, sizeof room);
    if (tapi.GetProviderList(kTapiVersion, buffer.data()) != 0) return std::nullopt;
    const std::uint32_t needed = Dword(buffer.data() + 4);
    if (needed > room && needed <= kMostRoom) {
      room = needed;
      continue;
    }
    return ParseProviderList(buffer.data(), room);
  }
  return std::nullopt;
}

std::wstring_view BaseName(std::wstring_view file) {
  if (file.size() >= 2 && file[1] == L':') file.remove_prefix(2);
  const std::size_t separator = file.find_last_of(L"\\/");
  if (separator != std::wstring_view::npos) file.remove_prefix(separator + 1);
  const std::size_t dot = file.rfind(L'.');
  if (dot != std::wstring_view::npos) file = file.substr(0, dot);
  return file;
}

bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  const auto fold = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c + (L'a' - L'A') : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

}  // namespace pellet
