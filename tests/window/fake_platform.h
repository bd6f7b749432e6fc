// A platform for tests: a local clock that moves only when the test says so, periodic timers
// that fire in time order as the clock moves, and scriptable event and wait hooks. A whole
// day of live-clock ticks or simulation steps runs in milliseconds without sleeping.
//
//   FakePlatform platform;
//   platform.setLocalTime(2025, 7, 24, 10, 15, 42);
//   ... Form form(model, platform); form.frmHalvessa_Form_Load();
//   platform.advance(60000);          // fires every tick due in the next minute, in order
//
// Time is kept in whole milliseconds. Timers run on a monotonic count (elapsedMs()); the
// local clock is that count plus an offset, so setting the clock does not move the timers.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "geometry/calendar.h"
#include "window/platform.h"

namespace halvessa::window::testing {

class FakePlatform : public Platform {
 public:
  static constexpr double kMsPerDay = 86400000.0;

  // One call of start() or stop() on a timer, in the order they happened.
  struct TimerEvent {
    int timer;              // the timer's number, 0 for the first one created
    bool started;           // start() when true, stop() when false
    int intervalMs;         // start(): the interval; stop(): 0
    std::int64_t atMs;      // elapsedMs() at the call
  };

  // One tick delivered by advance() or wait().
  struct Tick {
    int timer;
    std::int64_t atMs;
  };

  FakePlatform() = default;
  ~FakePlatform() override {
    for (auto& t : timers_) t->owner = nullptr;
  }
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  // --- The clock --------------------------------------------------------------------
  // Sets the local clock to a day serial (kept to the millisecond).
  void setNow(double serial) {
    offsetMs_ = static_cast<std::int64_t>(std::llround(serial * kMsPerDay)) - elapsedMs_;
  }
  void setLocalTime(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    const std::int64_t dayMs =
        static_cast<std::int64_t>(std::llround(DateSerial(year, month, day) * kMsPerDay));
    offsetMs_ = dayMs + ((hour * 60LL + minute) * 60LL + second) * 1000LL + ms - elapsedMs_;
  }
  double now() override {
    ++nowCalls;
    return static_cast<double>(offsetMs_ + elapsedMs_) / kMsPerDay;
  }
  // The local clock in milliseconds since the day serial's origin.
  std::int64_t clockMs() const { return offsetMs_ + elapsedMs_; }
  // Milliseconds that advance() and wait() have moved, since creation.
  std::int64_t elapsedMs() const { return elapsedMs_; }

  // --- Timers -------------------------------------------------------------------------
  std::unique_ptr<PeriodicTimer> createTimer(std::function<void()> onTick) override {
    auto state = std::make_shared<TimerState>();
    state->owner = this;
    state->number = static_cast<int>(timers_.size());
    state->onTick = std::move(onTick);
    timers_.push_back(state);
    return std::make_unique<FakeTimer>(state);
  }

  // Moves the clock forward by ms, delivering every tick that falls due on the way in time
  // order (ties in creation order), the clock standing at each tick's moment while it runs.
  // A tick may start or stop timers, and may itself advance the clock (a nested wait).
  void advance(std::int64_t ms) { advanceUntil(elapsedMs_ + ms, nullptr); }

  // Delivers ticks until `count` have run or the next due one would fall more than maxMs
  // ahead; returns how many ran.
  int runTicks(int count, std::int64_t maxMs = 24LL * 3600 * 1000) {
    const std::int64_t limit = elapsedMs_ + maxMs;
    int ran = 0;
    while (ran < count) {
      const std::optional<std::int64_t> due = nextDueMs();
      if (!due || *due > limit) break;
      advanceUntil(*due, nullptr);
      ++ran;
    }
    return ran;
  }

  // Milliseconds from now to the next due tick of any running timer; nothing when none runs.
  std::optional<std::int64_t> msUntilNextTick() const {
    const std::optional<std::int64_t> due = nextDueMs();
    if (!due) return std::nullopt;
    return *due - elapsedMs_;
  }
  // The interval of timer `number` while it runs, nothing when it is stopped.
  std::optional<int> runningInterval(int number = 0) const {
    const TimerState& t = *timers_.at(static_cast<std::size_t>(number));
    if (!t.running) return std::nullopt;
    return t.intervalMs;
  }
  int timerCount() const { return static_cast<int>(timers_.size()); }

  std::vector<TimerEvent> timerEvents;  // every start() and stop(), in order
  std::vector<Tick> ticks;              // every tick delivered, in order

  // --- Events and waits ---------------------------------------------------------------
  // processEvents() counts its calls and runs the hook, if any: a test puts its "user" there
  // (a click during a simulation run, say).
  void processEvents() override {
    ++processEventsCalls;
    if (onProcessEvents) onProcessEvents();
  }

  // wait() records its count, then runs the hook if any, else advanceWaiting(). The hook
  // replaces the default entirely; it may act as the user and then call advanceWaiting().
  void wait(int ms, const std::function<bool()>& interrupted) override {
    waits.push_back(ms);
    if (onWait) {
      onWait(ms, interrupted);
      return;
    }
    advanceWaiting(ms, interrupted);
  }
  // The default wait: moves the clock by ms, delivering due ticks, and stops early once
  // interrupted() holds (at once if it already does, else after the tick that made it so).
  void advanceWaiting(int ms, const std::function<bool()>& interrupted) {
    if (ms <= 0) return;
    if (interrupted && interrupted()) return;
    advanceUntil(elapsedMs_ + ms, interrupted);
  }

  int nowCalls = 0;
  int processEventsCalls = 0;
  std::vector<int> waits;
  std::function<void()> onProcessEvents;
  std::function<void(int, const std::function<bool()>&)> onWait;

 private:
  struct TimerState {
    FakePlatform* owner = nullptr;
    int number = 0;
    std::function<void()> onTick;
    bool running = false;
    int intervalMs = 0;
    std::int64_t dueMs = 0;
  };

  class FakeTimer : public PeriodicTimer {
   public:
    explicit FakeTimer(std::shared_ptr<TimerState> state) : state_(std::move(state)) {}
    ~FakeTimer() override {
      if (state_->owner && state_->running) stop();
      state_->onTick = nullptr;
    }
    FakeTimer(const FakeTimer&) = delete;
    FakeTimer& operator=(const FakeTimer&) = delete;

    void start(int ms) override {
      TimerState& s = *state_;
      s.intervalMs = std::max(ms, 1);
      s.running = true;
      if (!s.owner) return;
      s.dueMs = s.owner->elapsedMs_ + s.intervalMs;
      s.owner->timerEvents.push_back({s.number, true, s.intervalMs, s.owner->elapsedMs_});
    }
    void stop() override {
      TimerState& s = *state_;
      s.running = false;
      if (!s.owner) return;
      s.owner->timerEvents.push_back({s.number, false, 0, s.owner->elapsedMs_});
    }

   private:
    std::shared_ptr<TimerState> state_;
  };

  std::optional<std::int64_t> nextDueMs() const {
    std::optional<std::int64_t> best;
    for (const auto& t : timers_) {
      if (t->running && t->onTick && (!best || t->dueMs < *best)) best = t->dueMs;
    }
    return best;
  }

  void advanceUntil(std::int64_t targetMs, const std::function<bool()>& interrupted) {
    for (;;) {
      std::shared_ptr<TimerState> next;
      for (const auto& t : timers_) {
        if (t->running && t->onTick && t->dueMs <= targetMs && (!next || t->dueMs < next->dueMs)) {
          next = t;
        }
      }
      if (!next) break;
      elapsedMs_ = std::max(elapsedMs_, next->dueMs);
      next->dueMs += next->intervalMs;
      ticks.push_back({next->number, elapsedMs_});
      const std::function<void()> onTick = next->onTick;  // the tick may replace it
      onTick();
      if (interrupted && interrupted()) return;
    }
    elapsedMs_ = std::max(elapsedMs_, targetMs);
  }

  std::int64_t elapsedMs_ = 0;
  std::int64_t offsetMs_ = 0;
  std::vector<std::shared_ptr<TimerState>> timers_;
};

}  // namespace halvessa::window::testing
