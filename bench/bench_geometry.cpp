// Per-call cost of the geometry routines over a spread of realistic inputs: moments through
// a year at every time of day, sites from the tropics to the polar circles, panels of every
// orientation.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include "geometry/calendar.h"
#include "geometry/module1.h"

namespace {

using namespace halvessa::geometry;

// On a shared machine other work only ever adds time: with --benchmark_repetitions the
// fastest repetition is the truest figure, so it is reported beside mean and median.
double Fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

struct Input {
  double local;
  double latitude;
  double longitude;
  double zone;
};

constexpr std::size_t kInputs = 1024;  // a power of two, so that cycling is a mask

const std::array<Input, kInputs>& Inputs() {
  static const std::array<Input, kInputs> inputs = [] {
    std::array<Input, kInputs> a{};
    const double start = halvessa::DateSerial(2025, 1, 1);
    for (std::size_t i = 0; i < kInputs; ++i) {
      const double k = static_cast<double>(i);
      // Steps of 8 h 33 min walk through the year and every time of day.
      a[i] = {start + k * 0.35625, -55.0 + static_cast<double>(i * 37 % 125),
              -170.0 + static_cast<double>(i * 53 % 340), static_cast<double>(i % 25) - 12.0};
    }
    return a;
  }();
  return inputs;
}

void BM_SunPosition(benchmark::State& state) {
  const auto& inputs = Inputs();
  std::size_t i = 0;
  double azimuth = 0;
  double elevation = 0;
  for (auto _ : state) {
    const Input& in = inputs[i++ & (kInputs - 1)];
    SunPosition(in.local, in.latitude, in.longitude, in.zone, azimuth, elevation);
    benchmark::DoNotOptimize(azimuth);
    benchmark::DoNotOptimize(elevation);
  }
}
BENCHMARK(BM_SunPosition)->ComputeStatistics("min", Fastest);

void BM_SunriseSunset(benchmark::State& state) {
  const auto& inputs = Inputs();
  std::size_t i = 0;
  double sunrise = 0;
  double sunset = 0;
  for (auto _ : state) {
    const Input& in = inputs[i++ & (kInputs - 1)];
    SunriseSunset(in.local, in.latitude, in.longitude, in.zone, sunrise, sunset);
    benchmark::DoNotOptimize(sunrise);
    benchmark::DoNotOptimize(sunset);
  }
}
BENCHMARK(BM_SunriseSunset)->ComputeStatistics("min", Fastest);

void BM_AngleOfIncidenceAndProduction(benchmark::State& state) {
  // Sun directions over the whole sky against panels of every azimuth and tilt.
  std::array<std::array<double, 4>, kInputs> cases{};
  for (std::size_t i = 0; i < kInputs; ++i) {
    cases[i] = {static_cast<double>(i * 7 % 360), static_cast<double>(i * 11 % 180) - 90.0,
                static_cast<double>(i * 13 % 360), static_cast<double>(i * 3 % 91)};
  }
  std::size_t i = 0;
  for (auto _ : state) {
    const auto& c = cases[i++ & (kInputs - 1)];
    const double aoi = AngleOfIncidence(c[0], c[1], c[2], c[3]);
    double production = AOIToProduction(aoi);
    benchmark::DoNotOptimize(production);
  }
}
BENCHMARK(BM_AngleOfIncidenceAndProduction)->ComputeStatistics("min", Fastest);

}  // namespace
