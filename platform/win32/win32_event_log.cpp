// RegisterEventSourceW, ReportEventW with one string, DeregisterEventSource: all there since
// Windows 2000. A source without a message file still shows its string in the viewer.
#include "platform/win32/win32_event_log.h"

#include <windows.h>

#include <string>

namespace platform::win32 {
namespace {

// The registered source, deregistered when the report is done.
class EventSource {
 public:
  explicit EventSource(const std::wstring& name)
      : handle_(::RegisterEventSourceW(nullptr, name.c_str())) {}
  ~EventSource() {
    if (handle_ != nullptr) ::DeregisterEventSource(handle_);
  }
  EventSource(const EventSource&) = delete;
  EventSource& operator=(const EventSource&) = delete;

  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

bool Win32EventLog::Report(std::wstring_view source, std::uint16_t type, std::wstring_view text) {
  const EventSource registered{std::wstring(source)};
  if (registered.get() == nullptr) return false;
  const std::wstring line(text);
  LPCWSTR strings[] = {line.c_str()};
  return ::ReportEventW(registered.get(), type, 0, 0, nullptr, 1, 0, strings, nullptr) != FALSE;
}

}  // namespace platform::win32
