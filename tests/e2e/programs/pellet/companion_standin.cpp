// Bench stand-in for a companion library of the provider (built as ZqSilenceMonitor.dll and as
// DravexNTWave.dll): DllRegisterServer records which file it was called in and succeeds.
#include <windows.h>

#include <string>

#include "tests/e2e/programs/pellet/standin_record.h"

namespace {

constexpr wchar_t kCallRecord[] = L"C:\\bench\\register-calls.txt";
HMODULE self = nullptr;

std::string OwnPath() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::string("?") : pellet_bench::Narrow(path);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) self = instance;
  return TRUE;
}

__declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  pellet_bench::AppendRecord(kCallRecord, "DllRegisterServer " + OwnPath());
  return S_OK;
}

}  // extern "C"
