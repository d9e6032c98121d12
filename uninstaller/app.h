// The uninstaller's application object: the program-wide state every part of the run shares
// (log, language, product version, start-up flags, windows) and the facilities it was handed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/localize.h"
#include "common/run_options.h"
#include "common/unattended_boxes.h"
#include "common/unattended_record.h"
#include "common/velmar_version.h"
#include "platform/host.h"
#include "platform/preview/recording_host.h"
#include "uninstaller/sequence/uninstall_log.h"
#include "uninstaller/ui/frm_about.h"
#include "uninstaller/ui/frm_details.h"
#include "uninstaller/ui/frm_failover_warning.h"
#include "uninstaller/ui/frm_main.h"
#include "uninstaller/ui/frm_splash_screen.h"
#include "uninstaller/ui/window_model.h"

namespace uninstaller {

// The title of every box that gives none of its own, in every language: the boxes belong to
// the program, whose name is not translated (the window's caption, string 1001, is).
inline constexpr wchar_t kApplicationTitle[] = L"Velmar Uninstaller";

// Held by every run from before start-up truncates the log to its end: one removal at a time.
inline constexpr wchar_t kRemovalMutex[] = L"Global\\VelmarUninstallRunning";

// How an unattended run or a preview ended, as its exit code; an interactive removal always ends
// with 0.
namespace exit_code {
inline constexpr std::uint32_t kCompleted = 0;
inline constexpr std::uint32_t kCompletedWithErrors = 1;
inline constexpr std::uint32_t kRefused = 2;
inline constexpr std::uint32_t kNotRunning = 3;
inline constexpr std::uint32_t kFailover = 4;
inline constexpr std::uint32_t kAnotherRemoval = 5;
inline constexpr std::uint32_t kDirscrubMissing = 6;
}  // namespace exit_code

class UninstallerApp {
 public:
  UninstallerApp(platform::Host& host, ui::ViewFactory& views);

  // Loads the main window (its captions), runs start-up and shows the window. A refusal ends
  // the program (platform::ProgramEnd).
  void Start();
  // The closing line, the log closed, the program ended at once; never returns. An unattended
  // run or a preview ends with the code given (its held lines go to the event log when no log was
  // opened).
  [[noreturn]] void ExitApplication(std::uint32_t unattended_exit_code = exit_code::kCompleted);
  // With Unattended or Preview: once start-up has passed, the Uninstall press, then the way out.
  [[noreturn]] void PressUninstallYourself();
  // A message box titled with the application title.
  int Message(const std::wstring& text, std::uint32_t style);
  std::wstring Text(std::uint32_t id) { return localize.LoadLocalizedString(id); }
  bool IsVelmarVersionAtLeast(std::int16_t major, std::int16_t minor, std::int16_t build,
                              std::int16_t revision) const;

  velmar::RunOptions options;  // before the host: it decides which boxes the host shows
  // The preview's recording host; nothing in a removal.
  platform::preview::RecordingHost* preview() { return preview_.get(); }

 private:
  std::unique_ptr<platform::preview::RecordingHost> preview_;
  velmar::UnattendedBoxes unattended_boxes_;

 public:
  // The given facilities (in a preview, the recording host in front of them), boxes answered
  // by the table when unattended.
  platform::Host host;
  UninstallLog log;  // in a preview, the report, written to the machine itself
  velmar::UnattendedRecord unattended;
  velmar::Localizer localize;
  velmar::VelmarVersionInfo version;
  bool VelmarServicesRunning = false;
  bool NotRunningAccepted = false;
  // The connection text of all SQL work: the product database's, then msdb's.
  std::wstring SqlConnectionString;
  std::unique_ptr<platform::NamedMutex> removal_lock;

  ui::Forms forms;  // before the windows: they leave the list as they go
  ui::FrmMain main;
  ui::FrmAbout about;
  ui::FrmDetails details;
  ui::FrmSplashScreen splash;
  ui::FrmFailoverWarning failover;
};

}  // namespace uninstaller
