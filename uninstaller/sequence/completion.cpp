// The completion of the Uninstall press.
#include "uninstaller/sequence/completion.h"

#include "common/registry_api.h"
#include "common/root_file.h"
#include "common/vb_text.h"
#include "uninstaller/preview_run.h"
#include "uninstaller/sequence/error_trap.h"
#include "uninstaller/sequence/footprint.h"

namespace uninstaller {
void RunCompletion(UninstallerApp& app, velmar::ProcessRunner& runner, const std::wstring& root,
                   const std::wstring& inventory) {
  // The batch deletes the root it is given at the next logon: only a root inside the
  // product's footprint is handed to it (the batch refuses the others too).
  bool usable_root = false;
  SkipFailure([&] {
    usable_root = IsDeletableTree(root, ProtectedFolders::OfMachine(app.host)) &&
                  root.find_first_of(L"&^%") == std::wstring::npos;
  });
  if (usable_root) {
    SkipFailure([&] {
      // SetRegValue never creates the key: where it is missing, no entry is stored.
      velmar::RegistryAPI(app.host.registry, app.host.locale)
          .SetRegValue(platform::reg::kCurrentUser, kRunOnceKey, L"1", platform::reg::kSz,
                       L"c:\\VelmarClean.bat " + root);
    });
  } else {
    app.log.WriteLog(L"(warning) Root Path=" + root +
                     L" is not a folder of the product; the clean-up at the next logon is not "
                     L"registered");
  }
  SkipFailure([&] {
    // Read first: a batch missing from the program folder leaves an old copy as it is.
    const std::string batch = app.host.files.ReadBytes(platform::ProgramFolder(app.host.processes) +
                                                       L"\\VelmarClean.bat");
    velmar::WriteRootFile(app.host.files, L"c:\\VelmarClean.bat", batch);
  });
  app.log.WriteLog(L"Uninstall completed at:" +
                   app.host.locale.FormatGeneralDate(app.host.clock.Now()));
  SkipFailure([&] { app.main.SetSequenceRunning(false); });
  app.log.Close();
  app.log.CountLogProblems();
  if (!app.IsVelmarVersionAtLeast(4, 0, 2, 50)) {
    if (!app.preview()) {
      SkipFailure([&] { app.Message(app.Text(2039) + L"\r\n" + inventory, platform::mb::kOk); });
    }
    app.log.WriteLog(L"User being asked to remove the following accounts:\r\n" + inventory);
  }
  if (app.preview()) FinishPreview(app, runner);
  int answer = platform::mb::kIdCancel;
  SkipFailure([&] {
    answer = app.Message(app.Text(2008) + L"\r\n" + velmar::VbStr(app.log.ErrorCount()) +
                             app.Text(2009) + L"\r\n" + app.Text(2010),
                         platform::mb::kOkCancel);
  });
  if (answer == platform::mb::kIdOk) {
    SkipFailure([&] {
      runner.StartProcess(L"notepad.exe c:\\VelmarUninstall.log", velmar::show::kMaximized);
    });
  }
  app.ExitApplication(app.log.ErrorCount() > 0 ? exit_code::kCompletedWithErrors
                                               : exit_code::kCompleted);
}

}  // namespace uninstaller
