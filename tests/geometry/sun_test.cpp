#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "test_support.h"

namespace halvessa::geometry {
namespace {

using test::ExpectTable;
using test::kTenthSecond;
using test::Moment;

constexpr double kGenevaLat = 46.205556;
constexpr double kGenevaLon = 6.154444;
const double kGenevaMoment = Moment(2025, 7, 24, 14);

TEST(JulianDay, StaysInStepWithTheDaySerialOverTheWholeCalendar) {
  // Serial 0 is Julian day 2415018.5; January and February belong to the year before.
  for (double day = kFirstSerial; day < kEndSerial; day += 97) {
    const DateParts p = SerialToParts(day);
    ASSERT_EQ(JulianDay(p.year, p.month, p.day) - day, 2415018.5) << p.year << "-" << p.month;
  }
}

TEST(SunPosition, WorkedExamples) {
  const struct {
    const char* name;
    double local, lat, lon, zone, azimuth, elevation;
  } cases[] = {
      {"Geneva", kGenevaMoment, kGenevaLat, kGenevaLon, 2, 189, 63.280},
      {"New York", Moment(2025, 1, 15, 9), 40.7128, -74.006, -5, 136, 14.733},
      {"Cape Town", Moment(2025, 12, 21, 12), -33.9, 18.4, 2, 46, 75.703},
      {"equinox sunrise, not clipped", Moment(2025, 3, 20, 6), 0, 0, 0, 90, -1.866},
      {"Geneva, zone 5.5 acts as 6", kGenevaMoment, kGenevaLat, kGenevaLon, 5.5, 101, 37.829},
      {"Geneva, zone 6", kGenevaMoment, kGenevaLat, kGenevaLon, 6, 101, 37.829},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    double azimuth = -1;
    double elevation = -1;
    SunPosition(c.local, c.lat, c.lon, c.zone, azimuth, elevation);
    EXPECT_EQ(azimuth, c.azimuth);
    EXPECT_NEAR(elevation, c.elevation, 5e-4);
  }
}

double Elevation(double local, double zone, double lat = kGenevaLat, double lon = kGenevaLon) {
  double azimuth = 0;
  double elevation = 0;
  SunPosition(local, lat, lon, zone, azimuth, elevation);
  return elevation;
}

TEST(SunPosition, UniversalTimeUsesTheRoundedZoneAndTheNearestSecond) {
  EXPECT_EQ(Elevation(kGenevaMoment, 5.5), Elevation(kGenevaMoment, 6));
  EXPECT_EQ(Elevation(kGenevaMoment, 4.5), Elevation(kGenevaMoment, 4));
  EXPECT_EQ(Elevation(kGenevaMoment, -3.5), Elevation(kGenevaMoment, -4));
  EXPECT_EQ(Elevation(Moment(2025, 7, 24, 23, 59, 59.6), 0), Elevation(Moment(2025, 7, 25), 0));
}

TEST(SunPosition, WholeAzimuthRoundsHalfToEvenIntoZeroTo359) {
  ExpectTable({{"90.5", WholeAzimuth(90.5), 90},
               {"91.5", WholeAzimuth(91.5), 92},
               {"-90", WholeAzimuth(-90), 270},
               {"-180", WholeAzimuth(-180), 180},
               {"-0.5 is north, not 360", WholeAzimuth(-0.5), 0},
               {"-0.6", WholeAzimuth(-0.6), 359},
               {"Geneva", WholeAzimuth(-170.510), 189}});
}

TEST(SunriseSunset, WorkedExamples) {
  const struct {
    const char* name;
    double local, lat, lon, zone, sunrise, sunset;
  } cases[] = {
      {"Geneva", kGenevaMoment, kGenevaLat, kGenevaLon, 2, Moment(2025, 7, 24, 6, 8, 13.1),
       Moment(2025, 7, 24, 21, 14, 52.8)},
      {"Geneva, date alone: 23 July in UT", Moment(2025, 7, 24), kGenevaLat, kGenevaLon, 2,
       Moment(2025, 7, 24, 6, 7, 3.1), Moment(2025, 7, 24, 21, 15, 59.99)},
      {"Geneva, zone 5.5 enters rounded and exact", kGenevaMoment, kGenevaLat, kGenevaLon, 5.5,
       Moment(2025, 7, 24, 9, 38, 13.1), Moment(2025, 7, 25, 0, 44, 52.8)},
      {"Geneva, zone 6", kGenevaMoment, kGenevaLat, kGenevaLon, 6,
       Moment(2025, 7, 24, 10, 8, 13.1), Moment(2025, 7, 25, 1, 14, 52.8)},
      {"equator at the equinox", Moment(2025, 3, 20, 12), 0, 0, 0,
       Moment(2025, 3, 20, 6, 4, 49.4), Moment(2025, 3, 20, 18, 11, 29.2)},
      {"polar day: a full day", Moment(2025, 6, 21, 12), 78.2, 15.6, 2,
       Moment(2025, 6, 21, 0, 59, 6.0), Moment(2025, 6, 22, 0, 59, 6.0)},
      {"polar night: sunrise is sunset", Moment(2025, 12, 21, 12), 78.2, 15.6, 1,
       Moment(2025, 12, 21, 11, 56, 34.2), Moment(2025, 12, 21, 11, 56, 34.2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    double sunrise = -1;
    double sunset = -1;
    SunriseSunset(c.local, c.lat, c.lon, c.zone, sunrise, sunset);
    EXPECT_NEAR(sunrise, c.sunrise, kTenthSecond);
    EXPECT_NEAR(sunset, c.sunset, kTenthSecond);
  }
}

TEST(SunriseSunset, DayOfYearIsThatOfTheUniversalDate) {
  ExpectTable({
      {"date alone", SunriseDayOfYear(Moment(2025, 7, 24), 2), 204},
      {"31 Dec 2024 in UT", SunriseDayOfYear(Moment(2025, 1, 1, 0, 30), 1), 366},
      {"1 Jan 2025 in UT", SunriseDayOfYear(Moment(2025, 1, 1, 12), 1), 1},
      {"1 March of a leap year", SunriseDayOfYear(Moment(2024, 3, 1, 12), 0), 61},
      {"EquationOfTime(81)", EquationOfTime(81), -7.53},
      {"EquationOfTime(1)", EquationOfTime(1), -3.607, 5e-4},
  });
}

TEST(SunPositionAndSunriseSunset, OutsideTheCalendarThrowAndLeaveTheOutputs) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  double a = 7;
  double b = 8;
  // Universal time, or sunrise or sunset, leaving the years 100 to 9999.
  EXPECT_THROW(SunPosition(Moment(100, 1, 1), 0, 0, 1, a, b), CalendarRangeError);
  EXPECT_THROW(SunPosition(Moment(9999, 12, 31, 23), 0, 0, -1, a, b), CalendarRangeError);
  EXPECT_THROW(SunPosition(nan, 0, 0, 0, a, b), CalendarRangeError);
  EXPECT_THROW(SunPosition(Moment(2025, 1, 1), 0, 0, nan, a, b), CalendarRangeError);
  EXPECT_THROW(SunriseSunset(Moment(9999, 12, 31, 12), 0, -170, 0, a, b), CalendarRangeError);
  EXPECT_THROW(SunriseSunset(Moment(100, 1, 1, 12), 0, 170, 0, a, b), CalendarRangeError);
  EXPECT_THROW(SunriseSunset(Moment(2025, 1, 1), nan, 0, 0, a, b), CalendarRangeError);
  EXPECT_THROW(SunriseSunset(Moment(2025, 1, 1), 0, 0, inf, a, b), CalendarRangeError);
  EXPECT_EQ(a, 7);
  EXPECT_EQ(b, 8);
  EXPECT_NO_THROW(SunPosition(Moment(100, 1, 1), 0, 0, -1, a, b));
  EXPECT_NO_THROW(SunriseSunset(Moment(9999, 12, 31, 12), 0, 0, 0, a, b));
  // A site that is not finite gives no elevation, without failing.
  EXPECT_TRUE(std::isnan(Elevation(kGenevaMoment, 0, nan, 0)));
  EXPECT_TRUE(std::isnan(Elevation(kGenevaMoment, 0, 0, inf)));
}

TEST(AngleOfIncidence, GeometryAndProduction) {
  ExpectTable({
      {"flat panel: zenith distance", AngleOfIncidence(189, 63.28, 275, 0), 26.72, 1e-9},
      {"sun at the zenith: the tilt", AngleOfIncidence(123, 90, 200, 45), 45, 1e-9},
      {"facing the sun", AngleOfIncidence(189, 63.28, 189, 90 - 63.28), 0, 1e-6},
      {"sun below the horizon counts", AngleOfIncidence(300, -30, 300, 70), 50, 1e-9},
      {"back to the sun", AngleOfIncidence(0, 30, 180, 90), 150, 1e-9},
      {"production at 0", AOIToProduction(0), 100},
      {"production at 45", AOIToProduction(45), 59.460, 5e-4},
      {"production at 60", AOIToProduction(60), 35.355, 5e-4},
      {"production at 89.9", AOIToProduction(89.9), 0.0073, 5e-5},
      {"production at 90", AOIToProduction(90), 0},
      {"production at 150", AOIToProduction(150), 0},
  });
  for (int i = 0; i < 2000; ++i) {
    const double aoi = AngleOfIncidence(i * 7.3, i * 0.19 - 190, i * 11.1, i * 0.37 - 370);
    ASSERT_TRUE(aoi >= 0 && aoi <= 180) << i << ": " << aoi;
  }
}

TEST(AngleOfIncidence, FiveGenevaPanels) {
  double azimuth = 0;
  double elevation = 0;
  SunPosition(kGenevaMoment, kGenevaLat, kGenevaLon, 2, azimuth, elevation);
  const struct {
    const char* name;
    double panelAz, tilt, aoi, production;
  } cases[] = {{"151/45", 151, 45, 28.099, 82.852}, {"151/20", 151, 20, 16.151, 94.138},
               {"331/20", 331, 20, 44.097, 60.861}, {"151/70", 151, 70, 50.324, 51.013},
               {"331/70", 331, 70, 91.573, 0.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const double aoi = AngleOfIncidence(azimuth, elevation, c.panelAz, c.tilt);
    EXPECT_NEAR(aoi, c.aoi, 5e-4);
    EXPECT_NEAR(AOIToProduction(aoi), c.production, 5e-4);
  }
}

}  // namespace
}  // namespace halvessa::geometry
