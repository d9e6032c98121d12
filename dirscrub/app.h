// Dirscrub's application object: the program-wide state (log writer, language, product
// version, the window) and the facilities it was handed; Run is the whole program.
#pragma once

#include <memory>

#include "common/localize.h"
#include "common/process_runner.h"
#include "common/run_options.h"
#include "common/unattended_boxes.h"
#include "common/unattended_record.h"
#include "common/velmar_version.h"
#include "dirscrub/dirscrub_log.h"
#include "dirscrub/frm_main.h"
#include "platform/host.h"
#include "platform/preview/recording_host.h"

namespace dirscrub {

// The program's title, as its message boxes show it.
inline constexpr wchar_t kTitle[] = L"DirscrubVelmar30";

class DirscrubApp {
 public:
  DirscrubApp(platform::Host& given, ui::ViewFactory& views);

  // Loads and shows the window, then runs the main flow; ends with platform::ProgramEnd.
  [[noreturn]] void Run();
  [[noreturn]] void End();                // the run time's End: at once, log closed
  int Message(const std::wstring& text);  // OK box with the program's title

  velmar::RunOptions options;  // before the host: it decides which boxes the host shows

 private:
  // In a preview, the recording host in front of the machine: the walk is real, every removal
  // is only written to the report.
  std::unique_ptr<platform::preview::RecordingHost> preview_;
  velmar::UnattendedBoxes unattended_boxes_;

 public:
  // The given facilities (in a preview, behind the recording host), every box answered OK when
  // unattended.
  platform::Host host;
  DirscrubLog log;
  velmar::UnattendedRecord unattended;
  velmar::Localizer localize;
  velmar::ProcessRunner runner;
  velmar::VelmarVersionInfo version;
  ui::Forms forms;
  FrmMain main;
};

}  // namespace dirscrub
