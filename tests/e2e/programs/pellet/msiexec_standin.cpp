// Bench stand-in for the package installer (built as MsiExec.exe): records its command line and
// then holds the caller, which waits for it, until the bench lets it go by creating a gate file.
#include <windows.h>

#include <string>

#include "tests/e2e/programs/pellet/standin_record.h"

namespace {

constexpr wchar_t kCallRecord[] = L"C:\\bench\\msiexec-calls.txt";
constexpr wchar_t kGate[] = L"C:\\bench\\msiexec-go.txt";
constexpr DWORD kGateLimitMs = 60000;  // a bench that forgot the gate still ends
constexpr int kUnknownProduct = 1605;  // what the installer says of a package not installed

bool GateOpen() {
  return ::GetFileAttributesW(kGate) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  pellet_bench::AppendRecord(kCallRecord, pellet_bench::Narrow(::GetCommandLineW()));
  const DWORD started = ::GetTickCount();
  while (!GateOpen() && ::GetTickCount() - started < kGateLimitMs) ::Sleep(50);
  return kUnknownProduct;
}
