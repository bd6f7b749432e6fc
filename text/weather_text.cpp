#include "text/weather_text.h"

#include <cmath>

namespace halvessa::text {

QString ShiftHours(double hours) {
  if (hours == 0) return QStringLiteral("0");
  return (hours > 0 ? QStringLiteral("+") : QStringLiteral("-")) +
         QString::number(std::abs(hours), 'g', 6);
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
