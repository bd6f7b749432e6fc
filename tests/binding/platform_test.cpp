// The platform on Qt's clock, timers and event loop.
#include <QDateTime>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

#include "window/qt/qt_platform.h"

namespace halvessa::window {
namespace {

TEST(QtPlatformTest, NowIsTheUniversalClockAsADaySerial) {
  // Day serials count from 1899-12-30, 25569 days before the Unix epoch.
  const auto serial = [] { return 25569 + QDateTime::currentMSecsSinceEpoch() / 86400000.0; };
  const double before = serial();
  const double now = QtPlatform().nowUniversal();
  EXPECT_TRUE(before - 1e-9 <= now && now <= serial() + 1e-9) << now;
}

TEST(QtPlatformTest, TimerTicksUntilStoppedAndReportsWhatATickThrows) {
  QtPlatform platform;
  int ticks = 0;
  auto timer = platform.createTimer([&] { ++ticks; });
  timer->start(5);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 10000));
  timer->stop();
  const int stoppedAt = ticks;
  QTest::qWait(50);
  EXPECT_EQ(ticks, stoppedAt);
  timer->start(5);
  timer->start(0);  // below 1 ms the timer stops instead of firing at every turn of the loop
  QTest::qWait(50);
  EXPECT_EQ(ticks, stoppedAt);

  QString reported;
  platform.setErrorHandler([&](const QString& text) { reported = text; });
  auto failing = platform.createTimer([] { throw std::runtime_error("tick failed"); });
  failing->start(2);
  EXPECT_TRUE(QTest::qWaitFor([&] { return reported == "tick failed"; }, 10000));
  failing->stop();
}

// The ten-minute waits below show by returning at all that they ended early.
TEST(QtPlatformTest, WaitServesEventsAndEndsWhenInterrupted) {
  QtPlatform platform;
  bool paused = false;
  QTimer::singleShot(10, [&] { paused = true; });  // an event served during the wait
  platform.wait(600000, [&] { return paused; });
  QElapsedTimer clock;  // turning true without any event is caught by the periodic look
  clock.start();
  platform.wait(600000, [&] { return clock.elapsed() >= 20; });

  // Not interrupted, a wait runs its course with the timers ticking.
  int ticks = 0;
  auto timer = platform.createTimer([&] { ++ticks; });
  timer->start(2);
  bool laterTimerFired = false;
  QTimer::singleShot(30, Qt::PreciseTimer, [&] { laterTimerFired = true; });
  platform.wait(200, [] { return false; });
  EXPECT_TRUE(laterTimerFired && ticks > 0);
}

}  // namespace
}  // namespace halvessa::window
