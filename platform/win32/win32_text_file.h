// The run time's sequential text files (Open For Output / Append / Input) on a Win32 file
// handle: ANSI bytes on disk, lines ending in CR LF.
#pragma once

#include <memory>
#include <string_view>

#include "platform/files.h"

namespace platform::win32 {

// Raises 53 / 76 / 70 as the run time's Open statement does when the file cannot be opened.
std::unique_ptr<TextFile> OpenWin32TextFile(std::wstring_view path, OpenMode mode);
// A new file with the access list as its own, open for output; 58 when the name is taken.
std::unique_ptr<TextFile> CreateWin32TextFile(std::wstring_view path, const AccessList& access);

}  // namespace platform::win32
