// What the window needs from the outside world: the universal-time clock, a periodic timer, and the
// two waits of a simulation run. The real implementation sits on Qt (window/qt/qt_platform.h); tests
// use a fake one that runs a whole day of ticks or steps in milliseconds without sleeping.
#pragma once

#include <functional>
#include <memory>

namespace halvessa::window {

// A periodic timer. start() (re)starts the count from 0: the first tick comes ms after the
// call, then every ms, until stop(). ms is always at least 1.
class PeriodicTimer {
 public:
  virtual ~PeriodicTimer() = default;
  virtual void start(int ms) = 0;
  virtual void stop() = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // The present instant in universal time as a day serial, to the millisecond. The window
  // expresses it in the site's time zone.
  virtual double nowUniversal() = 0;

  // A timer whose ticks are delivered on the window's thread through onTick.
  virtual std::unique_ptr<PeriodicTimer> createTimer(std::function<void()> onTick) = 0;

  // Lets the window's pending events run, then returns.
  virtual void processEvents() = 0;

  // Waits ms milliseconds while the window keeps serving its events (repaints, clicks,
  // edits, timer ticks). Returns early, as soon as an event has made it true, when
  // interrupted() holds. A count of 0 or below returns at once.
  virtual void wait(int ms, const std::function<bool()>& interrupted) = 0;
};

}  // namespace halvessa::window
