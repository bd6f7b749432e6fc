#include <QStringList>

#include <cmath>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "text/convert.h"
#include "tests/window/form_fixture.h"

namespace halvessa::window::testing {
namespace {

constexpr double kLat = 46.205556;
constexpr double kLon = 6.154444;
constexpr double kTz = 2;

// The sun boxes as a step at this local moment writes them.
std::pair<QString, QString> SunAt(double moment) {
  double azimuth = 0;
  double elevation = 0;
  geometry::SunPosition(moment, kLat, kLon, kTz, azimuth, elevation);
  return {text::FormatOneDecimal(azimuth), text::FormatOneDecimal(elevation)};
}
double At(int y, int mo, int d, int h, int mi) { return DateSerial(y, mo, d) + TimeSerial(h, mi, 0); }

// A day serial's time of day on another day, to the whole second, as a step takes it.
double OnDay(double day, double serial) {
  const double timeOfDay = serial - std::floor(serial);
  return day + std::round(timeOfDay * 86400.0) / 86400.0;
}

void ExpectSun(const RunTest::Step& step, double moment, const char* what) {
  const auto [azimuth, elevation] = SunAt(moment);
  EXPECT_EQ(step.azimuth, azimuth) << what;
  EXPECT_EQ(step.elevation, elevation) << what;
}

using Simulation = RunTest;

TEST_F(Simulation, StepsUntilTheSunsetThenGoesOnFromTheNextSunrise) {
  prepare();
  onStep = [this](int n) {
    if (n == 1) {
      // The run has switched live mode off and shows Pause.
      EXPECT_EQ(model.chkNow.Value(), 0);
      EXPECT_EQ(model.btnRefresh.Caption(), "Calculate");
      EXPECT_FALSE(platform.runningInterval());
      EXPECT_EQ(model.IsRunning, -1);
      EXPECT_TRUE(model.btnPause.Visible());
      EXPECT_FALSE(model.btnRunning.Visible());
      EXPECT_DOUBLE_EQ(model.StepDays, 10.0 / 1440.0);
    }
    if (n == 6) {
      // The box shows the next moment, past the sunset, until the rollover.
      user([this] { EXPECT_EQ(model.txtTime.Text(), "21:00"); });
    }
    if (n == 7) {
      EXPECT_EQ(model.txtSunrise.Text(), "06:08");
      EXPECT_EQ(model.txtSunset.Text(), "21:14");
    }
  };
  closeAfter = 8;
  clickSimulate();

  EXPECT_EQ(stepTimes(), QStringList({"20:00", "20:10", "20:20", "20:30", "20:40", "20:50",
                                      "06:08", "06:18"}));
  ASSERT_EQ(steps.size(), 8u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(steps[i].date, "2025-07-24");
    ExpectSun(steps[i], At(2025, 7, 24, 20, 10 * i), "day 1");
  }
  double sunrise = 0;
  double sunset = 0;
  const double day2 = DateSerial(2025, 7, 25);
  geometry::SunriseSunset(day2, kLat, kLon, kTz, sunrise, sunset);
  EXPECT_EQ(text::FormatHourMinute(sunrise), "06:08");
  EXPECT_EQ(steps[6].date, "2025-07-25");
  EXPECT_EQ(steps[7].date, "2025-07-25");
  ExpectSun(steps[6], OnDay(day2, sunrise), "sunrise");
  ExpectSun(steps[7], OnDay(day2, sunrise + 10.0 / 1440.0), "sunrise + 10 min");
  EXPECT_DOUBLE_EQ(model.SimEnd, sunset);

  // Each step: events, the delay, events again.
  ASSERT_GE(points.size(), 3u);
  EXPECT_EQ(QStringList(points.begin(), points.begin() + 3),
            QStringList({"events", "wait 1000", "events"}));
  EXPECT_EQ(form->activeRunLoops(), 0);
}

TEST_F(Simulation, AStartAfterTheSunsetMakesOneStepThenMovesToTheNextDay) {
  prepare(QStringLiteral("21:30"));
  runSteps(2);
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[0].time, "21:30");
  EXPECT_EQ(steps[0].date, "2025-07-24");
  ExpectSun(steps[0], At(2025, 7, 24, 21, 30), "start");
  EXPECT_EQ(steps[1].date, "2025-07-25");
  EXPECT_EQ(steps[1].time, "06:08");
}

TEST_F(Simulation, ADateAndTimeInTheTimeBoxCountsByItsTimeOfDay) {
  // The date part of the time box plays no role; the date box gives the day.
  prepare(QStringLiteral("2020-01-01 20:00"));
  runSteps(2);
  ASSERT_EQ(steps.size(), 2u);
  ExpectSun(steps[0], At(2025, 7, 24, 20, 0), "first");
  // SimTime then lies years past the sunset box's time-only value: the first step ends the
  // day.
  EXPECT_EQ(steps[1].date, "2025-07-25");
  EXPECT_EQ(steps[1].time, "06:08");
}

struct JumpCase {
  const char* jump;
  double minutes;
  const char* times[3];
  friend void PrintTo(const JumpCase& c, std::ostream* os) { *os << "jump " << c.jump; }
};

class Jump : public RunTest, public ::testing::WithParamInterface<JumpCase> {};

TEST_P(Jump, RoundsToWholeMinutes) {
  const JumpCase& c = GetParam();
  prepare(QStringLiteral("20:00"), QStringLiteral("20:58"), QString::fromLatin1(c.jump));
  runSteps(3);
  EXPECT_EQ(stepTimes(), QStringList({c.times[0], c.times[1], c.times[2]}));
  EXPECT_DOUBLE_EQ(model.StepDays, c.minutes / 1440.0);
}

INSTANTIATE_TEST_SUITE_P(
    Minutes, Jump,
    ::testing::Values(JumpCase{"0", 0, {"20:00", "20:00", "20:00"}},
                      JumpCase{"10.5", 10, {"20:00", "20:10", "20:20"}},
                      JumpCase{"11.5", 12, {"20:00", "20:12", "20:24"}},
                      JumpCase{"15 min", 15, {"20:00", "20:15", "20:30"}},
                      JumpCase{"-0.4", 0, {"20:00", "20:00", "20:00"}}));

struct SpeedCase {
  const char* speed;
  const char* shown;  // the speed box after a step
  std::vector<int> waits;
  friend void PrintTo(const SpeedCase& c, std::ostream* os) { *os << "speed " << c.speed; }
};

class Speed : public RunTest, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(Speed, SetsTheDelayBetweenSteps) {
  const SpeedCase& c = GetParam();
  prepare();
  model.Speed.setText(QString::fromLatin1(c.speed));
  runSteps(2);
  EXPECT_EQ(steps.size(), 2u);
  EXPECT_EQ(model.Speed.Text(), c.shown);
  EXPECT_EQ(platform.waits, c.waits);
  EXPECT_TRUE(model.message.Text().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Seconds, Speed,
    ::testing::Values(SpeedCase{"45", "30", {30000, 30000}},
                      SpeedCase{"30.5", "30.5", {30500, 30500}},
                      SpeedCase{"0.5", "0.5", {500, 500}},
                      SpeedCase{"0", "0", {}},
                      SpeedCase{"fast", "fast", {}},
                      SpeedCase{"-3", "-3", {}},
                      SpeedCase{"-40", "-40", {}},
                      SpeedCase{"0.0001", "0.0001", {}}));

TEST_F(Simulation, AnEditedSpeedCountsFromTheNextDelay) {
  prepare();
  onStep = [this](int n) {
    if (n == 1) user([this] { model.Speed.userEdited("2"); });  // during the first delay
  };
  closeAfter = 2;
  clickSimulate();
  EXPECT_EQ(platform.waits, std::vector<int>({1000, 2000}));
}

TEST_F(Simulation, PauseLetsTheStepFinishAndResumeGoesOn) {
  prepare();
  std::int64_t resumedAtMs = -1;
  onStep = [this, &resumedAtMs](int n) {
    if (n != 3) return;
    // Pressed during the third step's delay; Resume after a few polls of the paused run.
    user([this, &resumedAtMs] {
      model.btnPause.userClicked();
      EXPECT_EQ(model.IsRunning, 0);
      EXPECT_TRUE(model.btnRunning.Visible());
      EXPECT_FALSE(model.btnPause.Visible());
      user(
          [this, &resumedAtMs] {
            resumedAtMs = platform.elapsedMs();
            model.btnRunning.userClicked();
            EXPECT_TRUE(model.btnPause.Visible());
          },
          5);
    });
  };
  closeAfter = 5;
  clickSimulate();

  EXPECT_EQ(stepTimes(), QStringList({"20:00", "20:10", "20:20", "20:30", "20:40"}));
  // The third step's delay ran in full, then the paused run served the window every 100 ms.
  const QStringList expected{"events", "wait 1000", "events",     // step 1
                             "events", "wait 1000", "events",     // step 2
                             "events", "wait 1000", "events",     // step 3, Pause pressed
                             "events", "wait 100",  "events",     // paused
                             "wait 100", "events",                // Resume pressed
                             "wait 100",                          // the poll ends
                             "events"};                           // step 4
  ASSERT_GE(points.size(), static_cast<std::size_t>(expected.size()));
  EXPECT_EQ(QStringList(points.begin(), points.begin() + expected.size()), expected);
  EXPECT_EQ(resumedAtMs, 3000 + 200);
}

TEST_F(Simulation, ResumeContinuesAtTheTypedTimeOnTheRunsDay) {
  prepare(QStringLiteral("20:50"));  // the first step ends 2025-07-24
  onStep = [this](int n) {
    if (n != 2) return;
    user([this] {
      model.btnPause.userClicked();
      user(
          [this] {
            model.txtTime.userEdited("09:00");
            model.txtDate.userEdited("2030-01-01");
            model.btnRunning.userClicked();
          },
          3);
    });
  };
  closeAfter = 4;
  clickSimulate();

  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(steps[1].date, "2025-07-25");
  EXPECT_EQ(steps[2].time, "09:00");
  EXPECT_EQ(steps[2].date, "2030-01-01");  // the box as typed; the run's day stays
  ExpectSun(steps[2], At(2025, 7, 25, 9, 0), "resumed");
  ExpectSun(steps[3], At(2025, 7, 25, 9, 10), "after");
}

TEST_F(Simulation, ResumeBeforeAnyRunOnlyArms) {
  // After start-up the sunset box is empty: Resume cannot read it and changes nothing.
  model.btnRunning.userClicked();
  EXPECT_EQ(model.IsRunning, 0);
  EXPECT_TRUE(model.btnRunning.Visible());
  EXPECT_EQ(model.message.Text(), "Sunset: \"\" is not a date or time.");
  EXPECT_TRUE(model.txtSunset.marked());

  prepare();
  model.btnRunning.userClicked();
  EXPECT_EQ(model.IsRunning, -1);
  EXPECT_TRUE(model.btnPause.Visible());
  EXPECT_FALSE(model.btnRunning.Visible());
  EXPECT_TRUE(model.message.Text().isEmpty());
  EXPECT_DOUBLE_EQ(model.SimTime, 20.0 / 24.0);
  EXPECT_DOUBLE_EQ(model.SimEnd, (20.0 * 60 + 58) / 1440.0);
  EXPECT_DOUBLE_EQ(model.StepDays, 10.0 / 1440.0);
  EXPECT_TRUE(steps.empty());
  EXPECT_TRUE(points.empty());
  EXPECT_EQ(model.chkNow.Value(), 1);  // live mode goes on

  model.btnPause.userClicked();
  EXPECT_EQ(model.IsRunning, 0);
  EXPECT_TRUE(model.btnRunning.Visible());
  EXPECT_FALSE(model.btnPause.Visible());
}

TEST_F(Simulation, AResumeThatCannotConvertLeavesTheRunPaused) {
  prepare();
  onStep = [this](int n) {
    if (n != 1) return;
    user([this] {
      model.btnPause.userClicked();
      model.jump.userEdited("-5");
      model.btnRunning.userClicked();
      EXPECT_EQ(model.message.Text(), "Jump time (m): \"-5\" is negative.");
      EXPECT_TRUE(model.jump.marked());
      EXPECT_EQ(model.IsRunning, 0);
      EXPECT_TRUE(model.btnRunning.Visible());
      model.txtTime.userEdited("noon");
      model.jump.userEdited("5");
      model.btnRunning.userClicked();
      EXPECT_EQ(model.message.Text(), "Time: \"noon\" is not a date or time.");
      EXPECT_EQ(model.IsRunning, 0);
      user([this] { form->windowClosed(); }, 20);
    });
  };
  clickSimulate();
  EXPECT_EQ(steps.size(), 1u);
  EXPECT_DOUBLE_EQ(model.StepDays, 10.0 / 1440.0);  // kept from the start
}

TEST_F(Simulation, SimulateDuringARunStartsAfreshWithoutNesting) {
  prepare();
  onStep = [this](int n) {
    if (n != 2) return;
    // At the third step's first event point, before it computes anything.
    user(
        [this] {
          model.txtDate.userEdited("2025-08-01");
          model.txtTime.userEdited("06:00");
          model.txtSunset.userEdited("07:00");
          model.jump.userEdited("5");
          for (int i = 0; i < 1000; ++i) model.btnSimulate.userClicked();
          EXPECT_EQ(form->activeRunLoops(), 1);
        },
        2);
  };
  closeAfter = 4;
  clickSimulate();

  // The old run made no third step; the new one started from the boxes.
  EXPECT_EQ(stepTimes(), QStringList({"20:00", "20:10", "06:00", "06:05"}));
  ExpectSun(steps[2], At(2025, 8, 1, 6, 0), "new run");
  EXPECT_DOUBLE_EQ(model.SimEnd, 7.0 / 24.0);
  EXPECT_EQ(deepestRunLoops, 1);
  EXPECT_EQ(form->activeRunLoops(), 0);
}

TEST_F(Simulation, SimulateDuringTheDelaySkipsTheRestOfTheStep) {
  prepare(QStringLiteral("20:50"));  // this step would end the day
  onStep = [this](int n) {
    if (n != 1) return;
    user([this] {
      model.txtTime.userEdited("10:00");
      model.txtSunset.userEdited("12:00");
      model.btnSimulate.userClicked();
    });
  };
  closeAfter = 2;
  clickSimulate();
  // No rollover: the new run starts on the same day at 10:00.
  EXPECT_EQ(stepTimes(), QStringList({"20:50", "10:00"}));
  EXPECT_EQ(steps[1].date, "2025-07-24");
  ExpectSun(steps[1], At(2025, 7, 24, 10, 0), "new run");
  EXPECT_EQ(QStringList(points.begin(), points.begin() + 2), QStringList({"events", "wait 1000"}));
  EXPECT_EQ(points[2], "events");  // already the new run's first step
}

TEST_F(Simulation, SimulateWithAnEmptySunsetBoxChangesNothing) {
  model.message.setText("earlier");
  clickSimulate();
  EXPECT_EQ(model.chkNow.Value(), 1);
  EXPECT_EQ(platform.runningInterval(), 60000);
  EXPECT_EQ(model.IsRunning, 0);
  EXPECT_EQ(model.message.Text(), "earlier");
  EXPECT_TRUE(points.empty());

  // During a run it does not end the run either.
  prepare();
  onStep = [this](int n) {
    if (n == 1) {
      user([this] {
        model.txtSunset.userEdited("");
        model.btnSimulate.userClicked();
      });
    }
  };
  closeAfter = 3;
  clickSimulate();
  EXPECT_EQ(stepTimes(), QStringList({"20:00", "20:10", "20:20"}));
}

struct BadStart {
  TextBox FormModel::*box;
  const char* text;
  const char* message;
  friend void PrintTo(const BadStart& c, std::ostream* os) {
    const std::string message = c.message;
    *os << message.substr(0, message.find(':')) << ' ' << c.text;
  }
};

class FailedStart : public RunTest, public ::testing::WithParamInterface<BadStart> {};

TEST_P(FailedStart, StartsNothingAndShowsResume) {
  const BadStart& c = GetParam();
  prepare();
  // Armed by an earlier Resume: the buttons must not go on claiming a run.
  model.btnRunning.userClicked();
  ASSERT_EQ(model.IsRunning, -1);
  (model.*c.box).setText(QString::fromLatin1(c.text));

  clickSimulate();
  EXPECT_EQ(model.message.Text(), c.message);
  EXPECT_TRUE((model.*c.box).marked());
  EXPECT_EQ(model.IsRunning, 0);
  EXPECT_TRUE(model.btnRunning.Visible());
  EXPECT_FALSE(model.btnPause.Visible());
  EXPECT_EQ(model.chkNow.Value(), 1);
  EXPECT_EQ(platform.runningInterval(), 60000);
  EXPECT_TRUE(points.empty());
  EXPECT_TRUE(steps.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, FailedStart,
    ::testing::Values(
        BadStart{&FormModel::txtLat, "abc", "Latitude: \"abc\" is not a number."},
        BadStart{&FormModel::txtLon, "", "Longitude: \"\" is not a number."},
        BadStart{&FormModel::txtTz, "2h", "Time zone: \"2h\" is not a number."},
        BadStart{&FormModel::txtDate, "2025-13-40", "Date: \"2025-13-40\" is not a date or time."},
        BadStart{&FormModel::txtSunset, "sunset", "Sunset: \"sunset\" is not a date or time."},
        BadStart{&FormModel::jump, "99999",
                 "Jump time (m): 99999 is too large for a whole number from -32768 to 32767."},
        BadStart{&FormModel::jump, "-5", "Jump time (m): \"-5\" is negative."}));

// txtTime is read by Resume as well, so it cannot arm first; checked on its own.
TEST_F(Simulation, ABadTimeStartsNothing) {
  prepare(QStringLiteral("25:00"));
  clickSimulate();
  EXPECT_EQ(model.message.Text(), "Time: \"25:00\" is not a date or time.");
  EXPECT_TRUE(model.txtTime.marked());
  EXPECT_EQ(model.chkNow.Value(), 1);
  EXPECT_TRUE(points.empty());
}

TEST_F(Simulation, ClosingDuringAStepEndsTheRunAtOnce) {
  prepare();
  onStep = [this](int n) {
    if (n == 2) user([this] { form->windowClosed(); }, 2);  // at step 3's first event point
  };
  clickSimulate();
  EXPECT_EQ(steps.size(), 2u);
  EXPECT_EQ(points.size(), 7u);  // nothing after the point where the window closed
  EXPECT_EQ(form->activeRunLoops(), 0);
  clickSimulate();  // a closed window starts nothing
  EXPECT_EQ(points.size(), 7u);
}

TEST_F(Simulation, ClosingDuringTheDelayCutsItShort) {
  prepare();
  model.Speed.setText("30");
  onStep = [this](int n) {
    if (n == 2) user([this] { form->windowClosed(); });
  };
  clickSimulate();
  EXPECT_EQ(steps.size(), 2u);
  EXPECT_EQ(points.back(), "wait 30000");
  EXPECT_EQ(platform.elapsedMs(), 30000);  // the first delay only
}

TEST_F(Simulation, ClosingWhilePausedEndsTheRun) {
  prepare();
  onStep = [this](int n) {
    if (n != 1) return;
    user([this] {
      model.btnPause.userClicked();
      user([this] { form->windowClosed(); }, 6);
    });
  };
  clickSimulate();
  EXPECT_EQ(steps.size(), 1u);
  EXPECT_EQ(points.size(), 9u);
  EXPECT_EQ(form->activeRunLoops(), 0);
}

TEST_F(Simulation, ASpeedBeyondSixteenBitsPausesTheRunUntilFixed) {
  prepare();
  onStep = [this](int n) {
    // Typed during the first step's delay, so the second step meets it.
    if (n == 1) user([this] { model.Speed.userEdited("99999"); });
  };
  int polls = 0;
  platform.onProcessEvents = [this, &polls] {
    points.push_back("events");
    if (model.IsRunning != 0 || ++polls != 3) return;
    // Step 2 was shown and logged in full, its time box moved on; then the run paused.
    EXPECT_EQ(stepTimes(), QStringList({"20:00", "20:10"}));
    EXPECT_EQ(model.txtTime.Text(), "20:20");
    EXPECT_TRUE(model.btnRunning.Visible());
    EXPECT_EQ(model.message.Text(),
              "Update every (s): 99999 is too large for a whole number from -32768 to 32767. "
              "The simulation is paused.");
    EXPECT_TRUE(model.Speed.marked());
    model.Speed.userEdited("1");
    model.btnRunning.userClicked();
    EXPECT_TRUE(model.message.Text().isEmpty());
    EXPECT_FALSE(model.Speed.marked());
  };
  closeAfter = 3;
  clickSimulate();
  EXPECT_EQ(polls, 3);
  EXPECT_EQ(stepTimes(), QStringList({"20:00", "20:10", "20:20"}));
}

TEST_F(Simulation, ARunPastTheCalendarPausesInsteadOfFailing) {
  model.txtDate.setText("9999-12-31");
  prepare(QStringLiteral("20:50"));
  int resumes = 0;
  platform.onProcessEvents = [this, &resumes] {
    points.push_back("events");
    if (model.IsRunning != 0) return;
    EXPECT_EQ(model.message.Text(),
              "Date: the simulated moment lies outside the years 100 to 9999. The simulation is "
              "paused.");
    EXPECT_TRUE(model.btnRunning.Visible());
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
  EXPECT_EQ(model.txtTime.Text(), "21:20");
}

TEST_F(Simulation, PanelsInTheShadeShowZeroAndUnusedPanelsKeepTheirBoxes) {
  prepare();
  model.txtProd(1).setText("55%");
  model.txtAz(3).setText("0");
  model.txtTilt(3).setText("none");
  model.txtAOI(3).setText("12.3");
  model.txtProd(3).setText("45%");
  QStringList writes;
  for (int i : {1, 2}) {
    model.txtAOI(i).viewUpdate = [&writes, i] { writes << QStringLiteral("aoi%1").arg(i); };
    model.txtProd(i).viewUpdate = [&writes, i] {
      // The colouring that follows the write notifies as well.
      if (!writes.isEmpty() && writes.last() == QStringLiteral("prod%1").arg(i)) return;
      writes << QStringLiteral("prod%1").arg(i);
    };
  }
  runSteps(2);

  // Panel 1 faces south-south-east: at 20:00 in July the sun lies behind it.
  ASSERT_GE(model.PanelAOI(1), 90.0);
  EXPECT_EQ(model.PanelProd(1), 0.0);
  EXPECT_EQ(model.txtProd(1).Text(), "0%");
  EXPECT_EQ(model.txtProd(1).BackColor(), kRed);
  EXPECT_EQ(model.txtProd(1).ForeColor(), kWhite);
  EXPECT_EQ(model.txtAOI(1).Text(), text::FormatOneDecimal(model.PanelAOI(1)));
  // The production box is written before the angle box.
  EXPECT_EQ(writes.mid(0, 4), QStringList({"prod1", "aoi1", "prod2", "aoi2"}));

  EXPECT_EQ(model.txtAOI(3).Text(), "12.3");
  EXPECT_EQ(model.txtProd(3).Text(), "45%");
  EXPECT_EQ(model.PanelGeom(3).Azimuth, 0.0);
  EXPECT_EQ(model.PanelGeom(3).Tilt, 0.0);
}

}  // namespace
}  // namespace halvessa::window::testing
