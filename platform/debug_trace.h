// Debug trace facility: the debugger output channel (OutputDebugString).
#pragma once

#include <string_view>

namespace platform {

class DebugTrace {
 public:
  virtual ~DebugTrace() = default;
  virtual void Trace(std::wstring_view text) = 0;
};

}  // namespace platform
