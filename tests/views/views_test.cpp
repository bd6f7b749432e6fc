// The views' model on the fake platform: which day and year follow the procedures, what the
// day's chart and table hold, and that listening changes nothing the procedures do.
#include "cli/cli.h"
#include "geometry/calendar.h"
#include "tests/window/form_fixture.h"
#include "text/convert.h"
#include "window/views.h"

namespace halvessa::window {
namespace {

class ViewsTest : public testing::FormTest {
 protected:
  std::unique_ptr<ViewsModel> views;
};

TEST_F(ViewsTest, TheDayFollowsCalculationsAndTicks) {
  views = std::make_unique<ViewsModel>(model);
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
    QString all = testing::Results(model) + model.message.Text() + testing::ReadFile("solar.log");
    for (int ms : platform.waits) all += ' ' + QString::number(ms);
    return all;
  };
  const QString alone = run();
  QFile::remove("solar.log");
  TearDown();
  SetUp();
  views = std::make_unique<ViewsModel>(model);
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
  ASSERT_TRUE(first);
  EXPECT_EQ(first->year, 2025);
  c.moment = DateSerial(2025, 12, 31);
  EXPECT_FALSE(year.take(c));  // the same year and site
  c.latitude = 47;
  const std::optional<YearRequest> second = year.take(c);
  ASSERT_TRUE(second);
  EXPECT_FALSE(year.accept({first->generation, 2025, {}, {}, {}, {}}));  // an older request's
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
TEST(DayExport, TheCsvIsTheCalculatorsSeriesAndTheTableTheDaysSums) {
  const Calculated c{Calculated::Kind::kCalculation, 46.205556, 6.154444,
                     text::SiteZone::Fixed(2), DateSerial(2025, 7, 24) + 0.6,
                     {{{151, 45}, {151, 20}, {0, 0}, {151, 70}, {331, 70}}}};
  const QTemporaryDir dir;
  ASSERT_EQ(ExportDayCsv(c, 300, dir.filePath("day.csv")), "");
  const QByteArray written = testing::ReadFile(dir.filePath("day.csv"));
  const cli::Outcome cli = cli::Run(
      {"series", "--from", "2025-07-24 00:00", "--to", "2025-07-25 00:00", "--step", "5m",
       "--clearsky", "--tz", "2", "--panel", "151/45", "--panel", "151/20", "--panel", "0/0",
       "--panel", "151/70", "--panel", "331/70"},
      [] { return 0.0; });
  ASSERT_EQ(cli.status, cli::kExitOk) << cli.err;
  EXPECT_EQ(written.toStdString(), cli.out);

  const DayChart chart = ComputeDay(c, 300);
  const auto day = summary::SummarizeDay(SiteOf(c), site::ZoneRule::Fixed(2), c.moment, 300);
  for (const DayRow& row : chart.rows) {
    EXPECT_EQ(row.irradiation, day.totals.panels[row.panel - 1].irradiation) << row.panel;
  }
  EXPECT_EQ(chart.ticks.back().second, "24:00");
}

}  // namespace
}  // namespace halvessa::window
