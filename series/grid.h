// The moments of a series: instants of universal time in equal steps of real time, each
// with its local time under the site's zone rule.
#pragma once

#include <cstdint>

#include "series/engine.h"
#include "site/zone_rule.h"

namespace halvessa::series {

struct TimeGrid {
  std::int64_t fromUniversal = 0;  // seconds since 1970-01-01 00:00 UT
  std::int64_t stepSeconds = 60;
  std::int64_t count = 0;

  std::int64_t universalAt(std::int64_t k) const { return fromUniversal + k * stepSeconds; }
};

// The moments from fromUniversal up to but excluding toUniversal; none when to is not after
// from. step must be positive.
TimeGrid GridBetween(std::int64_t fromUniversal, std::int64_t toUniversal, std::int64_t step);


// Fills the block with the grid's moments first, first + 1, ... (as many as fit, up to the
// grid's end): the universal second the engine takes, and the local second and offset the
// rows show. Returns the number filled.
std::size_t FillBlock(const TimeGrid& grid, const site::ZoneRule& zone, std::int64_t first,
                      Block& block);

}  // namespace halvessa::series
