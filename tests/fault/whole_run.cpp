// The whole uninstall as an administrator runs it, on the simulated server, under a fault plan.
#include "tests/fault/whole_run.h"

#include <memory>

#include "platform/sim/process.h"
#include "tests/unit/uninstaller/fake_views.h"
#include "uninstaller/app.h"
#include "uninstaller/strings_en.h"

namespace velmar::fault {
namespace {

namespace mb = platform::mb;
using platform::sim::Server;

struct VirtualTimeout {};

// Yes to every question, OK to everything else: the run goes as far as it can.
int AnswerGoingOn(const platform::sim::ShownBox& box) {
  const std::uint32_t buttons = box.style & mb::kButtonMask;
  return buttons == mb::kYesNo || buttons == mb::kYesNoCancel ? mb::kIdYes : mb::kIdOk;
}

platform::sim::StringTable UninstallerStrings() {
  platform::sim::StringTable table;
  for (const auto& [id, text] : uninstaller::BuiltInStrings()) table[id] = text;
  return table;
}

// Start-up, the option ticked, the press, and Exit if the press comes back.
void Press(Server& server, uninstaller::UninstallerApp& app, RunOutcome& out) {
  try {
    app.Start();
  } catch (const platform::ProgramEnd&) {
    out.ended_in_startup = true;
    throw;
  }
  out.calls_in_startup = server.faults.calls;
  app.main.SetChecked("chkRemoveSubscriberInfo", true);
  app.main.OnClick("cmdUninstall");
  app.main.OnClick("cmdExit");
}

void RunGuarded(Server& server, platform::sim::Process& process, RunOutcome& out) {
  uninstaller::testing::FakeViews views;
  uninstaller::UninstallerApp app(process.host(), views);
  try {
    Press(server, app, out);
    out.end = RunEnd::kStillRunning;
  } catch (const platform::ProgramEnd&) {
    out.end = RunEnd::kProgramEnded;
  } catch (const platform::sim::Deadlock& deadlock) {
    out.end = RunEnd::kDeadlock;
    out.what = platform::Utf8FromWide(deadlock.command_line);
  } catch (const platform::sim::RunawayCalls& runaway) {
    out.end = RunEnd::kRunawayCalls;
    out.what = std::to_string(runaway.calls) + " calls";
  } catch (const VirtualTimeout&) {
    out.end = RunEnd::kVirtualTimeout;
    out.what = std::to_string(server.now_ms()) + " ms";
  } catch (const std::exception& escaped) {
    out.end = RunEnd::kEscaped;
    out.what = escaped.what();
  } catch (...) {
    out.end = RunEnd::kEscaped;
    out.what = "an exception of no standard type";
  }
}

}  // namespace

RunOutcome RunWholeUninstall(const Scenario& scenario, platform::sim::FaultPlan plan,
                             std::uint64_t virtual_limit_ms) {
  Server server;
  scenario.lay_out(server);
  server.faults = std::move(plan);
  server.boxes.otherwise = AnswerGoingOn;
  if (virtual_limit_ms != 0) server.At(virtual_limit_ms, [] { throw VirtualTimeout{}; });

  RunOutcome out;
  out.before = Snapshot(server);
  {
    platform::sim::Process process(server, kUninstaller, L"", UninstallerStrings(), {4, 0, 0, 34});
    RunGuarded(server, process, out);
    out.open_registry_handles = process.OpenRegistryHandles();
    out.open_service_handles = process.OpenServiceHandles();
  }
  out.after = Snapshot(server);
  out.log = server.files.ReadFile(kLogPath);
  out.boxes = server.boxes.shown();
  out.plan = std::move(server.faults);
  out.virtual_ms = server.now_ms();
  return out;
}

}  // namespace velmar::fault
