// The TSP setup's start-up checks: the command-line scan, the TSP language, the operating
// system and the administrator check.
#pragma once

#include <string>
#include <string_view>

#include "PelletSetup/setup_app.h"

namespace pellet {

// "silent" and "uninstall" after any "-" or "/", compared in the user's locale ignoring case
// and width; only the leading characters count (-silently is silent).
Modes ScanCommandLine(std::wstring_view line, platform::Locale& locale);

// The TSP language from the registry when its two files are in that sub-folder of the current
// directory, else "ENU"; traces how it was decided.
std::wstring DecideLanguage(SetupApp& app);

bool IsNtFamily(platform::SystemInfo& system);
// Member of the built-in Administrators group (S-1-5-32-544), whatever the group's attributes;
// any failure on the way counts as not.
bool IsAdministrator(platform::SystemInfo& system);

}  // namespace pellet
