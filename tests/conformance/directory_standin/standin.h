// What the stand-in directory server's objects share: the simulated machine they run on, the
// record the test reads back and the count of objects handed out.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <atomic>
#include <string>

#include "platform/directory_objects.h"

namespace directory_standin {

// Every object the library hands out, and IClassFactory::LockServer's count.
extern std::atomic<long> live_objects;
extern std::atomic<long> server_locks;

// Appends one line to the record file the settings name.
void Record(const std::string& line);
// Appends the calls that took effect on the directory since the last time, as "done <TAB> call".
void RecordEffects();
// The bench's pause for a picture: the removal whose number (from 1) the setting HoldRemoval
// names waits, recorded as "held", until the file ReleaseFile names exists (at most two
// minutes), then goes on, recorded as "let go".
void HoldIfAsked();
// Lays the machine out again from the lay-out file when no object of the old one is alive and
// the file's text has changed.
void RefreshWhenIdle();
// The directory server's manager as the simulated machine creates it; raises as it does.
std::unique_ptr<platform::doh::DohManager> CreateManager();

// The manager object handed to COM, its reference passing to the caller.
IDispatch* NewManager(std::unique_ptr<platform::doh::DohManager> manager);

}  // namespace directory_standin
