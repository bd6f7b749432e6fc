// Shared helpers of the geometry tests.
#pragma once

#include "geometry/calendar.h"

namespace halvessa::test {

// A tenth of a second in days: the precision times are compared to.
inline constexpr double kTenthSecond = 0.1 / 86400.0;

// Serial of a local date and time, the seconds possibly fractional.
inline double Moment(int y, int mo, int d, int h = 0, int mi = 0, double s = 0.0) {
  return DateSerial(y, mo, d) + TimeSerial(h, mi, 0) + s / 86400.0;
}

}  // namespace halvessa::test
