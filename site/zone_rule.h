// A site's time zone as the series sees it: fixed hours, or offsets that change at given
// instants (daylight saving). Plain data: the text layer builds it from the system's time
// zone database for the span of time a series covers.
#pragma once

#include <cstdint>
#include <vector>

namespace halvessa::site {

class ZoneRule {
 public:
  // From this instant on (seconds of universal time since 1970-01-01 00:00) the offset is
  // hours east of universal time.
  struct Change {
    std::int64_t universalSecond;
    double hours;
  };

  static ZoneRule Fixed(double hours);
  // initialHours before the first change; changes sorted by instant.
  ZoneRule(double initialHours, std::vector<Change> changes);

  // Hours east of universal time at an instant of universal time.
  double hoursAt(std::int64_t universalSecond) const;
  // The offset in whole seconds, as local times are shown and counted.
  std::int64_t offsetSecondsAt(std::int64_t universalSecond) const;

  // The instant of universal time of a local time. A local time that the clocks skip (the
  // hour lost in spring) is taken with the offset before the change; one that comes twice
  // (the hour repeated in autumn) is the first of the two.
  std::int64_t universalOf(std::int64_t localSecond) const;

  bool changes() const { return !changes_.empty(); }

 private:
  double initialHours_;
  std::vector<Change> changes_;
};

// Whole seconds of an offset in hours.
std::int64_t OffsetSeconds(double hours);

}  // namespace halvessa::site
