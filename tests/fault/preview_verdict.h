// The rules a preview is held to: the machine left exactly as it was apart from the report and
// the starts a preview may make, and an end that says how far it got.
#pragma once

#include <string>
#include <vector>

#include "tests/fault/whole_run.h"

namespace velmar::fault {

// Every line of the machine's contents the run added or took away, but the report's own and
// the processes a preview starts for real (Dirscrub's preview, Notepad on the report); each
// prefixed "+ " or "- ". Needs a run made with full contents.
std::vector<std::wstring> PreviewChanged(const RunOutcome& run);

// What went wrong in a preview `run`; empty: it held. The rules are the same with or without a
// failing call: nothing changed, no box shown when nobody watches, the report opened and
// closed, the exit code as the report's "(error)" lines say, no handle left open.
std::vector<std::string> PreviewVerdict(const RunOutcome& run, bool unattended);

// How a preview that held ended, for the tally: "ended at start-up (exit 2)",
// "completed, exit 1" and the like.
std::string PreviewShape(const RunOutcome& run);

}  // namespace velmar::fault
