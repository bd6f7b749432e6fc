#include <gtest/gtest.h>

#include <cmath>

#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "summary/summary.h"

namespace halvessa::summary {
namespace {

const Site kGeneva{46.205556, 6.154444, {{{151, 45}, {151, 20}, {331, 20}, {0, 0}, {180, 90}}}};

// Zurich's offsets in 2025: +1, summer time from 30 March 01:00 to 26 October 01:00 UT.
series::ZoneRule Zurich2025() {
  return series::ZoneRule(1, {{1743296400, 2}, {1761440400, 1}});
}

// A day's sums recomputed here on an hourly grid from the one-moment routines.
TEST(Summary, DaySumsAreTheOneMomentSumsTimesTheStep) {
  const double day = DateSerial(2025, 7, 24);
  const DaySummary s = SummarizeDay(kGeneva, series::ZoneRule::Fixed(2), day, 3600);
  const clearsky::SolisModel sky;
  double sunUp = 0;
  std::array<double, kPanelCount> production{}, irradiance{}, peak{};
  std::array<int, kPanelCount> peakHour{};
  for (int h = 0; h < 24; ++h) {
    double az = 0, el = 0;
    geometry::SunPosition(day + TimeSerial(h, 0, 0), kGeneva.latitude, kGeneva.longitude, 2, az, el);
    sunUp += el > 0;
    for (int p = 0; p < kPanelCount; ++p) {
      const PanelGeometry& g = kGeneva.panels[p];
      if (!InUse(g)) continue;
      const double aoi = geometry::AngleOfIncidence(az, el, g.Azimuth, g.Tilt);
      const double percent = MomentProduction(aoi, el);
      production[p] += percent / 100;
      irradiance[p] += clearsky::PlaneIrradiance(sky.at(el), aoi, clearsky::FactorsForTilt(g.Tilt));
      if (percent > peak[p]) {
        peak[p] = percent;
        peakHour[p] = h;
      }
    }
  }
  EXPECT_EQ(s.hours, 24);
  EXPECT_EQ(s.totals.moments, 24);
  EXPECT_EQ(s.totals.sunHours, sunUp);
  double sunrise = 0, sunset = 0;
  geometry::SunriseSunset(day + 0.5, kGeneva.latitude, kGeneva.longitude, 2, sunrise, sunset);
  EXPECT_EQ(s.sunrise, sunrise);
  EXPECT_EQ(s.sunset, sunset);
  for (int p = 0; p < kPanelCount; ++p) {
    const PanelTotals& t = s.totals.panels[p];
    EXPECT_DOUBLE_EQ(t.productionHours, production[p]) << p;
    EXPECT_NEAR(t.irradiation, irradiance[p] / 1000, 1e-12) << p;
    EXPECT_EQ(t.peakProduction, peak[p]) << p;
    if (peak[p] > 0) {
      EXPECT_EQ((t.peakLocalSecond % 86400) / 3600, peakHour[p]) << p;
    }
  }
  EXPECT_EQ(s.totals.panels[3].irradiation, 0);  // 0/0 is not in use
  // A south-facing wall gets light, less than the tilted panel at midsummer.
  EXPECT_GT(s.totals.panels[4].irradiation, 1);
  EXPECT_LT(s.totals.panels[4].irradiation, s.totals.panels[0].irradiation);
}

TEST(Summary, DaylightSavingDaysHave23And25Hours) {
  const struct { int month, day; double hours; } days[] = {{3, 30, 23}, {10, 26, 25}, {7, 24, 24}};
  for (const auto& d : days) {
    const DaySummary s = SummarizeDay(kGeneva, Zurich2025(), DateSerial(2025, d.month, d.day), 60);
    EXPECT_EQ(s.hours, d.hours);
    EXPECT_EQ(s.totals.moments, d.hours * 60);
  }
  // The year by months: every moment once, and the months add up to the year.
  const YearSummary y = SummarizeYear(kGeneva, Zurich2025(), 2025, 3600);
  EXPECT_EQ(y.year.moments, 8760);
  EXPECT_EQ(y.months[2].moments, 31 * 24 - 1);
  EXPECT_EQ(y.months[9].moments, 31 * 24 + 1);
  double sum = 0;
  for (const Totals& m : y.months) sum += m.panels[0].irradiation;
  EXPECT_DOUBLE_EQ(sum, y.year.panels[0].irradiation);
  EXPECT_GT(y.months[6].panels[0].irradiation, y.months[11].panels[0].irradiation);
}

// The best orientation lies toward the equator, steeper the farther from it.
TEST(Summary, BestOrientationFacesTheEquator) {
  const double free = std::nan("");
  const BestOrientation north = FindBest(kGeneva, series::ZoneRule::Fixed(1), 2025, 1800, free, free);
  EXPECT_GE(north.best.Tilt, 30);
  EXPECT_LE(north.best.Tilt, 45);
  EXPECT_NEAR(north.best.Azimuth, 180, 5);
  for (double given : north.panelIrradiation) EXPECT_LE(given, north.irradiation);
  EXPECT_GT(north.panelIrradiation[0], 0.9 * north.irradiation);

  Site south = kGeneva;
  south.latitude = -33.9;
  south.longitude = 18.4;
  const BestOrientation cape = FindBest(south, series::ZoneRule::Fixed(2), 2025, 1800, free, free);
  EXPECT_TRUE(cape.best.Azimuth <= 5 || cape.best.Azimuth >= 355) << cape.best.Azimuth;
  EXPECT_GE(cape.best.Tilt, 20);

  Site equator = kGeneva;
  equator.latitude = 0;
  equator.longitude = 0;
  const BestOrientation flat = FindBest(equator, series::ZoneRule::Fixed(0), 2025, 1800, free, free);
  EXPECT_LE(flat.best.Tilt, 5);

  // With the tilt fixed only the azimuth moves; a wall faces the equator too.
  const BestOrientation wall = FindBest(kGeneva, series::ZoneRule::Fixed(1), 2025, 1800, 90, free);
  EXPECT_EQ(wall.best.Tilt, 90);
  EXPECT_NEAR(wall.best.Azimuth, 180, 5);
  EXPECT_LT(wall.irradiation, north.irradiation);
  const BestOrientation east = FindBest(kGeneva, series::ZoneRule::Fixed(1), 2025, 1800, free, 90);
  EXPECT_EQ(east.best.Azimuth, 90);
  EXPECT_LT(east.best.Tilt, north.best.Tilt);
}

}  // namespace
}  // namespace halvessa::summary
