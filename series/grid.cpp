#include "series/grid.h"

#include <algorithm>
#include <cmath>

#include "geometry/calendar.h"

namespace halvessa::series {

TimeGrid GridBetween(std::int64_t fromUniversal, std::int64_t toUniversal, std::int64_t step) {
  TimeGrid grid{fromUniversal, step, 0};
  if (toUniversal > fromUniversal) grid.count = (toUniversal - fromUniversal + step - 1) / step;
  return grid;
}

std::size_t FillBlock(const TimeGrid& grid, const site::ZoneRule& zone, std::int64_t first,
                      Block& block) {
  const auto n = static_cast<std::size_t>(
      std::clamp<std::int64_t>(grid.count - first, 0, static_cast<std::int64_t>(kBlock)));
  for (std::size_t i = 0; i < n; ++i) {
    const std::int64_t ut = grid.universalAt(first + static_cast<std::int64_t>(i));
    const std::int64_t offset = zone.offsetSecondsAt(ut);
    block.universalSecond[i] = ut;
    block.localSecond[i] = ut + offset;
    block.offsetSecond[i] = offset;
  }
  block.size = n;
  return n;
}

}  // namespace halvessa::series
