// The uninstaller's German and French string tables as data, for the native tests (on Windows
// the same entries are the STRINGTABLEs of the _DEU and _FRA language libraries).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace uninstaller {

std::vector<std::pair<std::uint32_t, const wchar_t*>> GermanStrings();
std::vector<std::pair<std::uint32_t, const wchar_t*>> FrenchStrings();

}  // namespace uninstaller
