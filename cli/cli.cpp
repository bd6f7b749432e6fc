#include "cli/cli.h"

#include <QDateTime>
#include <QLocale>

#include <array>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <vector>

#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "text/convert.h"

#ifndef HALVESSA_VERSION
#define HALVESSA_VERSION "unknown"
#endif

namespace halvessa::cli {

namespace {

using geometry::AngleOfIncidence;
using geometry::AOIToProduction;
using geometry::SunPosition;
using geometry::SunriseSunset;

// The window's stored defaults.
constexpr double kDefaultLatitude = 46.205556;
constexpr double kDefaultLongitude = 6.154444;
constexpr double kDefaultTimeZone = 2;
constexpr const char* kDefaultTimeZoneText = "2";
constexpr int kMaxPanels = 5;

struct Panel {
  double azimuth;
  double tilt;
};
constexpr std::array<Panel, kMaxPanels> kDefaultPanels{
    {{151, 45}, {151, 20}, {331, 20}, {151, 70}, {331, 70}}};

const char* const kUsage =
    "Usage: halvessa-cli [options]\n"
    "\n"
    "Computes for one moment and site the sun's azimuth and elevation, the day's sunrise and\n"
    "sunset, and for each panel the angle of incidence (AOI) of the sunlight and the\n"
    "estimated production.\n"
    "\n"
    "Options:\n"
    "  --date DATE      local date, yyyy-mm-dd or the locale's short date form.\n"
    "                   Without --time: that date at 00:00.\n"
    "  --time TIME      local time, h:mm or h:mm:ss. Without --date: today at that time.\n"
    "                   Without both: now, by the computer's clock, to the millisecond.\n"
    "  --lat DEGREES    latitude, north positive, -90 to 90 (default 46.205556)\n"
    "  --lon DEGREES    longitude, east positive, -180 to 180 (default 6.154444)\n"
    "  --tz HOURS       time zone in hours east of universal time, e.g. 2, 5.5 or -3.5,\n"
    "                   from -23:59 to +23:59 (default 2, whatever the computer's zone)\n"
    "  --panel AZ/TILT  a panel's azimuth (degrees from north toward east, -360 to 360) and\n"
    "                   tilt (degrees from the horizontal, -180 to 180), e.g. 151/45.\n"
    "                   Repeat for up to 5 panels, numbered in order; any --panel replaces\n"
    "                   the default panels 151/45, 151/20, 331/20, 151/70 and 331/70.\n"
    "                   A panel 0/0 is not in use and is listed as such.\n"
    "  --json           write one JSON object on one line instead of the report\n"
    "  -h, --help       show this text\n"
    "  --version        show the version\n"
    "\n"
    "Numbers are read in the locale's form or in the plain form with a \".\" decimal point.\n"
    "A value may also follow its option after \"=\", as in --lat=46.2.\n"
    "\n"
    "Exit status: 0 when done, 2 for a bad option or value (one line on standard error),\n"
    "1 when the output could not be written.\n";

// A bad option or value: the text after "halvessa-cli: " on the one error line.
class UsageError : public std::runtime_error {
 public:
  UsageError(const QString& option, const QString& message)
      : std::runtime_error("usage"),
        line_(option.isEmpty() ? message : option + QStringLiteral(": ") + message) {}
  const QString& line() const { return line_; }

 private:
  QString line_;
};

// The error line with control characters written as escapes, so that it stays one line
// whatever the user passed.
std::string ErrorLine(const QString& message) {
  QString line = QStringLiteral("halvessa-cli: ");
  for (const QChar c : message) {
    const char16_t u = c.unicode();
    if (u == u'\n') {
      line += QStringLiteral("\\n");
    } else if (u == u'\r') {
      line += QStringLiteral("\\r");
    } else if (u == u'\t') {
      line += QStringLiteral("\\t");
    } else if (u < 0x20 || u == 0x7f || u == 0x2028 || u == 0x2029 || u == 0x85) {
      line += QStringLiteral("\\x%1").arg(static_cast<unsigned>(u), 2, 16, QLatin1Char('0'));
    } else {
      line += c;
    }
  }
  return line.toStdString() + '\n';
}

struct Options {
  std::optional<QString> date;
  std::optional<QString> time;
  std::optional<QString> lat;
  std::optional<QString> lon;
  std::optional<QString> tz;
  QStringList panels;
  bool json = false;
  bool help = false;
  bool version = false;
};

Options Parse(const QStringList& args) {
  Options o;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    QString name = arg;
    std::optional<QString> attached;
    if (arg.startsWith(QLatin1String("--"))) {
      const qsizetype eq = arg.indexOf(QLatin1Char('='));
      if (eq >= 0) {
        name = arg.left(eq);
        attached = arg.mid(eq + 1);
      }
    }

    bool* flag = nullptr;
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) flag = &o.help;
    if (name == QLatin1String("--version")) flag = &o.version;
    if (name == QLatin1String("--json")) flag = &o.json;
    if (flag) {
      if (attached) throw UsageError(name, QStringLiteral("takes no value"));
      *flag = true;
      continue;
    }

    std::optional<QString>* slot = nullptr;
    if (name == QLatin1String("--date")) slot = &o.date;
    if (name == QLatin1String("--time")) slot = &o.time;
    if (name == QLatin1String("--lat")) slot = &o.lat;
    if (name == QLatin1String("--lon")) slot = &o.lon;
    if (name == QLatin1String("--tz")) slot = &o.tz;
    const bool panel = name == QLatin1String("--panel");
    if (!slot && !panel) {
      if (name.startsWith(QLatin1Char('-')) && name.size() > 1) {
        throw UsageError(QString(), QStringLiteral("unknown option ") + text::Quoted(name));
      }
      throw UsageError(QString(), QStringLiteral("unexpected argument ") + text::Quoted(arg));
    }

    QString value;
    if (attached) {
      value = *attached;
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      throw UsageError(name, QStringLiteral("missing value"));
    }

    if (panel) {
      if (o.panels.size() == kMaxPanels) {
        throw UsageError(name, text::Quoted(value) + QStringLiteral(" is one panel too many (at most 5)"));
      }
      o.panels << value;
    } else {
      if (*slot) {
        throw UsageError(name, QStringLiteral("given twice, as ") + text::Quoted(**slot) +
                                   QStringLiteral(" and ") + text::Quoted(value));
      }
      *slot = value;
    }
  }
  return o;
}

// --- Conversions of the values ----------------------------------------------------------

double Number(const QString& option, const QString& text) {
  try {
    return text::StrictNumber(text);
  } catch (const text::ConversionError& e) {
    throw UsageError(option, e.message());
  }
}

double NumberWithin(const QString& option, const QString& text, double low, double high) {
  const double value = Number(option, text);
  if (!(value >= low && value <= high)) {
    throw UsageError(option, text::Quoted(text) + QStringLiteral(" is outside %1 to %2").arg(low).arg(high));
  }
  return value;
}

// The offset rounded to whole minutes, as written in the date-times.
double OffsetMinutes(double timeZone) { return std::round(timeZone * 60.0); }

double TimeZoneOf(const QString& text) {
  const double value = Number(QStringLiteral("--tz"), text);
  if (!(std::abs(OffsetMinutes(value)) < 24 * 60)) {
    throw UsageError(QStringLiteral("--tz"),
                     text::Quoted(text) + QStringLiteral(" is outside -23:59 to +23:59 hours"));
  }
  return value;
}

Panel PanelOf(const QString& text) {
  const QString option = QStringLiteral("--panel");
  const qsizetype slash = text.indexOf(QLatin1Char('/'));
  if (slash < 0 || text.indexOf(QLatin1Char('/'), slash + 1) >= 0) {
    throw UsageError(option, text::Quoted(text) + QStringLiteral(" is not azimuth/tilt, e.g. 151/45"));
  }
  Panel p{};
  try {
    p.azimuth = text::StrictNumber(text.left(slash));
    p.tilt = text::StrictNumber(text.mid(slash + 1));
  } catch (const text::ConversionError& e) {
    throw UsageError(option, text::Quoted(text) + QStringLiteral(": ") + e.message());
  }
  if (!(p.azimuth >= -360 && p.azimuth <= 360)) {
    throw UsageError(option, text::Quoted(text) + QStringLiteral(": the azimuth is outside -360 to 360"));
  }
  if (!(p.tilt >= -180 && p.tilt <= 180)) {
    throw UsageError(option, text::Quoted(text) + QStringLiteral(": the tilt is outside -180 to 180"));
  }
  return p;
}

double StrictDateOf(const QString& option, const QString& text) {
  try {
    return text::StrictDate(text);
  } catch (const text::ConversionError& e) {
    throw UsageError(option, e.message());
  }
}

// The moment as the window builds it: the strict date conversion of the date, one blank,
// and the time. Each part is first checked on its own, so that the message names its option.
double MomentOf(const Options& o, const std::function<double()>& now) {
  if (!o.date && !o.time) return now();
  QString date;
  if (o.date) {
    date = o.date->trimmed();
    StrictDateOf(QStringLiteral("--date"), date);
    // A time alone, or a date with a time, would convert too; --date takes a date only.
    if (!text::IsDateOrTime(date + QStringLiteral(" 0:00"))) {
      throw UsageError(QStringLiteral("--date"), text::Quoted(date) + QStringLiteral(" is not a date"));
    }
  } else {
    date = text::FormatIsoDate(now());
  }
  if (!o.time) return StrictDateOf(QStringLiteral("--date"), date);

  const QString time = o.time->trimmed();
  StrictDateOf(QStringLiteral("--time"), time);
  if (!text::IsDateOrTime(QStringLiteral("2000-01-01 ") + time)) {
    throw UsageError(QStringLiteral("--time"), text::Quoted(time) + QStringLiteral(" is not a time"));
  }
  return StrictDateOf(o.date ? QStringLiteral("--date, --time") : QStringLiteral("--time"),
                      date + QLatin1Char(' ') + time);
}

// --- The calculation --------------------------------------------------------------------

struct PanelResult {
  Panel geometry;
  bool inUse;
  double aoi;
  double production;
};

struct Result {
  double moment;
  double latitude;
  double longitude;
  double timeZone;
  double azimuth;
  double elevation;
  double sunrise;
  double sunset;
  std::vector<PanelResult> panels;
};

// --- Output -----------------------------------------------------------------------------

// The serial rounded to the nearest millisecond, split into its day and milliseconds.
struct SplitTime {
  double day;
  long long ms;
};

SplitTime Split(double serial) {
  double day = std::floor(serial);
  double ms = std::round((serial - day) * 86400000.0);
  if (ms >= 86400000.0) {
    ms -= 86400000.0;
    day += 1;
  }
  return {day, static_cast<long long>(ms)};
}

// "+hh:mm" / "-hh:mm" of a time zone in hours, to the nearest minute.
QString OffsetText(double timeZone) {
  const auto minutes = static_cast<long long>(OffsetMinutes(timeZone));
  const long long magnitude = minutes < 0 ? -minutes : minutes;
  return QStringLiteral("%1%2:%3")
      .arg(minutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
      .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
      .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

// Local ISO 8601 date-time: "2025-07-24T06:08:13.102+02:00". The milliseconds are written
// when always_ms is set or when the time has a fraction of a second.
QString IsoDateTime(double serial, double timeZone, bool always_ms) {
  const SplitTime t = Split(serial);
  const DateParts d = SerialToParts(t.day);
  const long long seconds = t.ms / 1000;
  const long long ms = t.ms % 1000;
  QString s = QStringLiteral("%1-%2-%3T%4:%5:%6")
                  .arg(d.year, 4, 10, QLatin1Char('0'))
                  .arg(d.month, 2, 10, QLatin1Char('0'))
                  .arg(d.day, 2, 10, QLatin1Char('0'))
                  .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                  .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                  .arg(seconds % 60, 2, 10, QLatin1Char('0'));
  if (always_ms || ms != 0) s += QStringLiteral(".%1").arg(ms, 3, 10, QLatin1Char('0'));
  return s + OffsetText(timeZone);
}

std::string Json(const Result& r) {
  using text::ShortestNumber;
  std::string s = "{\"moment\":\"" + IsoDateTime(r.moment, r.timeZone, false).toStdString() +
                  "\",\"latitude\":" + ShortestNumber(r.latitude) +
                  ",\"longitude\":" + ShortestNumber(r.longitude) +
                  ",\"timezone\":" + ShortestNumber(r.timeZone) +
                  ",\"sun\":{\"azimuth\":" + ShortestNumber(r.azimuth) +
                  ",\"elevation\":" + ShortestNumber(r.elevation) + "},\"sunrise\":\"" +
                  IsoDateTime(r.sunrise, r.timeZone, true).toStdString() + "\",\"sunset\":\"" +
                  IsoDateTime(r.sunset, r.timeZone, true).toStdString() + "\",\"panels\":[";
  for (std::size_t i = 0; i < r.panels.size(); ++i) {
    const PanelResult& p = r.panels[i];
    if (i > 0) s += ',';
    s += "{\"panel\":" + std::to_string(i + 1) +
         ",\"azimuth\":" + ShortestNumber(p.geometry.azimuth) +
         ",\"tilt\":" + ShortestNumber(p.geometry.tilt) +
         ",\"in_use\":" + (p.inUse ? "true" : "false");
    if (p.inUse) {
      s += ",\"aoi\":" + ShortestNumber(p.aoi) + ",\"production\":" + ShortestNumber(p.production);
    }
    s += '}';
  }
  return s + "]}\n";
}

// The serial taken to the nearest second, as the "hh:mm:ss" pattern shows it, so that the
// date written next to a time is the date of the time shown.
double ToSecond(double serial) {
  const double day = std::floor(serial);
  return day + std::round((serial - day) * 86400.0) / 86400.0;
}

QString Shortest(double value) {
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale.toString(value, 'g', QLocale::FloatingPointShortest);
}

std::string Report(const Result& r) {
  const auto line = [](const QString& label, const QString& value) {
    return label.leftJustified(12) + value + QLatin1Char('\n');
  };
  const double moment = ToSecond(r.moment);
  const QString day = text::FormatIsoDate(moment);
  // A sunrise or sunset on another day than the moment's carries its date.
  const auto event = [&day](double serial) {
    const double shown = ToSecond(serial);
    QString s = text::FormatHourMinuteSecond(shown);
    const QString date = text::FormatIsoDate(shown);
    if (date != day) s += QStringLiteral(" (") + date + QLatin1Char(')');
    return s;
  };

  QString s;
  s += line(QStringLiteral("Moment"), day + QLatin1Char(' ') + text::FormatHourMinuteSecond(moment) +
                                          QStringLiteral(", UTC") + OffsetText(r.timeZone));
  s += line(QStringLiteral("Site"), QStringLiteral("latitude ") + Shortest(r.latitude) +
                                        QStringLiteral(", longitude ") + Shortest(r.longitude) +
                                        QStringLiteral(", time zone ") + Shortest(r.timeZone));
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
    QString value = Shortest(p.geometry.azimuth) + QLatin1Char('/') + Shortest(p.geometry.tilt);
    value = value.leftJustified(12);
    if (p.inUse) {
      value += QStringLiteral("AOI ") + text::FormatOneDecimal(p.aoi) +
               QStringLiteral(", production ") + text::FormatWhole(p.production) +
               QLatin1Char('%');
    } else {
      value += QStringLiteral("not in use");
    }
    s += line(QStringLiteral("Panel %1").arg(i + 1), value);
  }
  return s.toStdString();
}

Outcome Compute(const Options& o, const std::function<double()>& now) {
  Result r{};
  const QString tzText = o.tz ? *o.tz : QString::fromLatin1(kDefaultTimeZoneText);
  r.latitude = o.lat ? NumberWithin(QStringLiteral("--lat"), *o.lat, -90, 90) : kDefaultLatitude;
  r.longitude =
      o.lon ? NumberWithin(QStringLiteral("--lon"), *o.lon, -180, 180) : kDefaultLongitude;
  r.timeZone = o.tz ? TimeZoneOf(*o.tz) : kDefaultTimeZone;
  std::vector<Panel> panels;
  if (o.panels.isEmpty()) {
    panels.assign(kDefaultPanels.begin(), kDefaultPanels.end());
  } else {
    for (const QString& text : o.panels) panels.push_back(PanelOf(text));
  }
  r.moment = MomentOf(o, now);

  try {
    SunPosition(r.moment, r.latitude, r.longitude, r.timeZone, r.azimuth, r.elevation);
  } catch (const CalendarRangeError&) {
    // The moment itself is in the calendar; the time zone moved it out.
    const double shown = ToSecond(r.moment);
    throw UsageError(QStringLiteral("--tz"),
                     QStringLiteral("with ") + text::Quoted(tzText) + QStringLiteral(", ") +
                         text::FormatIsoDate(shown) + QLatin1Char(' ') +
                         text::FormatHourMinuteSecond(shown, QLocale::c()) +
                         QStringLiteral(" falls outside the years 100 to 9999 in universal time"));
  }

  Outcome out;
  try {
    SunriseSunset(r.moment, r.latitude, r.longitude, r.timeZone, r.sunrise, r.sunset);
    for (const Panel& p : panels) {
      PanelResult pr{p, !(p.azimuth == 0 && p.tilt == 0), 0, 0};
      if (pr.inUse) {
        pr.aoi = AngleOfIncidence(r.azimuth, r.elevation, p.azimuth, p.tilt);
        pr.production = AOIToProduction(pr.aoi);
      }
      r.panels.push_back(pr);
    }
    out.out = o.json ? Json(r) : Report(r);
  } catch (const CalendarRangeError&) {
    throw UsageError(o.date ? QStringLiteral("--date") : QStringLiteral("--time"),
                     QStringLiteral("the sunrise or sunset of ") +
                         text::FormatIsoDate(std::floor(r.moment)) +
                         QStringLiteral(" falls outside the years 100 to 9999"));
  }
  return out;
}

}  // namespace

Outcome Run(const QStringList& args, const std::function<double()>& now) {
  Outcome result;
  try {
    const Options o = Parse(args);
    if (o.help) {
      result.out = kUsage;
    } else if (o.version) {
      result.out = std::string("halvessa-cli ") + HALVESSA_VERSION + "\n";
    } else {
      result = Compute(o, now);
    }
  } catch (const UsageError& e) {
    result = Outcome{kExitUsage, {}, ErrorLine(e.line())};
  } catch (const CalendarRangeError&) {
    // Only the clock can get here: every typed value is checked where it is converted.
    result = Outcome{kExitUsage, {},
                     ErrorLine(QStringLiteral(
                         "the computer's clock is outside the years 100 to 9999"))};
  } catch (const std::exception& e) {
    result = Outcome{kExitFailure, {},
                     ErrorLine(QStringLiteral("unexpected failure: ") +
                               QString::fromLocal8Bit(e.what()))};
  }
  return result;
}

double ClockNow() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate date = now.date();
  return DateSerial(date.year(), date.month(), date.day()) +
         now.time().msecsSinceStartOfDay() / 86400000.0;
}

}  // namespace halvessa::cli
