// The views' model on the fake platform: which day and year follow the procedures, what the
// day's chart and table hold, and that listening changes nothing the procedures do.
#include "cli/cli.h"
#include "geometry/calendar.h"
#include "tests/window/form_fixture.h"
#include "text/convert.h"
#include "window/views.h"

namespace halvessa::window {
namespace {

using testing::ReadFile;

class ViewsTest : public testing::FormTest {
 protected:
  void TearDown() override {
    views.reset();
    FormTest::TearDown();
  }
  void listen(bool open) {
    views = std::make_unique<ViewsModel>(model);
    views->onDayChange = [this](DayModel::Change c) { changes.push_back(c); };
    views->day.setOpen(open);
    views->year.setOpen(open);
  }
  // A run of the given steps from the boxes; the window closes at the last step's delay.
  void simulate(int steps) {
    int waited = 0;
    platform.beforeWait = [this, steps, &waited](int) {
      if (++waited >= steps) form->windowClosed();
    };
    model.btnSimulate.userClicked();
    platform.beforeWait = nullptr;
  }
  double dayShown() const { return views->day.chart()->day; }

  std::unique_ptr<ViewsModel> views;
  std::vector<DayModel::Change> changes;
};

TEST_F(ViewsTest, TheDayFollowsCalculationsTicksStepsAndRollovers) {
  listen(false);  // closed, the views keep the moment and compute nothing until opened
  form->frmHalvessa_Form_Load();
  EXPECT_EQ(views->day.chart(), nullptr);
  EXPECT_FALSE(views->year.busy());
  EXPECT_EQ(views->day.setOpen(true), DayModel::Change::kRedraw);
  EXPECT_TRUE(views->year.setOpen(true));
  EXPECT_EQ(dayShown(), DateSerial(2025, 7, 24));  // the instant view: today by the clock

  calculate("2025-03-10", "09:30");
  EXPECT_EQ(dayShown(), DateSerial(2025, 3, 10));
  calculate("2025-03-10", "15:00");  // the same day: only the marker moves
  EXPECT_EQ(changes.back(), DayModel::Change::kMarker);
  EXPECT_NEAR(views->day.chart()->marker, 15.0, 1e-9);
  model.txtAz(2).setText("200");  // an edit alone draws nothing, the next calculation takes it
  const int drawn = views->day.computations();
  calculate("2025-03-10", "15:00");
  EXPECT_EQ(views->day.computations(), drawn + 1);
  EXPECT_EQ(views->day.chart()->panels[1].Azimuth, 200);

  model.chkNow.setValue(1);  // a live tick: the clock's day
  platform.setLocalTime(2025, 8, 2, 10, 0, 0);
  platform.advance(60000);
  EXPECT_EQ(dayShown(), DateSerial(2025, 8, 2));

  // Steps of 3 h from 12:00: the day rolls over at its sunset and the next day is drawn.
  calculate("2025-06-01", "12:00");
  model.jump.setText("180");
  simulate(5);
  EXPECT_EQ(dayShown(), DateSerial(2025, 6, 2));
  EXPECT_EQ(model.txtDate.Text(), "2025-06-02");
}

TEST_F(ViewsTest, ListeningChangesNoBoxNoLogAndNoStep) {
  const auto run = [this] {
    platform.waits.clear();
    form->frmHalvessa_Form_Load();
    model.Solarchk.setValue(1);
    calculate("2025-06-01", "19:00");
    model.jump.setText("60");
    simulate(6);
    QStringList waits;
    for (int ms : platform.waits) waits << QString::number(ms);
    return testing::Results(model) + model.message.Text() + waits.join(',') + ReadFile("solar.log");
  };
  const QString alone = run();
  QFile::remove("solar.log");
  TearDown();
  SetUp();
  listen(true);
  EXPECT_EQ(run().toStdString(), alone.toStdString());
  EXPECT_GE(views->day.computations(), 2);  // it did draw, the run's day and the next
}

// Independent figures: the sun at the equator near the equinox rises about 6:00 and sets about
// 18:10 (equation of time -7 min); above the polar circle it stays up or down all day; a
// daylight saving day of Zurich has 23 or 25 hours.
TEST(DayChart, NightsAndDaysAroundTheWorld) {
  struct Case {
    double latitude, longitude;
    int month, day;
    const char* zone;
    double hours;
    bool neverRises, neverSets;
    std::size_t nights;
    double sunrise, sunset;  // hours since midnight, NaN when none
  } cases[] = {
      {0, 0, 3, 20, "0", 24, false, false, 2, 6.1, 18.1},
      {80, 0, 12, 21, "0", 24, true, false, 1, NAN, NAN},
      {80, 0, 6, 21, "0", 24, false, true, 0, NAN, NAN},
      {-80, 0, 6, 21, "0", 24, true, false, 1, NAN, NAN},
      {46.2, 6.15, 3, 30, "Europe/Zurich", 23, false, false, 2, 6.2, 18.8},
      {46.2, 6.15, 10, 26, "Europe/Zurich", 25, false, false, 2, 8.2, 18.4},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.month);
    const Calculated c{Calculated::Kind::kCalculation, k.latitude, k.longitude,
                       text::StrictTimeZone(QString::fromLatin1(k.zone)),
                       DateSerial(2025, k.month, k.day) + 0.5, {{{180, 30}}}};
    const DayChart chart = ComputeDay(c, 300);
    EXPECT_EQ(chart.hours, k.hours);
    EXPECT_EQ(chart.x.size(), static_cast<std::size_t>(k.hours * 12));
    EXPECT_EQ(chart.sunNeverRises, k.neverRises);
    EXPECT_EQ(chart.sunNeverSets, k.neverSets);
    EXPECT_EQ(chart.night.size(), k.nights);
    EXPECT_EQ(chart.sunrise.has_value() && chart.sunset.has_value(), !std::isnan(k.sunrise));
    if (chart.sunrise && chart.sunset) {
      EXPECT_NEAR(*chart.sunrise, k.sunrise, 0.25);
      EXPECT_NEAR(*chart.sunset, k.sunset, 0.25);
      EXPECT_EQ(chart.night.front().first, 0);
      EXPECT_EQ(chart.night.back().second, k.hours);
    }
    if (k.neverRises) {
      EXPECT_EQ(chart.rows.at(0).peakTime, "");
    }
  }
}

TEST(YearModel, RequestsFollowTheSiteAndStaleResultsAreDropped) {
  YearModel year;
  Calculated c;
  c.latitude = 46;
  c.moment = DateSerial(2025, 7, 24);
  c.panels[0] = {180, 30};
  EXPECT_FALSE(year.take(c));  // closed
  const std::optional<YearRequest> first = year.setOpen(true);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->year, 2025);
  c.moment = DateSerial(2025, 12, 31);
  EXPECT_FALSE(year.take(c));  // the same year and site
  c.latitude = 47;
  const std::optional<YearRequest> second = year.take(c);
  ASSERT_TRUE(second);
  EXPECT_TRUE(year.busy());
  YearResult old;
  old.generation = first->generation;
  EXPECT_FALSE(year.accept(old));
  int polls = 0;
  EXPECT_THROW(YearModel::Compute(*second, [&polls] { return ++polls > 1; }), YearCancelled);
  const YearResult now = YearModel::Compute(*second);
  EXPECT_NEAR(now.best.best.Azimuth, 180, 10);  // south at mid-northern latitudes
  EXPECT_NEAR(now.best.best.Tilt, 40, 10);
  EXPECT_TRUE(year.accept(now));
  EXPECT_FALSE(year.busy());

  YearResult shares;
  shares.best.irradiation = 1600;
  shares.best.panelIrradiation[2] = 1136;
  EXPECT_EQ(YearModel::ShareText(shares, 3),
            "Panel 3 gets 71% of the best orientation's clear-sky light");
}

// The day's file holds the calculator's series, byte for byte; the day's table, the day's sums
// of the panels in use.
TEST(DayExport, TheCsvIsTheCalculatorsSeriesAndTheTableTheDaysSums) {
  Calculated c;
  c.latitude = 46.205556;
  c.longitude = 6.154444;
  c.zone = text::SiteZone::Fixed(2);
  c.moment = DateSerial(2025, 7, 24) + 0.6;
  c.panels = {{{151, 45}, {151, 20}, {0, 0}, {151, 70}, {331, 70}}};
  const QTemporaryDir dir;
  ASSERT_EQ(ExportDayCsv(c, 300, dir.filePath("day.csv")), "");
  const QByteArray written = ReadFile(dir.filePath("day.csv"));
  EXPECT_EQ(written.count("\r\n"), 1 + 24 * 60 / 5);
  const cli::Outcome cli = cli::Run(
      {"series", "--from", "2025-07-24 00:00", "--to", "2025-07-25 00:00", "--step", "5m",
       "--clearsky", "--tz", "2", "--panel", "151/45", "--panel", "151/20", "--panel", "0/0",
       "--panel", "151/70", "--panel", "331/70"},
      [] { return 0.0; });
  ASSERT_EQ(cli.status, cli::kExitOk) << cli.err;
  EXPECT_EQ(written.toStdString(), cli.out);

  const DayChart chart = ComputeDay(c, 300);
  const summary::DaySummary day =
      summary::SummarizeDay(SiteOf(c), series::ZoneRule::Fixed(2), c.moment, 300);
  ASSERT_EQ(chart.rows.size(), 4u);
  for (const DayRow& row : chart.rows) {
    const summary::PanelTotals& t = day.totals.panels[row.panel - 1];
    EXPECT_EQ(row.productionHours + row.irradiation + row.peakProduction,
              t.productionHours + t.irradiation + t.peakProduction);
  }
  EXPECT_EQ(chart.ticks.back().second, "24:00");
}

}  // namespace
}  // namespace halvessa::window
