// File calls facility: the Win32 and C run-time file functions of a procedural program, which
// report a failure by their result and the last error (or errno) instead of raising.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win_status.h"

namespace platform {

inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFF;

namespace crt {
inline constexpr int kNoEntry = 2;  // ENOENT
inline constexpr int kAccess = 13;  // EACCES
inline constexpr int kExists = 17;  // EEXIST
}  // namespace crt

class FileCalls {
 public:
  virtual ~FileCalls() = default;
  virtual std::uint32_t GetAttributes(std::wstring_view path) = 0;  // GetFileAttributesW
  virtual bool PutAttributes(std::wstring_view path,
                             std::uint32_t attributes) = 0;  // SetFileAttributesW
  // CopyFileW; fail_if_exists false overwrites (not a read-only or hidden target).
  virtual bool CopyTo(std::wstring_view from, std::wstring_view to, bool fail_if_exists) = 0;
  virtual bool DeleteOne(std::wstring_view path) = 0;                      // DeleteFileW
  virtual bool MoveOne(std::wstring_view from, std::wstring_view to) = 0;  // MoveFileW
  // GetLongPathNameW: the path of an existing file or folder with every short (8.3) name in it
  // replaced by the entry's long name; empty when the path cannot be found (last error 2 or 3).
  virtual std::wstring LongPathName(std::wstring_view path) = 0;
  virtual Status LastError() = 0;  // after the calls above

  // The C run time's _wremove and _wrename: 0, or the errno value they set.
  virtual int CrtRemove(std::wstring_view path) = 0;
  virtual int CrtRename(std::wstring_view from, std::wstring_view to) = 0;
};

}  // namespace platform
