// The day, the year by months and the best orientation against summary_expected.py, which
// works the sums again moment by moment and searches every whole degree around the best.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/calendar.h"
#include "summary/summary.h"

namespace halvessa::summary {
namespace {

const Site kGeneva{46.205556, 6.154444, {{{151, 45}, {151, 20}, {331, 20}, {0, 0}, {180, 90}}}};
const double kFree = std::nan("");

// Zurich's offsets in 2025: +1, summer time from 30 March 01:00 to 26 October 01:00 UT.
site::ZoneRule Zurich2025() { return site::ZoneRule(1, {{1743296400, 2}, {1761440400, 1}}); }

TEST(Summary, DayOfHourlyMoments) {
  const double day = DateSerial(2025, 7, 24);
  const DaySummary s = SummarizeDay(kGeneva, site::ZoneRule::Fixed(2), day + 0.7, 3600);
  EXPECT_EQ(s.hours, 24);
  EXPECT_EQ(s.totals.moments, 24);
  EXPECT_EQ(s.totals.sunHours, 15);
  // The one-moment sunrise and sunset of the day at noon: 06:08:13.1 and 21:14:52.8.
  EXPECT_NEAR(s.sunrise, day + 22093.1 / 86400, 0.05 / 86400);
  EXPECT_NEAR(s.sunset, day + 76492.8 / 86400, 0.05 / 86400);
  const struct { int panel; double hours, kwh, peak; int peakHour; } panels[] = {
      {0, 6.4478253403, 7.8897902001, 94.2653394804, 12},
      {1, 7.2587571091, 8.6007903776, 98.4315739901, 13},
      {2, 5.6191833319, 7.3838436279, 63.3105614441, 15},
      {4, 1.5717220920, 3.9475962240, 29.5945009358, 14}};
  for (const auto& p : panels) {
    const PanelTotals& t = s.totals.panels[p.panel];
    EXPECT_NEAR(t.productionHours, p.hours, 1e-9) << p.panel;
    EXPECT_NEAR(t.irradiation, p.kwh, 1e-9) << p.panel;
    EXPECT_NEAR(t.peakProduction, p.peak, 1e-9) << p.panel;
    EXPECT_EQ(t.peakLocalSecond - SecondOfDay(day), p.peakHour * 3600) << p.panel;
    EXPECT_EQ(t.peakOffsetSecond, 7200);
  }
  EXPECT_EQ(s.totals.panels[3].productionHours + s.totals.panels[3].irradiation, 0);  // 0/0
}

// March has an hour less, October one more.
TEST(Summary, YearByMonths) {
  const DaySummary spring = SummarizeDay(kGeneva, Zurich2025(), DateSerial(2025, 3, 30), 60);
  EXPECT_TRUE(spring.hours == 23 && spring.totals.moments == 23 * 60) << spring.hours;
  const int moments[12] = {744, 672, 743, 720, 744, 720, 744, 744, 720, 745, 720, 744};
  const double kwh[12] = {123.8383657845, 144.8544190995, 200.9467412081, 222.8223760445,
                          243.3959386356, 238.8103053013, 245.4158899612, 236.3527510580,
                          206.3055895953, 174.4624135387, 129.3115023540, 111.4985376488};
  const YearSummary y = SummarizeYear(kGeneva, Zurich2025(), 2025, 3600);
  for (int m = 0; m < 12; ++m) {
    EXPECT_EQ(y.months[m].moments, moments[m]) << m;
    EXPECT_NEAR(y.months[m].panels[0].irradiation, kwh[m], 1e-9) << m;
  }
  EXPECT_EQ(y.year.moments, 8760);
  EXPECT_NEAR(y.year.panels[0].irradiation, 2278.0148302295, 1e-8);
}

// Free, with the tilt or the azimuth fixed, south of the equator (the search wraps through
// north) and on it, where a flat panel is best: 0/0, which is summed as a flat panel in use.
TEST(Summary, BestOrientation) {
  const struct { double lat, lon, zone, tilt, azimuth; PanelGeometry best; double kwh; } cases[] = {
      {46.205556, 6.154444, 2, kFree, kFree, {179, 40}, 2363.9687390961},
      {46.205556, 6.154444, 2, 90, kFree, {183, 90}, 1665.7995569940},
      {46.205556, 6.154444, 2, kFree, 90, {90, 0}, 1925.1796742087},
      {-33.9, 18.4, 2, kFree, kFree, {1, 31}, 2547.5473280384},
      {0, 0, 0, kFree, 0, {0, 0}, 2753.4033576864}};
  for (const auto& c : cases) {
    Site site = kGeneva;
    site.latitude = c.lat;
    site.longitude = c.lon;
    const BestOrientation b =
        FindBest(site, site::ZoneRule::Fixed(c.zone), 2025, 3600, c.tilt, c.azimuth);
    EXPECT_EQ(b.best.Azimuth, c.best.Azimuth) << c.lat;
    EXPECT_EQ(b.best.Tilt, c.best.Tilt) << c.lat;
    EXPECT_NEAR(b.irradiation, c.kwh, 1e-8) << c.lat;
    if (&c != cases) continue;
    // The site's own panels over the same year.
    const double panels[] = {2278.0148302295, 2206.8120909417, 1483.3555721589, 0, 1665.0487049979};
    for (int p = 0; p < kPanelCount; ++p) EXPECT_NEAR(b.panelIrradiation[p], panels[p], 1e-8) << p;
  }
}

}  // namespace
}  // namespace halvessa::summary
