// The clock facility on Windows: local time, the tick count, real sleeping and one pass of
// the thread's message loop.
#pragma once

#include "platform/clock.h"

namespace platform::win32 {

class Win32Clock final : public Clock {
 public:
  LocalTime Now() override;
  float SecondsSinceMidnight() override;
  std::uint32_t TickCount() override;
  void Sleep(std::uint32_t ms) override;
  void PumpMessages() override;
  void WaitForMessages(std::uint32_t ms) override;
};

}  // namespace platform::win32
