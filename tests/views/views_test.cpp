// The views' model on the fake platform: which day and year follow the procedures, what the
// day's chart and table hold, and that listening changes nothing the procedures do.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

#include "cli/cli.h"
#include "geometry/calendar.h"
#include "tests/window/fake_platform.h"
#include "text/convert.h"
#include "window/form.h"
#include "window/views.h"

namespace halvessa::window {
namespace {

using testing::FakePlatform;

QString Boxes(const FormModel& m) {
  QStringList all{m.txtDate.Text(), m.txtTime.Text(), m.txtSunAzimuth.Text(),
                  m.txtSunElevation.Text(), m.txtSunrise.Text(), m.txtSunset.Text(),
                  m.message.Text()};
  for (int i = 1; i <= 5; ++i) all << m.txtAOI(i).Text() << m.txtProd(i).Text();
  return all.join('|');
}

QByteArray ReadAll(const QString& name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ViewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_TRUE(dir_.isValid() && QDir::setCurrent(dir_.path()));
    platform.setLocalTime(2025, 7, 24, 14, 0, 0);
    form = std::make_unique<Form>(model, platform);
  }
  void TearDown() override {
    views.reset();
    form.reset();
    QDir::setCurrent(previous_);
  }
  void listen(bool open) {
    views = std::make_unique<ViewsModel>(model);
    views->onDayChange = [this](DayModel::Change c) { changes.push_back(c); };
    views->onYearRequest = [this](const YearRequest& r) { requests.push_back(r); };
    views->day.setOpen(open);
    views->year.setOpen(open);
  }
  void calculate(const QString& date, const QString& time) {
    model.chkNow.setValue(0);
    model.txtDate.setText(date);
    model.txtTime.setText(time);
    model.btnRefresh.userClicked();
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

  FakePlatform platform;
  FormModel model;
  std::unique_ptr<Form> form;
  std::unique_ptr<ViewsModel> views;
  std::vector<DayModel::Change> changes;
  std::vector<YearRequest> requests;

 private:
  QTemporaryDir dir_;
  QString previous_ = QDir::currentPath();
};

TEST_F(ViewsTest, TheDayFollowsCalculationsTicksStepsAndRollovers) {
  listen(true);
  form->frmHalvessa_Form_Load();  // the instant view: today by the clock
  EXPECT_EQ(dayShown(), DateSerial(2025, 7, 24));

  calculate("2025-03-10", "09:30");
  EXPECT_EQ(dayShown(), DateSerial(2025, 3, 10));
  EXPECT_NEAR(views->day.chart()->marker, 9.5, 1e-9);
  calculate("2025-03-10", "15:00");  // the same day: only the marker moves
  EXPECT_EQ(changes.back(), DayModel::Change::kMarker);
  EXPECT_NEAR(views->day.chart()->marker, 15.0, 1e-9);
  model.txtAz(2).setText("200");  // an edit alone draws nothing
  EXPECT_EQ(changes.back(), DayModel::Change::kMarker);
  const int before = views->day.computations();
  calculate("2025-03-10", "15:00");  // the next calculation takes the edit
  EXPECT_EQ(views->day.computations(), before + 1);
  EXPECT_EQ(views->day.chart()->panels[1].Azimuth, 200);

  // A live tick: the clock's day.
  model.chkNow.setValue(1);
  platform.setLocalTime(2025, 8, 2, 10, 0, 0);
  platform.advance(60000);
  EXPECT_EQ(dayShown(), DateSerial(2025, 8, 2));

  // Steps of 3 h from 12:00: the day rolls over at its sunset and the next day is drawn.
  calculate("2025-06-01", "12:00");
  model.jump.setText("180");
  model.Speed.setText("1");
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
    return Boxes(model) + waits.join(',') + ReadAll("solar.log");
  };
  const QString alone = run();
  QFile::remove("solar.log");
  TearDown();
  SetUp();
  listen(true);
  EXPECT_EQ(run().toStdString(), alone.toStdString());
  EXPECT_GE(views->day.computations(), 2);  // it did draw, the run's day and the next
}

TEST_F(ViewsTest, AClosedViewComputesNothingUntilOpened) {
  listen(false);
  calculate("2025-03-10", "09:30");
  EXPECT_EQ(views->day.chart(), nullptr);
  EXPECT_TRUE(requests.empty());
  EXPECT_EQ(views->day.setOpen(true), DayModel::Change::kRedraw);
  EXPECT_EQ(dayShown(), DateSerial(2025, 3, 10));
  ASSERT_TRUE(views->year.setOpen(true));
}

TEST(DayChart, TheTableIsTheDaySummary) {
  Calculated c;
  c.zone = text::SiteZone::Fixed(2);
  c.latitude = 46.2;
  c.moment = DateSerial(2025, 7, 24) + 0.5;
  c.panels = {{{151, 45}, {0, 0}, {331, 20}, {0, 0}, {90, 70}}};
  const DayChart chart = ComputeDay(c, 300);
  const summary::DaySummary s =
      summary::SummarizeDay(SiteOf(c), series::ZoneRule::Fixed(2), c.moment, 300);
  ASSERT_EQ(chart.rows.size(), 3u);
  for (const DayRow& row : chart.rows) {
    const summary::PanelTotals& t = s.totals.panels[row.panel - 1];
    EXPECT_EQ(row.productionHours + row.irradiation + row.peakProduction,
              t.productionHours + t.irradiation + t.peakProduction);
  }
  EXPECT_EQ(chart.rows[2].panel, 5);
  EXPECT_EQ(chart.ticks.back().second, "24:00");
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
    Calculated c{Calculated::Kind::kCalculation, k.latitude, k.longitude,
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
  YearResult now;
  now.generation = second->generation;
  now.best.irradiation = 1600;
  now.best.panelIrradiation[2] = 1136;
  EXPECT_TRUE(year.accept(now));
  EXPECT_FALSE(year.busy());
  EXPECT_EQ(YearModel::ShareText(now, 3), "Panel 3 gets 71% of the best orientation's clear-sky light");
  int polls = 0;
  EXPECT_THROW(YearModel::Compute(*second, [&polls] { return ++polls > 1; }), YearCancelled);
}

TEST(YearModel, TheBestFacesTheEquatorAndTheMonthsAddUp) {
  YearRequest r;
  r.generation = 1;
  r.year = 2025;
  r.site.latitude = 46.2;
  r.site.longitude = 6.15;
  r.site.zone = text::SiteZone::Fixed(1);
  r.site.panels[0] = {180, 35};
  const YearResult y = YearModel::Compute(r);
  EXPECT_NEAR(y.best.best.Azimuth, 180, 10);  // south at mid-northern latitudes
  EXPECT_NEAR(y.best.best.Tilt, 40, 10);
  double sum = 0;
  for (const summary::Totals& m : y.months.months) sum += m.panels[0].irradiation;
  EXPECT_NEAR(sum, y.months.year.panels[0].irradiation, 1e-6);
  EXPECT_GE(y.best.irradiation, y.best.panelIrradiation[0]);
}

TEST(ExportDay, WritesWhatTheCalculatorWritesOrNothing) {
  QTemporaryDir dir;
  Calculated c;
  c.latitude = 46.205556;
  c.longitude = 6.154444;
  c.zone = text::SiteZone::Fixed(2);
  c.moment = DateSerial(2025, 7, 24) + 0.6;
  c.panels = {{{151, 45}, {151, 20}, {0, 0}, {151, 70}, {331, 70}}};
  const QString path = dir.filePath("day.csv");
  EXPECT_EQ(ExportDayCsv(c, 300, path), "");
  const QByteArray written = ReadAll(path);
  EXPECT_EQ(written.count("\r\n"), 1 + 24 * 60 / 5);

  const cli::Outcome cli = cli::Run(
      {"series", "--from", "2025-07-24 00:00", "--to", "2025-07-25 00:00", "--step", "5m",
       "--clearsky", "--tz", "2", "--panel", "151/45", "--panel", "151/20", "--panel", "0/0",
       "--panel", "151/70", "--panel", "331/70"},
      [] { return 0.0; });
  ASSERT_EQ(cli.status, cli::kExitOk) << cli.err;
  EXPECT_EQ(written.toStdString(), cli.out);
  EXPECT_NE(ExportDayCsv(c, 300, dir.filePath("missing/day.csv")), "");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // no half file
}

}  // namespace
}  // namespace halvessa::window
