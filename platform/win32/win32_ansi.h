// Conversions between wide text and the system's ANSI code page, as the A functions and the
// run time's sequential files see it.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

std::string AnsiFromWide(std::wstring_view text);  // unmappable characters become the default
std::wstring WideFromAnsi(std::string_view bytes);

}  // namespace platform::win32
