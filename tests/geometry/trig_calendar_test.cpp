#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "test_support.h"

namespace halvessa::geometry {
namespace {

using test::ExpectTable;
using test::Moment;

TEST(DegreeTrig, FifteenDigitPiSaturationAndQuadrants) {
  ExpectTable({
      {"DegToRad(180) is the literal", DegToRad(180), 3.14159265358979},
      {"RadToDeg(literal)", RadToDeg(3.14159265358979), 180},
      // The literal lies just below pi: these zeros are missed by a few 1e-15.
      {"SinD(180) not snapped", SinD(180), 5e-15, 4e-15},
      {"CosD(90) not snapped", CosD(90), 5e-15, 4e-15},
      {"ASinD(1)", ASinD(1), 90},
      {"ASinD(1.5) saturates", ASinD(1.5), 90},
      {"ASinD(-7) saturates", ASinD(-7), -90},
      {"ASinD(0.5)", ASinD(0.5), 30, 1e-12},
      {"ACosD(2) saturates", ACosD(2), 0},
      {"ACosD(-1)", ACosD(-1), 180},
      {"ACosD(-2) saturates", ACosD(-2), 180},
      {"ACosD(0)", ACosD(0), 90, 1e-12},
      {"ATan2D(0, 0)", ATan2D(0, 0), 0},
      {"ATan2D(1, 0)", ATan2D(1, 0), 90},
      {"ATan2D(-1, 0)", ATan2D(-1, 0), -90},
      {"ATan2D(1, 1)", ATan2D(1, 1), 45, 1e-12},
      {"ATan2D(1, -1)", ATan2D(1, -1), 135, 1e-12},
      {"ATan2D(-1, -1)", ATan2D(-1, -1), -135, 1e-12},
      {"ATan2D(0, -1) is 0, not 180", ATan2D(0, -1), 0},
      {"ATan2D(-0, -1) is 0", ATan2D(-0.0, -1), 0},
  });
  EXPECT_GT(ACosD(0), 90.0);  // full-precision quarter turn over the shorter literal
  EXPECT_TRUE(std::isfinite(TanD(90)));
  EXPECT_GT(TanD(90), 1e14);
}

std::array<int, 6> Parts(double serial) {
  const DateParts p = SerialToParts(serial);
  return {p.year, p.month, p.day, p.hour, p.minute, p.second};
}

TEST(Calendar, SerialsOnOneScaleOverTheWholeRange) {
  EXPECT_EQ(DateSerial(1899, 12, 30), 0.0);
  EXPECT_EQ(DateSerial(1900, 1, 1), 2.0);
  EXPECT_EQ(DateSerial(100, 1, 1), kFirstSerial);
  EXPECT_EQ(DateSerial(9999, 12, 31) + 1, kEndSerial);
  // A quarter day before the epoch is 18:00 the day before; 59.6 s rounds into the next year.
  EXPECT_EQ(DatePart(-0.25), -1.0);
  EXPECT_EQ(Parts(-0.25), (std::array{1899, 12, 29, 18, 0, 0}));
  EXPECT_EQ(Parts(Moment(2024, 12, 31, 23, 59, 59.6)), (std::array{2025, 1, 1, 0, 0, 0}));
  for (double day = kFirstSerial; day < kEndSerial; day += 89) {
    const std::array<int, 6> p = Parts(day + TimeSerial(17, 23, 41));
    ASSERT_EQ(DateSerial(p[0], p[1], p[2]), day);
    ASSERT_EQ((std::array{p[3], p[4], p[5]}), (std::array{17, 23, 41})) << day;
  }
}

TEST(Calendar, AddHoursRoundsTheCountHalfToEven) {
  const double t = Moment(2025, 7, 24, 14);
  ExpectTable({
      {"-2", AddHours(t, -2), Moment(2025, 7, 24, 12)},
      {"-5.5 moves by -6", AddHours(t, -5.5), Moment(2025, 7, 24, 8)},
      {"4.5 moves by 4", AddHours(t, 4.5), Moment(2025, 7, 24, 18)},
      {"-3.5 moves by -4", AddHours(t, -3.5), Moment(2025, 7, 24, 10)},
      {"0.5 moves by 0", AddHours(t, 0.5), t},
      {"0.49", AddHours(t, 0.49), t},
      {"0.51", AddHours(t, 0.51), Moment(2025, 7, 24, 15)},
      {"back over the year end", AddHours(Moment(2025, 1, 1, 0, 30), -1),
       Moment(2024, 12, 31, 23, 30)},
      {"onto the epoch", AddHours(-0.25, 6), 0},
  });
}

TEST(Calendar, InvalidDatesAndRangeLimitsThrow) {
  EXPECT_NO_THROW(DateSerial(2024, 2, 29));
  EXPECT_NO_THROW(DateSerial(2000, 2, 29));
  for (const auto& [y, m, d] : {std::array{2023, 2, 29}, {1900, 2, 29}, {2025, 4, 31},
                                {2025, 0, 1}, {2025, 13, 1}, {2025, 1, 0}, {2025, 1, 32},
                                {99, 12, 31}, {10000, 1, 1}}) {
    EXPECT_THROW(DateSerial(y, m, d), CalendarRangeError) << y << "-" << m << "-" << d;
  }
  EXPECT_EQ(Parts(Moment(9999, 12, 31, 23, 59, 59)), (std::array{9999, 12, 31, 23, 59, 59}));
  EXPECT_THROW(SerialToParts(Moment(9999, 12, 31, 23, 59, 59.6)), CalendarRangeError);
  EXPECT_THROW(SerialToParts(kEndSerial), CalendarRangeError);
  EXPECT_THROW(SerialToParts(kFirstSerial - 1e-6), CalendarRangeError);
  EXPECT_EQ(AddHours(kFirstSerial, 0), kFirstSerial);
  EXPECT_THROW(AddHours(kFirstSerial, -1), CalendarRangeError);
  EXPECT_EQ(AddHours(kEndSerial - 2.0 / 24, 1), kEndSerial - 1.0 / 24);
  EXPECT_THROW(AddHours(kEndSerial - 1.0 / 24, 1), CalendarRangeError);
  EXPECT_THROW(AddHours(0, 1e300), CalendarRangeError);
  const double inf = std::numeric_limits<double>::infinity();
  for (double bad : {std::numeric_limits<double>::quiet_NaN(), inf, -inf}) {
    EXPECT_FALSE(InCalendarRange(bad));
    EXPECT_THROW(SerialToParts(bad), CalendarRangeError);
    EXPECT_THROW(DatePart(bad), CalendarRangeError);
    EXPECT_THROW(AddHours(bad, 1), CalendarRangeError);
    EXPECT_THROW(AddHours(0, bad), CalendarRangeError);
  }
}

}  // namespace
}  // namespace halvessa::geometry
