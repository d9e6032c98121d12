// Internet facility: the WinINet calls of a plain HTTP GET (open, open the address, read in
// pieces, close) and the shell's open request for an address.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

using InternetHandle = std::uintptr_t;  // 0 is the failure value

namespace inet {
inline constexpr std::uint32_t kPreconfigured = 0;  // INTERNET_OPEN_TYPE_PRECONFIG
}  // namespace inet

class Internet {
 public:
  virtual ~Internet() = default;
  // InternetOpenW with no proxy, no bypass list and no flags.
  virtual InternetHandle Open(std::wstring_view agent, std::uint32_t access_type) = 0;
  // InternetOpenUrlW with no extra headers, no flags and context 0.
  virtual InternetHandle OpenUrl(InternetHandle root, std::wstring_view url) = 0;
  // InternetReadFile: false when the read fails; `read` 0 at the end of the data.
  virtual bool Read(InternetHandle file, std::uint8_t* buffer, std::uint32_t size,
                    std::uint32_t& read) = 0;
  virtual bool Close(InternetHandle handle) = 0;  // InternetCloseHandle

  // ShellExecuteW(owner, no operation, file, no parameters, directory, show): the file or
  // address opened with its default handler; owner is the window's native handle or 0.
  virtual void ShellOpen(std::uintptr_t owner, std::wstring_view file, std::wstring_view directory,
                         int show) = 0;
};

}  // namespace platform
