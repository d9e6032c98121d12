// The TSP uninstall procedure: the provider taken out of TAPI, then its files renamed.
#pragma once

#include "PelletSetup/setup_app.h"

namespace pellet {

// 0, or the TAPI error of the provider's removal (the program's exit code).
int UninstallTsp(SetupApp& app);

}  // namespace pellet
