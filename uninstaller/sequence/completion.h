// The end of the Uninstall press: the clean-up batch registered for the next logon, the
// completion line, the problem count, the accounts left to remove by hand on older versions,
// the summary and Notepad on the log; then the program ends.
#pragma once

#include <string>

#include "common/process_runner.h"
#include "uninstaller/app.h"

namespace uninstaller {

inline constexpr wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Runonce";

// Runs silently (every failure skipped) and ends the program; never returns.
[[noreturn]] void RunCompletion(UninstallerApp& app, velmar::ProcessRunner& runner,
                                const std::wstring& root, const std::wstring& inventory);

}  // namespace uninstaller
