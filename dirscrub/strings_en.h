// Dirscrub's built-in English string table as data, for the native tests' programs (on Windows
// the same entries are the program's STRINGTABLE resource).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace dirscrub {

std::vector<std::pair<std::uint32_t, const wchar_t*>> BuiltInStrings();

}  // namespace dirscrub
