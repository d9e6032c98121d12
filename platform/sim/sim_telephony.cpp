// The telephony library of the simulated machine: TAPI32.DLL's provider calls over the
// machine's provider list, with the list layout and the error codes TAPI gives.
#include "platform/sim/sim_telephony.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/process.h"

namespace platform::sim {
namespace {

constexpr std::uint32_t kLowestApiVersion = 0x00010004;
constexpr std::uint32_t kHighestApiVersion = 0x00030001;

void Put32(std::uint8_t* at, std::uint32_t value) {
  std::memcpy(at, &value, sizeof value);  // little-endian, as the i686 caller reads it
}

std::uint32_t NameBytes(const TelephonyProvider& provider) {
  return static_cast<std::uint32_t>((provider.file.size() + 1) * 2);
}

TelephonyState& StateOf(ExportCall& call) {
  return call.process.server().telephony;
}

std::int32_t GetProviderList(ExportCall& call) {
  TelephonyState& state = StateOf(call);
  state.calls.emplace_back(L"lineGetProviderListW");
  const std::uint32_t version = call.args.empty() ? 0 : call.args[0];
  if (version < kLowestApiVersion || version > kHighestApiVersion) {
    return tapi::kIncompatibleApiVersion;
  }
  if (state.list_override) return state.list_override(call.buffer);
  return FillProviderList(state.providers, call.buffer);
}

std::int32_t RemoveProvider(ExportCall& call) {
  TelephonyState& state = StateOf(call);
  const std::uint32_t id = call.args.empty() ? 0 : call.args[0];
  state.calls.push_back(L"lineRemoveProvider " + std::to_wstring(id));
  if (state.remove_failure != 0) return state.remove_failure;
  const auto it = std::find_if(state.providers.begin(), state.providers.end(),
                               [id](const TelephonyProvider& p) { return p.permanent_id == id; });
  if (it == state.providers.end()) return tapi::kInvalidParam;
  state.providers.erase(it);
  return 0;
}

std::int32_t AddProvider(ExportCall& call) {
  TelephonyState& state = StateOf(call);
  state.calls.push_back(L"lineAddProviderW " + call.text);
  if (state.add_failure != 0) return state.add_failure;
  if (call.text.empty()) return tapi::kInvalidParam;
  call.out = state.Add(call.text).permanent_id;
  return 0;
}

}  // namespace

TelephonyProvider& TelephonyState::Add(std::wstring file) {
  providers.push_back({next_id++, std::move(file)});
  return providers.back();
}

std::int32_t FillProviderList(const std::vector<TelephonyProvider>& providers, std::uint8_t* list) {
  std::uint32_t total = 0;
  std::memcpy(&total, list, sizeof total);
  if (total < tapi::kListHeaderSize) return tapi::kStructureTooSmall;
  const auto count = static_cast<std::uint32_t>(providers.size());
  std::uint32_t needed = tapi::kListHeaderSize + count * tapi::kEntrySize;
  for (const auto& provider : providers) needed += NameBytes(provider);
  std::memset(list + 4, 0, tapi::kListHeaderSize - 4);
  Put32(list + 4, needed);
  if (total < needed) {  // the caller asks again with more room
    Put32(list + 8, tapi::kListHeaderSize);
    return 0;
  }
  Put32(list + 8, needed);
  Put32(list + 12, count);
  Put32(list + 16, count * tapi::kEntrySize);
  Put32(list + 20, tapi::kListHeaderSize);
  std::uint32_t name_offset = tapi::kListHeaderSize + count * tapi::kEntrySize;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t* entry = list + tapi::kListHeaderSize + i * tapi::kEntrySize;
    Put32(entry, providers[i].permanent_id);
    Put32(entry + 4, NameBytes(providers[i]));
    Put32(entry + 8, name_offset);
    for (wchar_t c : providers[i].file) {
      list[name_offset++] = static_cast<std::uint8_t>(c & 0xFF);
      list[name_offset++] = static_cast<std::uint8_t>((static_cast<std::uint32_t>(c) >> 8) & 0xFF);
    }
    list[name_offset++] = 0;
    list[name_offset++] = 0;
  }
  return 0;
}

void Server::InstallTelephony() {
  CodeLibrary tapi32;
  tapi32.exports["lineGetProviderListW"] = GetProviderList;
  tapi32.exports["lineRemoveProvider"] = RemoveProvider;
  tapi32.exports["lineAddProviderW"] = AddProvider;
  InstallCodeLibrary(machine.windows_folder + L"\\system32\\TAPI32.DLL", std::move(tapi32));
}

}  // namespace platform::sim
