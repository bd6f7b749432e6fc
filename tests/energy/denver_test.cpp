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

// A row's month, day, hour, beam, diffuse, air, wind, and PVWatts' POA, cell, DC and AC.
using Row = std::array<double, 11>;

std::vector<Row> ReadRows(const std::string& path) {
  std::ifstream in(path);
  std::vector<Row> rows;
  std::string line;
  while (std::getline(in, line) && line.rfind("Month,Day,Hour", 0) != 0) {
  }
  while (std::getline(in, line) && line.rfind("Totals", 0) != 0) {
    Row r{};
    std::istringstream s(line);
    char comma = 0;
    for (double& x : r) s >> x >> comma;
    if (!s && !s.eof()) ADD_FAILURE() << "bad row: " << line;
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
  const Plane plane = PlaneOf(20, 180);
  const double pressureMbar = clearsky::PressureAtAltitude(kElevation) / 100.0;
  double poa = 0, poaRef = 0, cellAbs = 0, cellDiff = 0;
  int lit = 0;
  std::array<double, 13> ac{}, acRef{};  // [0] the year, [1..12] the months
  ThermalState state;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto [month, day, hour, dni, dhi, air, wind, poaPv, cellPv, dcPv, acPv] = rows[i];
    const double start = DateSerial(2019, int(month), int(day)) + hour / 24.0;
    double azimuth = 0, elevation = 0;
    geometry::SunPosition(SunMoment(start), kLatitude, kLongitude, kZone, azimuth, elevation);
    const double apparent = elevation + Refraction(elevation, pressureMbar, air);
    PlaneLight light;
    double cosAoi = 0;
    if (apparent > 0) {
      const SunDirection sun = SunOf(90.0 - apparent, azimuth);
      cosAoi = CosIncidence(plane, sun);
      light.beam = dni * std::max(cosAoi, 0.0);
      light.sky = Perez(plane, sun, dhi, dni, ExtraterrestrialNormal(int(i / 24) + 1),
                        RelativeAirMass(sun.zenith)).total();
      light.ground = GroundReflected(dhi + dni * sun.cosZenith, plane);
    }
    const HourResult h = Hour(cosAoi, light, air, wind, state, system);
    state = h.state;
    poa += light.total();
    poaRef += poaPv;
    for (const int k : {0, int(month)}) ac[k] += h.ac, acRef[k] += acPv;
    if (light.total() > 0 || poaPv > 0) {
      ++lit;
      cellDiff += h.cellTemperature - cellPv;
      cellAbs += std::abs(h.cellTemperature - cellPv);
    }
  }
  std::printf("Denver, PVWatts v5 (4 kW, 20/180, open rack), ours against PVWatts':\n"
              "  plane irradiation %.1f kWh/m2, PVWatts %.1f: %+.2f %%\n",
              poa / 1000, poaRef / 1000, 100 * (poa / poaRef - 1));
  for (int k = 0; k <= 12; ++k) {
    const double e = ac[k] / acRef[k] - 1;
    const std::string label = k ? "month " + std::to_string(k) : "year";
    std::printf("  %-8s AC %7.1f kWh, PVWatts %7.1f: %+.2f %%\n", label.c_str(), ac[k] / 1000,
                acRef[k] / 1000, 100 * e);
    EXPECT_LT(std::abs(e), k ? 0.04 : 0.02) << "month " << k;
  }
  std::printf("  cell temperature over %d lit hours: mean difference %+.2f C, mean absolute "
              "%.2f C\n", lit, cellDiff / lit, cellAbs / lit);
  EXPECT_LT(std::abs(poa / poaRef - 1), 0.01);
  EXPECT_LT(cellAbs / lit, 1.0);
}

}  // namespace
