// The loopback page server: Winsock, one thread that polls its listener so it can be stopped,
// an HTTP/1.0-style answer with the page's length, and the connection closed after it.
#include "tests/conformance/win32_page_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace conformance {
namespace {

// Reads the request up to the blank line that ends its head; the body of a GET is empty.
void SkipRequest(SOCKET connection) {
  std::string head;
  char buffer[512];
  while (head.find("\r\n\r\n") == std::string::npos) {
    const int got = ::recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) return;
    head.append(buffer, static_cast<std::size_t>(got));
  }
}

void SendAll(SOCKET connection, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const int put =
        ::send(connection, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (put <= 0) return;
    sent += static_cast<std::size_t>(put);
  }
}

}  // namespace

PageServer::PageServer(std::string page) : page_(std::move(page)), listener_(INVALID_SOCKET) {
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  started_ = true;
  const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) return;
  listener_ = listener;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof address;
  if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, 4) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { AnswerUntilStopped(); });
}

PageServer::~PageServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ != INVALID_SOCKET) ::closesocket(static_cast<SOCKET>(listener_));
  if (started_) ::WSACleanup();
}

void PageServer::AnswerUntilStopped() {
  const SOCKET listener = static_cast<SOCKET>(listener_);
  while (!stop_) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(listener, &ready);
    timeval wait{0, 50'000};
    if (::select(0, &ready, nullptr, nullptr, &wait) <= 0) continue;
    const SOCKET connection = ::accept(listener, nullptr, nullptr);
    if (connection != INVALID_SOCKET) Answer(connection);
  }
}

void PageServer::Answer(std::uintptr_t connection) {
  const SOCKET socket = static_cast<SOCKET>(connection);
  SkipRequest(socket);
  SendAll(socket, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                      std::to_string(page_.size()) + "\r\nConnection: close\r\n\r\n" + page_);
  ::shutdown(socket, SD_SEND);
  ::closesocket(socket);
}

}  // namespace conformance
