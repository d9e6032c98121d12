// The message box facility on Windows: real modal boxes owned by the active window.
#pragma once

#include "platform/message_boxes.h"

namespace platform::win32 {

class Win32MessageBoxes final : public MessageBoxes {
 public:
  int Show(std::wstring_view text, std::wstring_view caption, std::uint32_t style) override;
};

}  // namespace platform::win32
