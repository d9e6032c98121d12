// The file calls facility on Windows: the wide file functions and the C run time's remove and
// rename, each reporting failure by result and last error or errno, never by raising.
#pragma once

#include "platform/file_calls.h"

namespace platform::win32 {

class Win32FileCalls final : public FileCalls {
 public:
  std::uint32_t GetAttributes(std::wstring_view path) override;
  bool PutAttributes(std::wstring_view path, std::uint32_t attributes) override;
  bool CopyTo(std::wstring_view from, std::wstring_view to, bool fail_if_exists) override;
  bool DeleteOne(std::wstring_view path) override;
  bool MoveOne(std::wstring_view from, std::wstring_view to) override;
  std::wstring LongPathName(std::wstring_view path) override;
  Status LastError() override;

  int CrtRemove(std::wstring_view path) override;
  int CrtRename(std::wstring_view from, std::wstring_view to) override;

 private:
  // The thread's last error as the previous call left it, before anything else can change it.
  void KeepLastError();
  Status last_error_ = 0;
};

}  // namespace platform::win32
