// The entry point of VelmarUninstall3xandUp.exe on Windows: the real platform, the windows,
// start-up before the main window is shown, then the message loop.
#include "common/ui/win32/win32_form_view.h"
#include "platform/win32/win32_host.h"
#include "uninstaller/app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  platform::win32::Win32Host host;
  velmar::ui::win32::Win32ViewFactory views(instance);
  uninstaller::UninstallerApp app(host.host(), views);
  try {
    app.Start();
  } catch (const platform::ProgramEnd& end) {
    return static_cast<int>(end.exit_code);
  }
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab and the arrow keys move between controls, as in any dialog.
    HWND active = ::GetActiveWindow();
    if (active != nullptr && ::IsDialogMessageW(active, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
