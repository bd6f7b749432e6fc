// Shared helpers of the geometry tests.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

#include "geometry/calendar.h"

namespace halvessa::test {

// A tenth of a second in days: the precision times are compared to.
inline constexpr double kTenthSecond = 0.1 / 86400.0;

// Serial of a local date and time, the seconds possibly fractional.
inline double Moment(int y, int mo, int d, int h = 0, int mi = 0, double s = 0.0) {
  return DateSerial(y, mo, d) + TimeSerial(h, mi, 0) + s / 86400.0;
}

// One row of a table of results: exact when tolerance is 0.
struct Expected {
  const char* name;
  double got;
  double want;
  double tolerance = 0;
};

inline void ExpectTable(std::initializer_list<Expected> rows) {
  for (const Expected& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.tolerance == 0) {
      EXPECT_EQ(row.got, row.want);
    } else {
      EXPECT_NEAR(row.got, row.want, row.tolerance);
    }
  }
}

}  // namespace halvessa::test
