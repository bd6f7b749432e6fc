#include "site/zone_rule.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "geometry/calendar.h"

namespace halvessa::site {

std::int64_t OffsetSeconds(double hours) { return ZoneOffsetSeconds(hours); }

ZoneRule ZoneRule::Fixed(double hours) { return ZoneRule(hours, {}); }

ZoneRule::ZoneRule(double initialHours, std::vector<Change> changes)
    : initialHours_(initialHours), changes_(std::move(changes)) {}

double ZoneRule::hoursAt(std::int64_t universalSecond) const {
  // The last change at or before the instant.
  const auto after = std::upper_bound(
      changes_.begin(), changes_.end(), universalSecond,
      [](std::int64_t t, const Change& c) { return t < c.universalSecond; });
  return after == changes_.begin() ? initialHours_ : std::prev(after)->hours;
}

std::int64_t ZoneRule::offsetSecondsAt(std::int64_t universalSecond) const {
  return OffsetSeconds(hoursAt(universalSecond));
}

std::int64_t ZoneRule::universalOf(std::int64_t localSecond) const {
  // Each stretch between changes holds the local times its offset gives; the first stretch
  // that holds the local time gives its instant. None does in a skipped hour: there the
  // offset before the change is taken.
  std::int64_t offset = OffsetSeconds(initialHours_);
  for (const Change& change : changes_) {
    if (localSecond - offset < change.universalSecond) return localSecond - offset;
    const std::int64_t next = OffsetSeconds(change.hours);
    if (localSecond - next < change.universalSecond) return localSecond - offset;
    offset = next;
  }
  return localSecond - offset;
}

}  // namespace halvessa::site
