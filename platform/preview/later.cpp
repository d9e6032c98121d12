// Calendar arithmetic for the preview's clock: days counted from a fixed epoch (the proleptic
// Gregorian calendar), so carrying across months and leap years needs no tables.
#include "platform/preview/later.h"

namespace platform::preview {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, LocalTime& out) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  out.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  out.year = static_cast<int>(yoe + era * 400 + (out.month <= 2));
}

}  // namespace

LocalTime Later(const LocalTime& time, std::uint64_t ms) {
  const std::int64_t of_day = ((time.hour * 60 + time.minute) * 60 + time.second) * 1000LL +
                              time.millisecond + static_cast<std::int64_t>(ms);
  LocalTime out;
  CivilFromDays(DaysFromCivil(time.year, time.month, time.day) + of_day / kMsPerDay, out);
  std::int64_t rest = of_day % kMsPerDay;
  out.millisecond = static_cast<int>(rest % 1000);
  rest /= 1000;
  out.second = static_cast<int>(rest % 60);
  rest /= 60;
  out.minute = static_cast<int>(rest % 60);
  out.hour = static_cast<int>(rest / 60);
  return out;
}

}  // namespace platform::preview
