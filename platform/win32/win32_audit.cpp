// Test builds only: the run's own handle count from the system's handle table, its wall time
// from the process's creation time, its end caught at ExitProcess, and the report file.
#include "platform/win32/win32_audit.h"

#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win32/win32_handle.h"

namespace platform::win32 {
namespace {

// The system's handle table as NtQuerySystemInformation returns it for
// SystemExtendedHandleInformation; the layouts are fixed by the system, not by any header here.
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr ULONG kObjectNameInformation = 1;
constexpr ULONG kObjectTypeInformation = 2;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

struct HandleEntry {
  void* object;
  ULONG_PTR process_id;
  ULONG_PTR handle;
  ULONG granted_access;
  USHORT creator_back_trace_index;
  USHORT object_type_index;
  ULONG attributes;
  ULONG reserved;
};

struct HandleTable {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry entries[1];
};

struct CountedText {  // UNICODE_STRING
  USHORT length;
  USHORT maximum_length;
  wchar_t* buffer;
};

using QuerySystem = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
using QueryObject = LONG(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);

template <typename Function>
Function FromNtdll(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

// The table grows while it is read; ask again with room to spare until it fits.
std::vector<unsigned char> ReadHandleTable() {
  const auto query = FromNtdll<QuerySystem>("NtQuerySystemInformation");
  std::vector<unsigned char> table(64 * 1024);
  if (query == nullptr) return {};
  for (;;) {
    ULONG needed = 0;
    const LONG status = query(kSystemExtendedHandleInformation, table.data(),
                              static_cast<ULONG>(table.size()), &needed);
    if (status == kInfoLengthMismatch) {
      table.resize(std::max<std::size_t>(table.size() * 2, needed + 4096));
      continue;
    }
    if (status < 0) return {};
    return table;
  }
}

std::wstring ObjectText(HANDLE handle, ULONG what) {
  const auto query = FromNtdll<QueryObject>("NtQueryObject");
  if (query == nullptr) return {};
  alignas(8) unsigned char buffer[2048];
  ULONG needed = 0;
  if (query(handle, what, buffer, sizeof buffer, &needed) < 0) return {};
  const auto* text = reinterpret_cast<const CountedText*>(buffer);
  if (text->buffer == nullptr) return {};
  return std::wstring(text->buffer, text->length / sizeof(wchar_t));
}

OwnHandle Inspect(ULONG_PTR value) {
  OwnHandle handle;
  handle.value = value;
  const HANDLE native = reinterpret_cast<HANDLE>(value);
  handle.type = ObjectText(native, kObjectTypeInformation);
  // Asking a synchronous pipe for its name can block; only disk files are asked.
  if (handle.type != L"File" || ::GetFileType(native) == FILE_TYPE_DISK) {
    handle.name = ObjectText(native, kObjectNameInformation);
  }
  return handle;
}

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
  return narrow;
}

std::string Line(const char* format, auto... values) {
  char line[512];
  std::snprintf(line, sizeof line, format, values...);
  return line;
}

long long Ms(std::chrono::microseconds time) {
  return static_cast<long long>(time.count() / 1000);
}

// The same handle value for the same kind of object counts as the same handle.
bool Holds(const std::vector<OwnHandle>& handles, const OwnHandle& wanted) {
  return std::any_of(handles.begin(), handles.end(), [&](const OwnHandle& handle) {
    return handle.value == wanted.value && handle.type == wanted.type && handle.name == wanted.name;
  });
}

std::string Describe(const char* what, const OwnHandle& handle) {
  return Line("audit: %s handle 0x%llx %s %s", what, static_cast<unsigned long long>(handle.value),
              Narrow(handle.type).c_str(), Narrow(handle.name).c_str());
}

// ExitProcess hands its replacement nothing but the exit code, so the replacement finds what to
// call, and the audit to report through, here; there is one audit and one hook per process.
RunAudit* ending_audit = nullptr;
void (*before_exit)() = nullptr;
void(WINAPI* system_exit_process)(UINT) = nullptr;

void WINAPI ExitProcessAfterReport(UINT code) {
  if (before_exit != nullptr) before_exit();
  system_exit_process(code);
}

void ReportEnd() {
  if (ending_audit != nullptr) ending_audit->Ending();
}

struct WarmUpThrow {};

// State the system and the C++ run time open on first use and keep for the process's life,
// which a run that first uses them after start-up would otherwise count as its own: the run
// time's lazily made synchronisation on the first exception thrown (two handles), the window
// system's mouse settings keys read at the first click (two), the key each predefined registry
// root stands for, opened at its first use with a sub-key (one each), and the classes root COM's
// class lookup keeps (one).
void WarmUpLifelongState() {
  try {
    throw WarmUpThrow{};
  } catch (const WarmUpThrow&) {
  }
  ::GetDoubleClickTime();
  const struct {
    HKEY root;
    const wchar_t* sub_key;
  } roots[] = {{HKEY_CLASSES_ROOT, L"CLSID"},
               {HKEY_CURRENT_USER, L"Software"},
               {HKEY_LOCAL_MACHINE, L"Software"},
               {HKEY_USERS, L".Default"},
               {HKEY_CURRENT_CONFIG, L"Software"}};
  for (const auto& root : roots) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root.root, root.sub_key, 0, KEY_READ, &key) == ERROR_SUCCESS) {
      ::RegCloseKey(key);
    }
  }
  CLSID unused{};
  ::CLSIDFromProgID(L"VelmarAudit.WarmUp", &unused);
}

}  // namespace

std::vector<OwnHandle> OwnHandles() {
  const std::vector<unsigned char> raw = ReadHandleTable();
  std::vector<OwnHandle> own;
  if (raw.empty()) return own;
  const auto* table = reinterpret_cast<const HandleTable*>(raw.data());
  const ULONG_PTR self = ::GetCurrentProcessId();
  for (ULONG_PTR i = 0; i < table->count; ++i) {
    if (table->entries[i].process_id == self) own.push_back(Inspect(table->entries[i].handle));
  }
  return own;
}

std::chrono::milliseconds TimeSinceProcessStart() {
  FILETIME created{}, exited{}, kernel{}, user{}, now{};
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  ::GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return std::chrono::milliseconds((ticks(now) - ticks(created)) / 10000);
}

bool RunBeforeExitProcess(void (*before)()) {
  auto* base = reinterpret_cast<unsigned char*>(::GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const auto& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       library->Name != 0; ++library) {
    if (::lstrcmpiA(reinterpret_cast<char*>(base + library->Name), "kernel32.dll") != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::string_view(reinterpret_cast<const char*>(by_name->Name)) != "ExitProcess") continue;
      DWORD protection = 0;
      if (!::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                            &protection)) {
        return false;
      }
      before_exit = before;
      system_exit_process = reinterpret_cast<void(WINAPI*)(UINT)>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(&ExitProcessAfterReport);
      ::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
      return true;
    }
  }
  return false;
}

RunAudit::RunAudit(Host& facilities, std::wstring report_path)
    : clock_(facilities.clock, meter_),
      processes_(facilities.processes, meter_),
      host_{facilities.registry,
            facilities.files,
            processes_,
            facilities.services,
            clock_,
            facilities.boxes,
            facilities.trace,
            facilities.system,
            facilities.locale,
            facilities.resources,
            facilities.database,
            facilities.com,
            facilities.iis,
            facilities.libraries,
            facilities.file_calls,
            facilities.directory,
            facilities.internet,
            facilities.events},
      report_path_(std::move(report_path)) {
  ending_audit = this;
  exit_hooked_ = RunBeforeExitProcess(&ReportEnd);
}

RunAudit::~RunAudit() {
  if (ending_audit == this) ending_audit = nullptr;
}

void RunAudit::StartedUp() {
  WarmUpLifelongState();
  after_start_up_ = OwnHandles();
  std::vector<std::string> lines{
      Line("audit: handles after start-up=%u", static_cast<unsigned>(after_start_up_.size()))};
  if (!exit_hooked_) lines.emplace_back("audit: no ExitProcess import; that end goes unreported");
  Write(lines);
}

void RunAudit::Ending() {
  if (ended_) return;
  ended_ = true;
  // Counted before the report file is opened, so its own handle is never among them.
  const std::vector<OwnHandle> handles = OwnHandles();
  const auto waited = meter_.Total();
  const auto run = TimeSinceProcessStart();
  std::vector<std::string> lines;
  lines.push_back(Line("audit: handles at exit=%u", static_cast<unsigned>(handles.size())));
  // What changed in between, for finding a leak: a handle replaced (the current folder's, say)
  // shows once as new and once as gone.
  for (const OwnHandle& handle : handles) {
    if (!Holds(after_start_up_, handle)) lines.push_back(Describe("new", handle));
  }
  for (const OwnHandle& handle : after_start_up_) {
    if (!Holds(handles, handle)) lines.push_back(Describe("gone", handle));
  }
  lines.push_back(
      Line("audit: waited %lld ms of %lld ms", Ms(waited), static_cast<long long>(run.count())));
  lines.push_back(Line("audit: waits sleep=%lld ms messages=%lld ms children=%lld ms",
                       Ms(meter_.Total(WaitKind::kSleep)), Ms(meter_.Total(WaitKind::kMessages)),
                       Ms(meter_.Total(WaitKind::kChild))));
  Write(lines);
}

// The first report of a run starts the file afresh; later ones are appended.
void RunAudit::Write(const std::vector<std::string>& lines) {
  const bool first = !file_started_;
  file_started_ = true;
  FileHandle file(::CreateFileW(report_path_.c_str(), first ? GENERIC_WRITE : FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                first ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  if (!file) return;
  for (const std::string& line : lines) {
    const std::string text = line + "\r\n";
    DWORD written = 0;
    ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

}  // namespace platform::win32
