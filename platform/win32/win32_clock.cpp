// The clock facility on Windows: GetLocalTime, GetTickCount, Sleep, and the run time's
// DoEvents as one PeekMessageW loop that empties the thread's queue.
#include "platform/win32/win32_clock.h"

#include <windows.h>

namespace platform::win32 {

LocalTime Win32Clock::Now() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  LocalTime time;
  time.year = now.wYear;
  time.month = now.wMonth;
  time.day = now.wDay;
  time.hour = now.wHour;
  time.minute = now.wMinute;
  time.second = now.wSecond;
  time.millisecond = now.wMilliseconds;
  return time;
}

float Win32Clock::SecondsSinceMidnight() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  const int whole = now.wHour * 3600 + now.wMinute * 60 + now.wSecond;
  return static_cast<float>(whole) + static_cast<float>(now.wMilliseconds) / 1000.0f;
}

std::uint32_t Win32Clock::TickCount() {
  return ::GetTickCount();
}

void Win32Clock::Sleep(std::uint32_t ms) {
  ::Sleep(ms);
}

void Win32Clock::PumpMessages() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

void Win32Clock::WaitForMessages(std::uint32_t ms) {
  ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
}

}  // namespace platform::win32
