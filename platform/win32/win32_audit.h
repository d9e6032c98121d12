// Test builds only: what the program reports about its own run, as lines of a small text file
// beside its log: its handle count after start-up and at its end, and how long it waited.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/win32/win32_wait_meter.h"

namespace platform::win32 {

struct OwnHandle {
  std::uintptr_t value = 0;
  std::wstring type;  // the kernel's object type name: Key, Event, File, Process ...
  std::wstring name;  // empty when unnamed or not asked (files and pipes are not asked)
};

// The handles this process holds, read from the system's handle table: GetProcessHandleCount
// answers 0 under Wine, the table is kept honestly by its server.
std::vector<OwnHandle> OwnHandles();

// Milliseconds since the process was created (its creation time as the system keeps it).
std::chrono::milliseconds TimeSinceProcessStart();

// Makes the program's own calls of ExitProcess run `before` first, by rewriting the program's
// import of it; false when the program does not import it. The windows end the program with
// ExitProcess from inside a window procedure, where nothing of the entry point runs any more.
bool RunBeforeExitProcess(void (*before)());

// The reports of one run. Hands out the facilities with the clock and the process facility
// metered; StartedUp is called once the main window is up, Ending (at most once takes effect)
// as the program ends, from its entry point or from ExitProcess.
class RunAudit {
 public:
  RunAudit(Host& facilities, std::wstring report_path);
  ~RunAudit();
  RunAudit(const RunAudit&) = delete;
  RunAudit& operator=(const RunAudit&) = delete;

  Host& host() { return host_; }
  void StartedUp();
  void Ending();

 private:
  void Write(const std::vector<std::string>& lines);

  WaitMeter meter_;
  MeteredClock clock_;
  MeteredProcesses processes_;
  Host host_;
  std::wstring report_path_;
  std::vector<OwnHandle> after_start_up_;
  bool exit_hooked_ = false;
  bool file_started_ = false;
  bool ended_ = false;
};

}  // namespace platform::win32
