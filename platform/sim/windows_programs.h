// The programs of a Windows server that the removal sequences start (net, sc, INSTSRV,
// regsvr32, schtasks, notepad, cmd), modelled by their effect on the simulated machine and a
// virtual run time, and the companion process killer.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/server.h"

namespace platform::sim {

// Places the programs in C:\WINDOWS\system32 (INSTSRV included, as a server with the resource
// kit has it; a test removes the file to model a server without it).
void InstallWindowsPrograms(Server& server);

// kill.exe PATTERN: ends every running process whose image name matches PATTERN (a prefix
// ending in "*" or a full name, letter case ignored), never itself or the system's critical
// processes; a pattern it cannot take ends nothing and exits with 1.
Program KillProgram();

// A command line's arguments split at blanks, quotes grouping (as the C run time splits them).
std::vector<std::wstring> SplitArguments(std::wstring_view arguments);

}  // namespace platform::sim
