// The series engine against its peer, the one-moment routines, in one run: the sun's position
// per moment over a year of 10-minute steps at one site, once moment by moment through
// SunPosition and once by blocks through the engine; the same with five panels.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "series/engine.h"
#include "series/grid.h"
#include "summary/summary.h"

namespace {

using namespace halvessa;

double Fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

constexpr double kLatitude = 46.205556;
constexpr double kLongitude = 6.154444;
const std::array<PanelGeometry, kPanelCount> kPanels{
    {{151, 45}, {151, 20}, {331, 20}, {151, 70}, {331, 70}}};

// Moments of 2025 every 10 minutes, zone +1, in blocks: the instants the engine takes and
// the local times the one-moment routine takes.
struct Moments {
  std::unique_ptr<series::Block> block = series::MakeBlock();
  std::array<double, series::kBlock> localTime{};
};

std::unique_ptr<Moments> MomentsFrom(double start) {
  auto m = std::make_unique<Moments>();
  m->block->size = series::kBlock;
  for (std::size_t i = 0; i < series::kBlock; ++i) {
    const auto step = static_cast<std::int64_t>(i) * 600;
    m->block->universalSecond[i] = SecondOfDay(start) - 3600 + step;
    m->localTime[i] = start + static_cast<double>(step) / 86400.0;
  }
  return m;
}

void BM_OneCall_SunPosition(benchmark::State& state) {
  auto m = MomentsFrom(DateSerial(2025, 3, 1));
  series::Block& block = *m->block;
  for (auto _ : state) {
    for (std::size_t i = 0; i < block.size; ++i) {
      geometry::SunPosition(m->localTime[i], kLatitude, kLongitude, 1.0, block.azimuth[i],
                            block.elevation[i]);
    }
    benchmark::DoNotOptimize(block.azimuth.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(block.size));
}

void BM_Series_SunPosition(benchmark::State& state) {
  auto m = MomentsFrom(DateSerial(2025, 3, 1));
  series::Block& block = *m->block;
  const series::SeriesEngine engine(kLatitude, kLongitude, kPanels);
  for (auto _ : state) {
    engine.sunPositions(block.universalSecond.data(), block.size, block.azimuth.data(),
                        block.elevation.data());
    benchmark::DoNotOptimize(block.azimuth.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(block.size));
}

void BM_OneCall_FivePanels(benchmark::State& state) {
  auto m = MomentsFrom(DateSerial(2025, 3, 1));
  series::Block& block = *m->block;
  for (auto _ : state) {
    for (std::size_t i = 0; i < block.size; ++i) {
      double az = 0, el = 0;
      geometry::SunPosition(m->localTime[i], kLatitude, kLongitude, 1.0, az, el);
      for (int p = 0; p < kPanelCount; ++p) {
        const double aoi = geometry::AngleOfIncidence(az, el, kPanels[p].Azimuth, kPanels[p].Tilt);
        block.production[p][i] = MomentProduction(aoi, el);
      }
    }
    benchmark::DoNotOptimize(block.production.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(block.size));
}

void BM_Series_FivePanels(benchmark::State& state) {
  auto m = MomentsFrom(DateSerial(2025, 3, 1));
  series::Block& block = *m->block;
  const series::SeriesEngine engine(kLatitude, kLongitude, kPanels);
  for (auto _ : state) {
    engine.compute(block);
    benchmark::DoNotOptimize(block.production.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(block.size));
}

// A local day at 1-minute steps with five panels and the clear sky.
void BM_Day_OneMinute(benchmark::State& state) {
  const summary::Site site{kLatitude, kLongitude, kPanels};
  const auto zone = site::ZoneRule::Fixed(2);
  for (auto _ : state) {
    benchmark::DoNotOptimize(summary::SummarizeDay(site, zone, DateSerial(2025, 7, 24), 60));
  }
}

// The year by months at 10-minute steps.
void BM_Year_TenMinutes(benchmark::State& state) {
  const summary::Site site{kLatitude, kLongitude, kPanels};
  const auto zone = site::ZoneRule::Fixed(1);
  for (auto _ : state) benchmark::DoNotOptimize(summary::SummarizeYear(site, zone, 2025, 600));
}

// The best orientation for a year at 10-minute steps, to the degree, on both cores.
void BM_Best_TenMinutes(benchmark::State& state) {
  const summary::Site site{kLatitude, kLongitude, kPanels};
  const auto zone = site::ZoneRule::Fixed(1);
  const double free = std::nan("");
  for (auto _ : state) {
    benchmark::DoNotOptimize(summary::FindBest(site, zone, 2025, 600, free, free));
  }
}

}  // namespace

BENCHMARK(BM_Day_OneMinute)->Unit(benchmark::kMillisecond)->ComputeStatistics("fastest", Fastest);
BENCHMARK(BM_Year_TenMinutes)->Unit(benchmark::kMillisecond)->ComputeStatistics("fastest", Fastest);
BENCHMARK(BM_Best_TenMinutes)->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("fastest", Fastest);
BENCHMARK(BM_OneCall_SunPosition)->ComputeStatistics("fastest", Fastest);
BENCHMARK(BM_Series_SunPosition)->ComputeStatistics("fastest", Fastest);
BENCHMARK(BM_OneCall_FivePanels)->ComputeStatistics("fastest", Fastest);
BENCHMARK(BM_Series_FivePanels)->ComputeStatistics("fastest", Fastest);
