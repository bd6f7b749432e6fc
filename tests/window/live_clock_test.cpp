#include "tests/window/form_fixture.h"

namespace halvessa::window::testing {
namespace {

constexpr std::int64_t kDayMs = 24LL * 3600 * 1000;

class LiveClock : public FormTest {
 protected:
  // Started at 10:15:42; the first tick is due at 10:16:42.
  void startUp() {
    platform.setLocalTime(2025, 7, 24, 10, 15, 42);
    form->frmHalvessa_Form_Load();
  }
  std::int64_t clockAt(int h, int m, int s) const {
    return static_cast<std::int64_t>(DateSerial(2025, 7, 24) * FakePlatform::kMsPerDay) +
           ((h * 60LL + m) * 60LL + s) * 1000LL;
  }
};

TEST_F(LiveClock, CheckingNowWaitsForTheNextMinute) {
  struct Case {
    int second;
    std::int64_t firstTickMs;
  };
  for (const Case c : {Case{59, 1000}, Case{0, 60000}, Case{5, 55000}}) {
    startUp();
    model.chkNow.userClicked();
    EXPECT_EQ(model.btnRefresh.Caption(), "Calculate");
    EXPECT_FALSE(platform.msUntilNextTick());

    platform.setLocalTime(2025, 7, 24, 10, 20, c.second);
    const Results before = Results::Of(model);
    model.chkNow.userClicked();
    EXPECT_EQ(model.btnRefresh.Caption(), "Refresh");
    EXPECT_EQ(Results::Of(model), before) << "checking Now computes nothing";
    EXPECT_EQ(platform.msUntilNextTick(), c.firstTickMs) << c.second;

    platform.advance(c.firstTickMs - 1);
    EXPECT_EQ(Results::Of(model), before);
    platform.advance(1);
    EXPECT_EQ(model.txtTime.Text(), "10:21");
    EXPECT_FALSE(model.txtSunset.Text().isEmpty());
    EXPECT_EQ(platform.runningInterval(), 60000);
    model.txtSunset.setText("");
  }
}

TEST_F(LiveClock, TicksFallOnTheMinuteAfterCheckingNow) {
  startUp();
  platform.advance(60000);  // 10:16:42
  platform.advance(60000);  // 10:17:42
  platform.setLocalTime(2025, 7, 24, 10, 17, 50);
  model.chkNow.userClicked();
  platform.setLocalTime(2025, 7, 24, 10, 20, 5);
  model.chkNow.userClicked();
  platform.ticks.clear();
  platform.advance(3 * 60000);
  ASSERT_EQ(platform.ticks.size(), 3u);
  // The ticks moved the clock; check them against the timeline.
  EXPECT_EQ(platform.clockMs(), clockAt(10, 23, 5));
  EXPECT_EQ(platform.ticks[1].atMs - platform.ticks[0].atMs, 60000);
  EXPECT_EQ(model.txtTime.Text(), "10:23");
}

TEST_F(LiveClock, IntervalComesFromTheRefreshBoxAtEveryTick) {
  struct Case {
    const char* text;
    int ms;
  };
  for (const Case c : {Case{"2.5", 2500}, Case{"65.535", 65535}, Case{" 1 ", 1000}}) {
    startUp();
    model.refresshInt.setText(QString::fromLatin1(c.text));
    platform.advance(60000);
    EXPECT_EQ(model.Timer1.Interval(), c.ms) << c.text;
    EXPECT_EQ(platform.msUntilNextTick(), c.ms) << c.text;
    EXPECT_EQ(platform.runTicks(2), 2);
    EXPECT_EQ(platform.ticks.back().atMs - platform.ticks[platform.ticks.size() - 2].atMs, c.ms);
  }
}

TEST_F(LiveClock, IntervalThatRoundsToZeroSilencesTheTimer) {
  for (const char* text : {"0", "0.0004", "-0.0004"}) {
    startUp();
    model.refresshInt.setText(QString::fromLatin1(text));
    platform.advance(60000);
    EXPECT_EQ(model.Timer1.Interval(), 0) << text;
    EXPECT_TRUE(model.Timer1.Enabled());
    EXPECT_FALSE(platform.msUntilNextTick()) << text;
    EXPECT_TRUE(model.message.Text().isEmpty());
    EXPECT_EQ(model.chkNow.Value(), 1);
  }
}

TEST_F(LiveClock, EditTakesEffectAtTheNextTick) {
  startUp();
  model.refresshInt.setText("2");
  EXPECT_EQ(platform.msUntilNextTick(), 60000);  // the pending tick keeps the old interval
  platform.advance(60000);
  EXPECT_EQ(platform.msUntilNextTick(), 2000);
}

TEST_F(LiveClock, TickWithNowUncheckedChangesNothing) {
  startUp();
  goManual();
  const Results before = Results::Of(model);
  const auto events = platform.timerEvents.size();
  const int reads = platform.nowCalls;
  form->frmHalvessa_Timer1_Timer();
  EXPECT_EQ(Results::Of(model), before);
  EXPECT_EQ(platform.timerEvents.size(), events);
  EXPECT_EQ(platform.nowCalls, reads);
}

TEST_F(LiveClock, BadRefreshIntervalIsReportedAndKeepsThePreviousOne) {
  for (const char* text : {"abc", "-1", "70", "65.5355", "1e308"}) {
    startUp();
    model.refresshInt.setText("30");
    platform.advance(60000);  // 10:16:42, interval now 30000
    const Results before = Results::Of(model);

    model.refresshInt.setText(QString::fromLatin1(text));
    platform.advance(30000);  // 10:17:12
    const QString quoted = QStringLiteral("Update every (s): \"%1\"").arg(QString::fromLatin1(text));
    EXPECT_TRUE(model.message.Text().startsWith(quoted)) << model.message.Text().toStdString();
    EXPECT_TRUE(model.refresshInt.marked());
    if (std::string(text) != "abc") {
      EXPECT_TRUE(model.message.Text().contains("65.535")) << model.message.Text().toStdString();
    }
    // Nothing else of the tick ran; live mode goes on at the previous interval.
    EXPECT_EQ(Results::Of(model), before) << text;
    EXPECT_EQ(model.Timer1.Interval(), 30000);
    EXPECT_EQ(platform.msUntilNextTick(), 30000);
    EXPECT_EQ(model.chkNow.Value(), 1);

    model.refresshInt.setText("20");
    platform.advance(30000);  // 10:17:42
    EXPECT_TRUE(model.message.Text().isEmpty());
    EXPECT_FALSE(model.refresshInt.marked());
    EXPECT_EQ(model.txtTime.Text(), "10:17");
    EXPECT_EQ(platform.msUntilNextTick(), 20000);
  }
}

TEST_F(LiveClock, BadLatitudeInLiveModeLeavesDateAndTimeOfTheRefresh) {
  startUp();
  model.txtLat.setText("north");
  platform.setLocalTime(2025, 7, 24, 11, 0, 0);
  const Results before = Results::Of(model);
  clickRefresh();
  EXPECT_EQ(Results::Of(model), before);
  EXPECT_EQ(model.txtTime.Text(), "10:15");
  EXPECT_TRUE(model.txtLat.marked());
}

TEST_F(LiveClock, CaptionTogglesWithEveryClick) {
  startUp();
  for (const char* caption : {"Calculate", "Refresh", "Calculate", "Refresh"}) {
    model.chkNow.userClicked();
    EXPECT_EQ(model.btnRefresh.Caption(), caption);
    EXPECT_EQ(model.Timer1.Enabled(), std::string(caption) == "Refresh");
  }
}

TEST_F(LiveClock, ProgramWritesOfNowFollowTheClickRule) {
  startUp();
  const auto events = platform.timerEvents.size();
  model.chkNow.setValue(1);  // already checked: nothing runs
  EXPECT_EQ(platform.timerEvents.size(), events);
  model.chkNow.setValue(0);  // runs the Click before returning
  EXPECT_EQ(model.btnRefresh.Caption(), "Calculate");
  EXPECT_FALSE(platform.msUntilNextTick());
}

TEST_F(LiveClock, NoTickRunsAfterTheWindowClosed) {
  startUp();
  const Results before = Results::Of(model);
  form->windowClosed();
  EXPECT_TRUE(form->isClosed());
  platform.advance(kDayMs);
  form->frmHalvessa_Timer1_Timer();  // a tick already queued
  EXPECT_EQ(Results::Of(model), before);
}

}  // namespace
}  // namespace halvessa::window::testing
