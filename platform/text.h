// Text helpers shared by both backends: Windows code page 1252, UTF-8 for diagnostics, and the
// case-insensitive comparison that Windows applies to registry and file names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Code page 1252, the ANSI code page of the simulated server (US English Windows).
std::string Cp1252FromWide(std::wstring_view text);  // unmappable characters become '?'
std::wstring WideFromCp1252(std::string_view bytes);

std::string Utf8FromWide(std::wstring_view text);
std::wstring WideFromUtf8(std::string_view text);

// UTF-16LE bytes, as the registry's wide calls store text (no terminator is added).
std::vector<std::uint8_t> Utf16LeBytes(std::wstring_view text);

// Upper-casing as the file system and the registry compare names (ordinal, per character).
wchar_t UpcaseChar(wchar_t c);
std::wstring Upcase(std::wstring_view text);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
// Ordinal comparison of the upper-cased names: the order NTFS and the registry keep names in.
int CompareNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace platform
