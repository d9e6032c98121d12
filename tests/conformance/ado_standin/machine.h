// The stand-in's SQL Server: the simulated one, laid out from the test's file and kept in step
// with the wall clock, so the directory synchronisation answers while the program waits.
#pragma once

#include "platform/database.h"

namespace ado_standin {

// The ADO facility over the machine's simulated SQL Server. When no object is alive, a lay-out
// file whose text has changed gives a new machine.
platform::Database& Database();
// Whether the machine may be laid out again now (no object of the old one is alive).
void RefreshWhenIdle();
// Called when the last object is released, and at the process's end: what the server holds.
void RecordState();

}  // namespace ado_standin
