// Dirscrub's built-in English string table, expanded from strings_en.def.
#include "dirscrub/strings_en.h"

namespace dirscrub {

std::vector<std::pair<std::uint32_t, const wchar_t*>> BuiltInStrings() {
  return {
#define STR(id, text) {id, L##text},
#include "dirscrub/strings_en.def"
#undef STR
  };
}

}  // namespace dirscrub
