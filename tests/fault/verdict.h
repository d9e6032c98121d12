// Whether one fault run ended the way a failure of that call must end: the program ended itself,
// its log closed as its error mode says, nothing removed that the clean run keeps, no handle left.
#pragma once

#include <string>
#include <vector>

#include "tests/fault/whole_run.h"

namespace velmar::fault {

// What went wrong in `run`, measured against the clean run of the same server; empty: it held.
std::vector<std::string> Verdict(const RunOutcome& clean, const RunOutcome& run);

// How a run that held ended, in a few words, for the tally: "refused at start-up", "lost log
// lines", "(error) lines: +1" and the like.
std::string Shape(const RunOutcome& clean, const RunOutcome& run);

// The lines that say "(error)", in any letter case.
int ErrorLines(const std::string& log);

// The log's lines, without their CR LF.
std::vector<std::string> LogLines(const std::string& log);

}  // namespace velmar::fault
