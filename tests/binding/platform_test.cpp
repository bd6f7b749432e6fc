#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

#include "window/qt_platform.h"

namespace halvessa::window {
namespace {

// The local clock as a day serial, counted independently of the calendar module.
double Serial(const QDateTime& t) {
  return QDate(1899, 12, 30).daysTo(t.date()) + t.time().msecsSinceStartOfDay() / 86400000.0;
}

TEST(QtPlatformTest, NowIsTheLocalDateAndTimeToTheMillisecond) {
  QtPlatform platform;
  const double before = Serial(QDateTime::currentDateTime());
  const double now = platform.now();
  const double after = Serial(QDateTime::currentDateTime());
  EXPECT_GE(now, before - 1e-9);
  EXPECT_LE(now, after + 1e-9);
}

TEST(QtPlatformTest, ATimerTicksUntilStoppedAndNeverSpinsAtZero) {
  QtPlatform platform;
  int ticks = 0;
  auto timer = platform.createTimer([&] { ++ticks; });
  timer->start(5);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 10000));
  timer->stop();
  const int stoppedAt = ticks;
  QTest::qWait(50);
  EXPECT_EQ(ticks, stoppedAt);

  // An interval below 1 ms stops the timer instead of firing at every turn of the loop.
  timer->start(5);
  timer->start(0);
  QTest::qWait(50);
  EXPECT_EQ(ticks, stoppedAt);
}

TEST(QtPlatformTest, AnExceptionFromATickGoesToTheErrorHandler) {
  QtPlatform platform;
  QString reported;
  platform.setErrorHandler([&](const QString& text) { reported = text; });
  auto timer = platform.createTimer([] { throw std::runtime_error("tick failed"); });
  timer->start(2);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !reported.isEmpty(); }, 10000));
  timer->stop();
  EXPECT_EQ(reported, QStringLiteral("tick failed"));
}

// The waits below are ten minutes long: returning at all shows that they ended early.
TEST(QtPlatformTest, WaitServesClicksAndEndsAsSoonAsOneInterruptsIt) {
  QtPlatform platform;
  QPushButton pause;
  bool paused = false;
  QObject::connect(&pause, &QPushButton::clicked, [&] { paused = true; });
  QTimer::singleShot(10, &pause, [&] { QTest::mouseClick(&pause, Qt::LeftButton); });
  platform.wait(600000, [&] { return paused; });
  EXPECT_TRUE(paused);

  // interrupted() turning true without any event is caught by the periodic look.
  QElapsedTimer clock;
  clock.start();
  platform.wait(600000, [&] { return clock.elapsed() >= 20; });
}

TEST(QtPlatformTest, WaitRunsItsCourseWhileTimersTick) {
  QtPlatform platform;
  int ticks = 0;
  auto timer = platform.createTimer([&] { ++ticks; });
  timer->start(2);
  bool laterTimerFired = false;
  QTimer::singleShot(30, Qt::PreciseTimer, [&] { laterTimerFired = true; });
  platform.wait(200, [] { return false; });
  EXPECT_TRUE(laterTimerFired);  // the wait lasted past 30 ms
  EXPECT_GT(ticks, 0);
}

TEST(QtPlatformTest, WaitReturnsAtOnceWhenNothingIsToBeWaited) {
  QtPlatform platform;
  int served = 0;
  QTimer::singleShot(0, [&] { ++served; });
  platform.wait(0, [] { return false; });
  platform.wait(-100, [] { return false; });
  platform.wait(600000, [] { return true; });  // already interrupted
  EXPECT_EQ(served, 0);
  platform.processEvents();
  EXPECT_EQ(served, 1);
}

}  // namespace
}  // namespace halvessa::window
