// Fuzz target: the horizon reader on arbitrary file contents. Whatever the bytes, it returns
// either a horizon whose points are sorted, within range and give heights and sky fractions
// that make sense, or one line of message.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "files/horizon.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace halvessa::files;
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const HorizonRead read = ParseHorizon(bytes, QStringLiteral("h.csv"));
  if (!read.horizon) {
    if (!read.error.startsWith(QStringLiteral("h.csv: ")) || read.error.contains(QLatin1Char('\n')))
      std::abort();
    return 0;
  }
  const auto& points = read.horizon->points();
  if (points.size() < 2 || points.size() > static_cast<std::size_t>(kHorizonMaxPoints))
    std::abort();
  for (std::size_t i = 0; i < points.size(); ++i) {
    const auto& p = points[i];
    if (!(p.azimuth >= 0 && p.azimuth < 360) ||
        !(p.height >= kHorizonLowest && p.height <= kHorizonHighest))
      std::abort();
    if (i > 0 && !(points[i - 1].azimuth < p.azimuth)) std::abort();
  }
  for (double azimuth = -90; azimuth <= 450; azimuth += 7.3) {
    const double h = read.horizon->heightAt(azimuth);
    if (!(h >= kHorizonLowest && h <= kHorizonHighest)) std::abort();
  }
  for (const double tilt : {0.0, 35.0, 90.0, 150.0}) {
    const double f = read.horizon->skyFactor(151, tilt);
    if (!(f >= 0 && f <= 1)) std::abort();
  }
  return 0;
}
