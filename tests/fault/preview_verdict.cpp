// The rules every preview run is held to, with or without a failing call.
#include "tests/fault/preview_verdict.h"

#include <algorithm>
#include <iterator>

#include "platform/text.h"
#include "tests/fault/verdict.h"

namespace velmar::fault {
namespace {

constexpr char kOpeningLine[] = "VelmarRemoval version =";
constexpr char kClosingLine[] = "Exiting Application at:";
constexpr char kCountsHeadline[] = "Changes the removal would make, by kind:";
constexpr char kDirscrubMissing[] = "(error) could not find file=";

// The report's own lines in a machine's contents ("F <name>", "C <path> <attributes> <bytes>").
bool IsReport(const std::wstring& line) {
  const std::wstring upper = platform::Upcase(line);
  const std::wstring report = platform::Upcase(std::wstring(kReportPath));
  return upper == L"F " + report || upper.starts_with(L"C " + report + L" ");
}

// "process <id> <command line>" of Dirscrub handed the preview's word, or Notepad on the report.
bool IsAllowedStart(const std::wstring& line) {
  if (!line.starts_with(L"process ")) return false;
  const std::wstring command = line.substr(line.find(L' ', 8) + 1);
  return command == L"notepad.exe c:\\VelmarUninstallPreview.log" ||
         (command.starts_with(L"\"") &&
          command.find(L"\\DirscrubVelmar30.exe\" Preview") != std::wstring::npos);
}

bool HitTheReport(const platform::sim::FaultPlan& plan) {
  return plan.failed_site != nullptr &&
         platform::Upcase(plan.failed_detail) == platform::Upcase(std::wstring(kReportPath));
}

bool Has(const std::vector<std::string>& lines, std::string_view prefix) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.starts_with(prefix); });
}

void CheckReport(const RunOutcome& run, std::vector<std::string>& faults) {
  if (HitTheReport(run.plan)) return;
  const auto lines = LogLines(run.report);
  if (run.ended_in_startup) {
    if (!run.report.empty()) faults.push_back("start-up refused, yet a report was written");
    return;
  }
  if (lines.empty() || !lines.front().starts_with(kOpeningLine)) {
    faults.push_back("the report does not open with \"" + std::string(kOpeningLine) + "\"");
  }
  if (lines.empty() || !lines.back().starts_with(kClosingLine)) {
    faults.push_back("the report's last line is \"" + (lines.empty() ? "" : lines.back()) + "\"");
  }
}

void CheckExitCode(const RunOutcome& run, std::vector<std::string>& faults) {
  if (!run.exit_code || HitTheReport(run.plan)) return;
  const auto lines = LogLines(run.report);
  std::uint32_t expected = 0;
  if (run.ended_in_startup) {
    if (*run.exit_code < 2 || *run.exit_code > 5) {
      faults.push_back("refused at start-up with exit code " + std::to_string(*run.exit_code));
    }
    return;
  }
  if (Has(lines, kCountsHeadline)) {
    expected = ErrorLines(run.report) > 0 ? 1 : 0;
  } else if (Has(lines, kDirscrubMissing)) {
    expected = 6;
  } else {
    faults.push_back("the report ends without its counts");
    return;
  }
  if (*run.exit_code != expected) {
    faults.push_back("exit code " + std::to_string(*run.exit_code) + ", the report says " +
                     std::to_string(expected));
  }
}

}  // namespace

std::vector<std::wstring> PreviewChanged(const RunOutcome& run) {
  std::vector<std::wstring> changed;
  auto keep = [&](const MachineState& from, const MachineState& to, const wchar_t* sign) {
    for (const auto& line : Removed(from, to)) {
      if (!IsReport(line) && !IsAllowedStart(line)) changed.push_back(sign + line);
    }
  };
  keep(run.before, run.after, L"- ");
  keep(run.after, run.before, L"+ ");
  return changed;
}

std::vector<std::string> PreviewVerdict(const RunOutcome& run, bool unattended) {
  std::vector<std::string> faults;
  if (run.end != RunEnd::kProgramEnded) faults.push_back("did not end: " + run.what);
  int shown = 0;
  for (const auto& line : PreviewChanged(run)) {
    if (++shown > 5) break;
    faults.push_back("changed the machine: " + platform::Utf8FromWide(line.substr(0, 200)));
  }
  if (unattended && !run.boxes.empty()) {
    faults.push_back("showed a box: " + platform::Utf8FromWide(run.boxes.front().text));
  }
  CheckReport(run, faults);
  CheckExitCode(run, faults);
  if (run.open_registry_handles != 0) {
    faults.push_back(std::to_string(run.open_registry_handles) + " registry handles left open");
  }
  if (run.open_service_handles != 0) {
    faults.push_back(std::to_string(run.open_service_handles) + " service handles left open");
  }
  return faults;
}

std::string PreviewShape(const RunOutcome& run) {
  const std::string code = run.exit_code ? std::to_string(*run.exit_code) : "?";
  if (run.ended_in_startup) return "ended at start-up, exit " + code;
  if (HitTheReport(run.plan)) return "failed on the report, exit " + code;
  return "completed, exit " + code;
}

}  // namespace velmar::fault
