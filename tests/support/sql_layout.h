// The tests' text form of a SQL Server: lay-out lines that fill the simulated server, and the
// record lines of what it received, shared by the native tests and the stand-in ADO under Wine.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/sim_sql_server.h"

namespace sql_layout {

// One entry per line, fields split by tabs (a lone "NULL" is SQL's NULL where a field may be):
//   reachable <TAB> 0|1
//   sync <TAB> delay ms <TAB> result code | never
//   subscriber <TAB> alias <TAB> display name <TAB> uid <TAB> type | NULL <TAB> object id
//   location <TAB> alias <TAB> text name <TAB> uid <TAB> object id <TAB> directory id | NULL
//   list <TAB> alias <TAB> uid <TAB> display name <TAB> address id <TAB> object id
//        <TAB> directory id | NULL <TAB> location object id
//   job <TAB> name                              (msdb's sysjobs)
//   device <TAB> name <TAB> physical name       (a backup device)
//   database <TAB> name                         (an empty one)
//   sql <TAB> database <TAB> statement          (run as it stands)
//   fail <TAB> text part <TAB> number <TAB> description   (every statement containing the part)
// Blank lines and lines starting with '#' are skipped. Throws std::invalid_argument naming the
// line that cannot be read.
void Apply(platform::sim::SqlServer& sql, std::wstring_view layout);

// The statements the server received from the index on, one line each:
//   query|execute|procedure <TAB> database <TAB> text
// (a procedure as "EXEC name @Param = value, ..." with the values as set).
std::vector<std::string> StatementLines(const platform::sim::SqlServer& sql, std::size_t from = 0);

// What the server holds now: "database <TAB> name" (less master and msdb), "device <TAB> name"
// and "job <TAB> name" lines, each kind sorted by name.
std::vector<std::string> StateLines(platform::sim::SqlServer& sql);

}  // namespace sql_layout
