// What a run may not take away unasked: every file, folder, registry key and value and service
// of the simulated server, by name, and what a run removed of them.
#pragma once

#include <set>
#include <string>

#include "platform/sim/server.h"

namespace velmar::fault {

// Upper-cased names: "F C:\WINDOWS\SYSTEM32\KILL.EXE", "K HKLM\SOFTWARE\...", "V <key>|<value>",
// "S <service>".
using MachineState = std::set<std::wstring>;

MachineState Snapshot(const platform::sim::Server& server);

// What was in `before` and is not in `after`.
MachineState Removed(const MachineState& before, const MachineState& after);

}  // namespace velmar::fault
