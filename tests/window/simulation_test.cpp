// The expected sun and panel texts are worked out by expected_steps.py.
#include <vector>

#include "tests/window/form_fixture.h"

namespace halvessa::window::testing {
namespace {

using Simulation = RunTest;

const QString kNeedsSunset = "Simulate needs a sunset: press Refresh or Calculate first.";

TEST_F(Simulation, StepsUntilTheSunsetThenGoesOnFromTheNextSunrise) {
  prepare("20:00", "10.5");  // whole minutes, halves to even
  model.Speed.setText("fast");  // no delay, and said once
  model.message.setText("earlier");
  QString started, rolledOver;  // the run's state at the first step, the next day's boxes
  onStep = [&](int n) {
    if (n == 1) started = runState();
    if (n == 7) rolledOver = model.txtSunrise.Text() + ' ' + model.txtSunset.Text();
  };
  runSteps(8);
  EXPECT_EQ(started + '|' + rolledOver, "-1 Pause manual: |06:08 21:14");
  EXPECT_EQ(steps, QStringList({"2025-07-24|20:00|287.0|11.1", "2025-07-24|20:10|289.0|9.4",
                                "2025-07-24|20:20|290.0|7.8", "2025-07-24|20:30|292.0|6.2",
                                "2025-07-24|20:40|294.0|4.6", "2025-07-24|20:50|296.0|3.0",
                                "2025-07-25|06:08|60.0|-1.0", "2025-07-25|06:18|62.0|0.5"}));
  EXPECT_EQ(model.message.Text() + model.Speed.Text(),
            "Simulation speed (Update every (s)): \"fast\" holds no number; 0 is used.fast");
  EXPECT_TRUE(platform.waits.empty());
}

// A zone name gives each day of a run its offset: into the day the clocks go forward at
// night, and from that day.
TEST_F(Simulation, AZoneNameTakesTheOffsetOfEachDay) {
  for (const auto& [date, time] : {std::pair{"2025-03-29", "20:50"}, {"2025-03-30", "09:00"}}) {
    form.reset();  // a closed window runs nothing more
    form = std::make_unique<Form>(model, platform);
    prepare(time);
    model.txtDate.setText(date);
    model.txtTz.setText("Europe/Zurich");
    runSteps(steps.size() + 2);
  }
  EXPECT_EQ(steps, QStringList({"2025-03-29|20:50|297.0|-18.9", "2025-03-30|07:20|84.0|-0.5",
                                "2025-03-30|09:00|102.0|16.6", "2025-03-30|09:10|104.0|18.3"}));
}

TEST_F(Simulation, EachDelayIsTheSpeedBoxReadAfterTheSunAndCappedAt30Seconds) {
  prepare("20:00", "0");  // the time stands still
  onStep = [this](qsizetype n) {  // read after the sun
    model.Speed.setText(QStringList{"1", "45", "30.5"}.value(n - 1));
  };
  runSteps(3);
  EXPECT_EQ(stepTimes(), "20:00 20:00 20:00");
  EXPECT_EQ(platform.waits, (std::vector<int>{1000, 30000, 30500}));
  EXPECT_EQ(platform.elapsedMs(), 31000);  // closed at the start of the third delay, cut short
}

TEST_F(Simulation, PauseFinishesTheStepAndResumeGoesOnFromTheTimeBoxOnTheRunsDay) {
  prepare();
  onStep = [&](int n) {
    if (n != 3) return;
    user([&] {  // during the third step's delay
      model.btnPause.userFocusChanged(true);  // the focus passes to Resume
      model.btnPause.userClicked();
      EXPECT_TRUE(runState() == "0 Resume manual: " && model.btnRunning.HasFocus());
      user([&] {
        model.jump.userEdited("-5");
        model.btnRunning.userClicked();  // does not convert: stays paused
        EXPECT_EQ(runState(), "0 Resume manual: Jump time (m): \"-5\" is negative.");
      }, 3);
      user([&] {
        EXPECT_EQ(platform.elapsedMs(), 3000 + 200);  // the third delay too ran in full
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
  EXPECT_EQ(steps.mid(3).join(' '), "2030-01-01|09:00|90.0|27.5 2030-01-01|09:10|91.0|29.2");
  // The paused run polled every 100 ms, Resume was pressed at its third point, the poll's
  // wait ended and the fourth step began.
  const QString step = "events, wait 1000, events, ";
  EXPECT_EQ(points.mid(0, 16).join(", "),
            step + step + step + "events, wait 100, events, wait 100, events, wait 100, events");
}

// A new run starts from the boxes as they are then; one asked for with the sunset box cleared
// straight after leaves no run, and one asked for with the box empty is not asked for: both
// say why. A closed window starts nothing.
TEST_F(Simulation, SimulateDuringARunStartsAfreshUnlessTheSunsetBoxIsCleared) {
  prepare();
  // The user's actions after steps 2, 4 and 5, each at the first event point of the next step.
  const std::map<int, std::function<void()>> actions{
      {2, [this] {
         model.txtDate.userEdited("2025-08-01");
         model.txtTime.userEdited("06:00");
         model.txtSunset.userEdited("07:00");
         model.jump.userEdited("5");
         for (int i = 0; i < 1000; ++i) model.btnSimulate.userClicked();
         EXPECT_EQ(form->activeRunLoops(), 1);  // no nesting
       }},
      {4, [this] {
         model.txtSunset.userEdited("");
         model.btnSimulate.userClicked();
         EXPECT_EQ(runState(), "-1 Pause manual: " + kNeedsSunset);
         model.txtSunset.userEdited("07:00");
       }},
      {5, [this] {
         model.btnSimulate.userClicked();
         model.txtSunset.userEdited("");
       }}};
  onStep = [&](int n) { if (actions.count(n) != 0) user(actions.at(n), 2); };
  model.btnSimulate.userClicked();
  EXPECT_EQ(stepTimes(), "20:00 20:10 06:00 06:05 06:10");
  EXPECT_EQ(steps[2], "2025-08-01|06:00|59.0|-3.5");
  EXPECT_TRUE(runState() == "0 Resume manual: " + kNeedsSunset && model.txtSunset.marked());
  form->windowClosed();
  prepare();
  model.message.setText("");
  model.btnSimulate.userClicked();
  EXPECT_TRUE(runState() == "0 Resume manual: " && form->activeRunLoops() == 0);
}

TEST_F(Simulation, WithoutSunsetOrWithABadBoxNothingStarts) {
  model.btnSimulate.userClicked();  // the sunset box is empty after start-up
  EXPECT_EQ(runState(), "0 Resume live: " + kNeedsSunset);
  EXPECT_TRUE(model.txtSunset.marked() && steps.empty());
  prepare();
  const struct { TextBox FormModel::*box; const char *text, *message; } cases[] = {
      {&FormModel::txtLat, "91", "Latitude: \"91\" is outside -90 to 90."},
      {&FormModel::txtTz, "2h", "Time zone: \"2h\" is neither hours nor a known time zone name."},
      {&FormModel::txtDate, "2025-13-40", "Date: \"2025-13-40\" is not a date or time."},
      {&FormModel::txtSunset, "sunset", "Sunset: \"sunset\" is not a date or time."},
      {&FormModel::jump, "99999",
       "Jump time (m): 99999 is too large for a whole number from -32768 to 32767."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    TextBox& box = model.*c.box;
    const QString good = box.Text();
    model.btnRunning.userClicked();  // before any run Resume only arms
    ASSERT_EQ(runState(), "-1 Pause live: ");  // and a failed start must not go on claiming a run
    box.setText(c.text);
    model.btnSimulate.userClicked();
    EXPECT_EQ(runState(), QString("0 Resume live: ") + c.message);
    EXPECT_TRUE(box.marked() && platform.msUntilNextTick() == 60000);
    box.setText(good);
  }
  // Resume took the time, jump and sunset boxes; no step ran.
  EXPECT_TRUE(model.SimTime == 20.0 / 24 && model.StepDays == 10.0 / 1440 && steps.empty());
  EXPECT_NEAR(model.SimEnd, (20 * 60 + 58) / 1440.0, 1e-12);
}

// A step that cannot go on pauses the run with a message naming the box or file at fault.
// Resume tries again: the first time unchanged, the second time after fix().
struct PauseCase {
  std::function<void(FormModel&)> arrange, fix;
  TextBox FormModel::*marked;
  const char* paused;  // the first pause: the message, then the time box and the line counts
  const char* after;   // the step times, then the date box and the line counts after the run
};
class Pausing : public RunTest, public ::testing::WithParamInterface<PauseCase> {};

TEST_P(Pausing, ResumeRetriesTheStep) {
  const PauseCase& c = GetParam();
  prepare();
  c.arrange(model);
  int pauses = 0;
  QString paused;
  platform.onProcessEvents = [&] {
    if (model.IsRunning != 0) return;
    if (++pauses == 1) paused = runState() + '|' + model.txtTime.Text() + '|' + LineCounts();
    EXPECT_TRUE(!c.marked || (model.*c.marked).marked());
    if (pauses == 2 && c.fix) c.fix(model);
    pauses <= 2 ? model.btnRunning.userClicked() : form->windowClosed();
  };
  runSteps(4);
  EXPECT_EQ(paused, QString("0 Resume manual: ") + c.paused);
  EXPECT_EQ(stepTimes() + '|' + model.txtDate.Text() + ' ' + LineCounts(), c.after);
}

INSTANTIATE_TEST_SUITE_P(Cases, Pausing, ::testing::Values(
    // Past the calendar.
    PauseCase{[](FormModel& m) { m.txtDate.setText("9999-12-31"); m.txtTime.setText("20:50"); },
              nullptr, &FormModel::txtDate,
              "Date: the simulated moment lies outside the years 100 to 9999. The simulation is "
              "paused.|21:00|- - - - - -",
              "20:50 21:00 21:10|9999-12-31 - - - - - -"},
    // A speed beyond 16 bits: the step was shown in full and its time box moved on; then the
    // run paused.
    PauseCase{[](FormModel& m) { m.Speed.setText("99999"); },
              [](FormModel& m) { m.Speed.userEdited("1"); }, &FormModel::Speed,
              "Simulation speed (Update every (s)): 99999 is too large for a whole number from "
              "-32768 to 32767. The simulation is paused.|20:10|- - - - - -",
              "20:00 20:10 20:20 20:30|2025-07-24 - - - - - -"},
    // A log that cannot be written: the failed step left no line anywhere; once fixed, each
    // file holds one per step.
    PauseCase{[](FormModel& m) {
                m.Solarchk.setValue(1);
                for (int i = 1; i <= 5; ++i) m.Panelchk(i).setValue(1);
                ASSERT_TRUE(QDir().mkdir("panel2.log"));
              },
              [](FormModel&) { ASSERT_TRUE(QDir().rmdir("panel2.log")); }, nullptr,
              "Cannot write \"panel2.log\": Is a directory. The simulation is paused.|20:00|"
              "0 0 0 - - -",
              "20:00 20:00 20:00 20:10|2025-07-24 2 2 2 2 2 2"}));

// Solarchk shows the check boxes of the panels the last calculation found in use. Each step
// appends the boxes as shown, unless Now is checked: the date and time as typed, in the
// locale's forms, until the run writes its own.
TEST_F(Simulation, SolarchkShowsThePanelsInUseAndEachStepAppendsTheBoxesAsShown) {
  model.txtDate.setText("7/24/2025");
  prepare("8:50 PM");
  model.txtAz(3).setText("0");
  model.txtTilt(3).setText("0");
  model.PanelGeom(3) = PanelRecord{};  // as a calculation would find it
  model.txtTilt(5).setText("70 deg");
  for (int i : {1, 3, 5}) model.Panelchk(i).setValue(1);
  model.Solarchk.userClicked();
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(model.Panelchk(i).Visible(), i != 3) << i;
  model.Solarchk.userClicked();
  for (int i = 1; i <= 5; ++i) EXPECT_FALSE(model.Panelchk(i).Visible()) << i;
  model.chkNow.setValue(0);
  form->log();  // Solarchk unchecked: no file is opened
  EXPECT_EQ(LineCounts(), "- - - - - -");
  model.Solarchk.userClicked();
  WriteFile("solar.log", "earlier\r\n");
  onStep = [this](int n) {  // the second step runs with Now checked again
    if (n <= 2) user([this] { model.chkNow.userClicked(); });
  };
  runSteps(3);
  EXPECT_EQ(ReadFile("solar.log"),
            "earlier\r\n7/24/2025\t8:50 PM\t296.0\t3.0\r\n2025-07-25\t06:18\t62.0\t0.5\r\n");
  EXPECT_EQ(ReadFile("panel1.log"), "7/24/2025\t8:50 PM\t151\t45\t122.8\t0%\r\n"
                                    "2025-07-25\t06:18\t151\t45\t88.9\t0%\r\n");
  EXPECT_EQ(ReadFile("panel5.log"), "7/24/2025\t8:50 PM\t331\t70 deg\t38.1\t70%\r\n"
                                    "2025-07-25\t06:18\t331\t70 deg\t90.8\t0%\r\n");
  // Checked and in use, checked but not in use (created, no line), not checked.
  EXPECT_EQ(LineCounts(), "3 2 - 0 - 2");
}

}  // namespace
}  // namespace halvessa::window::testing
