#include "window/tips.h"

#include <QStringList>

#include <cmath>
#include <cstdlib>

#include "geometry/calendar.h"
#include "text/convert.h"
#include "window/input.h"

namespace halvessa::window {

namespace {

QString Number(double v) { return QString::number(v, 'g', 10); }

QString Degrees(double v, char positive, char negative) {
  return QStringLiteral("%1° %2").arg(Number(std::fabs(v))).arg(QLatin1Char(v < 0 ? negative : positive));
}

QString ZoneText(const text::SiteZone& zone) {
  return zone.isNamed() ? zone.name() : UtcOffsetText(zone.offsetAtUniversal(0));
}

}  // namespace

QString UtcOffsetText(double hours) {
  const long seconds = std::lround(std::fabs(hours) * 3600);
  QString text = QStringLiteral("UTC%1%2:%3")
                     .arg(QLatin1Char(hours < 0 && seconds != 0 ? '-' : '+'))
                     .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                     .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'));
  if (seconds % 60 != 0) text += QStringLiteral(":%1").arg(seconds % 60, 2, 10, QLatin1Char('0'));
  return text;
}

QString ZoneTip(const QString& zone, const QString& date, const QString& time) {
  TextBox box(zone);
  text::SiteZone read;
  try {
    read = SiteZoneOf(box);
  } catch (const InputError& e) {
    return e.message();
  }
  double moment = 0;
  try {
    moment = RoundToSecond(text::StrictDate(date + QLatin1Char(' ') + time));
  } catch (const text::ConversionError&) {
    return read.isNamed() ? zone : zone + QStringLiteral(", ") + ZoneText(read);
  }
  return QStringLiteral("%1, %2 on %3 %4")
      .arg(zone, UtcOffsetText(read.offsetAtLocal(moment)), text::FormatIsoDate(moment),
           text::FormatHourMinute(moment));
}

QString TitleBlock(const Calculated& c, View view, const QString& sky, bool weather) {
  const double day = std::floor(c.moment);
  const QString when = view != View::kYear ? text::FormatIsoDate(day)
                       : weather           ? QStringLiteral("the weather's year")
                                           : QStringLiteral("year %1").arg(SerialToParts(day).year);
  QStringList panels;
  for (int p = 0; p < kPanelCount; ++p) {
    if (c.panels[p].Azimuth != 0 || c.panels[p].Tilt != 0) {
      panels << QStringLiteral("%1: %2/%3").arg(p + 1).arg(Number(c.panels[p].Azimuth),
                                                           Number(c.panels[p].Tilt));
    }
  }
  return QStringLiteral("Halvessa: %1, %2, time zone %3, %4\n"
                        "Panels (azimuth/tilt): %5; %6")
      .arg(Degrees(c.latitude, 'N', 'S'), Degrees(c.longitude, 'E', 'W'), ZoneText(c.zone), when,
           panels.isEmpty() ? QStringLiteral("none") : panels.join(QStringLiteral(", ")), sky);
}

}  // namespace halvessa::window
