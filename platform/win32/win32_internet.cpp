// The internet facility on Windows. The program closes its handles itself; the facility keeps
// a list of what is open so nothing outlives it when a path out forgets one.
#include "platform/win32/win32_internet.h"

#include <windows.h>
// windows.h first: the internet and shell headers build on its types.
#include <shellapi.h>
#include <wininet.h>

#include <algorithm>
#include <string>

namespace platform::win32 {
namespace {

HINTERNET AsNative(InternetHandle handle) {
  return reinterpret_cast<HINTERNET>(handle);
}

InternetHandle FromNative(HINTERNET handle) {
  return reinterpret_cast<InternetHandle>(handle);
}

}  // namespace

Win32Internet::~Win32Internet() {
  // Newest first: a request goes before the root it was opened from.
  while (!held_.empty()) {
    ::InternetCloseHandle(AsNative(held_.back().handle));
    Forget(held_.back().handle);
  }
}

InternetHandle Win32Internet::Open(std::wstring_view agent, std::uint32_t access_type) {
  const std::wstring terminated(agent);
  const HINTERNET root = ::InternetOpenW(terminated.c_str(), access_type, nullptr, nullptr, 0);
  if (root == nullptr) return 0;
  held_.push_back({FromNative(root), 0});
  return held_.back().handle;
}

InternetHandle Win32Internet::OpenUrl(InternetHandle root, std::wstring_view url) {
  const std::wstring terminated(url);
  const HINTERNET file = ::InternetOpenUrlW(AsNative(root), terminated.c_str(), nullptr, 0, 0, 0);
  if (file == nullptr) return 0;
  held_.push_back({FromNative(file), root});
  return held_.back().handle;
}

bool Win32Internet::Read(InternetHandle file, std::uint8_t* buffer, std::uint32_t size,
                         std::uint32_t& read) {
  DWORD got = 0;
  const BOOL ok = ::InternetReadFile(AsNative(file), buffer, size, &got);
  read = ok ? got : 0;
  return ok != FALSE;
}

bool Win32Internet::Close(InternetHandle handle) {
  const bool closed = ::InternetCloseHandle(AsNative(handle)) != FALSE;
  if (closed) Forget(handle);
  return closed;
}

// Closing a root closes the requests opened from it as well, so they leave the list with it;
// their values may be handed out again and must not be closed a second time.
void Win32Internet::Forget(InternetHandle handle) {
  std::erase_if(
      held_, [handle](const Held& held) { return held.handle == handle || held.parent == handle; });
}

void Win32Internet::ShellOpen(std::uintptr_t owner, std::wstring_view file,
                              std::wstring_view directory, int show) {
  const std::wstring terminated_file(file);
  const std::wstring terminated_directory(directory);
  ::ShellExecuteW(reinterpret_cast<HWND>(owner), nullptr, terminated_file.c_str(), nullptr,
                  directory.empty() ? nullptr : terminated_directory.c_str(), show);
}

}  // namespace platform::win32
