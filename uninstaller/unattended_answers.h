// The answers of a run nobody watches: one table for every box and window the uninstaller
// would show, looked up by the text a box starts with and its buttons.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/run_options.h"

namespace uninstaller {

class UninstallerApp;

// The failover warning is a window, not a box; it is looked up as an OK/Cancel box whose OK is
// its Proceed.
inline constexpr std::uint32_t kFailoverWarningText = 2046;

int UnattendedAnswer(UninstallerApp& app, std::wstring_view text, std::uint32_t style);

}  // namespace uninstaller
