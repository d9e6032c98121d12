// The debug trace facility on Windows: OutputDebugStringW, seen by a debugger or DebugView.
#include "platform/win32/win32_debug_trace.h"

#include <windows.h>

#include <string>

namespace platform::win32 {

void Win32DebugTrace::Trace(std::wstring_view text) {
  ::OutputDebugStringW(std::wstring(text).c_str());
}

}  // namespace platform::win32
