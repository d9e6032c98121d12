// The tests' lay-out files, line by line: fields split by tabs, blank lines and '#' comments
// skipped, and a line that cannot be read named in the error.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace layout_lines {

using Fields = std::vector<std::wstring>;

// Calls `apply` with the fields of each line in order; whatever it throws comes back as
// std::invalid_argument naming `what`, the line's number and its text.
void ForEach(std::wstring_view layout, std::string_view what,
             const std::function<void(const Fields&)>& apply);

}  // namespace layout_lines
