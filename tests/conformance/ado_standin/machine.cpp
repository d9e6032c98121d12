// One simulated machine per process, laid out from the file the test names under
// HKLM\Software\VelmarTests\AdoStandIn (LayoutFile), its record appended to RecordFile.
#include "tests/conformance/ado_standin/machine.h"

#include <windows.h>

#include <memory>
#include <stdexcept>

#include "platform/sim/server.h"
#include "platform/sim/sim_database.h"
#include "platform/text.h"
#include "tests/conformance/ado_standin/automation.h"
#include "tests/e2e/programs/pellet/standin_record.h"
#include "tests/support/sql_layout.h"

namespace ado_standin {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\VelmarTests\\AdoStandIn";

std::wstring Setting(const wchar_t* name) {
  return pellet_bench::RegistryText(HKEY_LOCAL_MACHINE, kSettingsKey, name);
}

struct Machine {
  explicit Machine(const std::string& layout_text) : layout(layout_text) {
    if (layout.empty()) {
      server.sql.reachable = false;  // no lay-out: no SQL Server answers on this machine
    } else {
      sql_layout::Apply(server.sql, platform::WideFromUtf8(layout));
    }
  }
  // Virtual time follows the wall clock, never going back.
  void KeepTime() {
    const std::uint64_t elapsed = ::GetTickCount() - started;
    if (elapsed > server.now_ms()) server.AdvanceTo(elapsed);
  }

  std::string layout;
  platform::sim::Server server;
  platform::sim::SimDatabase database{server};
  DWORD started = ::GetTickCount();
  std::size_t recorded = 0;  // statements already in the record
};

std::unique_ptr<Machine>& Current() {
  static std::unique_ptr<Machine> machine;
  return machine;
}

}  // namespace

std::string Utf8(std::wstring_view text) {
  return platform::Utf8FromWide(text);
}

void Record(const std::string& line) {
  const std::wstring path = Setting(L"RecordFile");
  if (!path.empty()) pellet_bench::AppendRecord(path.c_str(), line);
}

void RefreshWhenIdle() {
  if (live_objects != 0) return;
  const std::string layout = pellet_bench::ReadWholeFile(Setting(L"LayoutFile"));
  auto& machine = Current();
  if (machine && machine->layout == layout) return;
  try {
    machine = std::make_unique<Machine>(layout);
    Record(layout.empty() ? "machine without SQL Server" : "machine laid out");
  } catch (const std::exception& error) {
    machine = std::make_unique<Machine>(std::string());
    Record(std::string("lay-out refused\t") + error.what());
  }
}

platform::Database& Database() {
  auto& machine = Current();
  if (!machine) RefreshWhenIdle();
  machine->KeepTime();
  return machine->database;
}

void RecordStatements() {
  auto& machine = Current();
  if (!machine) return;
  for (const auto& line : sql_layout::StatementLines(machine->server.sql, machine->recorded)) {
    Record(line);
  }
  machine->recorded = machine->server.sql.statements().size();
}

void RecordState() {
  auto& machine = Current();
  if (!machine || machine->layout.empty()) return;
  for (const auto& line : sql_layout::StateLines(machine->server.sql)) Record("holds\t" + line);
}

}  // namespace ado_standin
