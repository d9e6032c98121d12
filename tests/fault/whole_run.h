// One whole uninstall on a fresh simulated server, with or without a failing call: the press
// with every question answered Yes, and everything a verdict needs of how it ended.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <optional>

#include "platform/preview/recording_host.h"
#include "platform/sim/fault_plan.h"
#include "platform/sim/sim_message_boxes.h"
#include "tests/fault/scenarios.h"
#include "tests/support/machine_state.h"

namespace velmar::fault {

enum class RunEnd {
  kProgramEnded,    // the program ended itself (ExitApplication, a refusal, Dirscrub's End)
  kStillRunning,    // the press and the Exit button both came back without ending the program
  kEscaped,         // an exception left the program
  kDeadlock,        // a wait without limit on a child that never ends
  kRunawayCalls,    // far more platform calls than a clean run makes: a loop
  kVirtualTimeout,  // far more virtual time than a clean run takes: a loop that waits
};

struct RunOutcome {
  RunEnd end = RunEnd::kStillRunning;
  std::string what;  // the escaped exception's text, the deadlocked command line
  bool ended_in_startup = false;
  std::uint64_t calls_in_startup = 0;  // numbered calls made by the end of start-up
  std::string log;                     // the log file's bytes at the end
  MachineState before, after;
  std::size_t open_registry_handles = 0;  // the uninstaller's, once the run is over
  std::size_t open_service_handles = 0;
  std::vector<platform::sim::ShownBox> boxes;
  platform::sim::FaultPlan plan;  // as the run left it: calls made, the one that failed
  std::uint64_t virtual_ms = 0;
  std::optional<std::uint32_t> exit_code;          // as the program ended
  std::string report;                              // the preview's report's bytes at the end
  std::vector<platform::preview::Change> changes;  // a preview's, or a recorded removal's
  std::vector<std::wstring> started;               // the command lines of processes started
  std::vector<std::string> windows_shown;          // the uninstaller's, by name
};

// How the uninstaller is started: its arguments, what is compared before and after, and
// whether its host stands behind a recording host that makes every change it records.
struct RunHow {
  std::wstring args;
  bool full_contents = false;  // before and after as Contents, not by name
  bool record_removal = false;
};

// No time limit when virtual_limit_ms is 0.
RunOutcome RunWholeUninstall(const Scenario& scenario, platform::sim::FaultPlan plan,
                             std::uint64_t virtual_limit_ms, const RunHow& how = {});

// Where a preview writes its report.
inline constexpr wchar_t kReportPath[] = L"C:\\VelmarUninstallPreview.log";

}  // namespace velmar::fault
