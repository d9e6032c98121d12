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

// Start-up, the option ticked, the press, and Exit if the press comes back. A preview presses
// by itself at the end of its start-up: the press is seen where the window hands it on.
void Press(Server& server, uninstaller::UninstallerApp& app, RunOutcome& out) {
  bool pressed = false;
  app.main.on_uninstall = [&server, &out, &pressed, press = app.main.on_uninstall] {
    pressed = true;
    out.calls_in_startup = server.faults.calls;
    press();
  };
  try {
    app.Start();
  } catch (const platform::ProgramEnd&) {
    out.ended_in_startup = !pressed;
    throw;
  }
  app.main.SetChecked("chkRemoveSubscriberInfo", true);
  app.main.OnClick("cmdUninstall");
  app.main.OnClick("cmdExit");
}

void Guarded(Server& server, uninstaller::UninstallerApp& app, RunOutcome& out) {
  try {
    Press(server, app, out);
    out.end = RunEnd::kStillRunning;
  } catch (const platform::ProgramEnd& end) {
    out.end = RunEnd::kProgramEnded;
    out.exit_code = end.exit_code;
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

void NoteWindows(uninstaller::testing::FakeViews& views, RunOutcome& out) {
  for (const auto& [name, view] : views.views) {
    if (view->visible || view->modal_shows > 0) out.windows_shown.push_back(name);
  }
}

// The app on the process's own host, or behind a recording host that makes what it records.
void RunGuarded(Server& server, platform::sim::Process& process, const RunHow& how,
                RunOutcome& out) {
  uninstaller::testing::FakeViews views;
  if (!how.record_removal) {
    uninstaller::UninstallerApp app(process.host(), views);
    Guarded(server, app, out);
    if (app.preview()) out.changes = app.preview()->changes();
    NoteWindows(views, out);
    return;
  }
  platform::preview::RecordingHost recording(process.host(), platform::preview::Mode::kPassThrough,
                                             [](const platform::preview::Change&) {});
  {
    uninstaller::UninstallerApp app(recording.host(), views);
    Guarded(server, app, out);
    NoteWindows(views, out);
  }
  out.changes = recording.changes();
}

MachineState Take(Server& server, const RunHow& how) {
  return how.full_contents ? Contents(server) : Snapshot(server);
}

}  // namespace

RunOutcome RunWholeUninstall(const Scenario& scenario, platform::sim::FaultPlan plan,
                             std::uint64_t virtual_limit_ms, const RunHow& how) {
  Server server;
  scenario.lay_out(server);
  server.faults = std::move(plan);
  server.boxes.otherwise = AnswerGoingOn;
  if (virtual_limit_ms != 0) server.At(virtual_limit_ms, [] { throw VirtualTimeout{}; });

  RunOutcome out;
  {
    platform::sim::Process process(server, kUninstaller, how.args, UninstallerStrings(),
                                   {4, 0, 0, 34});
    out.before = Take(server, how);  // with the program's own file, which the process places
    RunGuarded(server, process, how, out);
    out.open_registry_handles = process.OpenRegistryHandles();
    out.open_service_handles = process.OpenServiceHandles();
  }
  out.after = Take(server, how);
  out.log = server.files.ReadFile(kLogPath);
  out.report = server.files.ReadFile(kReportPath);
  for (const auto& process : server.processes()) out.started.push_back(process.command_line);
  out.boxes = server.boxes.shown();
  out.plan = std::move(server.faults);
  out.virtual_ms = server.now_ms();
  return out;
}

}  // namespace velmar::fault
