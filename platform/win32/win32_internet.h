// The internet facility on Windows: WinINet for a plain HTTP GET and ShellExecuteW for opening
// an address, with every handle the program leaves open closed when the facility goes.
#pragma once

#include <vector>

#include "platform/internet.h"

namespace platform::win32 {

class Win32Internet final : public Internet {
 public:
  Win32Internet() = default;
  ~Win32Internet() override;
  Win32Internet(const Win32Internet&) = delete;
  Win32Internet& operator=(const Win32Internet&) = delete;

  InternetHandle Open(std::wstring_view agent, std::uint32_t access_type) override;
  InternetHandle OpenUrl(InternetHandle root, std::wstring_view url) override;
  bool Read(InternetHandle file, std::uint8_t* buffer, std::uint32_t size,
            std::uint32_t& read) override;
  bool Close(InternetHandle handle) override;
  void ShellOpen(std::uintptr_t owner, std::wstring_view file, std::wstring_view directory,
                 int show) override;

 private:
  struct Held {
    InternetHandle handle;
    InternetHandle parent;  // 0 for a root
  };
  void Forget(InternetHandle handle);

  std::vector<Held> held_;  // in the order opened
};

}  // namespace platform::win32
