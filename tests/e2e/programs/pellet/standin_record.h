// Shared by the bench's stand-in libraries: appending one line to a record file in the prefix,
// so a test can read back which calls a program made on them and in which order.
#pragma once

#include <windows.h>

#include <string>

namespace pellet_bench {

// Owns one file handle from CreateFileW.
class RecordFile {
 public:
  explicit RecordFile(const wchar_t* path)
      : handle_(::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;
  ~RecordFile() {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  bool Append(const std::string& line) {
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    const std::string text = line + "\r\n";
    DWORD written = 0;
    return ::WriteFile(handle_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
  }

 private:
  HANDLE handle_;
};

// A text value the bench left for a stand-in under a registry key (the 32-bit view: the stand-ins
// are 32-bit), or empty when there is none.
inline std::wstring RegistryText(HKEY root, const wchar_t* path, const wchar_t* name) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  const LONG status =
      ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  ::RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_SZ ? std::wstring(value) : std::wstring();
}

// The whole file's bytes, or none when it cannot be read (a stand-in's lay-out, written by the
// bench).
inline std::string ReadWholeFile(const std::wstring& path) {
  std::string bytes;
  if (path.empty()) return bytes;
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  ::CloseHandle(file);
  return bytes;
}

// Held while one line is appended. Stand-ins started side by side append to one record, and an
// append is not atomic across processes under Wine (two lines can land at the same offset and
// one is lost), so every stand-in waits for this machine-wide mutex first. A wait that times out
// still appends: a lost line then fails the test, never a hang.
class AppendLock {
 public:
  AppendLock() : mutex_(::CreateMutexW(nullptr, FALSE, L"Local\\velmar-bench-record-append")) {
    if (mutex_ != nullptr) {
      const DWORD waited = ::WaitForSingleObject(mutex_, 10000);
      held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
  }
  AppendLock(const AppendLock&) = delete;
  AppendLock& operator=(const AppendLock&) = delete;
  ~AppendLock() {
    if (held_) ::ReleaseMutex(mutex_);
    if (mutex_ != nullptr) ::CloseHandle(mutex_);
  }

 private:
  HANDLE mutex_;
  bool held_ = false;
};

inline bool AppendRecord(const wchar_t* path, const std::string& line) {
  const AppendLock lock;
  RecordFile file(path);
  return file.Append(line);
}

// Record lines are ANSI; the names passed through the stand-ins are plain ASCII.
inline std::string Narrow(const wchar_t* text) {
  if (text == nullptr) return "(null)";
  const int size = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string narrow(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), size, nullptr, nullptr);
  narrow.resize(static_cast<std::size_t>(size - 1));
  return narrow;
}

inline std::string Hex(unsigned long value) {
  char text[16];
  ::wsprintfA(text, "0x%08lx", value);
  return text;
}

}  // namespace pellet_bench
