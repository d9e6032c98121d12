// Small file-writing steps shared by the file-system object and the sequential text files,
// each raising the run time's error number when it fails.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// Writes every byte to an open file handle.
void WriteAllBytes(void* file, std::string_view bytes);

// Raises 70 when the path names an existing read-only file, before anything tries to write it.
void RefuseReadOnlyTarget(const std::wstring& path);

}  // namespace platform::win32
