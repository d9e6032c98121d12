// The simulated server's contents as sets of lines: by name (what a run may not take away
// unasked, and what it removed) and in full (what a preview may not change at all).
#pragma once

#include <set>
#include <string>

#include "platform/sim/server.h"

namespace velmar::fault {

// Upper-cased names: "F C:\WINDOWS\SYSTEM32\KILL.EXE", "K HKLM\SOFTWARE\...", "V <key>|<value>",
// "S <service>".
using MachineState = std::set<std::wstring>;

MachineState Snapshot(const platform::sim::Server& server);

// Everything a run can change, with what it holds: the names above, every value's data, every
// file's bytes and attributes, every service's state, the scheduled tasks, the libraries
// unregistered, the IIS objects, the directory's removals, the SQL statements that change
// (Execute and procedure calls), the exports called, the gateway's shut-downs, the shell's
// opens and the processes started.
MachineState Contents(platform::sim::Server& server);

// What was in `before` and is not in `after`.
MachineState Removed(const MachineState& before, const MachineState& after);

}  // namespace velmar::fault
