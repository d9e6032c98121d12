// Directory data removal through the product's stored procedures: subscribers, the setup's
// public distribution lists and the location objects, each waited on through its
// synchronisation ticket, with the progress window on top of the main window.
#pragma once

#include <string>

#include "uninstaller/app.h"

namespace uninstaller {

// Removes the directory data; its outcome goes only to the log.
void RemoveDirectoryData(UninstallerApp& app);

// Polls the ticket's synchronisation result (20 times, 2 s apart); true when it reported
// success. The ticket row is deleted once a result is there. (modPMSFunctions)
bool WaitForSyncToFinished(UninstallerApp& app, const std::wstring& ticket);

// A new synchronisation ticket: a GUID as 38-character braced text.
std::wstring NewTicketGuid(UninstallerApp& app);

}  // namespace uninstaller
