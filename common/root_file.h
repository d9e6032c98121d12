// The files a run writes at the root of the system drive, where any local account may plant a
// name beforehand: such a name is cleared before the file is written, never written through.
#pragma once

#include <string_view>

#include "platform/files.h"

namespace velmar {

// Whether the path names a hard link to other data or a reparse point; false when nothing is
// there. Raises the RuntimeError of a failed look.
bool IsPlantedName(platform::FileSystem& files, std::wstring_view path);

// When the path names a hard link to other data or a reparse point, removes the name itself
// (what it led to stays as it is), so the file that follows is created anew. Raises the
// RuntimeError of the failed removal: the caller treats it as a file that cannot be created.
void ClearPlantedName(platform::FileSystem& files, std::wstring_view path);

}  // namespace velmar
