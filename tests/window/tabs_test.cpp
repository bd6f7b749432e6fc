// The views' tabs on the fake platform: which view the section shows, that a hidden view
// computes nothing, the day chart's shared gridlines, and the texts that explain the window
// (the time zone box's tool tip, an exported chart's title block).
#include "geometry/calendar.h"
#include "tests/window/form_fixture.h"
#include "text/convert.h"
#include "window/tips.h"
#include "window/views.h"

namespace halvessa::window::testing {
namespace {

using TabsTest = FormTest;

// "open|closed, the current tab, the day's computations, the year's requests, the views made".
QString State(const ViewsModel& views, int yearRequests) {
  const ViewTabs& tabs = views.tabs();
  QString made;
  for (const auto& [view, letter] : {std::pair{View::kDay, 'D'}, {View::kYear, 'Y'}, {View::kSky, 'S'}}) {
    if (tabs.made(view)) made += QLatin1Char(letter);
  }
  static const char* const kNames[] = {"Day", "Year", "Sky"};
  return QStringLiteral("%1 %2 d%3 y%4 %5")
      .arg(tabs.isOpen() ? "open" : "closed", kNames[static_cast<int>(tabs.current())])
      .arg(views.day.computations())
      .arg(yearRequests)
      .arg(made);
}

TEST_F(TabsTest, ChoosingOpensAndClosesTheTabsAndOnlyTheShownViewComputes) {
  ViewsModel views(model);
  int requests = 0;
  views.onYearRequest = [&requests](const YearRequest&) { ++requests; };
  form->frmHalvessa_Form_Load();
  EXPECT_EQ(State(views, requests), "closed Day d0 y0 ");  // start-up computes no view

  views.choose(View::kYear);
  EXPECT_EQ(State(views, requests), "open Year d0 y1 Y");
  views.show(View::kDay);  // a click on the Day tab: the day is computed, the year closes
  EXPECT_EQ(State(views, requests), "open Day d1 y1 DY");
  EXPECT_FALSE(views.year.isOpen());
  model.txtLat.setText("50");  // a new site: the day shown follows, the hidden year does not
  calculate("2025-08-01", "12:00");
  EXPECT_EQ(State(views, requests), "open Day d2 y1 DY");

  views.choose(View::kDay);  // the tab shown: the section closes, keeping its tab
  EXPECT_EQ(State(views, requests), "closed Day d2 y1 DY");
  calculate("2025-08-02", "12:00");
  EXPECT_EQ(State(views, requests), "closed Day d2 y1 DY");
  views.choose(View::kSky);  // the sky opens the section on its own tab; nothing else computes
  EXPECT_EQ(State(views, requests), "open Sky d2 y1 DYS");
  views.choose(View::kYear);  // another tab of the open section: shown, the year of the new site
  EXPECT_EQ(State(views, requests), "open Year d2 y2 DYS");
  views.show(View::kDay);  // the day drawn anew for the day it missed
  EXPECT_EQ(State(views, requests), "open Day d3 y2 DYS");
  EXPECT_EQ(views.day.chart()->day, DateSerial(2025, 8, 2));
  views.close();
  EXPECT_FALSE(views.day.isOpen() || views.year.isOpen() || views.tabs().isOpen());
}

// The narrowest of 4 or 5 intervals of 10, 15, 20, 30 or 45 degrees from a multiple of the
// step holding the day's elevations and -10 to 10, worked by hand.
TEST(ElevationScale, RoundStepsThatHoldTheDayWithZeroOnATick) {
  const struct { double lowest, highest, low, high; int intervals; } cases[] = {
      {-20.4, 64.6, -30, 90, 4},  // 5 x 20 from -40 ends at 60; 4 x 30 from -30 holds it
      {-67, 20, -80, 20, 5},      // Geneva in December
      {-5, 5, -10, 30, 4},        // the least: -10 to 10 in 4 x 10
      {10, 33, -10, 40, 5},       // a polar day
      {-90, 90, -90, 90, 4},
      {-23.4, 23.4, -30, 30, 4},  // 4 x 15
  };
  for (const auto& k : cases) {
    const AxisScale s = ElevationScale(k.lowest, k.highest);
    EXPECT_EQ(QStringLiteral("%1 %2 %3").arg(s.low).arg(s.high).arg(s.intervals),
              QStringLiteral("%1 %2 %3").arg(k.low).arg(k.high).arg(k.intervals))
        << k.lowest << ' ' << k.highest;
  }
}

TEST(ZoneTip, TheWholeTextAndTheOffsetInForceAtTheMomentShown) {
  const struct { const char *zone, *date, *time, *tip; } cases[] = {
      {"Asia/Kolkata", "2026-12-08", "14:00", "Asia/Kolkata, UTC+05:30 on 2026-12-08 14:00"},
      {"Europe/Zurich", "2026-07-01", "9:05", "Europe/Zurich, UTC+02:00 on 2026-07-01 09:05"},
      {"Europe/Zurich", "2026-12-08", "14:00", "Europe/Zurich, UTC+01:00 on 2026-12-08 14:00"},
      // The hour the clocks skip takes the offset before the change.
      {"Europe/Zurich", "2026-03-29", "02:30", "Europe/Zurich, UTC+01:00 on 2026-03-29 02:30"},
      {"America/St_Johns", "2026-12-08", "14:00",
       "America/St_Johns, UTC-03:30 on 2026-12-08 14:00"},
      {" -3.5", "2025-07-24", "14:00", " -3.5, UTC-03:30 on 2025-07-24 14:00"},
      {"5.75", "2025-07-24", "14:00", "5.75, UTC+05:45 on 2025-07-24 14:00"},
      {"0", "2025-07-24", "14:00", "0, UTC+00:00 on 2025-07-24 14:00"},
      // Without a moment: the fixed offset, or the name alone.
      {"2", "someday", "14:00", "2, UTC+02:00"},
      {"Asia/Kolkata", "2026-12-08", "25:00", "Asia/Kolkata"},
      {"Mars/Olympus", "2026-12-08", "14:00",
       "Time zone: \"Mars/Olympus\" is neither hours nor a known time zone name."},
      {"30", "2026-12-08", "14:00", "Time zone: \"30\" is outside -23:59 to +23:59 hours."},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(ZoneTip(k.zone, k.date, k.time), k.tip) << k.zone;
  }
  EXPECT_EQ(UtcOffsetText(-61 / 3600.0), "UTC-00:01:01");
  EXPECT_EQ(UtcOffsetText(-1e-9), "UTC+00:00");
}

TEST(TitleBlock, TheSiteTheZoneTheDayOrYearThePanelsAndTheSky) {
  Calculated c{Calculated::Kind::kCalculation, -33.9, -6.25, text::StrictTimeZone("Europe/Zurich"),
               DateSerial(2025, 3, 30) + 0.75, {{{151, 45}, {0, 0}, {0, 20}, {0, 0}, {331.5, 70}}}};
  EXPECT_EQ(TitleBlock(c, View::kDay, "clear sky"),
            "Halvessa: 33.9° S, 6.25° W, time zone Europe/Zurich, 2025-03-30\n"
            "Panels (azimuth/tilt): 1: 151/45, 3: 0/20, 5: 331.5/70; clear sky");
  c.latitude = 46.205556;
  c.longitude = 6.154444;
  c.zone = text::SiteZone::Fixed(-3.5);
  c.panels = {};
  EXPECT_EQ(TitleBlock(c, View::kYear, "clear sky"),
            "Halvessa: 46.205556° N, 6.154444° E, time zone UTC-03:30, year 2025\n"
            "Panels (azimuth/tilt): none; clear sky");
  EXPECT_EQ(TitleBlock(c, View::kYear, "typical year, EPW 45.000 8.000, horizon hills.csv", true),
            "Halvessa: 46.205556° N, 6.154444° E, time zone UTC-03:30, the weather's year\n"
            "Panels (azimuth/tilt): none; typical year, EPW 45.000 8.000, horizon hills.csv");
}

}  // namespace
}  // namespace halvessa::window::testing
