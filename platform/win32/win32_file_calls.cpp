// The file calls facility on Windows: GetFileAttributesW, SetFileAttributesW, CopyFileW,
// DeleteFileW, MoveFileW and GetLongPathNameW as they are, and _wremove and _wrename with the errno
// they set.
#include "platform/win32/win32_file_calls.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace platform::win32 {
namespace {

// The calls want terminated strings; views from callers need not be.
std::wstring Terminated(std::wstring_view text) {
  return std::wstring(text);
}

// 0 when the run-time call succeeded, else the errno it left.
int CrtResult(int result) {
  return result == 0 ? 0 : errno;
}

}  // namespace

void Win32FileCalls::KeepLastError() {
  last_error_ = static_cast<Status>(::GetLastError());
}

std::uint32_t Win32FileCalls::GetAttributes(std::wstring_view path) {
  const DWORD attributes = ::GetFileAttributesW(Terminated(path).c_str());
  KeepLastError();
  return attributes;
}

bool Win32FileCalls::PutAttributes(std::wstring_view path, std::uint32_t attributes) {
  const bool ok = ::SetFileAttributesW(Terminated(path).c_str(), attributes) != FALSE;
  KeepLastError();
  return ok;
}

bool Win32FileCalls::CopyTo(std::wstring_view from, std::wstring_view to, bool fail_if_exists) {
  const bool ok = ::CopyFileW(Terminated(from).c_str(), Terminated(to).c_str(),
                              fail_if_exists ? TRUE : FALSE) != FALSE;
  KeepLastError();
  return ok;
}

bool Win32FileCalls::DeleteOne(std::wstring_view path) {
  const bool ok = ::DeleteFileW(Terminated(path).c_str()) != FALSE;
  KeepLastError();
  return ok;
}

bool Win32FileCalls::MoveOne(std::wstring_view from, std::wstring_view to) {
  const bool ok = ::MoveFileW(Terminated(from).c_str(), Terminated(to).c_str()) != FALSE;
  KeepLastError();
  return ok;
}

std::wstring Win32FileCalls::LongPathName(std::wstring_view path) {
  const std::wstring short_path = Terminated(path);
  // The first call sizes the buffer; the name can change between the two calls, so the second
  // result is held to the size it was given.
  DWORD size = ::GetLongPathNameW(short_path.c_str(), nullptr, 0);
  for (int attempt = 0; size != 0 && attempt < 2; ++attempt) {
    std::wstring long_path(size, L'\0');
    const DWORD written = ::GetLongPathNameW(short_path.c_str(), long_path.data(), size);
    if (written == 0) break;
    if (written < size) {
      KeepLastError();
      long_path.resize(written);
      return long_path;
    }
    size = written;
  }
  KeepLastError();
  return {};
}

Status Win32FileCalls::LastError() {
  return last_error_;
}

int Win32FileCalls::CrtRemove(std::wstring_view path) {
  errno = 0;
  return CrtResult(::_wremove(Terminated(path).c_str()));
}

int Win32FileCalls::CrtRename(std::wstring_view from, std::wstring_view to) {
  errno = 0;
  return CrtResult(::_wrename(Terminated(from).c_str(), Terminated(to).c_str()));
}

}  // namespace platform::win32
