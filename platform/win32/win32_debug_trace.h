// The debug trace facility on Windows: the debugger output channel.
#pragma once

#include "platform/debug_trace.h"

namespace platform::win32 {

class Win32DebugTrace final : public DebugTrace {
 public:
  void Trace(std::wstring_view text) override;
};

}  // namespace platform::win32
