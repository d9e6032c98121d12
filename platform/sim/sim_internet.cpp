// The simulated web: pages by address, WinINet's handle tree and reads in pieces, and the
// shell's open requests, all recorded for the tests.
#include "platform/sim/sim_internet.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace platform::sim {
namespace {

// The address as pages are kept by: scheme and host (with the port) upper-cased, since the
// network ignores their case; path and query exactly as written.
std::wstring PageKey(std::wstring_view url) {
  const auto scheme_end = url.find(L"://");
  if (scheme_end == std::wstring_view::npos) return std::wstring(url);
  const auto host_start = scheme_end + 3;
  const auto host_end = std::min(url.find_first_of(L"/?#", host_start), url.size());
  return Upcase(url.substr(0, host_end)) + std::wstring(url.substr(host_end));
}

}  // namespace

WebPage& SimWeb::Serve(std::wstring_view url, std::string bytes) {
  WebPage& page = pages_[PageKey(url)];
  page = WebPage{};
  page.bytes = std::move(bytes);
  return page;
}

void SimWeb::Withdraw(std::wstring_view url) {
  pages_.erase(PageKey(url));
}

WebPage* SimWeb::PageAt(std::wstring_view url) {
  const auto it = pages_.find(PageKey(url));
  return it == pages_.end() ? nullptr : &it->second;
}

InternetHandle SimWeb::Add(Handle handle) {
  const InternetHandle value = next_handle_;
  next_handle_ += 4;
  handles_.emplace(value, std::move(handle));
  return value;
}

SimWeb::Handle* SimWeb::Find(InternetHandle handle) {
  const auto it = handles_.find(handle);
  return it == handles_.end() ? nullptr : &it->second;
}

bool SimWeb::Remove(InternetHandle handle) {
  if (handles_.erase(handle) == 0) return false;
  std::erase_if(handles_, [handle](const auto& entry) { return entry.second.parent == handle; });
  return true;
}

SimInternet::~SimInternet() {
  // Newest first, so children go before their roots and each is counted once.
  for (auto it = mine_.rbegin(); it != mine_.rend(); ++it) {
    if (web_.Remove(*it)) ++web_.handles_left_open;
  }
}

InternetHandle SimInternet::Open(std::wstring_view agent, std::uint32_t access_type) {
  if (web_.open_fails) return 0;
  SimWeb::Handle root;
  root.agent = agent;
  root.access_type = access_type;
  mine_.push_back(web_.Add(std::move(root)));
  return mine_.back();
}

InternetHandle SimInternet::OpenUrl(InternetHandle root, std::wstring_view url) {
  const SimWeb::Handle* parent = web_.Find(root);
  if (parent == nullptr || parent->parent != 0) return 0;
  web_.requests.push_back({parent->agent, parent->access_type, std::wstring(url)});
  if (web_.PageAt(url) == nullptr) return 0;  // the host does not answer
  SimWeb::Handle file;
  file.parent = root;
  file.url = url;
  mine_.push_back(web_.Add(std::move(file)));
  return mine_.back();
}

bool SimInternet::Read(InternetHandle file, std::uint8_t* buffer, std::uint32_t size,
                       std::uint32_t& read) {
  read = 0;
  SimWeb::Handle* handle = web_.Find(file);
  if (handle == nullptr || handle->parent == 0) return false;
  const WebPage* page = web_.PageAt(handle->url);
  if (page == nullptr) return false;  // withdrawn while the program was reading
  if (page->fails_after_reads && handle->reads >= *page->fails_after_reads) return false;
  std::size_t piece = std::min<std::size_t>(size, page->bytes.size() - handle->offset);
  if (page->piece_size != 0) piece = std::min<std::size_t>(piece, page->piece_size);
  if (piece != 0) std::memcpy(buffer, page->bytes.data() + handle->offset, piece);
  handle->offset += piece;
  ++handle->reads;
  read = static_cast<std::uint32_t>(piece);
  return true;
}

bool SimInternet::Close(InternetHandle handle) {
  return web_.Remove(handle);
}

void SimInternet::ShellOpen(std::uintptr_t owner, std::wstring_view file,
                            std::wstring_view directory, int show) {
  web_.shell_opens.push_back({owner, std::wstring(file), std::wstring(directory), show});
}

}  // namespace platform::sim
