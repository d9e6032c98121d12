// The entry point of DirscrubVelmar30.exe on Windows: the real platform, its one window, the
// main flow; the program ends when the flow ends it.
#include "common/ui/win32/win32_form_view.h"
#include "dirscrub/app.h"
#include "platform/win32/win32_host.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  platform::win32::Win32Host host;
  velmar::ui::win32::Win32ViewFactory views(instance);
  dirscrub::DirscrubApp app(host.host(), views);
  try {
    app.Run();
  } catch (const platform::ProgramEnd& end) {
    return static_cast<int>(end.exit_code);
  }
}
