#include "geometry/calendar.h"

#include <gtest/gtest.h>

#include <limits>

#include "test_support.h"

namespace halvessa {
namespace {

using test::Moment;

bool SameParts(const DateParts& a, const DateParts& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute && a.second == b.second;
}

TEST(Calendar, SerialsAroundTheEpoch) {
  EXPECT_EQ(DateSerial(1899, 12, 30), 0.0);
  EXPECT_EQ(DateSerial(1899, 12, 29), -1.0);
  EXPECT_EQ(DateSerial(1900, 1, 1), 2.0);
  EXPECT_EQ(DateSerial(100, 1, 1), kFirstSerial);
  EXPECT_EQ(DateSerial(9999, 12, 31) + 1.0, kEndSerial);
  // One continuous scale: a quarter day before the epoch is 18:00 the day before.
  EXPECT_TRUE(SameParts(SerialToParts(-0.25), DateParts{1899, 12, 29, 18, 0, 0}));
  EXPECT_EQ(DatePart(-0.25), -1.0);
  EXPECT_EQ(DatePart(45862.75), 45862.0);
}

TEST(Calendar, RoundTripOverTheWholeRange) {
  for (double day = kFirstSerial; day < kEndSerial; day += 89.0) {
    const double serial = day + TimeSerial(17, 23, 41);
    const DateParts p = SerialToParts(serial);
    ASSERT_EQ(DateSerial(p.year, p.month, p.day), day) << serial;
    ASSERT_EQ(p.hour * 3600 + p.minute * 60 + p.second, 17 * 3600 + 23 * 60 + 41) << serial;
  }
}

TEST(Calendar, DateSerialRejectsInvalidDates) {
  EXPECT_NO_THROW(DateSerial(2024, 2, 29));
  EXPECT_NO_THROW(DateSerial(2000, 2, 29));
  EXPECT_THROW(DateSerial(2023, 2, 29), CalendarRangeError);
  EXPECT_THROW(DateSerial(1900, 2, 29), CalendarRangeError);
  EXPECT_THROW(DateSerial(2025, 4, 31), CalendarRangeError);
  EXPECT_THROW(DateSerial(2025, 0, 1), CalendarRangeError);
  EXPECT_THROW(DateSerial(2025, 13, 1), CalendarRangeError);
  EXPECT_THROW(DateSerial(2025, 1, 0), CalendarRangeError);
  EXPECT_THROW(DateSerial(2025, 1, 32), CalendarRangeError);
  EXPECT_THROW(DateSerial(99, 12, 31), CalendarRangeError);
  EXPECT_THROW(DateSerial(10000, 1, 1), CalendarRangeError);
}

TEST(Calendar, AddHoursMovesByWholeHoursExactly) {
  EXPECT_EQ(AddHours(Moment(2025, 7, 24, 14), -2), Moment(2025, 7, 24, 12));
  EXPECT_EQ(AddHours(Moment(2025, 1, 1, 0, 30), -1), Moment(2024, 12, 31, 23, 30));
  EXPECT_EQ(AddHours(-0.25, 6), 0.0);
  EXPECT_EQ(AddHours(Moment(2025, 7, 24, 14), -5.5), Moment(2025, 7, 24, 8));
  EXPECT_EQ(AddHours(Moment(2025, 7, 24, 14), 4.5), Moment(2025, 7, 24, 18));
  EXPECT_EQ(AddHours(Moment(2025, 7, 24, 14), -3.5), Moment(2025, 7, 24, 10));
  EXPECT_EQ(AddHours(Moment(2025, 7, 24, 14), 0.5), Moment(2025, 7, 24, 14));
  EXPECT_EQ(AddHours(Moment(2025, 7, 24, 14), 0.49), Moment(2025, 7, 24, 14));
  EXPECT_EQ(AddHours(Moment(2025, 7, 24, 14), 0.51), Moment(2025, 7, 24, 15));
}

TEST(Calendar, TimeOfDayToTheNearestSecond) {
  EXPECT_TRUE(SameParts(SerialToParts(Moment(2024, 12, 31, 23, 59, 59.6)),
                        DateParts{2025, 1, 1, 0, 0, 0}));
  EXPECT_TRUE(SameParts(SerialToParts(Moment(2024, 12, 31, 23, 59, 59.4)),
                        DateParts{2024, 12, 31, 23, 59, 59}));
  EXPECT_TRUE(SameParts(SerialToParts(Moment(2025, 7, 24, 12, 34, 56)),
                        DateParts{2025, 7, 24, 12, 34, 56}));
}

TEST(Calendar, RangeLimits) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double lastSecond = Moment(9999, 12, 31, 23, 59, 59);
  EXPECT_TRUE(SameParts(SerialToParts(kFirstSerial), DateParts{100, 1, 1, 0, 0, 0}));
  EXPECT_TRUE(SameParts(SerialToParts(lastSecond), DateParts{9999, 12, 31, 23, 59, 59}));
  EXPECT_THROW(SerialToParts(Moment(9999, 12, 31, 23, 59, 59.6)), CalendarRangeError);
  EXPECT_THROW(SerialToParts(kEndSerial), CalendarRangeError);
  EXPECT_THROW(SerialToParts(kFirstSerial - 1e-6), CalendarRangeError);
  EXPECT_EQ(AddHours(kFirstSerial, 0), kFirstSerial);
  EXPECT_THROW(AddHours(kFirstSerial, -1), CalendarRangeError);
  EXPECT_EQ(AddHours(kEndSerial - 2.0 / 24, 1), kEndSerial - 1.0 / 24);
  EXPECT_THROW(AddHours(kEndSerial - 1.0 / 24, 1), CalendarRangeError);
  EXPECT_THROW(AddHours(0, 1e300), CalendarRangeError);
  for (double bad : {nan, inf, -inf}) {
    EXPECT_FALSE(InCalendarRange(bad));
    EXPECT_THROW(CheckedSerial(bad), CalendarRangeError);
    EXPECT_THROW(SerialToParts(bad), CalendarRangeError);
    EXPECT_THROW(DatePart(bad), CalendarRangeError);
    EXPECT_THROW(AddHours(bad, 1), CalendarRangeError);
    EXPECT_THROW(AddHours(0, bad), CalendarRangeError);
  }
}

}  // namespace
}  // namespace halvessa
