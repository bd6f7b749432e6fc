// The check of a weather file's light against the sun: the two PVGIS files of the same year (the
// CSV in its own convention, the EPW read by its LOCATION zone an hour off), and years built
// here from the sun of geometry::SunPosition at a known shift, with beam put into the night.
#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <variant>

#include "energy/alignment.h"
#include "files/weather.h"
#include "geometry/calendar.h"
#include "geometry/module1.h"

namespace {

using namespace halvessa;
using energy::CheckAlignment;

TEST(Alignment, PvgisCsvFitsAndItsEpwIsAnHourEarly) {
  const auto read = [](const char* name) {
    files::WeatherResult read = files::ReadWeather(QString(HALVESSA_TEST_DATA "/") + name);
    EXPECT_TRUE(std::holds_alternative<site::Weather>(read)) << name;
    return std::holds_alternative<site::Weather>(read) ? std::get<site::Weather>(read)
                                                       : site::Weather{};
  };
  const site::Weather csv = read("pvgis-tmy-45.000-8.000.csv");
  const site::Weather epw = read("pvgis-tmy-45.000-8.000.epw");
  const auto begin = std::chrono::steady_clock::now();
  const energy::Alignment fits = CheckAlignment(csv, csv.latitude, csv.longitude);
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - begin;
  std::printf("alignment check of %zu rows: %.2f ms\n", csv.rows.size(), took.count());
  EXPECT_EQ(fits.rows, 8760u);
  EXPECT_EQ(fits.days, 363u);  // 17 and 18 May have no light at all
  EXPECT_EQ(fits.bestShiftHours, 0.0);
  EXPECT_LT(std::abs(fits.offsetHours), 0.25);
  EXPECT_EQ(fits.nightBeamRows, 0u);
  EXPECT_GT(fits.correlation, 0.8);
  EXPECT_FALSE(fits.warn);
  // The light an hour before the sun (too little to put beam into the night with the sun 2
  // degrees down): the file's times must move an hour later, and moved so, they fit.
  const energy::Alignment early = CheckAlignment(epw, epw.latitude, epw.longitude);
  EXPECT_EQ(early.bestShiftHours, 1.0);
  EXPECT_NEAR(early.offsetHours, -1.0, 0.25);
  EXPECT_NEAR(early.fittedShiftHours - fits.fittedShiftHours, 1.0, 0.05);
  EXPECT_EQ(early.nightBeamRows, 0u);
  EXPECT_TRUE(early.warn);
  const energy::Alignment moved = CheckAlignment(epw, epw.latitude, epw.longitude, 1.0);
  EXPECT_NEAR(moved.fittedShiftHours, fits.fittedShiftHours, 0.05);
  EXPECT_FALSE(moved.warn);
}

// An hourly year whose row starting at t holds 1000 max(0, sin elevation) of the sun at its
// middle less lateHours (the light comes late by that much), with beam while that sun is up.
site::Weather Synthetic(double latitude, double longitude, double lateHours) {
  site::Weather weather;
  for (int hour = 0; hour < 8760; ++hour) {
    const std::int64_t start = SecondOfDay(DateSerial(2023, 1, 1)) + 3600LL * hour;
    double azimuth = 0, elevation = 0;
    geometry::SunPosition(SerialOfSecond(start) + (1800 - lateHours * 3600) / 86400.0, latitude,
                          longitude, 0, azimuth, elevation);
    const double sinE = std::max(0.0, geometry::SinD(elevation));
    weather.rows.push_back({.start = start, .length = 3600, .ghi = 1000 * sinE,
                            .dni = sinE > 0 ? 800.0 : 0.0});
  }
  return weather;
}

TEST(Alignment, FindsAKnownShiftAndCountsBeamAtNight) {
  for (const auto [latitude, longitude, late] :
       {std::array{45.0, 8.0, 0.0}, {45.0, 8.0, 3.0}, {-33.9, 151.2, -2.0}, {39.7, -105.2, 0.5},
        {64.0, -21.0, -1.0}}) {
    SCOPED_TRACE(testing::Message() << latitude << " " << longitude << " " << late);
    const site::Weather weather = Synthetic(latitude, longitude, late);
    const energy::Alignment found = CheckAlignment(weather, latitude, longitude);
    EXPECT_NEAR(found.fittedShiftHours, -late, 0.05);
    EXPECT_EQ(found.bestShiftHours, -late);
    EXPECT_NEAR(found.offsetHours, late, 0.05);
    EXPECT_EQ(found.warn, late != 0);
    // Light 2 or 3 hours off puts beam into the night, 30 minutes off does not.
    EXPECT_EQ(found.nightBeamFraction > 0.1, std::abs(late) >= 2);
    EXPECT_EQ(found.nightBeamRows == 0, std::abs(late) <= 0.5);
    const energy::Alignment moved = CheckAlignment(weather, latitude, longitude, -late);
    EXPECT_NEAR(moved.fittedShiftHours, 0, 0.05);
    EXPECT_FALSE(moved.warn);
  }
  // Beam at 00:00-01:00 UT (solar midnight at 8 E) on 200 nights of an aligned year: counted,
  // and above 1 % of the beam, warned of though the shift fits.
  site::Weather night = Synthetic(45, 8, 0);
  const std::size_t beam = std::count_if(night.rows.begin(), night.rows.end(),
                                         [](const site::WeatherRow& row) { return row.dni > 20; });
  for (int day = 0; day < 200; ++day) night.rows[24 * day].dni = 300;
  const energy::Alignment found = CheckAlignment(night, 45, 8);
  EXPECT_EQ(found.nightBeamRows, 200u);
  EXPECT_EQ(found.beamRows, beam + 200);
  EXPECT_EQ(found.bestShiftHours, 0.0);
  EXPECT_TRUE(found.warn);
  // Nothing to measure: the zero result, no warning.
  EXPECT_FALSE(CheckAlignment(site::Weather{}, 45, 8).warn);
  EXPECT_FALSE(CheckAlignment(night, NAN, 8).warn);
}

}  // namespace
