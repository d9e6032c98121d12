// The German and French string tables, expanded from strings_de.def and strings_fr.def. The
// files are UTF-8; wide literals carry their letters into wchar_t unchanged.
#include "uninstaller/languages/language_tables.h"

namespace uninstaller {

std::vector<std::pair<std::uint32_t, const wchar_t*>> GermanStrings() {
  return {
#define STR(id, text) {id, L##text},
#include "uninstaller/languages/strings_de.def"
#undef STR
  };
}

std::vector<std::pair<std::uint32_t, const wchar_t*>> FrenchStrings() {
  return {
#define STR(id, text) {id, L##text},
#include "uninstaller/languages/strings_fr.def"
#undef STR
  };
}

}  // namespace uninstaller
