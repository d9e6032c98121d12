// The first pass of service stops: thirty commands, each a step with its line, a 30-second
// limit (the process killer 40) and one of the two wordings of its result lines.
#pragma once

#include <span>

#include "common/process_runner.h"

namespace uninstaller {

std::span<const velmar::ProcessStep> FirstPassOfServiceStops();

}  // namespace uninstaller
