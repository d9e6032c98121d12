// instsrv: the bench's stand-in for the resource kit's service tool, which Wine lacks, in its one
// form the uninstaller starts: "INSTSRV <service name> REMOVE". Like the tool it opens the service
// manager, opens the service for deletion and deletes it, prints one line and exits 0, or non-zero
// when the service is not there or cannot be removed; any other form of the command is refused.
// The uninstaller starts its rows side by side, so every run appends to C:\bench\instsrv-calls.txt
// its own start time (100 ns units, to put the records back in start order), its command line as
// received and the result: "<start> <command line> -> <Win32 error code>".
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "tests/e2e/programs/pellet/standin_record.h"

namespace {

constexpr wchar_t kRecordFile[] = L"C:\\bench\\instsrv-calls.txt";

std::string StartTime() {
  FILETIME created{}, ended{}, kernel{}, user{};
  ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
  const unsigned long long value =
      (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
  char text[32];
  std::snprintf(text, sizeof text, "%020llu", value);
  return text;
}

DWORD Remove(const wchar_t* name) {
  SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) return ::GetLastError();
  DWORD result = ERROR_SUCCESS;
  SC_HANDLE service = ::OpenServiceW(manager, name, DELETE);
  if (service == nullptr) {
    result = ::GetLastError();
  } else {
    if (!::DeleteService(service)) result = ::GetLastError();
    ::CloseServiceHandle(service);
  }
  ::CloseServiceHandle(manager);
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  DWORD result = ERROR_INVALID_PARAMETER;
  if (argc == 3 && ::_wcsicmp(argv[2], L"REMOVE") == 0) {
    result = Remove(argv[1]);
    if (result == ERROR_SUCCESS) {
      std::wprintf(L"The service was successfully deleted.\n");
    } else {
      std::wprintf(L"[SC] %ls: error %lu\n", argv[1], result);
    }
  } else {
    std::wprintf(L"usage: INSTSRV <service name> REMOVE\n");
  }
  pellet_bench::AppendRecord(kRecordFile, StartTime() + " " +
                                              pellet_bench::Narrow(::GetCommandLineW()) + " -> " +
                                              std::to_string(result));
  return result == ERROR_SUCCESS ? 0 : 1;
}
