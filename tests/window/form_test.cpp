// The form's start-up, live clock and calculation, and the day and year views' model that
// listens to it. The expected sun and panel texts are worked out by expected_steps.py.
#include <tuple>

#include "cli/cli.h"
#include "files/horizon.h"
#include "geometry/calendar.h"
#include "tests/window/form_fixture.h"
#include "text/convert.h"
#include "window/views.h"

namespace halvessa::window::testing {
namespace {

using StartUp = FormTest;

TEST_F(StartUp, TheInstantViewAtOnceTheFirstTickAMinuteLater) {
  // At second 0 the first interval is a full minute. 14:00:00 is the worked example; the
  // instant view shows the sun and the angles, no production, sunrise or sunset.
  form->frmHalvessa_Form_Load();
  EXPECT_EQ(platform.starts, (std::vector<int>{60000, 60000}));
  EXPECT_EQ(Results(model).section('|', 2, 15), "189.0|63.3|||28.1||16.2||44.1||50.3||91.6|");

  // At 10:15:42.700 the first tick comes 60 s after start-up, not at 10:16:00.
  platform.starts.clear();
  platform.setLocalTime(2025, 7, 24, 10, 15, 42, 700);
  form->frmHalvessa_Form_Load();
  EXPECT_EQ(platform.starts, (std::vector<int>{18000, 60000}));
  platform.advance(59999);
  EXPECT_EQ(model.txtDate.Text() + ' ' + model.txtTime.Text() + model.txtSunset.Text(),
            "2025-07-24 10:15");
  platform.advance(1);
  EXPECT_TRUE(model.txtTime.Text() == "10:16" && !model.txtSunset.Text().isEmpty());
}

TEST_F(StartUp, TheSettingsFileFillsTheBoxesAndItsNoticeComesAfterAnError) {
  // The bytes; the site ("*" after a marked box), each panel as azimuth/tilt and 1 when
  // computed, the message line.
  const std::pair<QByteArray, const char*> cases[] = {
      // Panels read leniently. A blank line and a line with two "/" leave panels empty.
      {"46.2\r\n8.25\r\n 151 / 45 \r\n\r\n/45\r\n10/20/30\r\n331/70\r\n90/90\r\n",
       "46.2 8.25| 151 / 45  1|/ 0|/45 1|/ 0|331/70 1|"
       "Kelvarine.ini: line 6 is not azimuth/tilt and was skipped."},
      // A site value that cannot be read computes nothing and is named, both when both fail.
      {"nan\r\ninf\r\n151/45\r\nx/y/z\r\n",
       "nan* inf*|151/45 0|/ 0|/ 0|/ 0|/ 0|Latitude: \"nan\" is not a number. Longitude: "
       "\"inf\" is not a number. Kelvarine.ini: line 4 is not azimuth/tilt and was skipped."},
      {"\x01\xFE\x7F\r\n6\r\n151/45", "\x01\u00FE\x7F* 6|151/45 0|/ 0|/ 0|/ 0|/ 0|"
       "Latitude: \"\uFFFD\u00FE\uFFFD\" is not a number."},
      {"1e999\r\n6\r\n151/45\r\nx/y/z\r\n",
       "1e999* 6|151/45 0|/ 0|/ 0|/ 0|/ 0|Latitude: \"1e999\" is too large a number. "
       "Kelvarine.ini: line 4 is not azimuth/tilt and was skipped."},
      {"46\r\n181\r\n151/45", "46 181*|151/45 0|/ 0|/ 0|/ 0|/ 0|Longitude: \"181\" is outside -180 "
       "to 180."}};
  for (const auto& [bytes, shown] : cases) {
    WriteFile("Kelvarine.ini", bytes);
    model.message.setText("");
    form->frmHalvessa_Form_Load();
    const auto mark = [](const TextBox& box) { return box.marked() ? "*" : ""; };
    QString all = model.txtLat.Text() + mark(model.txtLat) + ' ' + model.txtLon.Text() +
                  mark(model.txtLon) + '|';
    for (int i = 1; i <= 5; ++i) {
      all += model.txtAz(i).Text() + '/' + model.txtTilt(i).Text() +
             (model.txtAOI(i).Text().isEmpty() ? " 0|" : " 1|");
      model.txtAOI(i).setText("");
    }
    EXPECT_EQ(all + model.message.Text(), QString::fromUtf8(shown));
    EXPECT_TRUE(model.Timer1.ticking());  // the live clock starts whatever happened
    model.txtLat.setMarked(false);
    model.txtLon.setMarked(false);
  }
}

using LiveClock = FormTest;

TEST_F(LiveClock, NowOffStopsTheClockNowOnTicksAtTheNextMinuteAndClosingStopsIt) {
  form->frmHalvessa_Form_Load();
  model.chkNow.setValue(0);  // a program write runs the Click before it returns
  EXPECT_FALSE(model.Timer1.Enabled() || platform.msUntilNextTick());
  QString before = Results(model);
  form->frmHalvessa_Timer1_Timer();  // a tick already queued does nothing with Now off
  EXPECT_TRUE(Results(model) == before && model.btnRefresh.Caption() == "Calculate");
  platform.setLocalTime(2025, 7, 24, 10, 20, 59);
  before = Results(model);
  model.chkNow.userClicked();  // nothing is computed before the tick
  EXPECT_TRUE(Results(model) == before && model.btnRefresh.Caption() == "Refresh");
  EXPECT_EQ(platform.msUntilNextTick(), 1000);
  platform.advance(1000);
  EXPECT_TRUE(model.txtTime.Text() == "10:21" && !model.txtSunset.Text().isEmpty());
  form->windowClosed();
  before = Results(model);
  platform.advance(24LL * 3600 * 1000);
  form->frmHalvessa_Timer1_Timer();  // a tick already queued
  EXPECT_TRUE(Results(model) == before && !platform.msUntilNextTick());
  form.reset();  // the controls outlive the form and must call nothing of it afterwards
  EXPECT_FALSE(model.btnRefresh.onClick || model.chkNow.onClick || model.Timer1.onTimer ||
               model.Solarchk.onClick || model.btnSimulate.onClick || model.btnPause.onClick ||
               model.btnRunning.onClick || model.txtProd(1).onChange || model.txtProd(5).onChange);
}

TEST_F(LiveClock, EachTickReadsItsIntervalAndABadOneKeepsThePrevious) {
  // The text; the interval it leaves and the message. 0 ms: enabled but silent.
  const struct { const char* text; int ms; const char* message; } cases[] = {
      {"65.535", 65535, ""}, {"0", 0, ""}, {"-4e-4", 0, ""},
      {"abc", 60000, "Refresh interval (Update every (s)): \"abc\" is not a number."},
      {"-1", 60000, "Refresh interval (Update every (s)): \"-1\" is outside 0 to 65.535 seconds."},
      {"70", 60000, "Refresh interval (Update every (s)): \"70\" is outside 0 to 65.535 seconds."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    platform.setLocalTime(2025, 7, 24, 10, 15, 42);
    form->frmHalvessa_Form_Load();
    const QString before = Results(model);
    model.refresshInt.setText(c.text);
    platform.advance(60000);  // the tick at 10:16:42
    // A bad text is told, and nothing else of the tick runs: live mode goes on at the
    // previous interval.
    const bool bad = *c.message != '\0';
    EXPECT_EQ(model.message.Text(), c.message);
    EXPECT_TRUE(model.refresshInt.marked() == bad && (Results(model) == before) == bad &&
                model.Timer1.Enabled() && model.chkNow.Value() == 1);
    EXPECT_EQ(platform.msUntilNextTick(), c.ms ? std::optional<std::int64_t>(c.ms) : std::nullopt);
  }
  // After the last, bad, text the next tick takes a good one, and the message and mark go.
  model.refresshInt.setText("20");
  platform.advance(60000);  // 10:17:42
  EXPECT_EQ(model.message.Text() + model.txtTime.Text(), "10:17");
  EXPECT_TRUE(!model.refresshInt.marked() && platform.msUntilNextTick() == 20000);
}

using Refresh = FormTest;

TEST_F(Refresh, GenevaTypedIn) {
  platform.setLocalTime(2031, 1, 1, 3, 0, 0);  // the clock plays no part
  calculate("2025-07-24", "14:00");
  EXPECT_EQ(Results(model).section('|', 0, 15), "2025-07-24|14:00|189.0|63.3|06:08:13|21:14:53|"
                                                "28.1|83%|16.2|94%|44.1|61%|50.3|51%|91.6|0%");
  EXPECT_NEAR(model.PanelAOI(1), 28.099, 1e-3);  // unrounded
  EXPECT_NEAR(model.PanelProd(1), 82.852, 1e-3);
  model.txtProd(3).setText("0.4");  // coloured before setText returns: black on green unless 0
  EXPECT_TRUE(model.txtProd(3).BackColor() == kGreen && model.txtProd(3).ForeColor() == kBlack);

  // A panel is in use unless both its values are 0; one not in use keeps its results. A box
  // not wholly a number says what was used, and the calculation goes on.
  model.txtTilt(1).setText("45,9");
  model.txtAz(2).setText("");
  model.txtTilt(2).setText("");
  model.txtTilt(3).setText("0");  // flat: sees the sun at 90 minus its elevation
  model.txtAz(4).setText("none");
  model.txtTilt(4).setText("0,0");
  model.txtAz(5).setText(" 331% ");
  model.btnRefresh.userClicked();
  EXPECT_EQ(model.message.Text(), "Tilt1: \"45,9\" is read as 45. Az4: \"none\" holds no number; 0 "
                                  "is used. Tilt4: \"0,0\" is read as 0.");
  EXPECT_EQ(Results(model).section('|', 6, 15), "28.1|83%|16.2|94%|26.7|84%|50.3|51%|91.6|0%");
  EXPECT_FALSE(model.txtTilt(1).marked());

  // With the sun at or below the horizon no panel produces, though its angle may be small.
  calculate("2025-07-24", "22:30");
  EXPECT_EQ(model.txtSunElevation.Text() + ' ' + model.txtAOI(5).Text(), "-11.1 34.9");
  for (int i : {1, 3, 5}) {
    const TextBox& box = model.txtProd(i);
    EXPECT_TRUE(box.Text() == "0%" && model.PanelProd(i) == 0 && box.BackColor() == kRed &&
                box.ForeColor() == kWhite)
        << i;
  }
}

TEST_F(Refresh, BadInputChangesNothingAndIsReported) {
  platform.setLocalTime(2025, 7, 24, 18, 30, 37, 900);  // a live refresh would rewrite the time
  // typed: a moment typed in, computed with Now unchecked.
  const struct { TextBox FormModel::*box; const char* text; bool typed; const char* message; }
      cases[] = {
          {&FormModel::txtLat, "abc", false, "Latitude: \"abc\" is not a number."},
          {&FormModel::txtLon, "1e306", false, "Longitude: \"1e306\" is outside -180 to 180."},
          {&FormModel::txtTz, "-24", false, "Time zone: \"-24\" is outside -23:59 to +23:59"},
          {&FormModel::txtTime, "25:00", true, "Time: \"25:00\" is not a date or time."},
          {&FormModel::txtDate, "2025-13-01", true, "Date: \"2025-13-01\""},
          {&FormModel::txtDate, " ", true, "Date: \" \""},  // not the time alone, in 1899
          {&FormModel::txtDate, "15:00", true, "Date and time: \"15:00 14:00\""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TextBox& box = model.*c.box;
    model.chkNow.setValue(c.typed ? 0 : 1);
    const QString good = box.Text();
    box.setText(c.text);
    const QString before = Results(model);
    model.btnRefresh.userClicked();
    EXPECT_TRUE(Results(model) == before && box.marked());
    EXPECT_TRUE(model.message.Text().startsWith(c.message)) << model.message.Text().toStdString();
    box.setText(good);
  }
  // The moment is in the calendar, its universal time is not: the zone is blamed. The sunrise
  // of the first day of the calendar falls before it: the date is blamed.
  model.chkNow.setValue(0);
  for (const auto& [date, time, zone, box, message] :
       {std::tuple{"9999-12-31", "23:30", "-2", &model.txtTz,
                   "Time zone: the moment falls outside the years 100 to 9999 in universal time."},
        std::tuple{"0100-01-01", "12:00", "-12", &model.txtDate,
                   "Date: the sunrise or sunset of this day falls outside the years 100 to "
                   "9999."}}) {
    model.txtDate.setText(date);
    model.txtTime.setText(time);
    model.txtTz.setText(zone);
    const QString before = Results(model);
    model.btnRefresh.userClicked();
    EXPECT_EQ(model.message.Text(), message);
    EXPECT_TRUE(box->marked() && Results(model) == before);
  }
  // A good calculation clears the message and the mark, and takes the clock to the second.
  model.txtDate.setText("2025-07-24");
  model.txtTz.setText("2");
  model.chkNow.setValue(1);
  model.btnRefresh.userClicked();
  EXPECT_TRUE(model.message.Text().isEmpty() && !model.txtDate.marked());
  EXPECT_EQ(model.txtTime.Text(), "18:30");
  EXPECT_NEAR(model.PanelAOI(1), 90.76601031515493, 1e-9);  // 90.681 at 18:30:00
}

// The present moment is the clock's universal instant (12:00) expressed in the time zone of
// the box, whatever zone the computer is in. Numbers read and show in the locale's form, and
// the "." defaults still convert.
TEST_F(Refresh, NowAtTheZoneOfTheBoxInACommaLocale) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  model.txtLat.setText("46,205556");
  model.txtTz.setText("Asia/Tokyo");
  model.btnRefresh.userClicked();
  EXPECT_EQ(model.message.Text() + model.txtDate.Text() + ' ' + model.txtTime.Text() + ' ' +
                model.txtSunAzimuth.Text() + ' ' + model.txtAOI(1).Text(),
            "2025-07-24 21:00 189,0 28,1");
}

// The views' model on the fake platform: which day and year follow the procedures, what the
// day's chart and table hold, and that listening changes nothing the procedures do.
using ViewsTest = FormTest;

TEST_F(ViewsTest, TheDayFollowsCalculationsAndTicks) {
  const auto views = std::make_unique<ViewsModel>(model);
  views->day.setOpen(true);
  form->frmHalvessa_Form_Load();  // the instant view: today by the clock
  EXPECT_EQ(views->day.chart()->day, DateSerial(2025, 7, 24));
  const int drawn = views->day.computations();
  calculate("2025-07-24", "15:30");  // the same day: only the marker moves
  EXPECT_NEAR(views->day.chart()->marker, 15.5, 1e-9);
  model.txtAz(2).setText("200");  // an edit alone draws nothing, the next calculation takes it
  calculate("2025-07-24", "15:30");
  EXPECT_EQ(views->day.computations(), drawn + 1);
  EXPECT_EQ(views->day.chart()->panels[1].Azimuth, 200);

  model.chkNow.setValue(1);  // a live tick: the clock's day
  platform.setLocalTime(2025, 8, 2, 10, 0, 0);
  platform.advance(60000);
  EXPECT_EQ(views->day.chart()->day, DateSerial(2025, 8, 2));
}

// Opened after start-up, the views take the moment of the boxes, but not a site the instant
// view could not read either.
TEST_F(ViewsTest, OpenedLaterTheViewsTakeTheBoxesButNoSiteThatCannotBeRead) {
  form->frmHalvessa_Form_Load();
  std::unique_ptr<ViewsModel> views;
  for (const char* latitude : {"nan", "46,2", "46.2"}) {
    model.txtLat.setText(latitude);
    views = std::make_unique<ViewsModel>(model);
    views->seedFromBoxes();
    EXPECT_EQ(views->day.last().has_value(), latitude == std::string("46.2")) << latitude;
  }
  EXPECT_EQ(views->day.last()->latitude, 46.2);
}

// Hourly steps from 19:00 that roll over at the sunset, alone and with the day view open; the
// window closes at the sixth step's delay.
TEST_F(ViewsTest, ListeningChangesNoBoxNoLogAndNoStepAndTheDayFollowsTheRun) {
  const auto run = [this] {
    form->frmHalvessa_Form_Load();
    model.Solarchk.setValue(1);
    calculate("2025-06-01", "19:00");
    model.jump.setText("60");
    platform.waits.clear();
    platform.beforeWait = [this](int) {
      if (platform.waits.size() == 6) form->windowClosed();
    };
    model.btnSimulate.userClicked();
    QString all = Results(model) + model.message.Text() + ReadFile("solar.log");
    for (int ms : platform.waits) all += ' ' + QString::number(ms);
    return all;
  };
  const QString alone = run();
  QFile::remove("solar.log");
  TearDown();
  SetUp();
  const auto views = std::make_unique<ViewsModel>(model);
  views->day.setOpen(true);
  EXPECT_EQ(run().toStdString(), alone.toStdString());
  EXPECT_EQ(views->day.chart()->day, DateSerial(2025, 6, 2));
}

// Independent figures: the sun at the equator near the equinox rises about 6:00 and sets about
// 18:10 (equation of time -7 min); above the polar circle it stays up or down all day; a
// daylight saving day of Zurich has 23 or 25 hours.
TEST(DayChart, NightsAndDaysAroundTheWorld) {
  // nights: 1 when the sun never rises, 0 when it never sets; sunrise and sunset in hours
  // since midnight, NaN when none.
  const struct { double latitude, longitude; int month, day; const char* zone; double hours;
                 std::size_t nights; double sunrise, sunset; } cases[] = {
      {0, 0, 3, 20, "0", 24, 2, 6.1, 18.1},
      {80, 0, 12, 21, "0", 24, 1, NAN, NAN},
      {80, 0, 6, 21, "0", 24, 0, NAN, NAN},
      {-80, 0, 6, 21, "0", 24, 1, NAN, NAN},
      {46.2, 6.15, 3, 30, "Europe/Zurich", 23, 2, 6.2, 18.8},
      {46.2, 6.15, 10, 26, "Europe/Zurich", 25, 2, 8.2, 18.4},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.month);
    const Calculated c{Calculated::Kind::kCalculation, k.latitude, k.longitude,
                       text::StrictTimeZone(QString::fromLatin1(k.zone)),
                       DateSerial(2025, k.month, k.day) + 0.5, {{{180, 30}}}};
    const DayChart chart = ComputeDay(c, 300);
    EXPECT_EQ(chart.hours, k.hours);
    EXPECT_EQ(chart.x.size(), static_cast<std::size_t>(k.hours * 12));
    EXPECT_EQ(chart.night.size(), k.nights);
    EXPECT_EQ(chart.sunrise.has_value() && chart.sunset.has_value(), !std::isnan(k.sunrise));
    if (chart.sunrise && chart.sunset) {
      EXPECT_NEAR(*chart.sunrise, k.sunrise, 0.25);
      EXPECT_NEAR(*chart.sunset, k.sunset, 0.25);
      EXPECT_EQ(chart.night.front().first, 0);
      EXPECT_EQ(chart.night.back().second, k.hours);
    }
  }
}

TEST(YearModel, RequestsFollowTheSiteAndStaleResultsAreDropped) {
  YearModel year;
  Calculated c{Calculated::Kind::kCalculation, 46, 0, text::SiteZone::Fixed(0),
               DateSerial(2025, 7, 24), {{{180, 30}}}};
  EXPECT_FALSE(year.take(c));  // closed
  const std::optional<YearRequest> first = year.setOpen(true);
  ASSERT_TRUE(first.has_value() && first->year == 2025);
  c.moment = DateSerial(2025, 12, 31);
  EXPECT_FALSE(year.take(c));  // the same year and site
  c.latitude = 47;
  const std::optional<YearRequest> second = year.take(c);
  ASSERT_TRUE(second);
  YearResult older;
  older.generation = first->generation;
  EXPECT_FALSE(year.accept(older));  // an older request's
  int polls = 0;
  EXPECT_THROW(YearModel::Compute(*second, [&polls] { return ++polls > 1; }), YearCancelled);
  YearResult now = YearModel::Compute(*second);
  EXPECT_NEAR(now.best.best.Azimuth, 180, 10);  // south at mid-northern latitudes
  EXPECT_NEAR(now.best.best.Tilt, 40, 10);
  EXPECT_TRUE(year.accept(now));
  now.best.irradiation = 1600;  // a share from figures worked by hand
  now.best.panelIrradiation[2] = 1136;
  EXPECT_EQ(YearModel::ShareText(now, 3),
            "Panel 3 gets 71% of the best orientation's clear-sky light");
}

// The day's file holds the calculator's series, byte for byte; the day's table, the day's sums
// of the panels in use.
TEST_F(ViewsTest, TheDaysCsvIsTheCalculatorsSeriesAndTheTableTheDaysSums) {
  const Calculated c{Calculated::Kind::kCalculation, 46.205556, 6.154444,
                     text::SiteZone::Fixed(2), DateSerial(2025, 7, 24) + 0.6,
                     {{{151, 45}, {151, 20}, {0, 0}, {151, 70}, {331, 70}}}};
  ASSERT_EQ(ExportDayCsv(c, 300, "day.csv"), "");
  const cli::Outcome cli = cli::Run(
      {"series", "--from", "2025-07-24 00:00", "--to", "2025-07-25 00:00", "--step", "5m",
       "--clearsky", "--tz", "2", "--panel", "151/45", "--panel", "151/20", "--panel", "0/0",
       "--panel", "151/70", "--panel", "331/70"},
      [] { return 0.0; });
  ASSERT_EQ(cli.status, cli::kExitOk) << cli.err;
  EXPECT_EQ(ReadFile("day.csv").toStdString(), cli.out);
  // Under a horizon, as the calculator's series under it.
  const QString hills = QStringLiteral(HALVESSA_TEST_DATA "/horizon-45.000-8.000.csv");
  SkySources sky;
  sky.horizon = *files::ReadHorizon(hills).horizon;
  ASSERT_EQ(ExportDayCsv(c, 300, "shaded.csv", &sky), "");
  const cli::Outcome shaded = cli::Run(
      {"series", "--from", "2025-07-24 00:00", "--to", "2025-07-25 00:00", "--step", "5m",
       "--clearsky", "--tz", "2", "--panel", "151/45", "--panel", "151/20", "--panel", "0/0",
       "--panel", "151/70", "--panel", "331/70", "--horizon", hills},
      [] { return 0.0; });
  EXPECT_EQ(ReadFile("shaded.csv").toStdString(), shaded.out);
  EXPECT_NE(shaded.out, cli.out);

  const DayChart chart = ComputeDay(c, 300);
  const auto day = summary::SummarizeDay(SiteOf(c), site::ZoneRule::Fixed(2), c.moment, 300);
  for (const DayRow& row : chart.rows) {
    EXPECT_EQ(row.irradiation, day.totals.panels[row.panel - 1].irradiation) << row.panel;
  }
  EXPECT_EQ(chart.ticks.back().second, "24:00");
}

}  // namespace
}  // namespace halvessa::window::testing
