// A time of day moved on by a number of milliseconds, across midnight and month ends: the
// preview's clock reads the machine's time plus the waits it skipped.
#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace platform::preview {

LocalTime Later(const LocalTime& time, std::uint64_t ms);

}  // namespace platform::preview
