// The entry point of PelletSetup.exe on Windows: no window, the real platform, and the exit
// code of the chosen procedure.
#include <windows.h>

#include "PelletSetup/setup_app.h"
#include "platform/win32/win32_host.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  platform::win32::Win32Host host;
  return pellet::PelletSetup(host.host());
}
