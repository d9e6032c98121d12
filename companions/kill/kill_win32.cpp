// kill.exe PATTERN: ends the running processes whose image name matches PATTERN ("zq*" or
// "zqsvc.exe"), never itself, the processes it descends from or the system's own. One line per
// process ended; exit code 0 when it ended at least one or nothing matched, 1 on a usage error,
// 2 when processes matched but none of them could be ended.
#include <windows.h>

// After windows.h, which it needs.
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

#include "companions/kill/kill_rules.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitUsage = 1;
constexpr int kExitNoneEnded = 2;
// The exit code the ended processes are given, as the system's own task killer gives them.
constexpr UINT kEndedExitCode = 1;
// How long all of them together may take to go once told to; a process stuck in a driver
// call can outlive TerminateProcess for a while, and the uninstaller must not hang on it.
constexpr DWORD kEndDeadlineMs = 10000;

// Console text in the console's code page; into a file or pipe in the OEM code page, which is
// what a console would have used and what the system's own tools write.
void Print(FILE* stream, const std::wstring& text) {
  UINT code_page = GetConsoleOutputCP();
  if (code_page == 0) code_page = CP_OEMCP;
  const int size = WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                        size, nullptr, nullptr);
  }
  std::fputs(bytes.c_str(), stream);
  std::fflush(stream);
}

std::wstring Describe(const companions::ProcessEntry& entry) {
  return entry.image_name + L" (process id " + std::to_wstring(entry.pid) + L")";
}

bool Snapshot(std::vector<companions::ProcessEntry>& out) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    out.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
  }
  CloseHandle(snapshot);
  return true;
}

struct Ending {
  companions::ProcessEntry entry;
  HANDLE handle;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const auto pattern = argc == 2 ? companions::ImagePattern::Parse(argv[1])
                                 : std::optional<companions::ImagePattern>();
  if (!pattern) {
    Print(stderr,
          L"Usage: kill.exe PATTERN\n"
          L"Ends every running process whose image name is PATTERN (zqsvc.exe) or, when PATTERN\n"
          L"ends in *, starts with what comes before it (zq*). Letter case is ignored.\n");
    return kExitUsage;
  }

  std::vector<companions::ProcessEntry> snapshot;
  if (!Snapshot(snapshot)) {
    Print(stderr, L"kill: cannot list the running processes (error " +
                      std::to_wstring(GetLastError()) + L")\n");
    return kExitNoneEnded;
  }
  const auto chosen = companions::ProcessesToEnd(*pattern, snapshot, GetCurrentProcessId());
  if (chosen.empty()) {
    // Matches among the spared processes are not mentioned: they are never ended.
    Print(stdout, L"No process to end matches " + std::wstring(argv[1]) + L"\n");
    return kExitDone;
  }

  // All are told first and waited for afterwards, so ending many takes as long as the slowest.
  std::vector<Ending> endings;
  int failed = 0;
  for (const auto& entry : chosen) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.pid);
    if (process == nullptr) {
      // Gone since the snapshot: nothing left to do for it.
      if (GetLastError() == ERROR_INVALID_PARAMETER) continue;
      Print(stderr, L"Could not open " + Describe(entry) + L": error " +
                        std::to_wstring(GetLastError()) + L"\n");
      ++failed;
      continue;
    }
    if (!TerminateProcess(process, kEndedExitCode) && GetLastError() != ERROR_ACCESS_DENIED) {
      Print(stderr, L"Could not end " + Describe(entry) + L": error " +
                        std::to_wstring(GetLastError()) + L"\n");
      CloseHandle(process);
      ++failed;
      continue;
    }
    // Access is also denied to a process that is already on its way out; the wait tells.
    endings.push_back({entry, process});
  }

  int ended = 0;
  const DWORD started = GetTickCount();
  for (const auto& ending : endings) {
    const DWORD spent = GetTickCount() - started;
    const DWORD left = spent < kEndDeadlineMs ? kEndDeadlineMs - spent : 0;
    if (WaitForSingleObject(ending.handle, left) == WAIT_OBJECT_0) {
      Print(stdout, L"Ended " + Describe(ending.entry) + L"\n");
      ++ended;
    } else {
      Print(stderr, L"Could not end " + Describe(ending.entry) + L": still running after " +
                        std::to_wstring(kEndDeadlineMs / 1000) + L" s\n");
      ++failed;
    }
    CloseHandle(ending.handle);
  }
  return ended > 0 || failed == 0 ? kExitDone : kExitNoneEnded;
}
