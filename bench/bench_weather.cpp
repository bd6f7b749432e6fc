// Reading the weather files of tests/data: the PVGIS year as EPW and as CSV, from the file
// (read and parsed) as the calculator will, beside the floor of reading the EPW's bytes and
// finding its lines.
#include <benchmark/benchmark.h>

#include <QFile>

#include <cstring>

#include <cstdlib>
#include <variant>

#include "files/weather.h"

namespace {

void Read(benchmark::State& state, const char* name) {
  const QString path = QStringLiteral(HALVESSA_TEST_DATA "/") + QLatin1String(name);
  for (auto _ : state) {
    const halvessa::files::WeatherResult result = halvessa::files::ReadWeather(path);
    if (!std::holds_alternative<halvessa::site::Weather>(result)) std::abort();
    benchmark::DoNotOptimize(std::get<halvessa::site::Weather>(result).rows.data());
  }
  state.SetItemsProcessed(state.iterations() * 8760);
}

void BM_ReadEpw(benchmark::State& state) { Read(state, "pvgis-tmy-45.000-8.000.epw"); }
void BM_ReadPvgisCsv(benchmark::State& state) { Read(state, "pvgis-tmy-45.000-8.000.csv"); }
void BM_EpwBytesAndLines(benchmark::State& state) {
  const QString path = QStringLiteral(HALVESSA_TEST_DATA "/pvgis-tmy-45.000-8.000.epw");
  for (auto _ : state) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) std::abort();
    const QByteArray bytes = file.readAll();
    long lines = 0;
    for (const char *at = bytes.constData(), *end = at + bytes.size();
         (at = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)))); ++at)
      ++lines;
    benchmark::DoNotOptimize(lines);
  }
}

BENCHMARK(BM_EpwBytesAndLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadEpw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPvgisCsv)->Unit(benchmark::kMillisecond);

}  // namespace
