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
  return WithoutMinusZero(locale.toString(value, 'g', QLocale::FloatingPointShortest));
}

QString OneDecimal(double value) { return WithoutMinusZero(text::FormatOneDecimal(value)); }

QJsonValue ValueWithoutMinusZero(const QJsonValue& value) {
  if (value.isDouble()) return value.toDouble() + 0.0;  // -0 + 0 is +0
  if (value.isObject()) return WithoutMinusZero(value.toObject());
  if (value.isArray()) {
    QJsonArray array;
    for (const QJsonValue& item : value.toArray()) array.append(ValueWithoutMinusZero(item));
    return array;
  }
  return value;
}

}  // namespace

Polar PolarOf(double sunrise, double sunset) {
  if (sunset == sunrise) return Polar::kNight;
  return sunset - sunrise >= 1.0 - 1e-9 ? Polar::kDay : Polar::kNone;
}

QJsonValue PolarJson(Polar polar) {
  switch (polar) {
    case Polar::kDay:
      return QStringLiteral("day");
    case Polar::kNight:
      return QStringLiteral("night");
    default:
      return QJsonValue::Null;
  }
}

QString PolarText(Polar polar) {
  switch (polar) {
    case Polar::kDay:
      return QStringLiteral("the sun stays above the horizon all day");
    case Polar::kNight:
      return QStringLiteral("the sun stays below the horizon all day");
    default:
      return {};
  }
}

QString WithoutMinusZero(const QString& number) {
  if (!number.startsWith(QLatin1Char('-'))) return number;
  for (const QChar c : number) {
    if (c.isDigit() && c != QLatin1Char('0')) return number;
  }
  return number.mid(1);
}

QJsonObject WithoutMinusZero(const QJsonObject& object) {
  QJsonObject result;
  for (auto it = object.begin(); it != object.end(); ++it) {
    result.insert(it.key(), ValueWithoutMinusZero(it.value()));
  }
  return result;
}

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
  s += line(QStringLiteral("Sun"), QStringLiteral("azimuth ") + OneDecimal(r.azimuth) +
                                       QStringLiteral(", elevation ") + OneDecimal(r.elevation));
  if (r.polar == Polar::kNone) {
    s += line(QStringLiteral("Sunrise"), event(r.sunrise));
    s += line(QStringLiteral("Sunset"), event(r.sunset));
  } else {
    s += line(QString(), PolarText(r.polar));
  }
  for (std::size_t i = 0; i < r.panels.size(); ++i) {
    const PanelResult& p = r.panels[i];
    QString value = Shortest(p.geometry.Azimuth) + QLatin1Char('/') + Shortest(p.geometry.Tilt);
    value = value.leftJustified(12);
    if (p.inUse) {
      value += QStringLiteral("AOI ") + OneDecimal(p.aoi) +
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
                         {QStringLiteral("polar"), PolarJson(r.polar)},
                         {QStringLiteral("panels"), panels}};
  if (!r.zoneName.isEmpty()) root.insert(QStringLiteral("timezone_name"), r.zoneName);
  return QJsonDocument(WithoutMinusZero(root)).toJson(QJsonDocument::Compact).toStdString() + '\n';
}

}  // namespace halvessa::cli
