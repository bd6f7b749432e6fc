// The energy command's computation for a typical year (the PVGIS EPW of tests/data, 8,760
// hours, read before the timing) with five panels, the Perez sky, the horizon of tests/data,
// temperature, DC and AC: the whole pipeline (the sun of each row included), beside its floor,
// the per-hour chain alone for five panels with the sun and the light worked out beforehand
// (the clear sky dimmed by a fixed pseudo-random cloudiness). And the best orientation from
// that weather and horizon, to the whole degree, on both cores.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include <QString>

#include <variant>

#include "clearsky/clearsky.h"
#include "files/horizon.h"
#include "files/weather.h"
#include "summary/summary.h"
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

struct Tmy {
  site::Weather weather;
  summary::Site site;
};

const Tmy& TypicalYear() {
  static const Tmy tmy = [] {
    Tmy t;
    t.weather = std::get<site::Weather>(
        files::ReadWeather(QStringLiteral(HALVESSA_TEST_DATA "/pvgis-tmy-45.000-8.000.epw")));
    t.site.latitude = 45;
    t.site.longitude = 8;
    t.site.panels = {{{180, 35}, {151, 45}, {90, 30}, {270, 30}, {180, 90}}};
    t.site.kwp = {4, 2, 2, 2, 1};
    t.site.horizon =
        *files::ReadHorizon(QStringLiteral(HALVESSA_TEST_DATA "/horizon-45.000-8.000.csv")).horizon;
    return t;
  }();
  return tmy;
}

void BM_Energy_TmyYearFivePanels(benchmark::State& state) {
  const Tmy& t = TypicalYear();
  const auto zone = site::ZoneRule::Fixed(1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(summary::SumWeather(t.site, t.weather, 3600, zone));
  }
  state.SetItemsProcessed(state.iterations() * 8760 * 5);
}

void BM_Best_TmyWithHorizon(benchmark::State& state) {
  const Tmy& t = TypicalYear();
  const double free = std::nan("");
  for (auto _ : state) {
    benchmark::DoNotOptimize(summary::FindBestWeather(t.site, t.weather, 3600, free, free));
  }
}

void BM_Floor_ChainFivePanels(benchmark::State& state) {
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
BENCHMARK(BM_Energy_TmyYearFivePanels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Floor_ChainFivePanels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Best_TmyWithHorizon)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
