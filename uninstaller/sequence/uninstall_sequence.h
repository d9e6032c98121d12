// The Uninstall press: the notice and the four questions, then the strictly ordered sequence
// of removal steps, every one logged, none able to stop the others.
#pragma once

#include <string>

#include "common/process_runner.h"
#include "uninstaller/app.h"
#include "uninstaller/sequence/error_trap.h"
#include "uninstaller/sequence/file_helpers.h"

namespace uninstaller {

class UninstallSequence {
 public:
  explicit UninstallSequence(UninstallerApp& app);

  // The click handler. Ends the program when the sequence has run; returns when the press
  // ended at the not-running notice or a No.
  void OnPress();

 private:
  bool Confirmed();
  void RemoveSubscriberData();
  void HandOverToDirscrub();
  void RemoveTsp();
  void StopServices();

  UninstallerApp& app_;
  velmar::ProcessRunner runner_;
  ErrorTrap trap_;
  FileHelpers helpers_;
  std::wstring folder_;     // the uninstaller's own folder
  std::wstring inventory_;  // the directory inventory, shown at the end for older versions
};

inline constexpr wchar_t kMarkerFile[] = L"c:\\VelmarUninstallTemp.xxx";

// The run time's ChDir: the folder becomes current only when it is on the current drive.
void ChangeDirectoryKeepingDrive(platform::Processes& processes, std::wstring_view folder);

}  // namespace uninstaller
