// Against the real thing: PVWatts' hourly output for Denver (tests/data, its README). From
// each hour's beam, diffuse, air temperature and wind, with the sun from this project's
// geometry, the Perez plane of array and the PVWatts chain give the year's and each month's
// light and AC, and the cell temperature, compared with PVWatts' own columns.
//
// Time: the rows are local standard time (UTC-7), row hour h the hour from h to h + 1; the
// sun is taken at the middle of the hour, or of its sunlit part in the hours of sunrise and
// sunset, as the reference does. The geometry gives the geometric elevation; the Perez model
// was fitted to (and PVWatts feeds it) the apparent zenith, so the refraction of the NREL
// solar position algorithm is added, at the site's pressure and the hour's air temperature.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "clearsky/clearsky.h"
#include "energy/irradiance.h"
#include "energy/pvwatts.h"
#include "geometry/calendar.h"
#include "geometry/module1.h"

namespace {

using namespace halvessa;
using namespace halvessa::energy;

constexpr double kLatitude = 39.73;
constexpr double kLongitude = -105.18;
constexpr double kElevation = 1819.6;
constexpr double kZone = -7;

struct Row {
  int month, day, hour;
  double dni, dhi, air, wind, poa, cell, dc, ac;
};

std::vector<Row> ReadRows(const std::string& path) {
  std::ifstream in(path);
  std::vector<Row> rows;
  std::string line;
  bool data = false;
  while (std::getline(in, line)) {
    if (!data) {
      data = line.rfind("Month,Day,Hour", 0) == 0;
      continue;
    }
    if (line.rfind("Totals", 0) == 0) break;
    Row r{};
    char c = 0;
    std::istringstream s(line);
    s >> r.month >> c >> r.day >> c >> r.hour >> c >> r.dni >> c >> r.dhi >> c >> r.air >> c >>
        r.wind >> c >> r.poa >> c >> r.cell >> c >> r.dc >> c >> r.ac;
    if (s.fail()) ADD_FAILURE() << "bad row: " << line;
    rows.push_back(r);
  }
  return rows;
}

// The moment (local day serial) of the hour [start, start + 1/24) whose sun stands for it.
double SunMoment(double start) {
  const double end = start + 1.0 / 24.0;
  double rise = 0, set = 0;
  geometry::SunriseSunset(start, kLatitude, kLongitude, kZone, rise, set);
  const double from = rise > start && rise < end ? rise : start;
  const double to = set > start && set < end ? set : end;
  return (from + to) / 2.0;
}

TEST(Denver, PvWattsYearMonthsAndCellTemperature) {
  const std::vector<Row> rows = ReadRows(HALVESSA_TEST_DATA "/pvwatts-8760-denver-rack.csv");
  ASSERT_EQ(rows.size(), 8760u);
  const System system{4.0, Module::standard, Mount::openRack, 14.08, 96.0, 1.2};
  const double pressureMbar = clearsky::PressureAtAltitude(kElevation) / 100.0;
  double poa = 0, poaRef = 0, ac = 0, acRef = 0, cellDiff = 0, cellAbs = 0;
  int lit = 0;
  std::array<double, 13> month{}, monthRef{};
  ThermalState state;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    const double start = DateSerial(2019, r.month, r.day) + r.hour / 24.0;
    double azimuth = 0, elevation = 0;
    geometry::SunPosition(SunMoment(start), kLatitude, kLongitude, kZone, azimuth, elevation);
    const double apparent = elevation + Refraction(elevation, pressureMbar, r.air);
    PlaneLight light;
    double cosAoi = 0;
    if (apparent > 0) {
      const double zenith = 90.0 - apparent;
      const double ghi = r.dhi + r.dni * std::cos(zenith * std::numbers::pi / 180.0);
      cosAoi = CosIncidence(20, 180, zenith, azimuth);
      light.beam = r.dni * std::max(cosAoi, 0.0);
      light.sky = Perez(20, 180, r.dhi, r.dni, ExtraterrestrialNormal(static_cast<int>(i / 24) + 1),
                        zenith, azimuth, RelativeAirMass(zenith))
                      .total();
      light.ground = GroundReflected(ghi, 20);
    }
    const HourResult h = Hour(cosAoi, light, r.air, r.wind, state, system);
    state = h.state;
    poa += light.total();
    poaRef += r.poa;
    ac += h.ac;
    acRef += r.ac;
    month[r.month] += h.ac;
    monthRef[r.month] += r.ac;
    if (light.total() > 0 || r.poa > 0) {
      ++lit;
      cellDiff += h.cellTemperature - r.cell;
      cellAbs += std::abs(h.cellTemperature - r.cell);
    }
  }
  const double poaError = poa / poaRef - 1, acError = ac / acRef - 1;
  std::printf("Denver, PVWatts v5 (4 kW, 20/180, open rack):\n");
  std::printf("  plane irradiation %.1f kWh/m2, PVWatts %.1f: %+.2f %%\n", poa / 1000,
              poaRef / 1000, 100 * poaError);
  std::printf("  AC %.1f kWh, PVWatts %.1f: %+.2f %%\n", ac / 1000, acRef / 1000, 100 * acError);
  double worst = 0;
  for (int m = 1; m <= 12; ++m) {
    const double e = month[m] / monthRef[m] - 1;
    std::printf("  month %2d: AC %6.1f kWh, PVWatts %6.1f: %+.2f %%\n", m, month[m] / 1000,
                monthRef[m] / 1000, 100 * e);
    worst = std::max(worst, std::abs(e));
    EXPECT_LT(std::abs(e), 0.04) << "month " << m;
  }
  std::printf("  worst month %.2f %%; cell temperature over %d lit hours: mean difference "
              "%+.2f C, mean absolute %.2f C\n",
              100 * worst, lit, cellDiff / lit, cellAbs / lit);
  EXPECT_LT(std::abs(poaError), 0.01);
  EXPECT_LT(std::abs(acError), 0.02);
  EXPECT_LT(cellAbs / lit, 1.0);
}

}  // namespace
