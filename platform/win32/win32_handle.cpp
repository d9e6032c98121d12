// The closers behind the owning handle wrappers; the only place they meet windows.h.
#include "platform/win32/win32_handle.h"

#include <windows.h>

namespace platform::win32 {

void KernelHandleTraits::Close(pointer handle) noexcept {
  ::CloseHandle(handle);
}
void FileHandleTraits::Close(pointer handle) noexcept {
  ::CloseHandle(handle);
}
void FindHandleTraits::Close(pointer handle) noexcept {
  ::FindClose(handle);
}
void LocalMemoryTraits::Close(pointer block) noexcept {
  ::LocalFree(block);
}

}  // namespace platform::win32
