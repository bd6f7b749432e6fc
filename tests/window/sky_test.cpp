// The Sky view: its projection, the places it draws (sun, panel normals, paths against the
// horizon, the clock's hours) and the widget painting offscreen. Expected places come from
// the one-moment solar routine or from the geometry of the sky itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <memory>

#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "window/qt/sky_view.h"
#include "window/sky.h"

namespace halvessa::window {
namespace {

constexpr double kLat = 46.205556;
constexpr double kLon = 6.154444;

Calculated Geneva(double moment, const text::SiteZone& zone = text::SiteZone::Fixed(2)) {
  Calculated c;
  c.latitude = kLat;
  c.longitude = kLon;
  c.zone = zone;
  c.moment = moment;
  c.panels = {{{180, 30}, {0, 0}, {90, -30}, {10, 100}, {-30, 45}}};
  return c;
}

double Highest(const SkyPath& path) {
  double h = -90;
  for (const SkySun& s : path.points) h = std::max(h, s.elevation);
  return h;
}

void ExpectSunAt(const SkySun& sun, double localMoment, double hours) {
  double azimuth = 0;
  double elevation = 0;
  geometry::SunPosition(localMoment, kLat, kLon, hours, azimuth, elevation);
  EXPECT_DOUBLE_EQ(sun.azimuth, azimuth);
  EXPECT_DOUBLE_EQ(sun.elevation, elevation);
}

TEST(SkyTest, ProjectionPutsNorthUpEastRightAndTheZenithInTheMiddle) {
  const struct {
    double azimuth, elevation, x, y;
  } cases[] = {{0, 0, 0, 1},    {90, 0, 1, 0},   {180, 0, 0, -1}, {270, 0, -1, 0},
               {123, 90, 0, 0}, {0, 45, 0, 0.5}, {45, 45, 0.5 * std::sqrt(0.5), 0.5 * std::sqrt(0.5)},
               {90, -9, 1.1, 0}};
  for (const auto& t : cases) {
    const SkyXY p = SkyPoint(t.azimuth, t.elevation);
    EXPECT_NEAR(p.x, t.x, 1e-12) << t.azimuth << "/" << t.elevation;
    EXPECT_NEAR(p.y, t.y, 1e-12) << t.azimuth << "/" << t.elevation;
  }
}

// Each panel in use as the direction its normal points to; a negative tilt faces the other way.
TEST(SkyTest, PanelsAreTheirNormals) {
  const SkyDiagram d = ComputeSky(Geneva(DateSerial(2025, 7, 24) + 14.0 / 24), nullptr);
  ASSERT_EQ(d.panels.size(), 4u);
  const struct {
    int panel;
    double azimuth, elevation;
  } expected[] = {{1, 180, 60}, {3, 270, 60}, {4, 10, -10}, {5, 330, 45}};
  for (std::size_t i = 0; i < d.panels.size(); ++i) {
    EXPECT_EQ(d.panels[i].panel, expected[i].panel);
    EXPECT_EQ(d.panels[i].label, QString::number(expected[i].panel));
    EXPECT_DOUBLE_EQ(d.panels[i].azimuth, expected[i].azimuth) << expected[i].panel;
    EXPECT_DOUBLE_EQ(d.panels[i].elevation, expected[i].elevation) << expected[i].panel;
  }
  EXPECT_EQ(d.panels[1].geometry.Tilt, -30);  // as typed
}

// The worked example: 2025-07-24 14:00 at +2 h, azimuth 189 and elevation 63.280; a named zone
// with summer time finds the same instant.
TEST(SkyTest, SunStandsWhereTheMomentPutsIt) {
  const double moment = DateSerial(2025, 7, 24) + 14.0 / 24;
  for (const text::SiteZone& zone :
       {text::SiteZone::Fixed(2), text::SiteZone::Named("Europe/Zurich")}) {
    const SkyDiagram d = ComputeSky(Geneva(moment, zone), nullptr);
    ASSERT_TRUE(d.problem.isEmpty());
    EXPECT_EQ(d.sun.azimuth, 189);
    EXPECT_NEAR(d.sun.elevation, 63.280, 0.0005);
    ExpectSunAt(d.sun, moment, 2);
    EXPECT_FALSE(d.sun.below || d.sun.hidden);
    EXPECT_EQ(d.time, "14:00");
    EXPECT_EQ(d.day.day, DateSerial(2025, 7, 24));
  }
  EXPECT_EQ(ComputeSky(Geneva(moment), nullptr).caption,
            "Sun paths at 46.205556, 6.154444 on 2025-07-24, local time of zone 2");
}

// Noon at the solstices: 90 - latitude +- 23.44; at the equinoxes 90 - latitude (the sun is
// within a few hours of crossing the equator on the days chosen).
TEST(SkyTest, SeasonsPathsReachTheirNoonElevations) {
  const SkyDiagram d = ComputeSky(Geneva(DateSerial(2025, 7, 24) + 0.5), nullptr);
  const struct {
    int month, day;
    const char* label;
    double noon, within;
  } seasons[] = {{3, 20, "20 Mar", 90 - kLat, 0.4},
                 {6, 21, "21 Jun", 90 - kLat + 23.44, 0.02},
                 {9, 22, "22 Sep", 90 - kLat, 0.4},
                 {12, 21, "21 Dec", 90 - kLat - 23.44, 0.02}};
  for (std::size_t s = 0; s < 4; ++s) {
    EXPECT_EQ(d.seasons[s].day, DateSerial(2025, seasons[s].month, seasons[s].day));
    EXPECT_EQ(d.seasons[s].label, seasons[s].label);
    EXPECT_NEAR(Highest(d.seasons[s]), seasons[s].noon, seasons[s].within) << seasons[s].label;
    EXPECT_EQ(d.seasons[s].points.size(), 24u * 12 + 1);
  }
  // The date's path lies between the equinox's and the solstice's.
  EXPECT_GT(Highest(d.day), Highest(d.seasons[0]) + 15);
  EXPECT_LT(Highest(d.day), Highest(d.seasons[1]) - 2);
}

// A uniform horizon of 20 degrees hides every place of the sun up to 20 degrees; below 0 the sun
// is also below the horizon. The profile is sampled around 360 with the file's own points.
TEST(SkyTest, HorizonHidesThePathsAndIsDrawnAround) {
  const double moment = DateSerial(2025, 7, 24) + 14.0 / 24;
  const site::Horizon uniform({{0, 20}});
  const SkyDiagram d = ComputeSky(Geneva(moment), &uniform);
  int hiddenAbove = 0;
  for (const SkyPath* path : {&d.day, &d.seasons[0], &d.seasons[3]}) {
    for (const SkySun& s : path->points) {
      EXPECT_EQ(s.hidden, s.elevation <= 20) << s.azimuth << "/" << s.elevation;
      EXPECT_EQ(s.below, s.elevation <= 0) << s.azimuth << "/" << s.elevation;
      hiddenAbove += s.hidden && !s.below;
    }
  }
  EXPECT_GT(hiddenAbove, 20);
  ASSERT_EQ(d.horizon.size(), 360u);
  EXPECT_TRUE(std::all_of(d.horizon.begin(), d.horizon.end(), [](auto p) { return p.height == 20; }));

  const site::Horizon high({{0, 70}});
  EXPECT_TRUE(ComputeSky(Geneva(moment), &high).sun.hidden);
  EXPECT_FALSE(ComputeSky(Geneva(moment), &high).sun.below);

  const site::Horizon hills({{45.5, 30}, {180, 10}, {270, 0}});
  const SkyDiagram h = ComputeSky(Geneva(moment), &hills);
  ASSERT_EQ(h.horizon.size(), 361u);
  EXPECT_TRUE(std::is_sorted(h.horizon.begin(), h.horizon.end(),
                             [](auto a, auto b) { return a.azimuth < b.azimuth; }));
  EXPECT_EQ(h.horizon[46].azimuth, 45.5);
  EXPECT_EQ(h.horizon[46].height, 30);
  EXPECT_DOUBLE_EQ(h.horizon[181].height, 10);
  EXPECT_DOUBLE_EQ(h.horizon[226].height, 5);  // halfway from 180 to 270

  const SkyDiagram none = ComputeSky(Geneva(moment), nullptr);
  EXPECT_TRUE(none.horizon.empty());
  for (const SkySun& s : none.day.points) EXPECT_EQ(s.hidden, s.elevation <= 0);
  const site::Horizon sea({{0, 0}, {180, -2}});  // nothing above the horizontal to draw
  EXPECT_TRUE(ComputeSky(Geneva(moment), &sea).horizon.empty());
}

// The hours of the zone's clock, summer time honoured: every whole local hour once, the hour
// skipped in spring left out, the hour repeated in autumn twice, each where the sun stands then.
TEST(SkyTest, HourMarksFallOnTheZonesWholeHours) {
  const text::SiteZone zurich = text::SiteZone::Named("Europe/Zurich");
  const struct {
    int month, day;
    std::vector<int> hours;
    std::vector<double> offsets;  // the offset in force at each hour
  } days[] = {
      {7, 24, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23},
       std::vector<double>(24, 2)},
      {3, 30, {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23},
       {1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}},
      {10, 26, {0, 1, 2, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23},
       {2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
  };
  for (const auto& t : days) {
    const double day = DateSerial(2025, t.month, t.day);
    const SkyDiagram d = ComputeSky(Geneva(day + 0.5, zurich), nullptr);
    ASSERT_EQ(d.day.hours.size(), t.hours.size()) << t.month;
    EXPECT_EQ(d.day.points.size(), 12 * t.hours.size() + 1) << t.month;
    double hoursSinceMidnight = 0;
    for (std::size_t i = 0; i < t.hours.size(); ++i) {
      const SkyHour& h = d.day.hours[i];
      EXPECT_EQ(h.hour, t.hours[i]) << t.month << " " << i;
      if (i > 0) hoursSinceMidnight += 1;
      EXPECT_DOUBLE_EQ(h.step, 12 * hoursSinceMidnight) << t.month << " " << h.hour;
      ExpectSunAt(h.sun, day + t.hours[i] / 24.0, t.offsets[i]);
    }
  }
}

TEST(SkyTest, MomentOutsideTheCalendarIsAProblem) {
  const SkyDiagram d = ComputeSky(Geneva(DateSerial(100, 1, 1) + 0.01), nullptr);
  EXPECT_EQ(d.problem, "This day lies outside the years 100 to 9999 in universal time.");
  EXPECT_TRUE(d.day.points.empty());
}

int Inked(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) != qRgb(255, 255, 255);
  }
  return n;
}

// Offscreen: the view paints the diagram, a problem or nothing yet into any rectangle, and a
// screen reader names it.
TEST(SkyTest, WidgetPaintsOffscreen) {
  static int argc = 1;
  static char name[] = "sky_test";
  static char* argv[] = {name, nullptr};
  std::unique_ptr<QApplication> app;
  if (QApplication::instance() == nullptr) app = std::make_unique<QApplication>(argc, argv);

  const site::Horizon hills({{45.5, 30}, {180, 10}, {270, 0}});
  SkyView view;
  EXPECT_EQ(view.accessibleName(), "Sky view");
  EXPECT_LE(view.sizeHint().width(), 602);
  const auto inked = [&view](int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    view.paint(painter, QRectF(image.rect()));
    painter.end();
    return Inked(image);
  };
  const int empty = inked(602, 380);
  EXPECT_GT(empty, 50);  // "No moment computed yet"

  view.setDiagram(ComputeSky(Geneva(DateSerial(2025, 7, 24) + 14.0 / 24), &hills));
  const int drawn = inked(602, 380);
  EXPECT_GT(drawn, 40 * empty);
  EXPECT_GT(inked(1204, 760), 3 * drawn);

  view.setDiagram(ComputeSky(Geneva(DateSerial(100, 1, 1)), nullptr));
  EXPECT_GT(inked(602, 380), 50);
  EXPECT_LT(inked(602, 380), drawn / 10);
}

}  // namespace
}  // namespace halvessa::window
