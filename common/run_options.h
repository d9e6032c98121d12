// The words of the command line that change how a run goes: recognised anywhere in the
// argument text and in any letter case, so "/Unattended" and "-unattended" count too.
#pragma once

#include <string_view>

namespace velmar {

struct RunOptions {
  bool unattended = false;              // nothing shown, nothing asked, outcome as exit code
  bool remove_subscriber_info = false;  // the subscriber-data option ticked, without questions
  bool allow_not_running = false;       // go on when the product's services are not running
  bool proceed_on_failover = false;     // go on past the failover warning
  bool preview = false;                 // report what a run would remove, change nothing
};

RunOptions ParseRunOptions(std::wstring_view argument_text);

// A preview's one output, shared by the uninstaller and Dirscrub's preview: the lines the removal
// would log, and every change it would make.
inline constexpr wchar_t kPreviewReportPath[] = L"c:\\VelmarUninstallPreview.log";

}  // namespace velmar
