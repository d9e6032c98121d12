// The Win32 and C run-time file calls of one simulated process, reporting failures through the
// process's last error and errno values as Windows and its C run time set them.
#pragma once

#include <string>

#include "platform/file_calls.h"
#include "platform/sim/sim_files.h"

namespace platform::sim {

namespace win_file {
inline constexpr Status kFileExists = 80;        // ERROR_FILE_EXISTS (CopyFile)
inline constexpr Status kSharingViolation = 32;  // ERROR_SHARING_VIOLATION
inline constexpr Status kInvalidName = 123;      // ERROR_INVALID_NAME
}  // namespace win_file

// The C run time's mapping of a Win32 error to errno (its _dosmaperr).
int ErrnoOf(Status error);

class SimFileCalls : public FileCalls {
 public:
  SimFileCalls(FileSystemState& state, const std::wstring& current_dir, Status& last_error)
      : state_(state), current_dir_(current_dir), last_error_(last_error) {}

  std::uint32_t GetAttributes(std::wstring_view path) override;
  bool PutAttributes(std::wstring_view path, std::uint32_t attributes) override;
  bool CopyTo(std::wstring_view from, std::wstring_view to, bool fail_if_exists) override;
  bool DeleteOne(std::wstring_view path) override;
  bool MoveOne(std::wstring_view from, std::wstring_view to) override;
  std::wstring LongPathName(std::wstring_view path) override;
  Status LastError() override { return last_error_; }
  int CrtRemove(std::wstring_view path) override;
  int CrtRename(std::wstring_view from, std::wstring_view to) override;

 private:
  // Finds an existing entry; on failure sets the last error (2, or 3 when the folder is
  // missing, 123 for a malformed name) and returns nullptr.
  FileNode* Existing(std::wstring_view path, ParsedPath& parsed);
  // The folder a new entry goes into; on failure sets the last error and returns nullptr.
  FileNode* TargetFolder(std::wstring_view path, ParsedPath& parsed);
  bool Fail(Status error);

  FileSystemState& state_;
  const std::wstring& current_dir_;
  Status& last_error_;
};

}  // namespace platform::sim
