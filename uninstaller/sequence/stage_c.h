// Stage C of the sequence: the install tree, registry trees, shares, shortcuts and program
// group, web folder, system-folder files and installed-programs entries, fenced to the
// product's footprint.
#pragma once

#include <string>

#include "common/process_runner.h"
#include "uninstaller/app.h"
#include "uninstaller/sequence/error_trap.h"
#include "uninstaller/sequence/file_helpers.h"

namespace uninstaller {

void RunStageC(UninstallerApp& app, velmar::ProcessRunner& runner, ErrorTrap& trap,
               FileHelpers& helpers, const std::wstring& root);

}  // namespace uninstaller
