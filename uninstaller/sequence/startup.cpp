// The start-up checks and the log's opening lines.
#include "uninstaller/sequence/startup.h"

#include <variant>

#include "common/registry_api.h"
#include "common/vb_text.h"
#include "common/workstation_info.h"
#include "uninstaller/sequence/error_trap.h"
#include "uninstaller/sequence/module_service.h"
#include "uninstaller/unattended_answers.h"

namespace uninstaller {
namespace {

std::wstring NotRunningQuestion(UninstallerApp& app) {
  return app.Text(2063) + L"\r\n" + app.Text(2064) + app.Text(2065) + L"\r\n\r\n" + app.Text(2066);
}

std::wstring ReadRootPath(UninstallerApp& app) {
  velmar::RegistryAPI registry(app.host.registry, app.host.locale);
  const auto value = registry.GetRegValue(platform::reg::kLocalMachine, kProductKey, L"Root Path",
                                          platform::reg::kSz, std::wstring());
  const auto* text = std::get_if<std::wstring>(&value);
  return text ? *text : std::wstring();
}

bool IsFailoverPrimary(UninstallerApp& app) {
  velmar::RegistryAPI registry(app.host.registry, app.host.locale);
  if (!registry.RegKeyExists(platform::reg::kLocalMachine, kNodeManagerKey)) return false;
  const auto value = registry.GetRegValue(platform::reg::kLocalMachine, kNodeManagerKey, L"Primary",
                                          platform::reg::kDword, std::int32_t{0});
  const auto* number = std::get_if<std::int32_t>(&value);
  return number && *number == 1;
}

void WriteOpeningLines(UninstallerApp& app) {
  const velmar::WorkStationInfo workstation(app.host.system);
  app.log.WriteLog(VersionLine(app));
  app.log.WriteLog(L"\r\nLoading...");
  app.log.WriteLog(L"Computer name of local Velmar server=" + workstation.ComputerName());
  app.log.WriteLog(L"Local Velmar version=" + app.version.Text);
  app.log.WriteLog(L"Running under account: " + workstation.Domain() + L"\\" +
                   workstation.UserName());
  app.log.WriteLog(L"Uninstall loaded, waiting for command from user to continue.");
}

// One removal at a time. An interactive start goes on as it always did; an unattended one that
// finds another removal running ends before it touches anything.
void TakeRemovalLock(UninstallerApp& app) {
  bool taken = false;
  app.removal_lock = app.host.processes.MakeNamedMutex(kRemovalMutex, taken);
  if (!taken || !app.options.unattended) return;
  app.host.events.Report(kApplicationTitle, platform::evt::kError,
                         L"Another removal is running on this server; this one ends without "
                         L"changing anything.");
  throw platform::ProgramEnd{exit_code::kAnotherRemoval};
}

// The failover warning of a run nobody watches: answered by the table, its line carries both
// label texts and the caption of the button chosen.
void AnswerFailoverWarning(UninstallerApp& app) {
  const std::wstring text = app.Text(kFailoverWarningText) + L" " + app.Text(2047);
  const bool proceed = UnattendedAnswer(app, text, platform::mb::kOkCancel) == platform::mb::kIdOk;
  app.unattended.Note(velmar::UnattendedLine(text, app.Text(proceed ? 2048 : 2049)));
  if (!proceed) app.ExitApplication(exit_code::kFailover);
}

}  // namespace

// The run time's App.Major, App.Minor and App.Revision: the build number is not shown.
std::wstring VersionLine(UninstallerApp& app) {
  const auto v = app.host.resources.FileVersion();
  return L"VelmarRemoval version =" + velmar::VbStr(v[0]) + L"." + velmar::VbStr(v[1]) + L"." +
         velmar::VbStr(v[3]) + L"\r\n";
}

void RunStartup(UninstallerApp& app) {
  TakeRemovalLock(app);
  app.VelmarServicesRunning = false;
  app.NotRunningAccepted = false;
  SkipFailure([&] { app.localize.InitializeLanguages(); });
  SkipFailure([&] { app.main.Auto_Init(); });
  SkipFailure([&] { app.version = velmar::GetVelmarVersion(app.host.registry, app.host.locale); });

  if (!app.IsVelmarVersionAtLeast(3, 0, 1, 0)) {
    app.Message(app.Text(2038), platform::mb::kOk);
    app.ExitApplication(exit_code::kRefused);
  }
  SkipFailure([&] {
    app.VelmarServicesRunning = CheckVelmarServices(app.host.services, app.log).value_or(false);
  });
  if (!app.VelmarServicesRunning &&
      app.Message(NotRunningQuestion(app), platform::mb::kYesNo) == platform::mb::kIdYes) {
    app.ExitApplication(exit_code::kNotRunning);
  }

  std::wstring root_path;
  SkipFailure([&] { root_path = ReadRootPath(app); });
  if (root_path.empty()) {
    app.Message(
        L"Could not find Velmar installation path in the registry.  Please contact "
        L"Vantrel for assistance",
        platform::mb::kOk);
    app.ExitApplication(exit_code::kRefused);
  }
  if (root_path.size() < 4) {
    app.Message(
        L"Velmar is not installed in a folder, it's installed in a root directory of a "
        L"drive.  This is an illegal configuration and the Uninstall tool cannot "
        L"proceed.  Please contact Vantrel for assistance.",
        platform::mb::kOk);
    app.ExitApplication(exit_code::kRefused);
  }
  bool primary = false;
  SkipFailure([&] { primary = IsFailoverPrimary(app); });
  // Its Cancel ends the program at once, before the log exists; Proceed returns here.
  if (primary && app.options.unattended) {
    AnswerFailoverWarning(app);
  } else if (primary) {
    app.failover.ShowModal(app.main);
  }

  app.log.Create();
  SkipFailure([&] { WriteOpeningLines(app); });
  app.unattended.LogOpened();
}

}  // namespace uninstaller
