// The rules every fault run is held to.
#include "tests/fault/verdict.h"

#include <algorithm>

#include "platform/text.h"

namespace velmar::fault {
namespace {

constexpr char kClosingLine[] = "Exiting Application at:";
constexpr char kOpeningLine[] = "VelmarRemoval version =";

const char* EndText(RunEnd end) {
  switch (end) {
    case RunEnd::kProgramEnded: return "ended";
    case RunEnd::kStillRunning: return "did not end: the press and Exit both came back";
    case RunEnd::kEscaped: return "an exception escaped";
    case RunEnd::kDeadlock: return "hung on a child that never ends";
    case RunEnd::kRunawayCalls: return "ran away (far more calls than a clean run)";
    case RunEnd::kVirtualTimeout: return "hung in virtual time";
  }
  return "?";
}

// A failure on the log file itself may cost any of its lines, the closing one included.
bool FailureHitTheLog(const platform::sim::FaultPlan& plan) {
  return plan.failed_site != nullptr &&
         platform::Upcase(plan.failed_detail) == platform::Upcase(std::wstring(kLogPath));
}

void CheckLog(const RunOutcome& run, std::vector<std::string>& faults) {
  if (FailureHitTheLog(run.plan)) return;
  // Start-up refuses before it creates the log, and only a refusal leaves the old log as it was.
  if (run.ended_in_startup != (run.log == kOldLog)) {
    faults.push_back(run.ended_in_startup ? "start-up refused after replacing the old log"
                                          : "the log was never written, yet start-up passed");
  }
  if (run.log == kOldLog) return;
  const auto lines = LogLines(run.log);
  if (lines.empty() || !lines.front().starts_with(kOpeningLine)) {
    faults.push_back("the log does not open with \"" + std::string(kOpeningLine) + "\"");
  }
  if (lines.empty() || !lines.back().starts_with(kClosingLine)) {
    faults.push_back("the log's last line is \"" + (lines.empty() ? "" : lines.back()) + "\"");
  }
}

void CheckFootprint(const RunOutcome& clean, const RunOutcome& run,
                    std::vector<std::string>& faults) {
  const MachineState removed = Removed(run.before, run.after);
  for (const auto& bystander : Bystanders()) {
    if (!run.before.contains(bystander)) {
      faults.push_back("the machine never held " + platform::Utf8FromWide(bystander));
    } else if (removed.contains(bystander)) {
      faults.push_back("removed what is not the product's: " + platform::Utf8FromWide(bystander));
    }
  }
  const MachineState kept_by_clean = Removed(removed, Removed(clean.before, clean.after));
  int shown = 0;
  for (const auto& item : kept_by_clean) {
    if (++shown > 5) break;
    faults.push_back("removed what a clean run keeps: " + platform::Utf8FromWide(item));
  }
}

bool ByUninstaller(const platform::sim::FaultPlan& plan) {
  return platform::Upcase(plan.failed_program) == L"VELMARUNINSTALL3XANDUP.EXE";
}
bool SiteIs(const platform::sim::FaultPlan& plan, std::string_view site) {
  return plan.failed_site != nullptr && site == plan.failed_site;
}

// Start-up reads the product's version before anything else: without its "Version Number" the
// product is 0.0, below the oldest supported, and start-up refuses before creating the log. (A
// lost "Build Number" only makes it x.y(0.0), which start-up accepts.)
void VersionReadsRefuse(const RunOutcome& clean, const RunOutcome& run,
                        std::vector<std::string>& faults) {
  const bool at_startup = run.plan.failed_at && *run.plan.failed_at < clean.calls_in_startup;
  const bool version_read = ByUninstaller(run.plan) && SiteIs(run.plan, "RegQueryValueExA") &&
                            platform::Upcase(run.plan.failed_detail) == L"VERSION NUMBER";
  if (at_startup && version_read && !run.ended_in_startup) {
    faults.push_back("a failed version read did not refuse at start-up");
  }
}

// A Dirscrub that cannot be found ends the run at once: the line, message 2018, the closing line.
void MissingDirscrubEndsTheRun(const RunOutcome&, const RunOutcome& run,
                               std::vector<std::string>& faults) {
  const auto lines = LogLines(run.log);
  const auto missing = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("(error) could not find file=") &&
           line.ends_with("\\DirscrubVelmar30.exe");
  });
  if (missing == lines.end()) return;
  const bool box = std::any_of(run.boxes.begin(), run.boxes.end(), [](const auto& shown) {
    return shown.text.starts_with(L"Error!  Could not find Dirscrub.exe.");
  });
  if (!box) faults.push_back("Dirscrub was not found, yet message 2018 was not shown");
  if (lines.end() - missing != 3 || missing[1] != "  Existing application") {
    faults.push_back("Dirscrub was not found, yet the run went on");
  }
}

// The removal of the install tree passes over every failure without a line. (The component
// folders' unregistration lists the same folders, and reports a listing that fails.)
void SilentRemovalsStaySilent(const RunOutcome& clean, const RunOutcome& run,
                              std::vector<std::string>& faults) {
  const std::wstring detail = platform::Upcase(run.plan.failed_detail);
  if (!ByUninstaller(run.plan) || !detail.starts_with(L"C:\\CORVANE\\")) return;
  if (SiteIs(run.plan, "Folder.Files")) return;
  if (ErrorLines(run.log) > ErrorLines(clean.log)) {
    faults.push_back("a failure inside a silent removal was logged as an error");
  }
}

using OutcomeRule = void (*)(const RunOutcome& clean, const RunOutcome& run,
                             std::vector<std::string>& faults);
constexpr OutcomeRule kOutcomeRules[] = {VersionReadsRefuse, MissingDirscrubEndsTheRun,
                                         SilentRemovalsStaySilent};

}  // namespace

int ErrorLines(const std::string& log) {
  int count = 0;
  for (const auto& line : LogLines(log)) {
    if (platform::Upcase(platform::WideFromUtf8(line)).find(L"(ERROR)") != std::wstring::npos) {
      ++count;
    }
  }
  return count;
}

std::string Shape(const RunOutcome& clean, const RunOutcome& run) {
  if (run.ended_in_startup) return "ended at start-up";
  if (FailureHitTheLog(run.plan)) return "failed on the log file";
  const int added = ErrorLines(run.log) - ErrorLines(clean.log);
  return "(error) lines " + std::string(added >= 0 ? "+" : "") + std::to_string(added);
}

std::vector<std::string> LogLines(const std::string& log) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(log.substr(start, end - start));
  }
  if (start < log.size()) lines.push_back(log.substr(start));
  return lines;
}

std::vector<std::string> Verdict(const RunOutcome& clean, const RunOutcome& run) {
  std::vector<std::string> faults;
  if (run.end != RunEnd::kProgramEnded) {
    faults.push_back(std::string(EndText(run.end)) + (run.what.empty() ? "" : ": " + run.what));
  }
  CheckLog(run, faults);
  CheckFootprint(clean, run, faults);
  for (const OutcomeRule rule : kOutcomeRules) rule(clean, run, faults);
  if (run.open_registry_handles != 0) {
    faults.push_back(std::to_string(run.open_registry_handles) + " registry handles left open");
  }
  if (run.open_service_handles != 0) {
    faults.push_back(std::to_string(run.open_service_handles) + " service handles left open");
  }
  return faults;
}

}  // namespace velmar::fault
