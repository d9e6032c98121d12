// The simulated machine's telephony configuration: the registered service providers in list
// order, the identifiers TAPI hands out, and every provider call a program made.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::sim {

namespace tapi {
inline constexpr std::int32_t kIncompatibleApiVersion = static_cast<std::int32_t>(0x8000000C);
inline constexpr std::int32_t kInvalidParam = static_cast<std::int32_t>(0x80000032);
inline constexpr std::int32_t kStructureTooSmall = static_cast<std::int32_t>(0x8000004D);
inline constexpr std::uint32_t kListHeaderSize = 24;  // LINEPROVIDERLIST up to its entries
inline constexpr std::uint32_t kEntrySize = 12;       // LINEPROVIDERENTRY
}  // namespace tapi

struct TelephonyProvider {
  std::uint32_t permanent_id = 0;
  std::wstring file;  // as it was registered
};

struct TelephonyState {
  std::vector<TelephonyProvider> providers;  // in list order
  std::uint32_t next_id = 1;
  // "lineGetProviderListW", "lineRemoveProvider 3", "lineAddProviderW C:\...\ZqPellet.tsp"
  std::vector<std::wstring> calls;
  // When set, lineGetProviderListW hands the caller's buffer to this instead of filling it, so
  // tests can serve malformed lists.
  std::function<std::int32_t(std::uint8_t* list)> list_override;
  std::int32_t remove_failure = 0;  // non-zero: lineRemoveProvider fails with it
  std::int32_t add_failure = 0;     // non-zero: lineAddProviderW fails with it

  TelephonyProvider& Add(std::wstring file);  // appended with the next identifier
};

// Fills a LINEPROVIDERLIST buffer whose first DWORD says its size, as TAPI does.
std::int32_t FillProviderList(const std::vector<TelephonyProvider>& providers, std::uint8_t* list);

}  // namespace platform::sim
