#include "cli/report.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QString>
#include <QTime>

#include <cmath>

#include "geometry/calendar.h"
#include "files/series_export.h"
#include "text/convert.h"

namespace halvessa::cli {

namespace {

// "+hh:mm" / "-hh:mm" of a time zone in hours, "+hh:mm:ss" when not whole minutes.
QString OffsetText(double timeZone) {
  return QString::fromStdString(files::OffsetText(ZoneOffsetSeconds(timeZone)));
}

// Local ISO 8601 date-time to the nearest millisecond: "2025-07-24T06:08:13.102+02:00". The
// milliseconds are written when alwaysMs is set or when the time has a fraction of a second.
QString IsoDateTime(double serial, double timeZone, bool alwaysMs) {
  double day = std::floor(serial);
  auto ms = static_cast<int>(std::round((serial - day) * 86400000.0));
  if (ms >= 86400000) {
    ms -= 86400000;
    day += 1;
  }
  const DateParts d = SerialToParts(day);
  const QTime time = QTime::fromMSecsSinceStartOfDay(ms);
  return QDate(d.year, d.month, d.day).toString(Qt::ISODate) + QLatin1Char('T') +
         time.toString(alwaysMs || ms % 1000 != 0 ? QStringLiteral("HH:mm:ss.zzz")
                                                  : QStringLiteral("HH:mm:ss")) +
         OffsetText(timeZone);
}

// A value the user gave, as short as it reads back, in the locale's form.
QString Shortest(double value) {
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale.toString(value, 'g', QLocale::FloatingPointShortest);
}

}  // namespace

std::string TextReport(const Result& r) {
  const auto line = [](const QString& label, const QString& value) {
    return label.leftJustified(12) + value + QLatin1Char('\n');
  };
  // Taken to the second first, so that the date written next to a time is the date of the
  // time shown.
  const double moment = RoundToSecond(r.moment);
  const QString day = text::FormatIsoDate(moment);
  // A sunrise or sunset on another day than the moment's carries its date.
  const auto event = [&day](double serial) {
    const double shown = RoundToSecond(serial);
    QString s = text::FormatHourMinuteSecond(shown);
    const QString date = text::FormatIsoDate(shown);
    if (date != day) s += QStringLiteral(" (") + date + QLatin1Char(')');
    return s;
  };

  QString s;
  s +=
      line(QStringLiteral("Moment"), day + QLatin1Char(' ') + text::FormatHourMinuteSecond(moment) +
                                         QStringLiteral(", UTC") + OffsetText(r.timeZone));
  s += line(QStringLiteral("Site"), QStringLiteral("latitude ") + Shortest(r.latitude) +
                                        QStringLiteral(", longitude ") + Shortest(r.longitude) +
                                        QStringLiteral(", time zone ") +
                                        (r.zoneName.isEmpty() ? Shortest(r.timeZone)
                                                              : r.zoneName + QStringLiteral(" (") +
                                                                    Shortest(r.timeZone) +
                                                                    QLatin1Char(')')));
  s += line(QStringLiteral("Sun"), QStringLiteral("azimuth ") + text::FormatOneDecimal(r.azimuth) +
                                       QStringLiteral(", elevation ") +
                                       text::FormatOneDecimal(r.elevation));
  s += line(QStringLiteral("Sunrise"), event(r.sunrise));
  s += line(QStringLiteral("Sunset"), event(r.sunset));
  // Where the sunrise equation has no solution the two times mark solar noon (both equal) or
  // lie a whole day apart around it.
  if (r.sunset == r.sunrise) {
    s += line(QString(), QStringLiteral("the sun stays below the horizon all day"));
  } else if (r.sunset - r.sunrise >= 1.0 - 1e-9) {
    s += line(QString(), QStringLiteral("the sun stays above the horizon all day"));
  }
  for (std::size_t i = 0; i < r.panels.size(); ++i) {
    const PanelResult& p = r.panels[i];
    QString value = Shortest(p.geometry.Azimuth) + QLatin1Char('/') + Shortest(p.geometry.Tilt);
    value = value.leftJustified(12);
    if (p.inUse) {
      value += QStringLiteral("AOI ") + text::FormatOneDecimal(p.aoi) +
               QStringLiteral(", production ") + text::FormatWhole(p.production) + QLatin1Char('%');
    } else {
      value += QStringLiteral("not in use");
    }
    s += line(QStringLiteral("Panel %1").arg(i + 1), value);
  }
  return s.toStdString();
}

std::string JsonReport(const Result& r) {
  QJsonArray panels;
  for (std::size_t i = 0; i < r.panels.size(); ++i) {
    const PanelResult& p = r.panels[i];
    QJsonObject panel{{QStringLiteral("panel"), static_cast<int>(i + 1)},
                      {QStringLiteral("azimuth"), p.geometry.Azimuth},
                      {QStringLiteral("tilt"), p.geometry.Tilt},
                      {QStringLiteral("in_use"), p.inUse}};
    if (p.inUse) {
      panel.insert(QStringLiteral("aoi"), p.aoi);
      panel.insert(QStringLiteral("production"), p.production);
    }
    panels.append(panel);
  }
  const QJsonObject sun{{QStringLiteral("azimuth"), r.azimuth},
                        {QStringLiteral("elevation"), r.elevation}};
  QJsonObject root{{QStringLiteral("moment"), IsoDateTime(r.moment, r.timeZone, false)},
                         {QStringLiteral("latitude"), r.latitude},
                         {QStringLiteral("longitude"), r.longitude},
                         {QStringLiteral("timezone"), r.timeZone},
                         {QStringLiteral("sun"), sun},
                         {QStringLiteral("sunrise"), IsoDateTime(r.sunrise, r.timeZone, true)},
                         {QStringLiteral("sunset"), IsoDateTime(r.sunset, r.timeZone, true)},
                         {QStringLiteral("panels"), panels}};
  if (!r.zoneName.isEmpty()) root.insert(QStringLiteral("timezone_name"), r.zoneName);
  return QJsonDocument(root).toJson(QJsonDocument::Compact).toStdString() + '\n';
}

}  // namespace halvessa::cli
