// The message box facility on Windows: MessageBoxW owned by the active window, so a box shown
// while a form is up stays in front of it as the run time's MsgBox does.
#include "platform/win32/win32_message_boxes.h"

#include <windows.h>

#include <string>

namespace platform::win32 {

int Win32MessageBoxes::Show(std::wstring_view text, std::wstring_view caption,
                            std::uint32_t style) {
  const std::wstring terminated_text(text);
  const std::wstring terminated_caption(caption);
  return ::MessageBoxW(::GetActiveWindow(), terminated_text.c_str(), terminated_caption.c_str(),
                       style);
}

}  // namespace platform::win32
