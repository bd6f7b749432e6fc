// A year of weather (8,760 hours) through the Perez sky and the PVWatts chain for five
// panels: the per-hour work of the energy pipeline once the sun and the weather are known.
// The sun comes from the project's geometry and the light from the clear sky dimmed by a
// fixed pseudo-random cloudiness, all worked out before the timing.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "clearsky/clearsky.h"
#include "energy/irradiance.h"
#include "energy/pvwatts.h"
#include "geometry/calendar.h"
#include "geometry/module1.h"

namespace {

using namespace halvessa;
using namespace halvessa::energy;

struct HourInput {
  double zenith, azimuth, dni, dhi, ghi, extraterrestrial, airMass, air, wind;
};

const std::vector<HourInput>& Year() {
  static const std::vector<HourInput> year = [] {
    std::vector<HourInput> v;
    const clearsky::SolisModel sky;
    std::uint32_t seed = 12345;
    const double first = DateSerial(2019, 1, 1);
    for (int h = 0; h < 8760; ++h) {
      double azimuth = 0, elevation = 0;
      geometry::SunPosition(first + (h + 0.5) / 24.0, 39.73, -105.18, -7, azimuth, elevation);
      seed = seed * 1664525u + 1013904223u;
      const double clear = (seed >> 8) / 16777216.0;  // 0..1: the share of the beam let through
      const clearsky::Irradiance c = sky.at(elevation);
      const double zenith = 90.0 - elevation;
      const double dni = c.dni * clear;
      const double dhi = c.dhi + c.dni * (1 - clear) * 0.3 * std::max(0.0, std::sin(elevation * std::numbers::pi / 180));
      v.push_back({zenith, azimuth, dni, dhi, dhi + dni * std::cos(zenith * std::numbers::pi / 180),
                   ExtraterrestrialNormal(h / 24 + 1), RelativeAirMass(zenith),
                   10.0 + 10.0 * std::sin(h * 2 * std::numbers::pi / 24), 1.0 + (seed >> 29)});
    }
    return v;
  }();
  return year;
}

void BM_YearFivePanels(benchmark::State& state) {
  const auto& year = Year();
  const std::array<Plane, 5> panels = {PlaneOf(20, 180), PlaneOf(35, 180), PlaneOf(30, 90),
                                       PlaneOf(30, 270), PlaneOf(10, 150)};
  const System system{4.0, Module::standard, Mount::openRack, 14.08, 96.0, 1.2};
  for (auto _ : state) {
    double ac = 0;
    std::array<ThermalState, 5> thermal{};
    for (const HourInput& in : year) {
      const SunDirection sun = SunOf(in.zenith, in.azimuth);
      for (std::size_t p = 0; p < panels.size(); ++p) {
        PlaneLight light;
        double cosAoi = 0;
        if (in.zenith < 90) {
          cosAoi = CosIncidence(panels[p], sun);
          light.beam = in.dni * std::max(cosAoi, 0.0);
          light.sky = Perez(panels[p], sun, in.dhi, in.dni, in.extraterrestrial, in.airMass).total();
          light.ground = GroundReflected(in.ghi, panels[p]);
        }
        const HourResult r = Hour(cosAoi, light, in.air, in.wind, thermal[p], system);
        thermal[p] = r.state;
        ac += r.ac;
      }
    }
    benchmark::DoNotOptimize(ac);
  }
  state.SetItemsProcessed(state.iterations() * 8760 * 5);
}
BENCHMARK(BM_YearFivePanels)->Unit(benchmark::kMillisecond);

}  // namespace
