// The servers the whole-uninstall fault runs start from: a 4.0(3.x) installation and a 3.1 one,
// each with the real PelletSetup and, for 3.1, the real Dirscrub beside the uninstaller.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/sim/server.h"

namespace velmar::fault {

inline constexpr wchar_t kToolsFolder[] = L"C:\\Tools";
inline constexpr wchar_t kUninstaller[] = L"C:\\Tools\\VelmarUninstall3xandUp.exe";
inline constexpr wchar_t kLogPath[] = L"C:\\VelmarUninstall.log";
// The previous run's log, which a refused start-up must leave as it is.
inline constexpr char kOldLog[] = "VelmarRemoval version = an earlier run\r\n";

struct Scenario {
  std::string name;
  std::function<void(platform::sim::Server&)> lay_out;
};

std::vector<Scenario> Scenarios();

// What every scenario places that is not the product's, by the names a machine snapshot gives
// them: no run may remove any of it.
std::vector<std::wstring> Bystanders();

// The file names of the three programs, whose calls a fault plan numbers.
std::vector<std::wstring> OurPrograms();

}  // namespace velmar::fault
