#include "cli/cli.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/report.h"
#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "site/site.h"
#include "text/convert.h"

#ifndef HALVESSA_VERSION
#define HALVESSA_VERSION "unknown"
#endif

namespace halvessa::cli {

namespace {

// The error line with control characters (C0 and C1), line and paragraph separators and
// bidirectional controls written as escapes, so that it stays one line in the order written
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
    } else if (u < 0x20 || (u >= 0x7f && u <= 0x9f) || u == 0x2028 || u == 0x2029 ||
               text::IsBidiControl(c)) {
      line += QStringLiteral("\\x%1").arg(static_cast<unsigned>(u), 2, 16, QLatin1Char('0'));
    } else {
      line += c;
    }
  }
  return line.toStdString() + '\n';
}

Outcome Compute(const Options& o, const std::function<double()>& nowUt, files::OutputSink& sink) {
  const Inputs in = ConvertOptions(o, nowUt);
  Result r;
  r.moment = in.moment;
  r.latitude = in.latitude;
  r.longitude = in.longitude;
  r.timeZone = in.timeZone;
  r.zoneName = in.zoneName;

  try {
    geometry::SunPosition(r.moment, r.latitude, r.longitude, r.timeZone, r.azimuth, r.elevation);
  } catch (const CalendarRangeError&) {
    // The moment itself is in the calendar; the time zone moved it out.
    const double shown = RoundToSecond(r.moment);
    const QString tz = o.tz ? *o.tz : QString::fromLatin1(defaults::kTimeZone);
    throw UsageError(QStringLiteral("--tz"),
                     QStringLiteral("with ") + text::Quoted(tz) + QStringLiteral(", ") +
                         text::FormatIsoDate(shown) + QLatin1Char(' ') +
                         text::FormatHourMinuteSecond(shown, QLocale::c()) +
                         QStringLiteral(" falls outside the years 100 to 9999 in universal time"));
  }

  Outcome out;
  try {
    geometry::SunriseSunset(r.moment, r.latitude, r.longitude, r.timeZone, r.sunrise, r.sunset);
    r.polar = PolarOf(r.sunrise, r.sunset);
    for (const PanelGeometry& p : in.panels) {
      PanelResult pr{p, InUse(p), 0, 0};
      if (pr.inUse) {
        pr.aoi = geometry::AngleOfIncidence(r.azimuth, r.elevation, p.Azimuth, p.Tilt);
        pr.production = MomentProduction(pr.aoi, r.elevation);
      }
      r.panels.push_back(pr);
    }
    sink.write(o.json ? JsonReport(r) : TextReport(r));
  } catch (const CalendarRangeError&) {
    throw UsageError(o.date ? QStringLiteral("--date") : QStringLiteral("--time"),
                     QStringLiteral("the sunrise or sunset of ") +
                         text::FormatIsoDate(std::floor(r.moment)) +
                         QStringLiteral(" falls outside the years 100 to 9999"));
  }
  return out;
}

}  // namespace

Outcome Run(const QStringList& args, const Environment& given) {
  Outcome result;
  // A warning goes out once the work is done, when nothing failed.
  QString warning;
  Environment env = given;
  env.warning = [&warning](const QString& line) {
    if (warning.isEmpty()) warning = QStringLiteral("warning: ") + line;
  };
  try {
    const Options o = ParseOptions(args);
    if (o.help) {
      env.out->write(HelpText().toStdString());
    } else if (o.version) {
      env.out->write(std::string("halvessa-cli ") + HALVESSA_VERSION + "\n");
    } else if (o.command == Command::kMoment) {
      result = Compute(o, env.nowUt, *env.out);
    } else {
      result.status = RunCommand(o, env);
    }
    if (!warning.isEmpty()) result.err = ErrorLine(warning);
  } catch (const files::OutputError& e) {
    result = Outcome{kExitFailure, {},
                     ErrorLine(QStringLiteral("cannot write the output: ") +
                               QString::fromLocal8Bit(e.what()))};
  } catch (const UsageError& e) {
    result = Outcome{kExitUsage, {}, ErrorLine(e.line())};
  } catch (const std::exception& e) {
    result = Outcome{
        kExitFailure,
        {},
        ErrorLine(QStringLiteral("unexpected failure: ") + QString::fromLocal8Bit(e.what()))};
  }
  return result;
}

Outcome Run(const QStringList& args, const std::function<double()>& nowUt) {
  files::StringSink sink;
  Outcome outcome = Run(args, Environment{nowUt, &sink, {}, {}});
  outcome.out = sink.text();
  return outcome;
}

double ClockNowUt() { return SerialFromUnixMilliseconds(QDateTime::currentMSecsSinceEpoch()); }

}  // namespace halvessa::cli
