// Fault injection on the simulated server: every platform call of the covered programs that can
// fail on Windows is numbered in the order made, and the one chosen fails as the real API would.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::sim {

// Thrown when a run goes past its plan's call limit; deliberately not an std::exception.
struct RunawayCalls {
  std::uint64_t calls = 0;
};

struct FaultPlan {
  // File names of the programs whose calls are numbered ("VelmarUninstall3xandUp.exe"); the
  // simulated Windows programs they start (net, sc, regsvr32, ...) are not ours and run clean.
  std::vector<std::wstring> programs;
  std::optional<std::uint64_t> fail_at;  // nothing: a counting run in which no call fails
  // Or the call chosen by its site: the nth (from 0) call made at fail_site fails.
  std::string fail_site;
  std::uint64_t fail_site_nth = 0;
  bool record_sites = false;  // keep every numbered call's site (a counting run)

  // A run that makes more numbered calls than this is looping: the next call throws
  // RunawayCalls, which no program catches.
  std::uint64_t call_limit = UINT64_MAX;

  std::uint64_t calls = 0;                 // numbered calls made so far, over every program
  std::vector<const char*> sites;          // the site of each numbered call, when recorded
  const char* failed_site = nullptr;       // the site of the call that failed, once it has
  std::wstring failed_detail;              // the path or name it was made on, where there is one
  std::optional<std::uint64_t> failed_at;  // the index of the call that failed, once it has
  std::wstring failed_program;             // the file name of the program that made it

  // Whether a process of the program at this path has its calls numbered.
  bool Covers(std::wstring_view module_path) const;

  // Numbers one call at its site (with the path or name it is made on, if any); true when this
  // is the call that must fail.
  bool Fail(const char* site, std::wstring_view detail = {}) {
    const std::uint64_t index = calls++;
    if (index >= call_limit) throw RunawayCalls{index};
    if (record_sites) sites.push_back(site);
    if (!Chosen(index, site)) return false;
    failed_site = site;
    failed_detail = detail;
    failed_at = index;
    return true;
  }

 private:
  bool Chosen(std::uint64_t index, std::string_view site) {
    if (fail_at) return *fail_at == index;
    return !fail_site.empty() && site == fail_site && site_calls_++ == fail_site_nth;
  }
  std::uint64_t site_calls_ = 0;  // calls made so far at fail_site
};

// One program's calls into the plan: the failed call is put down to that program.
class FaultPoint {
 public:
  FaultPoint(FaultPlan& plan, std::wstring program) : plan_(plan), program_(std::move(program)) {}
  bool Fail(const char* site, std::wstring_view detail = {}) {
    if (!plan_.Fail(site, detail)) return false;
    plan_.failed_program = program_;
    return true;
  }

 private:
  FaultPlan& plan_;
  std::wstring program_;
};

}  // namespace platform::sim
