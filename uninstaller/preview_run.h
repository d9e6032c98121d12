// A preview of the removal: the recording host that stands between the run and the machine,
// the only commands it still lets start, and the report's closing counts.
#pragma once

#include <memory>
#include <string>

#include "common/process_runner.h"
#include "common/run_options.h"
#include "platform/preview/recording_host.h"

namespace uninstaller {

class UninstallerApp;

inline constexpr wchar_t kPreviewNotepad[] = L"notepad.exe c:\\VelmarUninstallPreview.log";

// How the hand-over starts Dirscrub: bare as it always was, with the words of a run nobody
// watches or of a preview handed on.
std::wstring DirscrubCommand(const velmar::RunOptions& options, const std::wstring& path);

// Nothing without Preview. With it, a recording host in front of `machine` whose changes go to
// `note`; it lets start only Dirscrub in its own preview and Notepad on the report.
std::unique_ptr<platform::preview::RecordingHost> MakePreviewHost(
    platform::Host& machine, const velmar::RunOptions& options,
    platform::preview::RecordingHost::Note note);

// The report's opening words, written after the log's opening lines.
void WritePreviewHeadline(UninstallerApp& app);

// The counts per kind, Notepad on the report unless nobody watches, then the way out.
[[noreturn]] void FinishPreview(UninstallerApp& app, velmar::ProcessRunner& runner);

}  // namespace uninstaller
