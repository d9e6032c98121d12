// The Uninstall press and stage A of the sequence: subscriber data, the TSP, the first pass of
// service stops.
#include "uninstaller/sequence/uninstall_sequence.h"

#include "platform/text.h"
#include "uninstaller/directory/directory_inventory.h"
#include "uninstaller/directory/remove_directory_data.h"
#include "uninstaller/preview_run.h"
#include "uninstaller/sequence/completion.h"
#include "uninstaller/sequence/service_stops.h"
#include "uninstaller/sequence/stage_b.h"
#include "uninstaller/sequence/stage_c.h"
#include "uninstaller/sequence/startup.h"
#include "uninstaller/sequence/web_and_iis.h"

namespace uninstaller {
void ChangeDirectoryKeepingDrive(platform::Processes& processes, std::wstring_view folder) {
  const std::wstring current = processes.CurrentDirectory();
  if (current.size() >= 2 && folder.size() >= 2 &&
      platform::UpcaseChar(current[0]) == platform::UpcaseChar(folder[0])) {
    processes.ChangeDirectory(folder);
  }
}

UninstallSequence::UninstallSequence(UninstallerApp& app)
    : app_(app),
      runner_(app.host, app.log, app.options.unattended),
      trap_(app.log),
      helpers_(app.host, app.log, runner_),
      folder_(platform::ProgramFolder(app.host.processes)) {}

bool UninstallSequence::Confirmed() {
  if (!app_.VelmarServicesRunning && !app_.NotRunningAccepted) {
    app_.Message(app_.Text(2067), platform::mb::kOk);
    app_.NotRunningAccepted = true;
    // Unattended, AllowNotRunning was the go-ahead: the run goes on in the same press.
    if (!app_.options.unattended) return false;
  }
  for (const std::uint32_t question : {2012u, 2002u, 2003u, 2004u}) {
    int answer = platform::mb::kIdNo;
    SkipFailure([&] { answer = app_.Message(app_.Text(question), platform::mb::kYesNo); });
    if (answer != platform::mb::kIdYes) return false;
  }
  return true;
}

void UninstallSequence::OnPress() {
  // A preview changes nothing, so there is nothing to confirm.
  if (!app_.options.preview && !Confirmed()) return;
  app_.main.SetSequenceRunning(true);  // hourglass; no second press can start a nested run
  trap_([&] { inventory_ = GetDirectoryInventory(app_); });
  RemoveSubscriberData();
  RemoveTsp();
  trap_([&] { app_.main.TickRow(3); });
  trap_([&] { ChangeDirectoryKeepingDrive(app_.host.processes, folder_); });
  StopServices();
  const std::wstring root = RemoveWebApplicationsAndStopPlatform(app_, runner_, trap_);
  RunStageB(app_, runner_, trap_, helpers_, root);
  RunStageC(app_, runner_, trap_, helpers_, root);
  RunCompletion(app_, runner_, root, inventory_);
}

void UninstallSequence::RemoveSubscriberData() {
  if (!app_.main.RemoveSubscriberInfo()) {
    app_.log.WriteLog(VersionLine(app_));
    app_.log.WriteLog(L"DOH removal skipped at user's request...\r\n");
    return;
  }
  trap_([&] { app_.main.TickRow(1); });
  if (app_.IsVelmarVersionAtLeast(4, 0, 2, 50)) {
    trap_([&] { RemoveDirectoryData(app_); });
    return;
  }
  HandOverToDirscrub();
  trap_([&] { app_.main.TickRow(2); });
}

void UninstallSequence::HandOverToDirscrub() {
  const std::wstring dirscrub = folder_ + L"\\DirscrubVelmar30.exe";
  if (!FileExists(app_.host.files, dirscrub)) {
    app_.log.WriteLog(L"(error) could not find file=" + dirscrub);
    app_.log.WriteLog(L"  Existing application");
    app_.Message(app_.Text(2018), platform::mb::kOk);
    app_.ExitApplication(exit_code::kDirscrubMissing);
  }
  app_.log.WriteLog(L"    Launching Dirscrub using path=" + dirscrub);
  app_.log.Close();  // Dirscrub appends to the same file; only one writer at a time
  runner_.PauseSeconds(1);
  trap_([&] {
    // The words of a run nobody watches and of a preview are handed on.
    auto child =
        runner_.StartProcess(DirscrubCommand(app_.options, dirscrub), velmar::show::kNormal);
    runner_.WaitForProcess(*child, platform::kInfinite);
  });
  // Dirscrub's preview writes no marker; the removal's Dirscrub would have, at its end.
  if (app_.preview()) app_.preview()->AssumeWritten(kMarkerFile);
  app_.log.ReopenForAppend();
  app_.log.WriteLog(L"    Dirscrub completed, resuming uninstall.");
  trap_([&] {
    if (FileExists(app_.host.files, L"c:\\VelmarUninstalltemp.xxx")) {
      app_.host.files.RemoveFile(L"c:\\velmarUninstalltemp.xxx", false);
    } else {
      app_.log.WriteLog(
          L"(error) c:\\VelmarUninstallTemp.xxx file was not created.  Dirscrub application did "
          L"not run properly");
    }
  });
}

void UninstallSequence::RemoveTsp() {
  const std::wstring command = folder_ + L"\\PelletSetup.exe -uninstall -silent";
  trap_([&] {
    runner_.Run({L"   removing TSP information", command, velmar::show::kMinimized, 20'000, L"",
                 L"      completed TSP removal"});
  });
}

void UninstallSequence::StopServices() {
  for (const velmar::ProcessStep& step : FirstPassOfServiceStops()) {
    trap_([&] { runner_.Run(step); });
  }
}

}  // namespace uninstaller
