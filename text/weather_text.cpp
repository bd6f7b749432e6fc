#include "text/weather_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "geometry/calendar.h"

namespace halvessa::text {

QString ShiftHours(double hours) {
  if (hours == 0) return QStringLiteral("0");
  return (hours > 0 ? QStringLiteral("+") : QStringLiteral("-")) +
         QString::number(std::abs(hours), 'g', 6);
}

site::ZoneRule ZoneRuleOver(const SiteZone& zone, const site::Weather& weather, double shiftSeconds) {
  if (weather.rows.empty()) return zone.ruleAround(kUnixEpochSerial, kUnixEpochSerial + 1);
  std::int64_t from = weather.rows.front().start;
  std::int64_t to = from;
  for (const site::WeatherRow& row : weather.rows) {
    from = std::min(from, row.start);
    to = std::max(to, row.start + row.length);
  }
  const auto shift = static_cast<std::int64_t>(shiftSeconds);
  return zone.ruleAround(SerialOfSecond(from + shift) - 1, SerialOfSecond(to + shift) + 1);
}

QString SkyTitle(const site::Weather* weather, const QString& fileName) {
  if (weather == nullptr) return QStringLiteral("clear sky");
  QString source;
  switch (weather->format) {
    case site::WeatherFormat::PvgisCsv:
    case site::WeatherFormat::PvgisJson: source = QStringLiteral("PVGIS TMY"); break;
    case site::WeatherFormat::Epw: source = QStringLiteral("EPW"); break;
    case site::WeatherFormat::PlainCsv: source = QStringLiteral("CSV"); break;
  }
  QString title = (weather->typicalYear ? QStringLiteral("typical year, ") : QStringLiteral("weather, ")) + source;
  if (std::isfinite(weather->latitude) && std::isfinite(weather->longitude)) {
    return title + QStringLiteral(" %1 %2").arg(weather->latitude, 0, 'f', 3).arg(weather->longitude, 0, 'f', 3);
  }
  return title + QStringLiteral(" ") + fileName;
}

QString AlignmentLine(const site::Weather& weather, const QString& fileName, double latitude,
                      double longitude, double shiftHours, const QString& remedy) {
  const energy::Alignment a = energy::CheckAlignment(weather, latitude, longitude, shiftHours);
  QString line = AlignmentWarning(a, fileName);
  if (!line.isEmpty() && a.bestShiftHours != 0) {
    line += remedy.arg(ShiftHours(shiftHours + a.bestShiftHours));
  }
  return line;
}

QString AlignmentWarning(const energy::Alignment& a, const QString& fileName) {
  if (!a.warn) return {};
  QString line = fileName + QStringLiteral(": ");
  const double offset = std::round(a.offsetHours * 2) / 2;  // to the half hour
  if (offset != 0) {
    line += QStringLiteral("its light comes about %1 h %2 the sun")
                .arg(QString::number(std::abs(offset), 'g', 6),
                     offset < 0 ? QStringLiteral("before") : QStringLiteral("after"));
  } else {
    line += QStringLiteral("its light and the sun disagree");
  }
  if (a.nightBeamFraction > energy::kWarnNightFraction) {
    line += QStringLiteral(", %1 % of its beam falls while the sun is down")
                .arg(QString::number(100 * a.nightBeamFraction, 'f', 1));
  }
  if (a.bestShiftHours != 0) {
    line += QStringLiteral(", and its times fit best moved by %1 h").arg(ShiftHours(a.bestShiftHours));
  }
  return line;
}

}  // namespace halvessa::text
