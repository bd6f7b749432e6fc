// The horizon: one panel's sky fraction (worked out once per panel), one height lookup and
// one sun test (per moment), and reading a horizon file of 48 points from its bytes.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>
#include <vector>

#include "files/horizon.h"
#include "site/horizon.h"

namespace {

using halvessa::site::Horizon;

// 48 points every 7.5 degrees, hills in the north and east, open to the west.
Horizon Profile() {
  std::vector<Horizon::Point> points;
  for (int i = 0; i < 48; ++i) points.push_back({7.5 * i, i < 26 ? 15.0 - 0.5 * i : 0.0});
  return Horizon(points);
}

void BM_SkyFactor(benchmark::State& state) {
  const Horizon h = Profile();
  double tilt = 35;
  for (auto _ : state) {
    benchmark::DoNotOptimize(h.skyFactor(151, tilt));
    tilt = tilt == 35 ? 36 : 35;
  }
}
BENCHMARK(BM_SkyFactor)->Unit(benchmark::kMicrosecond);

void BM_Blocks(benchmark::State& state) {
  const Horizon h = Profile();
  double azimuth = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(h.blocks(azimuth, 10));
    azimuth = azimuth > 359 ? 0.3 : azimuth + 1.7;
  }
}
BENCHMARK(BM_Blocks);

void BM_ParseFile(benchmark::State& state) {
  QByteArray bytes = "horizon_azimuth,horizon_elevation\n";
  const Horizon profile = Profile();
  for (const auto& p : profile.points())
    bytes += QByteArray::number(p.azimuth) + ',' + QByteArray::number(p.height) + '\n';
  const QString name = QStringLiteral("h.csv");
  for (auto _ : state) benchmark::DoNotOptimize(halvessa::files::ParseHorizon(bytes, name));
}
BENCHMARK(BM_ParseFile)->Unit(benchmark::kMicrosecond);

}  // namespace
