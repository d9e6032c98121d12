// A simulated server with the product installed and the uninstaller ready to start on it,
// with stand-in windows that record what the program asked of them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/process.h"
#include "tests/support/typical_install.h"
#include "tests/unit/uninstaller/fake_views.h"
#include "uninstaller/app.h"
#include "uninstaller/sequence/startup.h"
#include "uninstaller/strings_en.h"

namespace uninstaller::testing {

inline platform::sim::StringTable EnglishTable() {
  platform::sim::StringTable table;
  for (const auto& [id, text] : BuiltInStrings()) table[id] = text;
  return table;
}

class UninstallerTest : public ::testing::Test {
 protected:
  static constexpr wchar_t kProgram[] = L"C:\\Tools\\VelmarUninstall3xandUp.exe";
  static constexpr wchar_t kServices[][20] = {L"ZqKtGateWay", L"ZqDirChangeWriter",
                                              L"ZqSqlChangeWriter", L"WyDirReader", L"ZqDSAD"};

  UninstallerTest() {
    InstallProduct(0x00040000, 0x00030032, L"C:\\Program Files\\Corvane");
    for (const auto* name : kServices) server.services.Install(name, platform::svc::kRunning);
  }
  void TearDown() override {
    for (const auto& problem : server.Problems()) ADD_FAILURE() << problem;
  }

  void InstallProduct(std::uint32_t version, std::uint32_t build, const std::wstring& root) {
    uninstaller::testing::InstallProduct(server, version, build, root);
  }

  // Starts the uninstaller; true when start-up ended the program.
  bool Start() {
    process = std::make_unique<platform::sim::Process>(server, kProgram, args, EnglishTable(),
                                                       std::array<std::uint16_t, 4>{4, 0, 0, 34});
    app = std::make_unique<UninstallerApp>(process->host(), views);
    try {
      app->Start();
    } catch (const platform::ProgramEnd& end) {
      exit_code = end.exit_code;
      return true;
    }
    return false;
  }

  std::string Log() const { return server.files.ReadFile(L"C:\\VelmarUninstall.log"); }

  std::wstring args;                       // the command line's arguments
  std::optional<std::uint32_t> exit_code;  // when start-up (or an unattended run) ended it
  platform::sim::Server server;
  FakeViews views;
  std::unique_ptr<platform::sim::Process> process;
  std::unique_ptr<UninstallerApp> app;
};

}  // namespace uninstaller::testing
