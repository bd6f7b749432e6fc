#include "tests/window/form_fixture.h"

namespace halvessa::window::testing {
namespace {

class LiveClock : public FormTest {
 protected:
  void startUp() {  // at 10:15:42: the first tick is due at 10:16:42
    platform.setLocalTime(2025, 7, 24, 10, 15, 42);
    form->frmHalvessa_Form_Load();
  }
};

TEST_F(LiveClock, CheckingNowComputesNothingAndTicksAtTheNextMinute) {
  for (const int second : {59, 0, 5}) {
    SCOPED_TRACE(second);
    startUp();
    model.chkNow.setValue(0);  // a program write runs the Click before it returns
    EXPECT_EQ(model.btnRefresh.Caption(), "Calculate");
    EXPECT_FALSE(model.Timer1.Enabled() || platform.msUntilNextTick());

    platform.setLocalTime(2025, 7, 24, 10, 20, second);
    model.txtSunset.setText("");
    const QString before = Results(model);
    model.chkNow.userClicked();
    EXPECT_EQ(model.btnRefresh.Caption(), "Refresh");
    EXPECT_EQ(platform.msUntilNextTick(), (60 - second) * 1000);
    platform.advance((60 - second) * 1000 - 1);
    EXPECT_EQ(Results(model), before);
    platform.advance(1);
    EXPECT_EQ(model.txtTime.Text(), "10:21");
    EXPECT_FALSE(model.txtSunset.Text().isEmpty());
    EXPECT_EQ(platform.msUntilNextTick(), 60000);
    const auto starts = platform.starts.size();
    model.chkNow.setValue(1);  // the same value runs nothing
    EXPECT_EQ(platform.starts.size(), starts);
  }
}

TEST_F(LiveClock, IntervalIsReadFromTheRefreshBoxAtEveryTick) {
  struct Case { const char* text; int ms; };  // ms 0: the timer stays enabled but silent
  for (const Case c : {Case{"2.5", 2500}, Case{"65.535", 65535}, Case{"0", 0}, Case{"-4e-4", 0}}) {
    SCOPED_TRACE(c.text);
    const auto next = c.ms ? std::optional<std::int64_t>(c.ms) : std::nullopt;
    startUp();
    model.refresshInt.setText(c.text);
    EXPECT_EQ(platform.msUntilNextTick(), 60000);  // the pending tick keeps the old interval
    platform.advance(60000);
    EXPECT_TRUE(model.Timer1.Interval() == c.ms && model.Timer1.Enabled());
    EXPECT_EQ(model.message.Text(), "");
    EXPECT_EQ(platform.msUntilNextTick(), next);
    platform.advance(c.ms);
    EXPECT_EQ(platform.msUntilNextTick(), next);
  }
}

TEST_F(LiveClock, BadRefreshIntervalIsReportedAndKeepsThePreviousOne) {
  for (const char* text : {"abc", "-1", "70", "1e308"}) {
    SCOPED_TRACE(text);
    startUp();
    model.refresshInt.setText("30");
    platform.advance(60000);  // 10:16:42, interval now 30000
    const QString before = Results(model);
    model.refresshInt.setText(text);
    platform.advance(30000);
    const QString quoted = QStringLiteral("Update every (s): \"%1\"").arg(text);
    EXPECT_EQ(messageHead(quoted), quoted);
    EXPECT_TRUE(model.refresshInt.marked());
    // Nothing else of the tick ran; live mode goes on at the previous interval.
    EXPECT_EQ(Results(model), before);
    EXPECT_EQ(platform.msUntilNextTick(), 30000);
    EXPECT_EQ(model.chkNow.Value(), 1);

    model.refresshInt.setText("20");
    platform.advance(30000);  // 10:17:42
    EXPECT_EQ(model.message.Text() + model.txtTime.Text(), "10:17");
    EXPECT_FALSE(model.refresshInt.marked());
    EXPECT_EQ(platform.msUntilNextTick(), 20000);
  }
}

TEST_F(LiveClock, TickWithNowUncheckedOrAfterClosingChangesNothing) {
  startUp();
  goManual();
  const QString before = Results(model);
  form->frmHalvessa_Timer1_Timer();
  EXPECT_EQ(Results(model), before);
  EXPECT_EQ(platform.starts.size(), 2u);
  model.chkNow.setValue(1);
  form->windowClosed();
  platform.advance(24LL * 3600 * 1000);
  form->frmHalvessa_Timer1_Timer();  // a tick already queued
  EXPECT_EQ(Results(model), before);
}

}  // namespace
}  // namespace halvessa::window::testing
