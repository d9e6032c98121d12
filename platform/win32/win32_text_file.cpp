// The run time's sequential text files on a Win32 file handle. Lines are written straight
// through, so a log survives the program being killed half way; reading is buffered.
#include "platform/win32/win32_text_file.h"

#include <windows.h>

#include <array>
#include <string>

#include "platform/error.h"
#include "platform/win32/win32_ansi.h"
#include "platform/win32/win32_file_io.h"
#include "platform/win32/win32_handle.h"
#include "platform/win32/win32_vb_error.h"

namespace platform::win32 {
namespace {

// The run time's numbers for misuse of an open file; they have no counterpart in VbError.
constexpr std::int32_t kBadFileMode = 54;
constexpr std::int32_t kInputPastEndOfFile = 62;

class Win32TextFile final : public TextFile {
 public:
  Win32TextFile(FileHandle file, OpenMode mode) : file_(std::move(file)), mode_(mode) {}

  void WriteLine(std::wstring_view text) override {
    if (mode_ == OpenMode::kInput) Raise(kBadFileMode, L"Bad file mode");
    std::string bytes = AnsiFromWide(text);
    bytes += "\r\n";
    WriteAllBytes(file_.get(), bytes);
  }

  bool AtEnd() override { return mode_ != OpenMode::kInput || !Fill(); }

  std::wstring ReadLine() override {
    if (mode_ != OpenMode::kInput) Raise(kBadFileMode, L"Bad file mode");
    if (!Fill()) Raise(kInputPastEndOfFile, L"Input past end of file");
    std::string line;
    while (Fill()) {
      const char c = buffer_[begin_++];
      if (c == '\n') break;
      if (c == '\r') {
        if (Fill() && buffer_[begin_] == '\n') ++begin_;
        break;
      }
      line += c;
    }
    return WideFromAnsi(line);
  }

 private:
  // True when at least one unread byte is buffered, reading more from the file if needed.
  bool Fill() {
    if (begin_ < end_) return true;
    DWORD read = 0;
    if (!::ReadFile(file_.get(), buffer_.data(), static_cast<DWORD>(buffer_.size()), &read,
                    nullptr)) {
      RaiseWin32(::GetLastError());
    }
    begin_ = 0;
    end_ = read;
    return end_ > 0;
  }

  FileHandle file_;
  OpenMode mode_;
  std::array<char, 4096> buffer_{};
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

}  // namespace

std::unique_ptr<TextFile> OpenWin32TextFile(std::wstring_view path, OpenMode mode) {
  DWORD access = GENERIC_WRITE;
  DWORD disposition = CREATE_ALWAYS;
  if (mode == OpenMode::kAppend) disposition = OPEN_ALWAYS;
  if (mode == OpenMode::kInput) {
    access = GENERIC_READ;
    disposition = OPEN_EXISTING;
  }
  // Other programs may read or add to the same log while it is open, as they may with the
  // run time's files.
  const std::wstring target(path);
  if (mode != OpenMode::kInput) RefuseReadOnlyTarget(target);
  FileHandle file(::CreateFileW(target.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseWin32(::GetLastError());
  if (mode == OpenMode::kAppend) {
    // The 32-bit call with its high part, as every NT has it; -1 is a failure only with an error
    // set, since it is also the low part of a position past 4 GB.
    LONG high = 0;
    ::SetLastError(ERROR_SUCCESS);
    if (::SetFilePointer(file.get(), 0, &high, FILE_END) == INVALID_SET_FILE_POINTER &&
        ::GetLastError() != ERROR_SUCCESS) {
      RaiseWin32(::GetLastError());
    }
  }
  return std::make_unique<Win32TextFile>(std::move(file), mode);
}

std::unique_ptr<TextFile> CreateWin32TextFile(std::wstring_view path, const AccessList& access) {
  return std::make_unique<Win32TextFile>(CreateNewFile(std::wstring(path), access),
                                         OpenMode::kOutput);
}

}  // namespace platform::win32
