// Dirscrub's main flow: the product shut down if it runs, the start lines, the directory
// cleaning for versions before 4.0(2.0), the completion line and the marker for the uninstaller.
#pragma once

namespace dirscrub {

class DirscrubApp;

// Runs once the window is up; every step after the log check runs under the flow's one error
// handler. Ends the program itself when the log is missing.
void RunMainFlow(DirscrubApp& app);

}  // namespace dirscrub
