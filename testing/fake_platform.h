// A platform for tests: a clock that moves only when the test says so, and one periodic timer
// that fires as it moves. The timer runs on a monotonic count (elapsedMs()); the clock is that
// count plus an offset, so setting the clock does not move the timer.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "geometry/calendar.h"
#include "window/platform.h"

namespace halvessa::window::testing {

class FakePlatform : public Platform {
 public:
  // Sets the clock to a local time in the window's default zone, 2 hours east: to that time
  // less 2 hours in universal time.
  void setLocalTime(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    offsetMs_ = std::llround((DateSerial(year, month, day) - 2.0 / 24) * 86400000.0) +
                ((hour * 60LL + minute) * 60 + second) * 1000 + ms - elapsedMs_;
  }
  double nowUniversal() override {
    return static_cast<double>(offsetMs_ + elapsedMs_) / 86400000.0;
  }
  std::int64_t elapsedMs() const { return elapsedMs_; }
  // One timer at a time: the latest created replaces any earlier one.
  std::unique_ptr<PeriodicTimer> createTimer(std::function<void()> onTick) override {
    return std::make_unique<FakeTimer>(*this, std::move(onTick));
  }
  // Moves the clock by ms, running every tick that falls due on the way.
  void advance(std::int64_t ms) { advanceUntil(elapsedMs_ + ms, nullptr); }
  std::optional<std::int64_t> msUntilNextTick() const {  // nothing when stopped
    if (!timer_ || !timer_->running) return std::nullopt;
    return timer_->dueMs - elapsedMs_;
  }
  void processEvents() override {
    if (onProcessEvents) onProcessEvents();
  }
  // Records ms, runs beforeWait, then moves the clock, stopping once interrupted() holds.
  void wait(int ms, const std::function<bool()>& interrupted) override {
    waits.push_back(ms);
    if (beforeWait) beforeWait(ms);
    if (ms > 0 && !interrupted()) advanceUntil(elapsedMs_ + ms, interrupted);
  }

  std::vector<int> starts;  // the interval of every timer start, in order
  std::vector<int> waits;
  std::function<void()> onProcessEvents;
  std::function<void(int)> beforeWait;

 private:
  struct FakeTimer : PeriodicTimer {
    FakeTimer(FakePlatform& p, std::function<void()> tick) : platform(p), onTick(std::move(tick)) {
      platform.timer_ = this;
    }
    ~FakeTimer() override {
      if (platform.timer_ == this) platform.timer_ = nullptr;
    }
    void start(int ms) override {
      running = true;
      intervalMs = ms;
      dueMs = platform.elapsedMs_ + ms;
      platform.starts.push_back(ms);
    }
    void stop() override { running = false; }
    FakePlatform& platform;
    std::function<void()> onTick;
    bool running = false;
    int intervalMs = 0;
    std::int64_t dueMs = 0;
  };

  void advanceUntil(std::int64_t targetMs, const std::function<bool()>& interrupted) {
    while (timer_ && timer_->running && timer_->dueMs <= targetMs) {
      elapsedMs_ = timer_->dueMs;
      timer_->dueMs += timer_->intervalMs;
      const std::function<void()> onTick = timer_->onTick;  // the tick may delete its timer
      onTick();
      if (interrupted && interrupted()) return;
    }
    elapsedMs_ = std::max(elapsedMs_, targetMs);
  }

  std::int64_t elapsedMs_ = 0;
  std::int64_t offsetMs_ = 0;
  FakeTimer* timer_ = nullptr;
};

}  // namespace halvessa::window::testing
