// A simulated server with a TAPI configuration, the product's gateway and the vendor's TSP kit
// beside PelletSetup.exe, and a runner that starts the TSP setup on it and keeps its traces.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PelletSetup/setup_app.h"
#include "platform/sim/process.h"
#include "platform/sim/server.h"
#include "platform/text.h"
#include "tests/support/pellet_kit.h"

namespace pellet::testing {

using platform::sim::Process;

inline constexpr wchar_t kSetupFolder[] = L"C:\\Setup";
inline constexpr wchar_t kProgram[] = L"C:\\Setup\\PelletSetup.exe";

class PelletSetupTest : public ::testing::Test {
 protected:
  PelletSetupTest() {
    PrepareTelephonyMachine(server);
    LayOutKit(kSetupFolder, L"ENU");
  }
  ~PelletSetupTest() override {
    for (const std::string& problem : server.Problems()) ADD_FAILURE() << problem;
  }

  void LayOutKit(const std::wstring& folder, const std::wstring& language) {
    pellet::testing::LayOutKit(server, folder, language);
  }
  void LayOutLanguage(const std::wstring& folder, const std::wstring& language) {
    pellet::testing::LayOutLanguage(server, folder, language);
  }

  // Starts the program as `"<program>" <args>` from the folder given; returns its exit code.
  int Run(const std::wstring& args, const std::wstring& from = kSetupFolder,
          const std::wstring& program = kProgram) {
    Process process(server, program, args);
    process.set_command_line(L"\"" + program + L"\"" + (args.empty() ? L"" : L" " + args));
    process.host().processes.ChangeDirectory(from);
    const int code = PelletSetup(process.host());
    folder_after = process.current_dir();
    return code;
  }

  const std::vector<std::wstring>& traces() const { return server.debug_trace; }
  bool Traced(const std::wstring& line) const {
    return std::find(traces().begin(), traces().end(), line) != traces().end();
  }
  // The traces from the first one equal to `from`, `count` of them.
  std::vector<std::wstring> TracesFrom(const std::wstring& from, std::size_t count) const {
    auto at = std::find(traces().begin(), traces().end(), from);
    std::vector<std::wstring> out;
    for (; at != traces().end() && out.size() < count; ++at) out.push_back(*at);
    return out;
  }
  std::vector<std::wstring> TracesStartingWith(std::wstring_view prefix) const {
    std::vector<std::wstring> out;
    for (const auto& line : traces()) {
      if (line.starts_with(prefix)) out.push_back(line);
    }
    return out;
  }
  bool Exists(const std::wstring& path) { return server.files.Find(path) != nullptr; }
  std::wstring Sys(const std::wstring& name) const { return std::wstring(kSystem) + L"\\" + name; }
  // Every box the program showed, as "caption|text".
  std::vector<std::wstring> Boxes() const {
    std::vector<std::wstring> out;
    for (const auto& box : server.boxes.shown()) out.push_back(box.caption + L"|" + box.text);
    return out;
  }

  Server server;
  std::wstring folder_after;
};

}  // namespace pellet::testing
