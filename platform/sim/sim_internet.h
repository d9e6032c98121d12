// The simulated server's web and shell: pages served by address, the WinINet handles programs
// hold on it, the requests they made and the addresses they asked the shell to open.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/internet.h"

namespace platform::sim {

struct WebPage {
  std::string bytes;
  // At most this many bytes come back from one read, as a slow connection delivers them;
  // 0: a read takes all that fits in the caller's buffer.
  std::uint32_t piece_size = 0;
  // The read after this many successful ones fails (the connection drops); nothing: never.
  std::optional<std::size_t> fails_after_reads;
};

struct WebRequest {
  std::wstring agent;  // the agent of the root the address was opened from
  std::uint32_t access_type = 0;
  std::wstring url;  // as the program wrote it
};

struct ShellOpenRecord {
  std::uintptr_t owner = 0;
  std::wstring file;
  std::wstring directory;
  int show = 0;
};

// The machine's view of the network. An address nobody serves is a host that does not answer.
class SimWeb {
 public:
  // Serves the page at the address: its scheme and host compare without regard to case, the
  // rest exactly. Returns the page so a test can set how it is delivered.
  WebPage& Serve(std::wstring_view url, std::string bytes);
  void Withdraw(std::wstring_view url);  // the address stops answering
  WebPage* PageAt(std::wstring_view url);

  bool open_fails = false;           // InternetOpen fails (no network stack)
  std::vector<WebRequest> requests;  // every address opened, answered or not
  std::vector<ShellOpenRecord> shell_opens;
  std::size_t handles_left_open = 0;  // handles processes still held when they ended

  std::size_t OpenHandles() const { return handles_.size(); }

  // The handle table the processes' facilities share.
  struct Handle {
    InternetHandle parent = 0;  // 0: a root from Open
    std::wstring agent;
    std::uint32_t access_type = 0;
    std::wstring url;
    std::size_t offset = 0;
    std::size_t reads = 0;
  };
  InternetHandle Add(Handle handle);
  Handle* Find(InternetHandle handle);
  bool Remove(InternetHandle handle);  // a root takes its children with it

 private:
  std::map<std::wstring, WebPage> pages_;  // by address with scheme and host lower-cased
  std::map<InternetHandle, Handle> handles_;
  InternetHandle next_handle_ = 0xCC0004;
};

// One process's WinINet and shell, over the server's web. Handles the process forgets are
// closed when it ends and counted in handles_left_open.
class SimInternet : public Internet {
 public:
  explicit SimInternet(SimWeb& web) : web_(web) {}
  ~SimInternet() override;
  SimInternet(const SimInternet&) = delete;
  SimInternet& operator=(const SimInternet&) = delete;

  InternetHandle Open(std::wstring_view agent, std::uint32_t access_type) override;
  InternetHandle OpenUrl(InternetHandle root, std::wstring_view url) override;
  bool Read(InternetHandle file, std::uint8_t* buffer, std::uint32_t size,
            std::uint32_t& read) override;
  bool Close(InternetHandle handle) override;
  void ShellOpen(std::uintptr_t owner, std::wstring_view file, std::wstring_view directory,
                 int show) override;

 private:
  SimWeb& web_;
  std::vector<InternetHandle> mine_;  // roots this process opened
};

}  // namespace platform::sim
