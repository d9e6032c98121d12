// The report's wording: one line per change ("  would delete file: C:\x"), and how values,
// procedure calls and directory objects are shown in it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/database.h"
#include "platform/directory_objects.h"

namespace platform::preview {

std::wstring Line(std::wstring_view action, std::wstring_view subject);
// A registry value's data: texts as text, a DWORD as a number, anything else by its size.
std::wstring ValueText(std::uint32_t type, const std::uint8_t* data, std::uint32_t size, bool wide);
std::wstring ShownValue(const DbValue& value);  // 1, 'text', NULL
std::wstring ProcedureCall(std::wstring_view name,
                           const std::vector<std::pair<std::wstring, std::wstring>>& set);
// A directory object by its alias when it has one, else "#position".
std::wstring DirectoryName(doh::PropertyObject& object, int position);

}  // namespace platform::preview
