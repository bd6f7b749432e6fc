#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "test_support.h"

namespace halvessa::geometry {
namespace {

using test::kTenthSecond;
using test::Moment;

constexpr double kGenevaLat = 46.205556;
constexpr double kGenevaLon = 6.154444;

struct Day {
  double sunrise;
  double sunset;
};

Day Sun(double local, double lat, double lon, double zone) {
  Day d{-1.0, -1.0};
  SunriseSunset(local, lat, lon, zone, d.sunrise, d.sunset);
  return d;
}

TEST(EquationOfTime, KnownDays) {
  EXPECT_EQ(EquationOfTime(81), -7.53);
  EXPECT_NEAR(EquationOfTime(1), -3.607, 5e-4);
  EXPECT_NEAR(EquationOfTime(205), -6.167, 5e-4);
}

TEST(SunriseSunset, Geneva) {
  const Day d = Sun(Moment(2025, 7, 24, 14), kGenevaLat, kGenevaLon, 2);
  EXPECT_NEAR(d.sunrise, Moment(2025, 7, 24, 6, 8, 13.1), kTenthSecond);
  EXPECT_NEAR(d.sunset, Moment(2025, 7, 24, 21, 14, 52.8), kTenthSecond);
  // Any time of the same universal date gives the same day.
  const Day evening = Sun(Moment(2025, 7, 24, 20, 30), kGenevaLat, kGenevaLon, 2);
  EXPECT_EQ(evening.sunrise, d.sunrise);
  EXPECT_EQ(evening.sunset, d.sunset);
}

TEST(SunriseSunset, DateWithoutTimeFallsOnThePreviousUniversalDate) {
  const double local = Moment(2025, 7, 24);
  EXPECT_EQ(SunriseDayOfYear(local, 2), 204.0);
  const Day d = Sun(local, kGenevaLat, kGenevaLon, 2);
  EXPECT_NEAR(d.sunrise, Moment(2025, 7, 24, 6, 7, 3.1), kTenthSecond);
  EXPECT_NEAR(d.sunset, Moment(2025, 7, 24, 21, 15, 59.99), kTenthSecond);
}

TEST(SunriseSunset, DayOfYearAcrossTheYearEnd) {
  EXPECT_EQ(SunriseDayOfYear(Moment(2025, 1, 1, 0, 30), 1), 366.0);  // 31 Dec 2024 UT
  EXPECT_EQ(SunriseDayOfYear(Moment(2025, 1, 1, 12), 1), 1.0);
  EXPECT_EQ(SunriseDayOfYear(Moment(2023, 12, 31, 12), 0), 365.0);
  EXPECT_EQ(SunriseDayOfYear(Moment(2024, 3, 1, 12), 0), 61.0);
  // The results show it: the first hour of 2025 gets the times of 31 December, one day on.
  const Day newYear = Sun(Moment(2025, 1, 1, 0, 30), kGenevaLat, kGenevaLon, 1);
  const Day lastDay = Sun(Moment(2024, 12, 31, 12), kGenevaLat, kGenevaLon, 1);
  EXPECT_NEAR(newYear.sunrise - lastDay.sunrise, 1.0, 1e-9);
  EXPECT_NEAR(newYear.sunset - lastDay.sunset, 1.0, 1e-9);
}

TEST(SunriseSunset, EquatorAtTheEquinox) {
  const Day d = Sun(Moment(2025, 3, 20, 12), 0, 0, 0);
  EXPECT_NEAR(d.sunrise, Moment(2025, 3, 20, 6, 4, 49.4), kTenthSecond);
  EXPECT_NEAR(d.sunset, Moment(2025, 3, 20, 18, 11, 29.2), kTenthSecond);
}

TEST(SunriseSunset, PolarDayAndNight) {
  const Day summer = Sun(Moment(2025, 6, 21, 12), 78.2, 15.6, 2);
  EXPECT_NEAR(summer.sunrise, Moment(2025, 6, 21, 0, 59, 6.0), kTenthSecond);
  EXPECT_NEAR(summer.sunset, Moment(2025, 6, 22, 0, 59, 6.0), kTenthSecond);
  EXPECT_NEAR(summer.sunset - summer.sunrise, 1.0, 1e-9);

  const Day winter = Sun(Moment(2025, 12, 21, 12), 78.2, 15.6, 1);
  EXPECT_NEAR(winter.sunrise, Moment(2025, 12, 21, 11, 56, 34.2), kTenthSecond);
  EXPECT_EQ(winter.sunrise, winter.sunset);
}

TEST(SunriseSunset, FractionalTimeZoneEntersTwice) {
  const double local = Moment(2025, 7, 24, 14);
  const Day half = Sun(local, kGenevaLat, kGenevaLon, 5.5);
  EXPECT_NEAR(half.sunrise, Moment(2025, 7, 24, 9, 38, 13.1), kTenthSecond);
  EXPECT_NEAR(half.sunset, Moment(2025, 7, 25, 0, 44, 52.8), kTenthSecond);
  // Same universal date as zone 6, shifted by the exact half hour.
  const Day six = Sun(local, kGenevaLat, kGenevaLon, 6);
  EXPECT_NEAR(six.sunrise - half.sunrise, 0.5 / 24, 1e-9);
  EXPECT_NEAR(six.sunset - half.sunset, 0.5 / 24, 1e-9);
}

TEST(SunriseSunset, ResultsOutsideTheCalendarThrowAndLeaveTheOutputs) {
  double sunrise = 7.0;
  double sunset = 8.0;
  // Sunset after midnight of the last day.
  EXPECT_THROW(SunriseSunset(Moment(9999, 12, 31, 12), 0, -170, 0, sunrise, sunset),
               CalendarRangeError);
  // Sunrise before midnight of the first day.
  EXPECT_THROW(SunriseSunset(Moment(100, 1, 1, 12), 0, 170, 0, sunrise, sunset),
               CalendarRangeError);
  // A NaN latitude gives no time at all.
  EXPECT_THROW(SunriseSunset(Moment(2025, 1, 1), std::nan(""), 0, 0, sunrise, sunset),
               CalendarRangeError);
  EXPECT_THROW(SunriseSunset(Moment(2025, 1, 1), 0, 0,
                             std::numeric_limits<double>::infinity(), sunrise, sunset),
               CalendarRangeError);
  EXPECT_EQ(sunrise, 7.0);
  EXPECT_EQ(sunset, 8.0);
  EXPECT_NO_THROW(SunriseSunset(Moment(9999, 12, 31, 12), 0, 0, 0, sunrise, sunset));
  EXPECT_NO_THROW(SunriseSunset(Moment(100, 1, 1, 12), 0, 0, 0, sunrise, sunset));
}

}  // namespace
}  // namespace halvessa::geometry
