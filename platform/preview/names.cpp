// Names as the preview handles them: joining, splitting and matching, ignoring letter case as
// the file system and the registry do.
#include "platform/preview/names.h"

#include "platform/text.h"

namespace platform::preview {

std::wstring Wide(std::string_view ansi) {
  return WideFromCp1252(ansi);
}

std::wstring Join(std::wstring_view base, std::wstring_view sub) {
  while (!sub.empty() && sub.front() == L'\\') sub.remove_prefix(1);
  while (!base.empty() && base.back() == L'\\') base.remove_suffix(1);
  if (sub.empty()) return std::wstring(base);
  return std::wstring(base) + L"\\" + std::wstring(sub);
}

std::wstring_view Parent(std::wstring_view path) {
  const std::size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring_view::npos ? std::wstring_view() : path.substr(0, slash);
}

bool HasWildcard(std::wstring_view name) {
  return name.find_first_of(L"*?") != name.npos;
}

bool WildcardMatch(std::wstring_view pattern, std::wstring_view name) {
  if (pattern.empty()) return name.empty();
  if (pattern.front() == L'*') {
    for (std::size_t skip = 0; skip <= name.size(); ++skip) {
      if (WildcardMatch(pattern.substr(1), name.substr(skip))) return true;
    }
    return false;
  }
  if (name.empty()) return false;
  if (pattern.front() != L'?' && UpcaseChar(pattern.front()) != UpcaseChar(name.front())) {
    return false;
  }
  return WildcardMatch(pattern.substr(1), name.substr(1));
}

}  // namespace platform::preview
