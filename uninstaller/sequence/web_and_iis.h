// The second half of stage A: the diagnostics kit's uninstaller, the web-application script,
// the web service, the second pass of stops, the IIS virtual directories and application
// pools, the platform services, and the headline that ends the stage.
#pragma once

#include <string>

#include "common/process_runner.h"
#include "uninstaller/app.h"
#include "uninstaller/sequence/error_trap.h"

namespace uninstaller {

inline constexpr wchar_t kFaldernKey[] =
    L"SOFTWARE\\Quillon\\Gearloft\\Diagnostic Tools\\Faldern Configuration Wizard";

// Returns the install root ("Root Path") it read, which the later stages append to.
std::wstring RemoveWebApplicationsAndStopPlatform(UninstallerApp& app,
                                                  velmar::ProcessRunner& runner, ErrorTrap& trap);

// Every "%Corvane%\" in the text, in any letter case, replaced by the install root.
std::wstring ExpandCorvane(std::wstring_view text, std::wstring_view root);

}  // namespace uninstaller
