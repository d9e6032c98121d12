// mypause.exe [SECONDS]: waits that many seconds (default 1) without using the processor, so
// that the children of the web application's uninstall script can settle before the batch file
// that calls it goes on. It always exits 0: a pause must never fail the batch file.
#include <windows.h>

#include <cstdio>

#include "companions/mypause/pause_seconds.h"

int wmain(int argc, wchar_t** argv) {
  unsigned seconds = companions::kDefaultPauseSeconds;
  if (argc > 1) {
    if (const auto parsed = companions::ParsePauseSeconds(argv[1])) {
      seconds = *parsed;
    } else {
      std::fprintf(stderr,
                   "mypause: \"%ls\" is not a number of seconds from 0 to %u; waiting %u s\n",
                   argv[1], companions::kMaxPauseSeconds, seconds);
    }
  }
  Sleep(seconds * 1000);
  return 0;
}
