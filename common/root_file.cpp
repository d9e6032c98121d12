// Clearing a planted name at the root of the system drive before a run's own file is written
// there.
#include "common/root_file.h"

namespace velmar {

bool IsPlantedName(platform::FileSystem& files, std::wstring_view path) {
  if (!files.FileExists(path)) return false;
  if ((files.Attributes(path) & platform::attr::kReparsePoint) != 0) return true;
  return files.LinkCount(path) > 1;
}

void ClearPlantedName(platform::FileSystem& files, std::wstring_view path) {
  if (IsPlantedName(files, path)) files.RemoveFile(path, true);
}

}  // namespace velmar
