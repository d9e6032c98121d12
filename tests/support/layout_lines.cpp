// Splitting the tests' lay-out files into lines and fields.
#include "tests/support/layout_lines.h"

#include <stdexcept>

#include "platform/text.h"

namespace layout_lines {
namespace {

Fields Split(std::wstring_view line) {
  Fields fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find(L'\t', start);
    fields.emplace_back(
        line.substr(start, tab == std::wstring_view::npos ? line.npos : tab - start));
    if (tab == std::wstring_view::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

void ForEach(std::wstring_view layout, std::string_view what,
             const std::function<void(const Fields&)>& apply) {
  std::size_t start = 0;
  for (int number = 1; start < layout.size(); ++number) {
    std::size_t end = layout.find(L'\n', start);
    if (end == std::wstring_view::npos) end = layout.size();
    std::wstring_view line = layout.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
    if (line.empty() || line.front() == L'#') continue;
    try {
      apply(Split(line));
    } catch (const std::exception& error) {
      throw std::invalid_argument(std::string(what) + " lay-out line " + std::to_string(number) +
                                  " (" + platform::Utf8FromWide(line) + "): " + error.what());
    }
  }
}

}  // namespace layout_lines
