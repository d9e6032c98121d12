// The uninstaller started once on a simulated server with the product installed, for targets
// whose parser needs the application object; boxes are answered whatever they say.
#pragma once

#include <array>
#include <memory>

#include "platform/sim/process.h"
#include "tests/unit/uninstaller/fake_views.h"
#include "uninstaller/app.h"
#include "uninstaller/sequence/startup.h"
#include "uninstaller/strings_en.h"

namespace velmar::fuzz {

class UninstallerOnSim {
 public:
  UninstallerOnSim() {
    server.registry.SetDword(platform::reg::kLocalMachine, L"Software\\Quillon", L"Version Number",
                             0x00040000);
    server.registry.SetDword(platform::reg::kLocalMachine, L"Software\\Quillon", L"Build Number",
                             0x00030032);
    server.registry.SetString(platform::reg::kLocalMachine, uninstaller::kProductKey, L"Root Path",
                              L"C:\\Program Files\\Corvane");
    for (const auto* name :
         {L"ZqKtGateWay", L"ZqDirChangeWriter", L"ZqSqlChangeWriter", L"WyDirReader", L"ZqDSAD"}) {
      server.services.Install(name, platform::svc::kRunning);
    }
    platform::sim::StringTable table;
    for (const auto& [id, text] : uninstaller::BuiltInStrings()) table[id] = text;
    process = std::make_unique<platform::sim::Process>(server, kProgram, L"", table,
                                                       std::array<std::uint16_t, 4>{4, 0, 0, 34});
    app = std::make_unique<uninstaller::UninstallerApp>(process->host(), views);
    app->Start();
  }

  // Forgets what earlier inputs left behind (boxes, requests, opens) and answers the next
  // boxes with OK, so memory stays flat over millions of runs.
  void Reset() {
    server.boxes = platform::sim::BoxScript{};
    for (int i = 0; i < 8; ++i) server.boxes.ExpectAny(platform::mb::kIdOk);
    server.web.requests.clear();
    server.web.shell_opens.clear();
  }

  static constexpr wchar_t kProgram[] = L"C:\\Tools\\VelmarUninstall3xandUp.exe";
  platform::sim::Server server;
  uninstaller::testing::FakeViews views;
  std::unique_ptr<platform::sim::Process> process;
  std::unique_ptr<uninstaller::UninstallerApp> app;
};

}  // namespace velmar::fuzz
