// The Platform on top of Qt: the local clock from QDateTime, timers from QTimer, and the
// simulation's waits as a local event loop that keeps the window responsive.
#pragma once

#include <QString>

#include <functional>
#include <memory>

#include "window/platform.h"

namespace halvessa::window {

class QtPlatform : public Platform {
 public:
  QtPlatform() = default;

  // The local date plus the local time of day, to the millisecond.
  double nowUniversal() override;

  // A QTimer (precise) on the calling thread. start(ms) below 1 stops it, since a Qt timer
  // at 0 ms would fire continuously.
  std::unique_ptr<PeriodicTimer> createTimer(std::function<void()> onTick) override;

  void processEvents() override;

  // Runs a local event loop for ms milliseconds without busy-waiting. interrupted() is
  // checked whenever the loop has served its pending events and is about to sleep, and
  // every few milliseconds besides; the wait ends as soon as it holds. Returns at once
  // when the application is shutting down.
  void wait(int ms, const std::function<bool()>& interrupted) override;

  // Receives the text of an exception that a tick handler let escape, so it never
  // unwinds through Qt's event loop. Without a handler the text goes to qWarning.
  void setErrorHandler(std::function<void(const QString&)> handler);

  // How often wait() looks at interrupted() while nothing else happens.
  static constexpr int kInterruptPollMs = 25;

 private:
  std::shared_ptr<std::function<void(const QString&)>> errorHandler_ =
      std::make_shared<std::function<void(const QString&)>>();
};

}  // namespace halvessa::window
