// Per-moment cost of the clear sky: SolisModel::at over elevations from below the horizon to
// the zenith, and the plane irradiance of five panels for that moment.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include "clearsky/clearsky.h"

namespace {

using namespace halvessa::clearsky;

// On a shared machine other work only ever adds time: with --benchmark_repetitions the
// fastest repetition is the truest figure, so it is reported beside mean and median.
double Fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

constexpr std::size_t kInputs = 1024;  // a power of two, so that cycling is a mask

// Elevations from -10 to 90 degrees in an order that jumps about, about a tenth of them
// below the horizon as through a day and night.
const std::array<double, kInputs>& Elevations() {
  static const std::array<double, kInputs> elevations = [] {
    std::array<double, kInputs> a{};
    for (std::size_t i = 0; i < kInputs; ++i)
      a[i] = -10.0 + static_cast<double>(i * 389 % kInputs) * (100.0 / kInputs);
    return a;
  }();
  return elevations;
}

void BM_SolisAt(benchmark::State& state) {
  const SolisModel model;
  const auto& elevations = Elevations();
  std::size_t i = 0;
  for (auto _ : state) {
    Irradiance sky = model.at(elevations[i++ & (kInputs - 1)]);
    benchmark::DoNotOptimize(sky);
  }
}
BENCHMARK(BM_SolisAt)->ComputeStatistics("min", Fastest);

void BM_SolisAtAndFivePlanes(benchmark::State& state) {
  const SolisModel model;
  const auto& elevations = Elevations();
  const std::array<PlaneFactors, 5> panels{FactorsForTilt(45), FactorsForTilt(20),
                                           FactorsForTilt(20), FactorsForTilt(70),
                                           FactorsForTilt(70)};
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ & (kInputs - 1);
    const Irradiance sky = model.at(elevations[k]);
    double total = 0;
    for (std::size_t p = 0; p < panels.size(); ++p)
      total += PlaneIrradiance(sky, static_cast<double>((k * 7 + p * 31) % 180), panels[p]);
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_SolisAtAndFivePlanes)->ComputeStatistics("min", Fastest);

}  // namespace
