// Fuzz target: the weather reader on arbitrary bytes. Whatever the bytes, ParseWeather returns
// the weather or one line refusing it; the rows it gives are in order, each with its step.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "files/weather.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const halvessa::files::WeatherResult result = halvessa::files::ParseWeather(bytes, QStringLiteral("f"));
  if (const QString* error = std::get_if<QString>(&result)) {
    if (error->isEmpty() || error->contains(QLatin1Char('\n')) || !error->startsWith(QLatin1String("f: ")))
      std::abort();
    return 0;
  }
  const halvessa::site::Weather& weather = std::get<halvessa::site::Weather>(result);
  if (weather.rows.empty()) std::abort();
  const std::int32_t step = weather.rows.front().length;
  if (step <= 0 || step > 3600) std::abort();
  for (const auto& row : weather.rows) {
    if (row.length != step || std::signbit(row.ghi) || std::signbit(row.dni) || std::signbit(row.dhi))
      std::abort();
  }
  return 0;
}
