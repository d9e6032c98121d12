// Win32 status codes and constants that cross the platform seam, named without the windows.h
// macros so that portable code and both backends can share them.
#pragma once

#include <cstdint>

namespace platform {

using Status = std::int32_t;  // a Win32 error code as LONG / DWORD

namespace win {
inline constexpr Status kSuccess = 0;
inline constexpr Status kFileNotFound = 2;
inline constexpr Status kPathNotFound = 3;
inline constexpr Status kAccessDenied = 5;
inline constexpr Status kInvalidHandle = 6;
inline constexpr Status kNotEnoughMemory = 8;
inline constexpr Status kInvalidParameter = 87;
inline constexpr Status kAlreadyExists = 183;
inline constexpr Status kMoreData = 234;
inline constexpr Status kNoMoreItems = 259;
inline constexpr Status kKeyDeleted = 1018;
inline constexpr Status kServiceDoesNotExist = 1060;
inline constexpr Status kInvalidServiceName = 123;
inline constexpr Status kBadNetPath = 53;
}  // namespace win

}  // namespace platform
