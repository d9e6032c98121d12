// Start-up and preflight: what the uninstaller checks between loading its main window and
// waiting for the Uninstall press, and the log's opening lines once every check has passed.
#pragma once

#include "uninstaller/app.h"

namespace uninstaller {

inline constexpr wchar_t kProductKey[] = L"Software\\Quillon\\Corvane\\1.0";
inline constexpr wchar_t kNodeManagerKey[] = L"Software\\Quillon\\ZqKtNodeMgr\\1.0";

// Runs the checks in order; a refusal ends the program (platform::ProgramEnd) before the log
// is touched. On return the log is open with its opening lines written.
void RunStartup(UninstallerApp& app);

// "VelmarRemoval version =" with the program's own version and a trailing CR LF, the log's
// first line.
std::wstring VersionLine(UninstallerApp& app);

}  // namespace uninstaller
