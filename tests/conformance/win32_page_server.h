// A one-page HTTP server on the loopback for the Windows run of the conformance suite, so the
// internet cases can fetch a page without any network beyond the test machine.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace conformance {

class PageServer {
 public:
  // Listens on 127.0.0.1 at a port the system picks and answers every GET with the page.
  explicit PageServer(std::string page);
  ~PageServer();  // stops listening and waits for the answering thread
  PageServer(const PageServer&) = delete;
  PageServer& operator=(const PageServer&) = delete;

  bool listening() const { return port_ != 0; }
  std::uint16_t port() const { return port_; }

 private:
  void AnswerUntilStopped();
  void Answer(std::uintptr_t connection);

  std::string page_;
  bool started_ = false;  // Winsock is up and must be let go
  std::uintptr_t listener_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace conformance
