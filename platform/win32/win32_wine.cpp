// Telling Wine from Windows, for the few places where the two are known to behave differently
// and a program or test must allow for it.
#include "platform/win32/win32_host.h"

#include <windows.h>

namespace platform::win32 {

bool RunningUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace platform::win32
