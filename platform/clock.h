// Clock and message pump: the time of day, sleeping, and one pass of the message loop. In the
// simulation all of these move virtual time; nothing waits in real time.
#pragma once

#include <cstdint>

namespace platform {

struct LocalTime {
  int year = 2000, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
  // Seconds since midnight, as the run time's Timer gives them (single precision).
  virtual float SecondsSinceMidnight() = 0;
  virtual std::uint32_t TickCount() = 0;
  virtual void Sleep(std::uint32_t ms) = 0;
  // One pass of the message loop, the run time's DoEvents.
  virtual void PumpMessages() = 0;
  // Blocks until a message arrives or the time has passed, whichever comes first, without
  // using the processor meanwhile.
  virtual void WaitForMessages(std::uint32_t ms) = 0;
};

}  // namespace platform
