// Fault injection through every platform call: a clean whole uninstall numbers the calls of the
// three programs, then one run per call fails exactly that call; prints "N of M runs held". With
// --preview the runs are unattended previews, held to the preview's rules ("N of M preview runs
// held"): under any one failing call a preview changes nothing. --print-report prints the clean
// preview's report (the operator guide's example is made with it).
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/text.h"
#include "tests/fault/preview_verdict.h"
#include "tests/fault/verdict.h"
#include "tests/fault/whole_run.h"

namespace velmar::fault {
namespace {

struct Options {
  unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
  std::uint64_t stride = 1;  // every call when 1; every stride-th call otherwise
  bool clean_only = false;   // one clean run per server (for valgrind)
  bool by_site = false;      // tally the runs that held by the failed call's site too
  bool show_clean = false;   // print each clean run's log and the calls it numbered, by site
  std::string only;          // one scenario by name
  std::optional<std::uint64_t> show_run;  // print the log of the run that fails this call
  bool preview = false;                   // unattended previews instead of removals
  bool print_report = false;              // print each clean preview's report as it is written
};

constexpr wchar_t kPreviewArgs[] = L"Preview Unattended RemoveSubscriberInfo";

RunHow How(const Options& options) {
  if (!options.preview) return {};
  return {kPreviewArgs, /*full_contents=*/true, /*record_removal=*/false};
}

std::vector<std::string> Judge(const Options& options, const RunOutcome& clean,
                               const RunOutcome& run) {
  return options.preview ? PreviewVerdict(run, /*unattended=*/true) : Verdict(clean, run);
}

struct Tally {
  std::uint64_t runs = 0;
  std::uint64_t held = 0;
  std::map<std::string, int> shapes;  // how the runs that held ended
};

platform::sim::FaultPlan Plan() {
  platform::sim::FaultPlan plan;
  plan.programs = OurPrograms();
  return plan;
}

void Report(const Scenario& scenario, std::uint64_t index, const RunOutcome& run,
            const std::vector<std::string>& faults, std::mutex& out) {
  std::lock_guard lock(out);
  std::printf("FAIL: %s, call %llu (%s %s):\n", scenario.name.c_str(),
              static_cast<unsigned long long>(index),
              run.plan.failed_site ? run.plan.failed_site : "?",
              platform::Utf8FromWide(run.plan.failed_detail).c_str());
  for (const auto& fault : faults) std::printf("    %s\n", fault.c_str());
  const auto lines = LogLines(run.report.empty() ? run.log : run.report);
  const std::size_t from = lines.size() > 3 ? lines.size() - 3 : 0;
  for (std::size_t i = from; i < lines.size(); ++i) std::printf("    | %s\n", lines[i].c_str());
}

// The clean run must hold by the same rules, or every verdict measured against it is void.
bool CleanRunHolds(const Scenario& scenario, const RunOutcome& clean, const Options& options,
                   std::mutex& out) {
  auto faults = Judge(options, clean, clean);
  if (clean.plan.calls == 0) faults.push_back("no call was numbered");
  const std::string& text = options.preview ? clean.report : clean.log;
  if (text.find("Uninstall completed at:") == std::string::npos) {
    faults.push_back("the clean run did not complete the uninstall");
  }
  if (!faults.empty()) Report(scenario, 0, clean, faults, out);
  return faults.empty();
}

Tally InjectEveryCall(const Scenario& scenario, const RunOutcome& clean, const Options& options,
                      std::mutex& out) {
  std::vector<std::uint64_t> indices;
  for (std::uint64_t i = 0; i < clean.plan.calls; i += options.stride) indices.push_back(i);
  const std::uint64_t time_limit = clean.virtual_ms * 4 + 3'600'000;
  std::atomic<std::size_t> next{0};
  std::atomic<std::uint64_t> held{0};
  std::map<std::string, int> shapes;
  auto worker = [&] {
    for (std::size_t at; (at = next++) < indices.size();) {
      auto plan = Plan();
      plan.fail_at = indices[at];
      plan.call_limit = clean.plan.calls * 10 + 10'000;
      const RunOutcome run = RunWholeUninstall(scenario, std::move(plan), time_limit, How(options));
      auto faults = Judge(options, clean, run);
      if (!run.plan.failed_at) faults.push_back("the chosen call was never made");
      if (faults.empty()) {
        ++held;
        std::lock_guard lock(out);
        const std::string shape = options.preview ? PreviewShape(run) : Shape(clean, run);
        ++shapes[options.by_site ? std::string(run.plan.failed_site) + ": " + shape : shape];
      } else {
        Report(scenario, indices[at], run, faults, out);
      }
    }
  };
  std::vector<std::thread> threads;
  for (unsigned j = 0; j < options.jobs; ++j) threads.emplace_back(worker);
  for (auto& thread : threads) thread.join();
  return {indices.size(), held.load(), shapes};
}

void ShowClean(const RunOutcome& clean) {
  for (const auto& line : LogLines(clean.report.empty() ? clean.log : clean.report)) {
    std::printf("    | %s\n", line.c_str());
  }
  std::map<std::string, int> by_site;
  for (std::size_t i = 0; i < clean.plan.sites.size(); ++i) {
    std::printf("    call %zu: %s\n", i, clean.plan.sites[i]);
    ++by_site[clean.plan.sites[i]];
  }
  for (const auto& [site, count] : by_site) std::printf("    %6d %s\n", count, site.c_str());
}

Options Parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--clean-only") options.clean_only = true;
    if (arg == "--show-clean") options.show_clean = true;
    if (arg == "--by-site") options.by_site = true;
    if (arg == "--preview") options.preview = true;
    if (arg == "--print-report") options.preview = options.print_report = options.clean_only = true;
    if (arg.starts_with("--show-run=")) options.show_run = std::stoull(arg.substr(11));
    if (arg.starts_with("--jobs=")) options.jobs = std::stoul(arg.substr(7));
    if (arg.starts_with("--stride=")) options.stride = std::max(1ul, std::stoul(arg.substr(9)));
    if (arg.starts_with("--scenario=")) options.only = arg.substr(11);
  }
  return options;
}

}  // namespace
}  // namespace velmar::fault

int main(int argc, char** argv) {
  using namespace velmar::fault;
  const Options options = Parse(argc, argv);
  std::mutex out;
  Tally total;
  bool clean_held = true;
  for (const Scenario& scenario : Scenarios()) {
    if (!options.only.empty() && scenario.name != options.only) continue;
    auto plan = Plan();
    plan.record_sites = true;
    const RunOutcome clean = RunWholeUninstall(scenario, std::move(plan), 0, How(options));
    if (options.print_report) {
      for (const auto& line : LogLines(clean.report)) std::printf("%s\n", line.c_str());
      continue;
    }
    clean_held = CleanRunHolds(scenario, clean, options, out) && clean_held;
    std::printf("%s: a clean run makes %llu numbered calls in %llu ms of virtual time\n",
                scenario.name.c_str(), static_cast<unsigned long long>(clean.plan.calls),
                static_cast<unsigned long long>(clean.virtual_ms));
    if (options.show_clean) ShowClean(clean);
    if (options.show_run) {
      auto plan = Plan();
      plan.fail_at = *options.show_run;
      const RunOutcome run = RunWholeUninstall(scenario, std::move(plan), 0, How(options));
      std::printf("%s, call %llu fails (%s %s):\n", scenario.name.c_str(),
                  static_cast<unsigned long long>(*options.show_run),
                  run.plan.failed_site ? run.plan.failed_site : "?",
                  platform::Utf8FromWide(run.plan.failed_detail).c_str());
      for (const auto& line : LogLines(options.preview ? run.report : run.log)) {
        std::printf("    | %s\n", line.c_str());
      }
      continue;
    }
    if (options.clean_only || !clean_held) continue;
    const Tally tally = InjectEveryCall(scenario, clean, options, out);
    for (const auto& [shape, count] : tally.shapes) {
      std::printf("    %6d %s\n", count, shape.c_str());
    }
    std::printf("%s: %llu of %llu %sruns held\n", scenario.name.c_str(),
                static_cast<unsigned long long>(tally.held),
                static_cast<unsigned long long>(tally.runs), options.preview ? "preview " : "");
    total.runs += tally.runs;
    total.held += tally.held;
  }
  if (!options.clean_only) {
    std::printf("%llu of %llu %sruns held\n", static_cast<unsigned long long>(total.held),
                static_cast<unsigned long long>(total.runs), options.preview ? "preview " : "");
  }
  return clean_held && total.held == total.runs ? 0 : 1;
}
