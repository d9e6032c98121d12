// Small file-writing steps shared by the file-system object and the sequential text files,
// each raising the run time's error number when it fails.
#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/win32/win32_handle.h"

namespace platform::win32 {

// Writes every byte to an open file handle.
void WriteAllBytes(void* file, std::string_view bytes);

// Raises 70 when the path names an existing read-only file, before anything tries to write it.
void RefuseReadOnlyTarget(const std::wstring& path);

// Creates a file that was not there (CREATE_NEW: an existing name raises 58, never opened) with
// the access list as its own, for writing.
FileHandle CreateNewFile(const std::wstring& path, const AccessList& access);

}  // namespace platform::win32
