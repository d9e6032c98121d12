// The directory cleaning: through the product's directory server, the product's properties
// taken off every subscriber homed here, the other servers counted and this server's location
// object deleted.
#pragma once

namespace dirscrub {

class DirscrubApp;

// Logs each step; sets the window's multiple-servers flag. Ends the program for a product
// older than 3.0, and when the directory server cannot be reached or logged on to.
void CleanDirectory(DirscrubApp& app);

}  // namespace dirscrub
