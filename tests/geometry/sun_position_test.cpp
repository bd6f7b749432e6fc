#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "test_support.h"

namespace halvessa::geometry {
namespace {

using test::Moment;

constexpr double kGenevaLat = 46.205556;
constexpr double kGenevaLon = 6.154444;

struct Position {
  double azimuth;
  double elevation;
};

Position Sun(double local, double lat, double lon, double zone) {
  Position p{-1.0, -1.0};
  SunPosition(local, lat, lon, zone, p.azimuth, p.elevation);
  return p;
}

TEST(JulianDay, CalendarFormula) {
  EXPECT_EQ(JulianDay(2000, 3, 1), 2451604.5);
  EXPECT_EQ(JulianDay(2000, 1, 1) + 0.5 - 2451545.0, 0.0);  // d = 0 at noon UT
  EXPECT_EQ(JulianDay(2025, 7, 24), 2460880.5);
  EXPECT_EQ(JulianDay(1582, 10, 15), 2299160.5);
  // January and February belong to the year before: no gap around them.
  EXPECT_EQ(JulianDay(2000, 3, 1) - JulianDay(2000, 2, 29), 1.0);
  EXPECT_EQ(JulianDay(2025, 1, 1) - JulianDay(2024, 12, 31), 1.0);
  EXPECT_EQ(JulianDay(1900, 3, 1) - JulianDay(1900, 2, 28), 1.0);
}

TEST(JulianDay, AgreesWithTheDaySerialOverTheWholeCalendar) {
  // 1899-12-30, serial 0, is Julian day 2415018.5; the century correction applies to every
  // date, so the two stay in step from year 100 to year 9999.
  for (double day = kFirstSerial; day < kEndSerial; day += 97.0) {
    const DateParts p = SerialToParts(day);
    ASSERT_EQ(JulianDay(p.year, p.month, p.day) - day, 2415018.5) << p.year << "-" << p.month;
  }
}

TEST(SunPosition, WorkedExamples) {
  const Position geneva = Sun(Moment(2025, 7, 24, 14), kGenevaLat, kGenevaLon, 2);
  EXPECT_EQ(geneva.azimuth, 189.0);
  EXPECT_NEAR(geneva.elevation, 63.280, 5e-4);

  const Position newYork = Sun(Moment(2025, 1, 15, 9), 40.7128, -74.006, -5);
  EXPECT_EQ(newYork.azimuth, 136.0);
  EXPECT_NEAR(newYork.elevation, 14.733, 5e-4);

  const Position capeTown = Sun(Moment(2025, 12, 21, 12), -33.9, 18.4, 2);
  EXPECT_EQ(capeTown.azimuth, 46.0);
  EXPECT_NEAR(capeTown.elevation, 75.703, 5e-4);

  // Below the horizon the position is returned as it is, without clipping.
  const Position equinox = Sun(Moment(2025, 3, 20, 6), 0, 0, 0);
  EXPECT_EQ(equinox.azimuth, 90.0);
  EXPECT_NEAR(equinox.elevation, -1.866, 5e-4);
}

TEST(SunPosition, FractionalTimeZoneMovesByTheRoundedWholeHour) {
  const double local = Moment(2025, 7, 24, 14);
  const Position half = Sun(local, kGenevaLat, kGenevaLon, 5.5);
  const Position six = Sun(local, kGenevaLat, kGenevaLon, 6);
  EXPECT_EQ(half.azimuth, 101.0);
  EXPECT_NEAR(half.elevation, 37.829, 5e-4);
  EXPECT_EQ(half.azimuth, six.azimuth);
  EXPECT_EQ(half.elevation, six.elevation);
  // Halves go to the even neighbour: 4.5 moves by 4 hours, -3.5 by -4.
  EXPECT_EQ(Sun(local, 10, 20, 4.5).elevation, Sun(local, 10, 20, 4).elevation);
  EXPECT_EQ(Sun(local, 10, 20, -3.5).elevation, Sun(local, 10, 20, -4).elevation);
}

TEST(SunPosition, TimeOfDayIsTakenToTheNearestSecond) {
  const Position exact = Sun(Moment(2025, 7, 24, 12), kGenevaLat, kGenevaLon, 0);
  const Position early = Sun(Moment(2025, 7, 24, 11, 59, 59.6), kGenevaLat, kGenevaLon, 0);
  EXPECT_EQ(early.elevation, exact.elevation);
  // Across midnight the date moves with it.
  EXPECT_EQ(Sun(Moment(2025, 7, 24, 23, 59, 59.6), 10, 10, 0).elevation,
            Sun(Moment(2025, 7, 25), 10, 10, 0).elevation);
}

TEST(SunPosition, AzimuthIsAWholeDegreeAndElevationInRange) {
  for (int hour = 0; hour < 24; hour += 1) {
    for (double lat : {-89.9, -45.0, 0.0, 23.4, 66.6, 90.0}) {
      const Position p = Sun(Moment(2025, 6, 1 + hour, hour, 17), lat, hour * 15.0 - 170, 0);
      EXPECT_EQ(p.azimuth, std::floor(p.azimuth));
      EXPECT_GE(p.azimuth, 0.0);
      EXPECT_LE(p.azimuth, 359.0);
      EXPECT_GE(p.elevation, -90.0);
      EXPECT_LE(p.elevation, 90.0);
    }
  }
}

TEST(SunPosition, WholeAzimuthRoundsHalvesToEven) {
  EXPECT_EQ(WholeAzimuth(90.5), 90.0);
  EXPECT_EQ(WholeAzimuth(91.5), 92.0);
  EXPECT_EQ(WholeAzimuth(-90.0), 270.0);
  EXPECT_EQ(WholeAzimuth(180.0), 180.0);
  EXPECT_EQ(WholeAzimuth(-180.0), 180.0);
  EXPECT_EQ(WholeAzimuth(0.0), 0.0);
  EXPECT_EQ(WholeAzimuth(-0.5), 0.0);  // 359.5 goes to 360, that is north
  EXPECT_EQ(WholeAzimuth(-0.6), 359.0);
  EXPECT_EQ(WholeAzimuth(-170.510), 189.0);
}

TEST(SunPosition, UniversalTimeOutsideTheCalendarThrows) {
  double az = 7.0;
  double el = 8.0;
  EXPECT_NO_THROW(SunPosition(Moment(100, 1, 1), 0, 0, -1, az, el));
  EXPECT_THROW(SunPosition(Moment(100, 1, 1), 0, 0, 1, az, el), CalendarRangeError);
  EXPECT_THROW(SunPosition(Moment(9999, 12, 31, 23), 0, 0, -1, az, el), CalendarRangeError);
  az = 7.0;
  el = 8.0;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_THROW(SunPosition(nan, 0, 0, 0, az, el), CalendarRangeError);
  EXPECT_THROW(SunPosition(Moment(2025, 1, 1), 0, 0, nan, az, el), CalendarRangeError);
  EXPECT_EQ(az, 7.0);
  EXPECT_EQ(el, 8.0);
}

TEST(SunPosition, NonFiniteCoordinatesGiveNoElevationWithoutFailing) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(std::isnan(Sun(Moment(2025, 7, 24, 14), std::nan(""), 0, 0).elevation));
  EXPECT_TRUE(std::isnan(Sun(Moment(2025, 7, 24, 14), 0, inf, 0).elevation));
}

}  // namespace
}  // namespace halvessa::geometry
