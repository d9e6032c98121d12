// The uninstaller on a benchmark installation, its registry calls counted and its SQL Server
// time kept apart: started, pressed through with every question answered yes, then checked.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "bench/counting_registry.h"
#include "bench/installation_layout.h"
#include "bench/timed_database.h"
#include "platform/sim/process.h"
#include "tests/unit/uninstaller/fake_views.h"
#include "uninstaller/app.h"

namespace velmar::bench {

class BenchMachine {
 public:
  // The typical installation with nothing scaled.
  BenchMachine();
  explicit BenchMachine(const InstallSize& wanted);

  // Starts the program as a server administrator would; false when start-up ended it.
  bool Start();
  // Ticks the directory option, answers every question yes and the closing boxes with Cancel,
  // and presses Uninstall; false unless the press ended the program.
  bool PressUninstall();
  // What the run left undone or got wrong: anything of the product still in place, and the
  // simulation's own complaints (unforeseen or unused boxes). Empty after a clean run.
  std::vector<std::string> Leftovers() const;

  static constexpr wchar_t kProgram[] = L"C:\\Tools\\VelmarUninstall3xandUp.exe";
  const InstallSize size;
  platform::sim::Server server;
  uninstaller::testing::FakeViews views;
  std::unique_ptr<platform::sim::Process> process;
  std::unique_ptr<CountingRegistry> registry;
  std::unique_ptr<TimedDatabase> database;
  std::unique_ptr<platform::Host> host;
  std::unique_ptr<uninstaller::UninstallerApp> app;
};

}  // namespace velmar::bench
