// The directory inventory: the product's setup accounts, subscribers, system distribution
// lists and locations, read from the product database as one text for the end of the run.
#pragma once

#include <string>

#include "uninstaller/app.h"

namespace uninstaller {

inline constexpr wchar_t kProductDatabase[] = L"Driver={SQL Server};server=;database=VelmarDb";

// Sets SqlConnectionString to the product database; returns the inventory text, or an empty
// text (after message 2057 when the subscribers cannot be read).
std::wstring GetDirectoryInventory(UninstallerApp& app);

}  // namespace uninstaller
