// Clearing a planted name at the root of the system drive, and creating the run's own file
// there with an access list of its own.
#include "common/root_file.h"

namespace velmar {
namespace {

constexpr wchar_t kAdministrators[] = L"S-1-5-32-544";
constexpr wchar_t kLocalSystem[] = L"S-1-5-18";
constexpr wchar_t kUsers[] = L"S-1-5-32-545";

// A planted name goes as a name (even when read-only); a junction as a link, never entered.
void ClearPlantedName(platform::FileSystem& files, std::wstring_view path) {
  if (IsPlantedName(files, path)) {
    files.RemoveFile(path, true);
  } else if (files.FolderExists(path) &&
             (files.Attributes(path) & platform::attr::kReparsePoint) != 0) {
    files.RemoveFolder(path, true);
  }
}

// What stands at the name goes: a planted name even when read-only, an old file as writing over
// it would (not when read-only).
void FreeName(platform::FileSystem& files, std::wstring_view path) {
  ClearPlantedName(files, path);
  if (files.FileExists(path)) files.RemoveFile(path, false);
}

}  // namespace

bool IsPlantedName(platform::FileSystem& files, std::wstring_view path) {
  if (!files.FileExists(path)) return false;
  if ((files.Attributes(path) & platform::attr::kReparsePoint) != 0) return true;
  return files.LinkCount(path) > 1;
}

platform::AccessList RootFileAccess() {
  return {{{kAdministrators, platform::rights::kFullControl},
           {kLocalSystem, platform::rights::kFullControl},
           {kUsers, platform::rights::kReadAndExecute}},
          false};
}

std::unique_ptr<platform::TextFile> CreateRootText(platform::FileSystem& files,
                                                   std::wstring_view path) {
  FreeName(files, path);
  return files.CreateText(path, RootFileAccess());
}

void WriteRootFile(platform::FileSystem& files, std::wstring_view path, std::string_view bytes) {
  FreeName(files, path);
  files.CreateBytes(path, bytes, RootFileAccess());
}

}  // namespace velmar
