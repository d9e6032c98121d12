// Never shipped: a program that imports one function Windows 2000 lacks (GetTickCount64, new in
// Vista) beside one it has (GetTickCount), so the import check has something it must refuse.
// The build asks for Windows 2000's declarations everywhere; this one file asks for Vista's. A wide
// entry point (linked with -municode) keeps its start-up imports those of the shipped programs.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include <windows.h>

int wmain() {
  // Both results reach the exit code, so neither call can be dropped.
  const ULONGLONG since_boot = GetTickCount64();
  const DWORD since_boot_low = GetTickCount();
  return static_cast<int>((since_boot ^ since_boot_low) & 1);
}
