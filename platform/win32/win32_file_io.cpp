// Small file-writing steps shared by the file-system object and the sequential text files.
// The read-only check is explicit because Wine running as root lets such files be written.
#include "platform/win32/win32_file_io.h"

#include <windows.h>

#include "platform/error.h"
#include "platform/win32/win32_access_list.h"
#include "platform/win32/win32_vb_error.h"

namespace platform::win32 {

void WriteAllBytes(void* file, std::string_view bytes) {
  const char* next = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    DWORD written = 0;
    if (!::WriteFile(file, next, static_cast<DWORD>(left), &written, nullptr)) {
      RaiseWin32(::GetLastError());
    }
    next += written;
    left -= written;
  }
}

void RefuseReadOnlyTarget(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
      (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    Raise(VbError::kPermissionDenied);
  }
}

FileHandle CreateNewFile(const std::wstring& path, const AccessList& access) {
  OwnAccessAttributes security(access);
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                static_cast<SECURITY_ATTRIBUTES*>(security.get()), CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseWin32(::GetLastError());
  return file;
}

}  // namespace platform::win32
