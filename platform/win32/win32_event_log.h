// The event log facility on Windows: one entry in the Application log under a source name,
// through a registered event source held for the one report.
#pragma once

#include "platform/event_log.h"

namespace platform::win32 {

class Win32EventLog final : public EventLog {
 public:
  bool Report(std::wstring_view source, std::uint16_t type, std::wstring_view text) override;
};

}  // namespace platform::win32
