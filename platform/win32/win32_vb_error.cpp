// Translation of Win32 error codes into the run time's error numbers, the way the scripting
// run time reports failures of the file-system calls it wraps.
#include "platform/win32/win32_vb_error.h"

#include <windows.h>

namespace platform::win32 {

VbError VbErrorFromWin32(std::uint32_t code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND: return VbError::kFileNotFound;
    case ERROR_PATH_NOT_FOUND: return VbError::kPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return VbError::kPermissionDenied;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return VbError::kFileAlreadyExists;
    default: return VbError::kInvalidProcedureCall;
  }
}

void RaiseWin32(std::uint32_t code) {
  Raise(VbErrorFromWin32(code));
}

}  // namespace platform::win32
