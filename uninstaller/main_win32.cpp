// The entry point of VelmarUninstall3xandUp.exe on Windows: the real platform, the windows,
// start-up before the main window is shown, then the message loop.
#include "platform/win32/win32_host.h"
#include "uninstaller/sequence/startup.h"
#include "uninstaller/ui/win32/win32_ui.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  platform::win32::Win32Host host;
  uninstaller::win32::Win32Ui ui(instance);
  uninstaller::UninstallerApp app(host.host(), ui);
  ui.Attach(app);
  HWND main = ui.CreateMainWindow();
  try {
    uninstaller::RunStartup(app);
  } catch (const platform::ProgramEnd& end) {
    return static_cast<int>(end.exit_code);
  }
  ::ShowWindow(main, show);
  ::UpdateWindow(main);
  return ui.RunMessageLoop();
}
