// The file removal helpers of the sequence: a file removed or moved aside as ".old", COM
// libraries of a folder unregistered, the install tree, wildcard matches and folders deleted.
#pragma once

#include <string>
#include <string_view>

#include "common/process_runner.h"
#include "platform/host.h"
#include "uninstaller/sequence/error_trap.h"
#include "uninstaller/sequence/uninstall_log.h"

namespace uninstaller {

// True when a directory search for the path finds a normal file: hidden and system files and
// folders are not found.
bool FileExists(platform::FileSystem& files, std::wstring_view path);

// "regsvr32 /u /s " and the library's path, quoted only when it holds a blank (a bare path with
// a blank would reach regsvr32 as several arguments and never be unregistered).
std::wstring UnregisterCommand(std::wstring_view library);

// Whether a file name's extension (the text after its last dot) is "dll" in any letter case.
bool HasDllExtension(std::wstring_view name);

class FileHelpers {
 public:
  FileHelpers(platform::Host& host, UninstallLog& log, velmar::ProcessRunner& runner)
      : files_(host.files), log_(log), runner_(runner) {}

  // Deletes the file, or moves it aside as <path>.old when it cannot go (a process still has
  // it loaded); one log line for either outcome, one "(error)" line when neither works.
  void RemoveOrRenameFile(std::wstring_view path);
  // Starts a hidden, unwaited unregistration for every DLL below the folder, deepest first;
  // silent.
  void UnregisterFolderDlls(std::wstring_view folder);
  // Unregisters the DLLs directly in the folder one after the other, logging each; failures go
  // to the caller's trap.
  void UnregisterFolderDllsAndWait(std::wstring_view folder, ErrorTrap& trap);
  // Deletes the install tree, logging each first-level subfolder; failures are skipped.
  void RemoveInstallTree(std::wstring_view root);
  // Forced deletion of the files matching the last component; raises when nothing matches.
  void DeleteMatchingFiles(std::wstring_view pattern);
  // Forced deletion of a folder and everything below it; raises when it is missing.
  void DeleteFolderTree(std::wstring_view path);

 private:
  platform::FileSystem& files_;
  UninstallLog& log_;
  velmar::ProcessRunner& runner_;
};

}  // namespace uninstaller
