// modUpdateCheck: the menu's update check — the application page fetched over HTTP, its
// published version read and compared with this program's, the page offered when newer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace uninstaller {

class UninstallerApp;

inline constexpr std::wstring_view kUpdatePagePath = L"/App_UninstallVelmar30.htm";
inline constexpr std::wstring_view kDefaultUpdateSite = L"http://tools.brannocksystems.example";
// Replaces the default site's scheme, host and port (never the page's path): for tests, and
// for sites that mirror the tools page.
inline constexpr std::wstring_view kUpdateSiteVariable = L"VELMAR_UPDATE_SITE";

// The page's address: the site from the variable when it is set, else the default, then the
// fixed path.
std::wstring UpdatePageAddress(platform::Processes& processes);

void CheckForUpdatedVersion(UninstallerApp& app);
// The padded version the page publishes, or the empty text.
std::wstring GetWebVersion(UninstallerApp& app, std::wstring_view address, bool second_marker);
// The page as ANSI text, or what could be read of it.
std::wstring GetUrlSource(platform::Host& host, std::wstring_view address,
                          std::uint32_t access_type);
// Every dotted component as a number of at least four digits; the empty text for a version
// shorter than four characters, or after a failure (shown in a box).
std::wstring PadVersionString(UninstallerApp& app, std::wstring_view version);

}  // namespace uninstaller
