// Dirscrub's application object: the program-wide state (log writer, language, product
// version, the window) and the facilities it was handed; Run is the whole program.
#pragma once

#include "common/localize.h"
#include "common/process_runner.h"
#include "common/velmar_version.h"
#include "dirscrub/dirscrub_log.h"
#include "dirscrub/frm_main.h"
#include "platform/host.h"

namespace dirscrub {

// The program's title, as its message boxes show it.
inline constexpr wchar_t kTitle[] = L"DirscrubVelmar30";

class DirscrubApp {
 public:
  DirscrubApp(platform::Host& host, ui::ViewFactory& views);

  // Loads and shows the window, then runs the main flow; ends with platform::ProgramEnd.
  [[noreturn]] void Run();
  [[noreturn]] void End();                // the run time's End: at once, log closed
  int Message(const std::wstring& text);  // OK box with the program's title

  platform::Host& host;
  DirscrubLog log;
  velmar::Localizer localize;
  velmar::ProcessRunner runner;
  velmar::VelmarVersionInfo version;
  ui::Forms forms;
  FrmMain main;
};

}  // namespace dirscrub
