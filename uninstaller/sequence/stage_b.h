// Stage B of the sequence: the product's services removed, its COM libraries unregistered,
// its databases, backup jobs and backup devices dropped, and SQL Server stopped.
#pragma once

#include <string>

#include "common/process_runner.h"
#include "uninstaller/app.h"
#include "uninstaller/sequence/error_trap.h"
#include "uninstaller/sequence/file_helpers.h"

namespace uninstaller {

// root: the "Root Path" text read in stage A, appended to as it stands.
void RunStageB(UninstallerApp& app, velmar::ProcessRunner& runner, ErrorTrap& trap,
               FileHelpers& helpers, const std::wstring& root);

}  // namespace uninstaller
