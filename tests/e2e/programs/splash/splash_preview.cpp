// A never-shipped variant of the uninstaller for pictures of the progress window: the real
// start-up and main window, then frmSplashScreen shown over it as the directory removal does.
#include <string_view>

#include "common/ui/win32/win32_form_view.h"
#include "platform/win32/win32_host.h"
#include "uninstaller/app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
  platform::win32::Win32Host host;
  velmar::ui::win32::Win32ViewFactory views(instance);
  uninstaller::UninstallerApp app(host.host(), views);
  try {
    app.Start();
  } catch (const platform::ProgramEnd& end) {
    return static_cast<int>(end.exit_code);
  }
  // The removal would need a SQL Server; the window itself is the one it shows, part-way.
  // "/main" leaves the main window alone, for a picture of it without the progress window.
  if (std::wstring_view(command_line) != L"/main") {
    app.splash.ShowOver(app.main);
    app.splash.SetProgress(0, 10, 4);
  }
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
