// The preview's recording host, its allowed commands and the report's opening and end.
#include "uninstaller/preview_run.h"

#include "uninstaller/app.h"
#include "uninstaller/sequence/error_trap.h"

namespace uninstaller {

std::wstring DirscrubCommand(const velmar::RunOptions& options, const std::wstring& path) {
  if (!options.unattended && !options.preview) return path;
  std::wstring command = L"\"" + path + L"\"";
  if (options.preview) command += L" Preview";
  if (options.unattended) command += L" Unattended";
  return command;
}

std::unique_ptr<platform::preview::RecordingHost> MakePreviewHost(
    platform::Host& machine, const velmar::RunOptions& options,
    platform::preview::RecordingHost::Note note) {
  if (!options.preview) return nullptr;
  auto preview = std::make_unique<platform::preview::RecordingHost>(
      machine, platform::preview::Mode::kPreview, std::move(note));
  const std::wstring dirscrub = DirscrubCommand(
      options, platform::ProgramFolder(machine.processes) + L"\\DirscrubVelmar30.exe");
  preview->AllowStart([dirscrub](std::wstring_view command) {
    return command == dirscrub || command == kPreviewNotepad;
  });
  return preview;
}

void WritePreviewHeadline(UninstallerApp& app) {
  app.log.WriteLog(L"Preview of the removal: nothing on this server has been changed.");
  app.log.WriteLog(
      L"Each line \"  would ...\" is a change the removal would make; the other lines are what "
      L"its log would say if every change succeeded.");
}

void FinishPreview(UninstallerApp& app, velmar::ProcessRunner& runner) {
  for (const std::wstring& line :
       app.preview()->CountLines(L"\r\nChanges the removal would make, by kind:")) {
    app.log.WriteLog(line);
  }
  if (!app.options.unattended) {
    SkipFailure([&] { runner.StartProcess(kPreviewNotepad, velmar::show::kMaximized); });
  }
  app.ExitApplication(app.log.ErrorCount() > 0 ? exit_code::kCompletedWithErrors
                                               : exit_code::kCompleted);
}

}  // namespace uninstaller
