// Bench stand-in for the telephony library (built as TAPI32.DLL): a provider table kept in a text
// file of the prefix, listed, removed from and added to by the three calls a setup program makes.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/programs/pellet/standin_record.h"

namespace {

// "<permanent id> <file name>" lines, in list order; a missing file is an empty table.
constexpr wchar_t kProviderTable[] = L"C:\\bench\\tapi-providers.txt";
constexpr wchar_t kCallRecord[] = L"C:\\bench\\tapi-calls.txt";

constexpr LONG kStructureTooSmall = static_cast<LONG>(0x8000004D);  // LINEERR_STRUCTURETOOSMALL
constexpr LONG kNoSuchProvider = static_cast<LONG>(0x80000032);     // LINEERR_INVALPARAM
constexpr DWORD kListHeader = 24;                                   // LINEPROVIDERLIST's six DWORDs
constexpr DWORD kEntrySize = 12;  // LINEPROVIDERENTRY's three DWORDs

struct Provider {
  DWORD id = 0;
  std::string file;
};

std::string ReadWhole(const wchar_t* path) {
  HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string text;
  char chunk[512];
  DWORD got = 0;
  while (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
  ::CloseHandle(file);
  return text;
}

std::vector<Provider> LoadTable() {
  std::vector<Provider> table;
  const std::string text = ReadWhole(kProviderTable);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t blank = line.find(' ');
    if (blank != std::string::npos) {
      table.push_back(
          {static_cast<DWORD>(std::strtoul(line.c_str(), nullptr, 10)), line.substr(blank + 1)});
    }
    start = end + 1;
  }
  return table;
}

void SaveTable(const std::vector<Provider>& table) {
  ::DeleteFileW(kProviderTable);
  pellet_bench::RecordFile file(kProviderTable);
  for (const Provider& provider : table) {
    file.Append(std::to_string(provider.id) + " " + provider.file);
  }
}

void PutDword(BYTE* list, DWORD offset, DWORD value) {
  std::memcpy(list + offset, &value, sizeof value);
}

DWORD NeededSize(const std::vector<Provider>& table) {
  DWORD size = kListHeader + kEntrySize * static_cast<DWORD>(table.size());
  for (const Provider& provider : table) size += static_cast<DWORD>(provider.file.size() + 1) * 2;
  return size;
}

// The entries follow the header, the wide file names follow the entries.
void FillList(BYTE* list, const std::vector<Provider>& table, DWORD needed) {
  const DWORD count = static_cast<DWORD>(table.size());
  PutDword(list, 8, needed);
  PutDword(list, 12, count);
  PutDword(list, 16, kEntrySize * count);
  PutDword(list, 20, kListHeader);
  DWORD text_offset = kListHeader + kEntrySize * count;
  for (DWORD i = 0; i < count; ++i) {
    const std::string& name = table[i].file;
    const DWORD bytes = static_cast<DWORD>(name.size() + 1) * 2;
    PutDword(list, kListHeader + kEntrySize * i, table[i].id);
    PutDword(list, kListHeader + kEntrySize * i + 4, bytes);
    PutDword(list, kListHeader + kEntrySize * i + 8, text_offset);
    for (std::size_t c = 0; c <= name.size(); ++c) {
      const WCHAR unit = c < name.size() ? static_cast<WCHAR>(name[c]) : 0;
      std::memcpy(list + text_offset + c * 2, &unit, sizeof unit);
    }
    text_offset += bytes;
  }
}

}  // namespace

extern "C" {

__declspec(dllexport) LONG WINAPI lineGetProviderListW(DWORD api_version, LPVOID buffer) {
  auto* list = static_cast<BYTE*>(buffer);
  DWORD total = 0;
  if (list != nullptr) std::memcpy(&total, list, sizeof total);
  const std::string call = "lineGetProviderListW api=" + pellet_bench::Hex(api_version) +
                           " size=" + std::to_string(total);
  if (list == nullptr || total < kListHeader) {
    pellet_bench::AppendRecord(kCallRecord, call + " -> too small");
    return kStructureTooSmall;
  }
  const std::vector<Provider> table = LoadTable();
  const DWORD needed = NeededSize(table);
  std::memset(list + 4, 0, kListHeader - 4);
  PutDword(list, 4, needed);
  if (needed <= total) {
    FillList(list, table, needed);
  } else {
    PutDword(list, 8, kListHeader);
  }
  pellet_bench::AppendRecord(kCallRecord,
                             call + " -> " + std::to_string(table.size()) + " providers");
  return 0;
}

__declspec(dllexport) LONG WINAPI lineRemoveProvider(DWORD permanent_id, HWND owner) {
  std::vector<Provider> table = LoadTable();
  LONG result = kNoSuchProvider;
  for (auto it = table.begin(); it != table.end(); ++it) {
    if (it->id == permanent_id) {
      table.erase(it);
      SaveTable(table);
      result = 0;
      break;
    }
  }
  pellet_bench::AppendRecord(kCallRecord, "lineRemoveProvider id=" + std::to_string(permanent_id) +
                                              (owner ? " owner=window" : " owner=none") + " -> " +
                                              pellet_bench::Hex(static_cast<DWORD>(result)));
  return result;
}

__declspec(dllexport) LONG WINAPI lineAddProviderW(LPCWSTR file, HWND owner, LPDWORD permanent_id) {
  std::vector<Provider> table = LoadTable();
  DWORD id = 1;
  for (const Provider& provider : table) id = provider.id >= id ? provider.id + 1 : id;
  table.push_back({id, pellet_bench::Narrow(file)});
  SaveTable(table);
  if (permanent_id != nullptr) *permanent_id = id;
  pellet_bench::AppendRecord(kCallRecord, "lineAddProviderW file=" + pellet_bench::Narrow(file) +
                                              (owner ? " owner=window" : " owner=none") +
                                              " -> id=" + std::to_string(id));
  return 0;
}

}  // extern "C"
