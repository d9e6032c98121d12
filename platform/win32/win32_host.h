// The real Windows backend: every facility implemented with the Windows API, owned by one
// object that a program's entry point creates and hands to the program as a Host.
#pragma once

#include <memory>

#include "platform/host.h"

namespace platform::win32 {

class Win32Host {
 public:
  Win32Host();
  ~Win32Host();
  Win32Host(const Win32Host&) = delete;
  Win32Host& operator=(const Win32Host&) = delete;

  Host& host();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

// True when the program runs under Wine rather than on Windows (ntdll exports wine_get_version).
bool RunningUnderWine();

}  // namespace platform::win32
