// Translation of Win32 error codes into the run time's error numbers, so the real backend
// raises the same numbers that the uninstall log shows and the simulation raises.
#pragma once

#include <cstdint>

#include "platform/error.h"

namespace platform::win32 {

// 53, 76, 70 or 58 for the codes the run time distinguishes; 5 for everything else.
VbError VbErrorFromWin32(std::uint32_t code);

[[noreturn]] void RaiseWin32(std::uint32_t code);

}  // namespace platform::win32
