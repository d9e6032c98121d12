// Uninstall logs of a chosen size written as a run writes them, one line in a hundred carrying
// a problem marker, with the counts a correct reading must find.
#pragma once

#include <cstddef>
#include <string>

namespace velmar::bench {

struct LogText {
  std::string bytes;  // lines in the ANSI code page, each ended by CR LF
  int lines = 0;
  int errors = 0;    // lines with "(error)"
  int warnings = 0;  // lines with "(warning)"
};

inline constexpr int kMarkerEvery = 100;  // one line in a hundred carries a marker

// Lines until the text holds at least the given number of bytes; marked lines alternate
// between errors and warnings.
LogText MakeLog(std::size_t bytes);

}  // namespace velmar::bench
