// The files a run writes at the root of the system drive, where any local account may plant a
// name beforehand: such a name is cleared, and the file is created anew under the run's own list.
#pragma once

#include <memory>
#include <string_view>

#include "platform/files.h"

namespace velmar {

// Whether the path names a hard link to other data or a reparse point; false when nothing is
// there. Raises the RuntimeError of a failed look.
bool IsPlantedName(platform::FileSystem& files, std::wstring_view path);

// Who may use a file the run writes at the root, whatever the root passes on: Administrators
// and SYSTEM in full, Users to read and run it, nobody else.
platform::AccessList RootFileAccess();

// The root file created anew under RootFileAccess. A planted name (a hard link to other data, or
// a reparse point, a junction included) is removed as a name first, so what it led to stays as
// it is; an old file of that name is removed too (a read-only one is refused with 70, as writing
// over it is), so the file's owner and list are the run's own. Raises as a create that failed:
// the caller treats it as a file that cannot be created.
std::unique_ptr<platform::TextFile> CreateRootText(platform::FileSystem& files,
                                                   std::wstring_view path);
void WriteRootFile(platform::FileSystem& files, std::wstring_view path, std::string_view bytes);

}  // namespace velmar
