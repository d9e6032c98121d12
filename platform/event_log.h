// Event log facility: one entry in the system's Application event log, where an administrator
// of many servers reads what a program that showed nothing had to say.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

namespace evt {
inline constexpr std::uint16_t kError = 0x0001;    // EVENTLOG_ERROR_TYPE
inline constexpr std::uint16_t kWarning = 0x0002;  // EVENTLOG_WARNING_TYPE
}  // namespace evt

class EventLog {
 public:
  virtual ~EventLog() = default;
  // Writes one entry with one string under the source's name; false when the source cannot be
  // registered or the entry cannot be written.
  virtual bool Report(std::wstring_view source, std::uint16_t type, std::wstring_view text) = 0;
};

}  // namespace platform
