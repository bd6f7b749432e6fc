#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>

#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "series/engine.h"
#include "series/grid.h"

namespace halvessa::series {
namespace {

std::uint64_t Bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// The engine's shortcut for the calendar: the Julian day at 0 h of every date of the
// calendar is its day serial plus 2415018.5.
TEST(SeriesCalendar, JulianDayIsTheSerialPlusAConstantOnEveryDate) {
  for (double day = kFirstSerial; day < kEndSerial; day += 1.0) {
    const DateParts p = SerialToParts(day);
    ASSERT_EQ(geometry::JulianDay(p.year, p.month, p.day), day + 2415018.5) << day;
  }
}

// Random sites, zones (halves and any fraction included), panels and instants of years 100 to
// 9999: every result has the bits of the one-moment routines given the instant's local time.
TEST(SeriesEngine, EqualsTheOneMomentRoutinesBitForBit) {
  std::mt19937_64 random(20261207);
  std::uniform_real_distribution<double> latitude(-90, 90), longitude(-180, 180),
      azimuth(0, 360), tilt(0, 90), unit(0, 1);
  std::uniform_int_distribution<std::int64_t> second(SecondOfDay(kFirstSerial + 2),
                                                     SecondOfDay(kEndSerial - 2));
  std::uniform_int_distribution<int> halfHours(-47, 47);
  auto block = MakeBlock();
  for (int site = 0; site < 40; ++site) {
    std::array<PanelGeometry, kPanelCount> panels{};
    for (auto& panel : panels) {
      // Whole degrees as typed mostly, any value sometimes; one panel in five out of use.
      const double u = unit(random);
      if (u < 0.2) continue;
      panel = u < 0.6 ? PanelGeometry{std::round(azimuth(random)), std::round(tilt(random))}
                      : PanelGeometry{azimuth(random), tilt(random)};
    }
    const double lat = site == 0 ? 90.0 : site == 1 ? -90.0 : latitude(random);
    const double lon = longitude(random);
    block->size = 500 + site % 4;  // groups of four and the remainder
    std::array<double, kBlock> zone{};
    for (std::size_t i = 0; i < block->size; ++i) {
      block->universalSecond[i] = second(random);
      zone[i] = unit(random) < 0.5 ? halfHours(random) / 2.0 : 48 * unit(random) - 24;
    }
    SeriesEngine(lat, lon, panels).compute(*block);
    for (std::size_t i = 0; i < block->size; ++i) {
      const double local =
          SerialOfSecond(block->universalSecond[i] + ZoneOffsetSeconds(zone[i]));
      double az = 0, el = 0;
      geometry::SunPosition(local, lat, lon, zone[i], az, el);
      ASSERT_EQ(Bits(block->azimuth[i]), Bits(az)) << site << " " << i;
      ASSERT_EQ(Bits(block->elevation[i]), Bits(el)) << site << " " << i;
      for (int p = 0; p < kPanelCount; ++p) {
        if (!InUse(panels[p])) continue;
        const double aoi = geometry::AngleOfIncidence(az, el, panels[p].Azimuth, panels[p].Tilt);
        ASSERT_EQ(Bits(block->aoi[p][i]), Bits(aoi)) << site << " " << i << " " << p;
        ASSERT_EQ(Bits(block->production[p][i]), Bits(MomentProduction(aoi, el)));
      }
    }
  }
}

// The calendar's ends: the first second of year 10000 and the last of year 99 are refused as
// SunPosition refuses them; the moments of earlier groups of four are filled.
TEST(SeriesEngine, RefusesAMomentPastTheCalendar) {
  const SeriesEngine engine(46, 6, {});
  auto block = MakeBlock();
  block->size = 5;
  block->universalSecond.fill(SecondOfDay(45000));
  double az = 0, el = 0;
  for (const double outside : {kEndSerial, kFirstSerial - 1.0 / 86400}) {
    EXPECT_THROW(geometry::SunPosition(outside, 46, 6, 0, az, el), CalendarRangeError);
    block->universalSecond[4] = SecondOfDay(std::floor(outside)) +
                                std::llround((outside - std::floor(outside)) * 86400);
    EXPECT_THROW(engine.compute(*block), CalendarRangeError);
  }
  geometry::SunPosition(45000, 46, 6, 0, az, el);
  EXPECT_EQ(block->elevation[0], el);
  block->universalSecond[4] = SecondOfDay(kEndSerial) - 1;
  EXPECT_NO_THROW(engine.compute(*block));
}

}  // namespace
}  // namespace halvessa::series
