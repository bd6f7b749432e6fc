#include <cmath>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "tests/window/form_fixture.h"
#include "text/convert.h"

namespace halvessa::window::testing {
namespace {

constexpr double kLat = 46.205556;
constexpr double kLon = 6.154444;

double At(int y, int mo, int d, int h, int m) { return DateSerial(y, mo, d) + TimeSerial(h, m, 0); }
// A step's moment on 2025-07-25 at sunrise plus some minutes, to the whole second.
double AfterSunrise(double minutes) {
  double sunrise = 0, sunset = 0;
  const double day = DateSerial(2025, 7, 25);
  geometry::SunriseSunset(day, kLat, kLon, 2, sunrise, sunset);
  return day + std::round((sunrise - std::floor(sunrise) + minutes / 1440) * 86400) / 86400;
}
// What a step at this moment writes at Geneva: the sun's azimuth and elevation, then the angle
// and production of a panel (azimuth, tilt).
QStringList Written(double moment, double panelAzimuth = 0, double panelTilt = 0) {
  double azimuth = 0, elevation = 0;
  geometry::SunPosition(moment, kLat, kLon, 2, azimuth, elevation);
  const double aoi = geometry::AngleOfIncidence(azimuth, elevation, panelAzimuth, panelTilt);
  const double prod = aoi < 90 ? geometry::AOIToProduction(aoi) : 0.0;
  return {text::FormatOneDecimal(azimuth), text::FormatOneDecimal(elevation),
          text::FormatOneDecimal(aoi), text::FormatWhole(prod) + '%'};
}
// A step as RunTest records it.
QString Step(const QString& date, const QString& time, double moment) {
  return (QStringList{date, time} + Written(moment).mid(0, 2)).join('|');
}
QByteArray Line(const QStringList& values) { return (values.join('\t') + "\r\n").toLocal8Bit(); }

using Simulation = RunTest;

TEST_F(Simulation, StepsUntilTheSunsetThenGoesOnFromTheNextSunrise) {
  prepare();
  model.txtProd(1).setText("55%");
  model.txtAz(3).setText("0");  // not in use: its boxes stay as they are
  model.txtTilt(3).setText("none");
  model.txtProd(3).setText("45%");
  onStep = [this](int n) {
    if (n == 1) {
      EXPECT_EQ(runState(), "-1 Pause manual: ");
      EXPECT_EQ(model.btnRefresh.Caption(), "Calculate");
      EXPECT_FALSE(platform.msUntilNextTick());
    }
    if (n == 2) {  // panel 1 faces south-south-east: at 20:00 the sun lies behind it
      EXPECT_TRUE(model.PanelAOI(1) >= 90 && model.PanelProd(1) == 0);
      EXPECT_EQ(model.txtProd(1).Text() + ' ' + model.txtProd(3).Text(), "0% 45%");
      EXPECT_EQ(model.txtProd(1).BackColor(), kRed);
    }
    // Until the rollover the time box shows the moment after the day's last step.
    if (n == 6) user([this] { EXPECT_EQ(model.txtTime.Text(), "21:00"); });
    if (n == 7) {
      EXPECT_EQ(model.txtSunrise.Text() + ' ' + model.txtSunset.Text(), "06:08 21:14");
    }
  };
  runSteps(8);
  QStringList expected;
  for (int m = 0; m < 60; m += 10) {
    expected << Step("2025-07-24", QStringLiteral("20:%1").arg(m, 2, 10, QChar('0')),
                     At(2025, 7, 24, 20, m));
  }
  expected << Step("2025-07-25", "06:08", AfterSunrise(0))
           << Step("2025-07-25", "06:18", AfterSunrise(10));
  EXPECT_EQ(steps, expected);
}

struct PaceCase {
  const char *time, *jump, *speed;
  QStringList times;
  const char* speedShown;  // the speed box after a step, then "|" and the message line
  std::vector<int> waits;
  friend void PrintTo(const PaceCase& c, std::ostream* os) {
    *os << c.time << ", " << c.jump << ", " << c.speed;
  }
};
class Pace : public RunTest, public ::testing::WithParamInterface<PaceCase> {};

TEST_P(Pace, StepTimesAndDelays) {
  const PaceCase& c = GetParam();
  prepare(c.time, c.jump);
  model.Speed.setText(c.speed);
  runSteps(3);
  EXPECT_EQ(stepTimes(), c.times);
  const QString shown = c.speedShown;
  EXPECT_EQ(model.Speed.Text() + '|' + model.message.Text(),
            shown.contains('|') ? shown : shown + '|');
  EXPECT_EQ(platform.waits, c.waits);
  // Closed at the start of the third delay, which is cut short.
  EXPECT_EQ(platform.elapsedMs(), c.waits.empty() ? 0 : 2 * c.waits[0]);
}

const QStringList kTens{"20:00", "20:10", "20:20"};
const std::vector<int> kNoWait;
INSTANTIATE_TEST_SUITE_P(
    Cases, Pace,
    ::testing::Values(
        PaceCase{"20:00", "0", "1", {"20:00", "20:00", "20:00"}, "1", {1000, 1000, 1000}},
        PaceCase{"20:00", "10.5", "45", kTens, "30", {30000, 30000, 30000}},
        PaceCase{"20:00", "11.5", "30.5", {"20:00", "20:12", "20:24"}, "30.5",
                 {30500, 30500, 30500}},
        PaceCase{"20:00", "10", "0.5", kTens, "0.5", {500, 500, 500}},
        PaceCase{"20:00", "10", "0", kTens, "0", kNoWait},
        PaceCase{"20:00", "10", "fast", kTens,
                 "fast|Simulation speed (Update every (s)): \"fast\" holds no number; 0 is used.",
                 kNoWait},
        PaceCase{"20:00", "10", "-3", kTens, "-3", kNoWait},
        // A start after the sunset makes one step, then goes on from the next sunrise.
        PaceCase{"21:30", "10", "0", {"21:30", "06:08", "06:18"}, "0", kNoWait}));

TEST_F(Simulation, PauseFinishesTheStepAndResumeGoesOnFromTheTimeBoxOnTheRunsDay) {
  prepare();
  std::int64_t resumedAtMs = -1;
  onStep = [&](int n) {
    if (n != 3) return;
    user([&] {  // during the third step's delay
      model.btnPause.userClicked();
      EXPECT_EQ(runState(), "0 Resume manual: ");
      user([&] {
        model.jump.userEdited("-5");
        model.btnRunning.userClicked();  // does not convert: stays paused
        EXPECT_EQ(runState(), "0 Resume manual: Jump time (m): \"-5\" is negative.");
        EXPECT_TRUE(model.jump.marked());
      }, 3);
      user([&] {
        resumedAtMs = platform.elapsedMs();
        model.jump.userEdited("10");
        model.txtTime.userEdited("09:00");
        model.txtDate.userEdited("2030-01-01");
        model.btnRunning.userClicked();
        EXPECT_EQ(runState(), "-1 Pause manual: ");
      }, 5);
    });
  };
  runSteps(5);
  // The date box as typed, the sun on the run's day.
  EXPECT_EQ(steps.mid(3), QStringList({Step("2030-01-01", "09:00", At(2025, 7, 24, 9, 0)),
                                       Step("2030-01-01", "09:10", At(2025, 7, 24, 9, 10))}));
  // The third delay ran in full; the paused run polled every 100 ms, Resume was pressed at
  // its third point, the poll's wait ended and the fourth step began.
  const QString step = "events, wait 1000, events, ";
  EXPECT_EQ(points.mid(0, 16).join(", "),
            step + step + step + "events, wait 100, events, wait 100, events, wait 100, events");
  EXPECT_EQ(resumedAtMs, 3000 + 200);
}

TEST_F(Simulation, SimulateDuringARunStartsAfreshAndClosingEndsIt) {
  prepare();
  onStep = [this](int n) {  // at the first event point of steps 3 and 5
    if (n == 2) {
      user([this] {
        model.txtDate.userEdited("2025-08-01");
        model.txtTime.userEdited("06:00");
        model.txtSunset.userEdited("07:00");
        model.jump.userEdited("5");
        for (int i = 0; i < 1000; ++i) model.btnSimulate.userClicked();
        EXPECT_EQ(form->activeRunLoops(), 1);  // no nesting
      }, 2);
    }
    if (n == 4) user([this] { form->windowClosed(); }, 2);
  };
  clickSimulate();
  EXPECT_EQ(stepTimes(), QStringList({"20:00", "20:10", "06:00", "06:05"}));
  EXPECT_EQ(steps[2], Step("2025-08-01", "06:00", At(2025, 8, 1, 6, 0)));
  // Nothing after the point where the window closed.
  EXPECT_TRUE(form->activeRunLoops() == 0 && points.last() == "events");
  const qsizetype count = points.size();
  clickSimulate();  // a closed window starts nothing
  EXPECT_EQ(points.size(), count);
}

TEST_F(Simulation, WithoutSunsetOrWithABadBoxNothingStarts) {
  model.message.setText("earlier");
  clickSimulate();  // the sunset box is empty after start-up
  EXPECT_EQ(runState(), "0 Resume live: earlier");
  model.btnRunning.userClicked();  // cannot read the sunset box either
  EXPECT_EQ(runState(), "0 Resume live: Sunset: \"\" is not a date or time.");
  EXPECT_TRUE(model.txtSunset.marked());
  prepare();
  model.btnRunning.userClicked();  // before any run Resume only arms, and Pause disarms
  EXPECT_EQ(runState(), "-1 Pause live: ");
  EXPECT_TRUE(model.SimTime == 20.0 / 24 && model.StepDays == 10.0 / 1440);
  model.btnPause.userClicked();
  EXPECT_EQ(runState(), "0 Resume live: ");

  const struct { TextBox FormModel::*box; const char *text, *message; } cases[] = {
      {&FormModel::txtLat, "abc", "Latitude: \"abc\" is not a number."},
      {&FormModel::txtLon, "", "Longitude: \"\" is not a number."},
      {&FormModel::txtTz, "2h", "Time zone: \"2h\" is neither hours nor a known time zone name."},
      {&FormModel::txtLat, "91", "Latitude: \"91\" is outside -90 to 90."},
      {&FormModel::txtLon, "1e308", "Longitude: \"1e308\" is outside -180 to 180."},
      {&FormModel::txtTz, "30", "Time zone: \"30\" is outside -23:59 to +23:59 hours."},
      {&FormModel::txtDate, "2025-13-40", "Date: \"2025-13-40\" is not a date or time."},
      {&FormModel::txtTime, "25:00", "Time: \"25:00\" is not a date or time."},
      {&FormModel::txtSunset, "sunset", "Sunset: \"sunset\" is not a date or time."},
      {&FormModel::jump, "99999",
       "Jump time (m): 99999 is too large for a whole number from -32768 to 32767."},
      {&FormModel::jump, "-5", "Jump time (m): \"-5\" is negative."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    TextBox& box = model.*c.box;
    const QString good = box.Text();
    model.btnRunning.userClicked();  // armed: a failed start must not go on claiming a run
    ASSERT_EQ(runState(), "-1 Pause live: ");
    box.setText(c.text);
    clickSimulate();
    EXPECT_EQ(runState(), QString("0 Resume live: ") + c.message);
    EXPECT_TRUE(box.marked() && platform.msUntilNextTick() == 60000);
    box.setText(good);
  }
  EXPECT_TRUE(points.empty() && steps.empty());
}

TEST_F(Simulation, ARunPastTheCalendarPausesInsteadOfFailing) {
  model.txtDate.setText("9999-12-31");
  prepare("20:50");
  int resumes = 0;
  platform.onProcessEvents = [this, &resumes] {
    if (model.IsRunning != 0) return;
    EXPECT_EQ(runState(), "0 Resume manual: Date: the simulated moment lies outside the years "
                          "100 to 9999. The simulation is paused.");
    // Resume tries again: one more step on the last day, then the same pause.
    if (++resumes <= 2) {
      model.btnRunning.userClicked();
    } else {
      form->windowClosed();
    }
  };
  clickSimulate();
  EXPECT_EQ(stepTimes(), QStringList({"20:50", "21:00", "21:10"}));
  EXPECT_EQ(model.txtDate.Text(), "9999-12-31");
}

TEST_F(Simulation, ASpeedBeyondSixteenBitsPausesTheRunUntilFixed) {
  prepare();
  model.Speed.setText("99999");
  int polls = 0;
  platform.onProcessEvents = [&] {
    if (model.IsRunning != 0 || ++polls > 1) return;
    // The step was shown in full and its time box moved on; then the run paused.
    EXPECT_EQ(runState(), "0 Resume manual: Simulation speed (Update every (s)): 99999 is too large for a whole "
                          "number from -32768 to 32767. The simulation is paused.");
    EXPECT_TRUE(model.Speed.marked() && model.txtTime.Text() == "20:10");
    model.Speed.userEdited("1");
    model.btnRunning.userClicked();
  };
  runSteps(2);
  EXPECT_TRUE(stepTimes() == QStringList({"20:00", "20:10"}) && polls == 1);
}

TEST_F(Simulation, SolarchkShowsTheBoxesOfThePanelsInUse) {
  model.PanelGeom(5) = PanelRecord{};  // the last calculation found 5 unused
  model.Panelchk(2).setValue(1);
  model.Solarchk.userClicked();
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(model.Panelchk(i).Visible(), i != 5) << i;
  model.Solarchk.userClicked();
  for (int i = 1; i <= 5; ++i) EXPECT_FALSE(model.Panelchk(i).Visible()) << i;
  EXPECT_EQ(model.Panelchk(2).Value(), 1);
  goManual();
  form->log();  // Solarchk unchecked: no file is opened
  EXPECT_EQ(LineCounts(), "- - - - - -");
}

TEST_F(Simulation, EachStepAppendsTheBoxesAsShownUnlessNowIsChecked) {
  // The date and time as typed, in the locale's forms, until the run writes its own.
  model.txtDate.setText("7/24/2025");
  prepare("8:50 PM");
  model.txtAz(3).setText("0");
  model.txtTilt(3).setText("0");
  model.txtTilt(5).setText("70 deg");
  model.Solarchk.userClicked();
  for (int i : {1, 3, 5}) model.Panelchk(i).setValue(1);
  WriteFile("solar.log", "earlier\r\n");
  onStep = [this](int n) {  // the second step runs with Now checked again
    if (n <= 2) user([this] { model.chkNow.userClicked(); });
  };
  runSteps(3);
  QByteArray solar = "earlier\r\n", panel5;
  const QString dates[] = {"7/24/2025", "2025-07-25"}, times[] = {"8:50 PM", "06:18"};
  const double moments[] = {At(2025, 7, 24, 20, 50), AfterSunrise(10)};
  for (int k = 0; k < 2; ++k) {
    const QStringList written = Written(moments[k], 331, 70);
    solar += Line({dates[k], times[k], written[0], written[1]});
    panel5 += Line({dates[k], times[k], "331", "70 deg", written[2], written[3]});
  }
  EXPECT_EQ(ReadFile("solar.log"), solar);
  EXPECT_EQ(ReadFile("panel5.log"), panel5);
  // Checked and in use, checked but not in use (created, no line), not checked.
  EXPECT_EQ(LineCounts(), "3 2 - 0 - 2");
}

TEST_F(Simulation, AFileThatCannotBeWrittenPausesTheRunAndResumeRetries) {
  prepare();
  model.Solarchk.setValue(1);
  for (int i = 1; i <= 5; ++i) model.Panelchk(i).setValue(1);
  ASSERT_TRUE(QDir().mkdir("panel2.log"));
  int pausedPolls = 0;
  QByteArray solarWhenPaused;
  platform.onProcessEvents = [&] {
    if (model.IsRunning != 0) return;
    if (++pausedPolls == 1) {
      EXPECT_EQ(runState(), "0 Resume manual: Cannot write \"panel2.log\": Is a directory. The "
                            "simulation is paused.");
      EXPECT_EQ(model.txtTime.Text(), "20:00");  // the step stopped at its log
      solarWhenPaused = ReadFile("solar.log");
      model.btnRunning.userClicked();  // nothing fixed yet: the same failure again
    } else if (pausedPolls == 2) {
      ASSERT_TRUE(QDir().rmdir("panel2.log"));
      model.btnRunning.userClicked();
      EXPECT_EQ(runState(), "-1 Pause manual: ");
    }
  };
  runSteps(4);  // the failing step twice, its repetition, then 20:10
  EXPECT_EQ(pausedPolls, 2);
  // The failed step left no line anywhere; once fixed, every file holds one line per step.
  const QByteArray first =
      Line(QStringList{"2025-07-24", "20:00"} + Written(At(2025, 7, 24, 20, 0)).mid(0, 2));
  EXPECT_EQ(solarWhenPaused, QByteArray());
  EXPECT_TRUE(ReadFile("solar.log").startsWith(first));
  EXPECT_FALSE(ReadFile("solar.log").startsWith(first + first));
  EXPECT_EQ(LineCounts(), "2 2 2 2 2 2");
  EXPECT_TRUE(ReadFile("panel5.log").startsWith("2025-07-24\t20:00\t"));
}

// A long run with every log on and no delay: the memory stays flat and every step leaves
// exactly one line in each log. Under the sanitizers, whose quarantine of freed memory makes
// the resident size meaningless, the run is shorter and LeakSanitizer checks the memory.
#ifdef HALVESSA_SANITIZED
constexpr int kSoakSteps = 20000;
constexpr bool kCompareMemory = false;
#else
constexpr int kSoakSteps = 100000;
constexpr bool kCompareMemory = true;
#endif

long long ResidentBytes() {
  long long size = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> size >> resident;
  return resident * 4096;
}

using Soak = FormTest;

TEST_F(Soak, ALongLoggedRunKeepsItsMemoryAndWritesOneLinePerStep) {
  form->frmHalvessa_Form_Load();
  model.txtTime.setText("20:00");
  model.txtSunset.setText("20:58");
  model.Speed.setText("0");
  model.Solarchk.setValue(1);
  for (int i = 1; i <= 5; ++i) model.Panelchk(i).setValue(1);
  int steps = 0;
  long long settled = 0, last = 0;
  model.txtSunElevation.viewUpdate = [&] {
    if (++steps == kSoakSteps / 10) settled = ResidentBytes();
    if (steps == kSoakSteps) {
      last = ResidentBytes();
      form->windowClosed();  // seen at the step's next event point, after its log
    }
  };
  model.btnSimulate.userClicked();
  ASSERT_TRUE(steps == kSoakSteps && model.message.Text().isEmpty());
  EXPECT_EQ(LineCounts(), QStringLiteral("%1 %1 %1 %1 %1 %1").arg(kSoakSteps));
  EXPECT_TRUE(ReadFile("panel5.log").endsWith("\r\n"));  // no torn last line
  EXPECT_TRUE(!kCompareMemory || last <= settled + (1 << 20)) << settled << " -> " << last;
  RecordProperty("resident_at_end", std::to_string(last));
}

// A step with the sun below the horizon shows and logs no production, whatever the angle.
TEST_F(Simulation, NoProductionWithTheSunDown) {
  prepare("22:30");
  model.Solarchk.setValue(1);
  model.Panelchk(5).setValue(1);
  runSteps(1);
  EXPECT_TRUE(model.txtSunElevation.Text().startsWith('-'));
  EXPECT_LT(model.PanelAOI(5), 90);
  EXPECT_EQ(model.txtProd(5).Text(), "0%");
  EXPECT_EQ(model.txtProd(5).BackColor(), kRed);
  EXPECT_TRUE(ReadFile("panel5.log").endsWith("\t0%\r\n")) << ReadFile("panel5.log").toStdString();
}

}  // namespace
}  // namespace halvessa::window::testing
