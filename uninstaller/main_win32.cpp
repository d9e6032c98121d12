// The entry point of VelmarUninstall3xandUp.exe on Windows: the real platform, the windows,
// start-up before the main window is shown, then the message loop.
#include "common/ui/win32/win32_form_view.h"
#include "platform/win32/win32_host.h"
#include "uninstaller/app.h"
#ifdef VELMAR_TEST_BUILD
#include "platform/preview/recording_host.h"
#include "platform/win32/win32_audit.h"
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  platform::win32::Win32Host host;
  velmar::ui::win32::Win32ViewFactory views(instance);
#ifdef VELMAR_TEST_BUILD
  // The audit variant: its reports go beside the log. Each way out reports while the program's
  // objects still live; the windows' way out is ExitProcess, which the audit catches itself.
  platform::win32::RunAudit audit(host.host(), L"c:\\VelmarUninstall.audit.txt");
  // Every change the run makes through the seam, in a preview's words: what a preview of the
  // same server must have listed. The file is held open for the whole run.
  auto changes_file =
      host.host().files.OpenText(L"c:\\VelmarUninstall.changes.txt", platform::OpenMode::kOutput);
  platform::preview::RecordingHost changes(
      audit.host(), platform::preview::Mode::kPassThrough,
      [&](const platform::preview::Change& change) { changes_file->WriteLine(change.text); });
  uninstaller::UninstallerApp app(changes.host(), views);
#else
  uninstaller::UninstallerApp app(host.host(), views);
#endif
  try {
    app.Start();
  } catch (const platform::ProgramEnd& end) {
#ifdef VELMAR_TEST_BUILD
    audit.Ending();
#endif
    return static_cast<int>(end.exit_code);
  }
#ifdef VELMAR_TEST_BUILD
  audit.StartedUp();
#endif
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab and the arrow keys move between controls, as in any dialog.
    HWND active = ::GetActiveWindow();
    if (active != nullptr && ::IsDialogMessageW(active, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
#ifdef VELMAR_TEST_BUILD
  audit.Ending();
#endif
  return static_cast<int>(message.wParam);
}
