// Names as the preview handles them: ANSI names widened, paths joined and split, and the file
// system's wildcards.
#pragma once

#include <string>
#include <string_view>

namespace platform::preview {

std::wstring Wide(std::string_view ansi);  // the system code page
// "base\sub", without doubling a "\"; the base alone when sub is empty.
std::wstring Join(std::wstring_view base, std::wstring_view sub);
std::wstring_view Parent(std::wstring_view path);  // up to the last "\", without it
bool HasWildcard(std::wstring_view name);
bool WildcardMatch(std::wstring_view pattern, std::wstring_view name);  // * and ?, any case

}  // namespace platform::preview
