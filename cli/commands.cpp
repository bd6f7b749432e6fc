#include "cli/commands.h"

#include <cmath>
#include <algorithm>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include "cli/report.h"
#include "cli/sky_inputs.h"
#include "clearsky/clearsky.h"
#include "pipeline/pipeline.h"
#include "files/series_export.h"
#include "summary/summary.h"
#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "series/engine.h"
#include "series/grid.h"
#include "site/zone_rule.h"
#include "text/convert.h"
#include "text/weather_text.h"

namespace halvessa::cli {

namespace {

constexpr std::int64_t kMaxRowsWithoutForce = 10'000'000;
constexpr std::int64_t kSecondsPerDay = 86400;

// The second of a local day serial, counted from 1970-01-01 00:00 local time.
std::int64_t LocalSecondOf(double serial) {
  const double day = std::floor(serial);
  return SecondOfDay(day) + std::llround((serial - day) * 86400.0);
}

QString Required(const std::optional<QString>& value, const char* option, const QString& command) {
  if (!value) {
    throw UsageError(QLatin1String(option),
                     QStringLiteral("missing; the ") + command + QStringLiteral(" command needs it"));
  }
  return *value;
}

// Checks that every moment of the grid can be computed: the first and the last (the zone's
// offsets move between them monotonically enough that the ends decide).
void CheckGridInCalendar(const series::SeriesEngine& engine, const series::TimeGrid& grid,
                         const site::ZoneRule& rule) {
  auto block = series::MakeBlock();
  for (const std::int64_t k : {std::int64_t{0}, grid.count - 1}) {
    series::FillBlock(grid, rule, k, *block);
    block->size = 1;
    try {
      engine.compute(*block);
    } catch (const CalendarRangeError&) {
      throw UsageError(k == 0 ? QStringLiteral("--from") : QStringLiteral("--to"),
                       QStringLiteral("the series reaches outside the years 100 to 9999 in "
                                      "universal time"));
    }
  }
}

// The instant of universal time of a local time that the zone's clocks show: one they skip
// (the hour lost in spring) names the change instead of standing for another time.
std::int64_t UniversalOfExisting(const site::ZoneRule& rule, const text::SiteZone& zone,
                                 const char* option, const QString& typed, std::int64_t local) {
  const std::int64_t ut = rule.universalOf(local);
  const std::int64_t after = rule.offsetSecondsAt(ut);
  if (ut + after != local) {
    // A skipped time is taken with the offset before the change.
    throw UsageError(QLatin1String(option),
                     text::Quoted(typed) + QStringLiteral(" does not occur in ") + zone.name() +
                         QStringLiteral(": the clocks skip it, going from UTC") +
                         QString::fromStdString(files::OffsetText(local - ut)) +
                         QStringLiteral(" to UTC") + QString::fromStdString(files::OffsetText(after)));
  }
  return ut;
}

// --format and --digits into the layout.
files::SeriesLayout SeriesLayoutOf(const Options& o) {
  files::SeriesLayout layout;
  if (o.format) {
    const QString format = o.format->trimmed().toLower();
    if (format == QLatin1String("json")) {
      layout.format = files::SeriesFormat::kJson;
    } else if (format != QLatin1String("csv")) {
      throw UsageError(QStringLiteral("--format"),
                       text::Quoted(*o.format) + QStringLiteral(" is neither csv nor json"));
    }
  }
  if (o.digits) {
    const double digits = NumberOf(QStringLiteral("--digits"), *o.digits);
    if (!(digits >= 0 && digits <= 17) || digits != std::floor(digits)) {
      throw UsageError(QStringLiteral("--digits"),
                       text::Quoted(*o.digits) + QStringLiteral(" is not a whole number from 0 to 17"));
    }
    layout.digits = static_cast<int>(digits);
  }
  return layout;
}

int RunWeatherSeries(const Options& o, const Environment& env);

int RunSeries(const Options& o, const Environment& env) {
  if (o.weather) return RunWeatherSeries(o, env);
  const SiteInputs site = ConvertSite(o);
  const QString command = QStringLiteral("series");
  const QString fromText = Required(o.from, "--from", command);
  const QString toText = Required(o.to, "--to", command);
  const std::int64_t fromLocal = LocalSecondOf(LocalMomentOf(QStringLiteral("--from"), fromText));
  const std::int64_t toLocal = LocalSecondOf(LocalMomentOf(QStringLiteral("--to"), toText));
  const std::int64_t step = o.step ? StepOf(QStringLiteral("--step"), *o.step) : 600;
  files::SeriesLayout layout = SeriesLayoutOf(o);

  const site::ZoneRule rule = site.zone.ruleAroundSeconds(fromLocal, toLocal);
  const std::int64_t fromUt = UniversalOfExisting(rule, site.zone, "--from", fromText, fromLocal);
  const std::int64_t toUt = UniversalOfExisting(rule, site.zone, "--to", toText, toLocal);
  if (toUt <= fromUt) {
    throw UsageError(QStringLiteral("--to"), text::Quoted(toText) +
                                                 QStringLiteral(" is not after --from ") +
                                                 text::Quoted(fromText));
  }
  const series::TimeGrid grid = series::GridBetween(fromUt, toUt, step);
  if (grid.count > kMaxRowsWithoutForce && !o.force) {
    throw UsageError(QStringLiteral("--step"),
                     QStringLiteral("%1 rows from --from to --to, more than %2; add --force to "
                                    "write them anyway")
                         .arg(grid.count)
                         .arg(kMaxRowsWithoutForce));
  }

  layout.setSite(site.latitude, site.longitude, site.zone, site.panelArray());
  layout.clearSky = o.clearsky;
  layout.stepSeconds = step;

  const pipeline::Pipeline pipeline(SetupOf(o, site));
  CheckGridInCalendar(pipeline.engine(), grid, rule);

  // Computed and formatted on both cores, written in order.
  files::WriteSeries(
      layout, *env.out, grid.count,
      [&](std::int64_t first, series::Block& block, series::SkyBlock& skyBlock) {
        const std::size_t wanted = block.size;
        series::FillBlock(grid, rule, first, block);
        block.size = std::min(block.size, wanted);
        pipeline.clearSky(block, skyBlock, o.clearsky);
      },
      env.progress);
  return kExitOk;
}

// --- day, year and best ---------------------------------------------------------------

// "yyyy-mm-ddThh:mm:ss+hh:mm" of a local second and its offset.
QString IsoLocal(std::int64_t localSecond, std::int64_t offsetSecond) {
  const std::int64_t day = DayOfSecond(localSecond);
  const auto second = static_cast<int>(localSecond - day * kSecondsPerDay);
  const DateParts d = SerialToParts(kUnixEpochSerial + static_cast<double>(day));
  return QStringLiteral("%1-%2-%3T%4:%5:%6")
             .arg(d.year, 4, 10, QLatin1Char('0'))
             .arg(d.month, 2, 10, QLatin1Char('0'))
             .arg(d.day, 2, 10, QLatin1Char('0'))
             .arg(second / 3600, 2, 10, QLatin1Char('0'))
             .arg(second / 60 % 60, 2, 10, QLatin1Char('0'))
             .arg(second % 60, 2, 10, QLatin1Char('0')) +
         QString::fromStdString(files::OffsetText(offsetSecond));
}

// The local second and offset of a local day serial's moment (sunrise, sunset).
QString IsoOfSerial(double serial, double hours) {
  return IsoLocal(LocalSecondOf(RoundToSecond(serial)), site::OffsetSeconds(hours));
}

// Numbers in the locale's form without group separators: to some decimals, or as short as
// they read back.
QLocale ReportLocale() {
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale;
}

// Numbers in the reports never show a minus on a zero.
QString Decimals(double value, int decimals) {
  return WithoutMinusZero(ReportLocale().toString(value, 'f', decimals));
}

QString Shortest(double value) {
  return WithoutMinusZero(ReportLocale().toString(value, 'g', QLocale::FloatingPointShortest));
}

QString StepText(std::int64_t step) {
  if (step % 3600 == 0) return QString::number(step / 3600) + QStringLiteral(" h");
  if (step % 60 == 0) return QString::number(step / 60) + QStringLiteral(" min");
  return QString::number(step) + QStringLiteral(" s");
}

QString Line(const QString& label, const QString& value) {
  return label.leftJustified(12) + value + QLatin1Char('\n');
}

QString SiteLine(const SiteInputs& site) {
  return Line(QStringLiteral("Site"),
              QStringLiteral("latitude ") + Shortest(site.latitude) + QStringLiteral(", longitude ") +
                  Shortest(site.longitude) + QStringLiteral(", time zone ") +
                  (site.zone.isNamed() ? site.zone.name() : Shortest(site.zone.offsetAtUniversal(0))));
}

// The horizon's line of a report, when there is one.
QString HorizonLine(const Options& o) {
  return o.horizon ? Line(QStringLiteral("Horizon"), *o.horizon) : QString();
}

QJsonObject SiteJson(const SiteInputs& site, std::int64_t step, const Options& options) {
  QJsonObject o{{QStringLiteral("latitude"), site.latitude},
                {QStringLiteral("longitude"), site.longitude}};
  if (step > 0) o.insert(QStringLiteral("step_seconds"), static_cast<double>(step));
  if (site.zone.isNamed()) {
    o.insert(QStringLiteral("timezone_name"), site.zone.name());
  } else {
    o.insert(QStringLiteral("timezone"), site.zone.offsetAtUniversal(0));
  }
  if (options.horizon) o.insert(QStringLiteral("horizon"), *options.horizon);
  return o;
}

QString PanelLabel(const PanelGeometry& p) {
  return (Shortest(p.Azimuth) + QLatin1Char('/') + Shortest(p.Tilt)).leftJustified(12);
}

std::string Json(const QJsonObject& o) {
  return QJsonDocument(WithoutMinusZero(o)).toJson(QJsonDocument::Compact).toStdString() + '\n';
}

// The step of day, year and best: from a minute up to the longest (1h for a day, 1d for a
// year), so that the moments sample the day.
std::int64_t CoarseStepOf(const Options& o, std::int64_t fallback, std::int64_t longest) {
  if (!o.step) return fallback;
  const std::int64_t step = StepOf(QStringLiteral("--step"), *o.step);
  if (step < 60) {
    throw UsageError(QStringLiteral("--step"), text::Quoted(*o.step) +
                                                   QStringLiteral(" is below 1m, the finest step of the ") +
                                                   o.commandName + QStringLiteral(" command"));
  }
  if (step > longest) {
    throw UsageError(QStringLiteral("--step"),
                     text::Quoted(*o.step) + QStringLiteral(" is above ") +
                         (longest == 3600 ? QStringLiteral("1h") : QStringLiteral("1d")) +
                         QStringLiteral(", the longest step of the ") + o.commandName +
                         QStringLiteral(" command"));
  }
  return step;
}

// --year: a whole year from 100 to 9999, or the present year at the site.
int YearOf(const Options& o, const SiteInputs& site, const Environment& env) {
  if (!o.year) {
    const double ut = env.nowUt();
    return SerialToParts(CheckedSerial(ut + site.zone.offsetAtUniversal(ut) / 24.0)).year;
  }
  const double year = NumberOf(QStringLiteral("--year"), *o.year);
  if (!(year >= 100 && year <= 9999) || year != std::floor(year)) {
    throw UsageError(QStringLiteral("--year"),
                     text::Quoted(*o.year) + QStringLiteral(" is not a year from 100 to 9999"));
  }
  return static_cast<int>(year);
}

template <typename F>
auto InCalendar(const QString& option, F&& work) {
  try {
    return work();
  } catch (const CalendarRangeError&) {
    throw UsageError(option, QStringLiteral("reaches outside the years 100 to 9999 in universal time"));
  }
}

// The sun's crossings of the horizon within a local day, from the sunrise equation of each
// universal date whose crossings can fall in it, and whether the sun stays up or down all day.
struct DayCrossings {
  std::optional<double> sunrise;  // the first of the day, universal time as a day serial
  std::optional<double> sunset;
  Polar polar = Polar::kNone;  // set when the day has neither
};

DayCrossings CrossingsOf(double latitude, double longitude, double fromUt, double toUt) {
  DayCrossings c;
  // A date's crossings lie within half a day and a little of its own day (solar noon is
  // within 12 h 16 min of its universal noon), so the dates next to the day's are enough.
  const double middle = (fromUt + toUt) / 2;
  bool upInMiddle = false;
  for (double date = std::floor(fromUt) - 1; date <= std::floor(toUt) + 1; ++date) {
    double rise = 0;
    double set = 0;
    try {
      // With the zone 0, the date is the universal date and the times are universal.
      geometry::SunriseSunset(date + 0.5, latitude, longitude, 0.0, rise, set);
    } catch (const CalendarRangeError&) {
      continue;  // a date next to the calendar's first or last day
    }
    // Without a solution the equation gives solar midnight to solar midnight (the sun up
    // all day) or solar noon twice (down all day).
    const Polar polar = PolarOf(rise, set);
    const bool upAllDay = polar == Polar::kDay;
    const bool downAllDay = polar == Polar::kNight;
    if ((upAllDay && date == std::floor(middle)) || (!downAllDay && middle >= rise && middle < set)) {
      upInMiddle = true;
    }
    if (!upAllDay && !downAllDay) {
      if (!c.sunrise && rise >= fromUt && rise < toUt) c.sunrise = rise;
      if (!c.sunset && set >= fromUt && set < toUt) c.sunset = set;
    }
  }
  if (!c.sunrise && !c.sunset) c.polar = upInMiddle ? Polar::kDay : Polar::kNight;
  return c;
}

// A site with its weather file (when --weather names one): the site from the options or the
// file's header, the time zone from --tz or the file's, the pipeline's setup, and the check of
// the file's light against the sun, warned of through env.
struct WeatherSite {
  SiteInputs in;
  std::optional<WeatherInput> weather;
  summary::Site setup;
  site::ZoneRule display = site::ZoneRule::Fixed(0);
};

WeatherSite WeatherSiteOf(const Options& o, const Environment& env) {
  WeatherSite w;
  w.in = ConvertSite(o);
  w.setup = SetupOf(o, w.in);
  w.weather = WeatherOf(o);
  if (w.weather) {
    SiteFromWeather(o, *w.weather, w.in, w.setup);
    const site::Weather& weather = w.weather->weather;
    if (!o.tz) {
      const double hours = std::isfinite(weather.zoneHours) ? weather.zoneHours : 0.0;
      w.in.zone = text::SiteZone::Fixed(hours);
    }
    if (weather.rows.empty()) {
      throw UsageError(QStringLiteral("--weather"), w.weather->name + QStringLiteral(": no rows"));
    }
    w.display = InCalendar(QStringLiteral("--weather"), [&] {
      return text::ZoneRuleOver(w.in.zone, weather, w.weather->shiftSeconds);
    });
    const QString warning = AlignmentWarningOf(*w.weather, w.in.latitude, w.in.longitude);
    if (!warning.isEmpty() && env.warning) env.warning(warning);
  }
  return w;
}

// Refuses the first of the options given that a weather file's rows take the place of: "the
// series" or "the moments".
void RefuseBesideWeather(std::initializer_list<std::pair<bool, const char*>> options,
                         const char* rows) {
  for (const auto& [given, name] : options) {
    if (given) {
      throw UsageError(QLatin1String(name), QStringLiteral("cannot be given with --weather, whose rows are ") +
                                                QLatin1String(rows));
    }
  }
}

// One row per row of the weather file: its start, the sun, each panel's geometry, the light
// as used, the air, and each panel's plane irradiance, cell temperature, DC and AC.
int RunWeatherSeries(const Options& o, const Environment& env) {
  RefuseBesideWeather({{o.from.has_value(), "--from"},
                       {o.to.has_value(), "--to"},
                       {o.step.has_value(), "--step"},
                       {o.clearsky, "--clearsky"}},
                      "the series");
  files::SeriesLayout layout = SeriesLayoutOf(o);
  const WeatherSite ws = WeatherSiteOf(o, env);
  const WeatherInput& weather = *ws.weather;
  layout.weather = true;
  layout.setSite(ws.setup.latitude, ws.setup.longitude, ws.in.zone, ws.setup.panels);
  layout.stepSeconds = weather.weather.rows.front().length;
  const pipeline::Pipeline pipeline(ws.setup);
  files::SeriesWriter writer(layout, *env.out);
  InCalendar(QStringLiteral("--weather"), [&] {
    pipeline.runWeather(weather.weather, weather.shiftSeconds, ws.display,
                        [&writer](const pipeline::Block& block) { writer.rows(block); },
                        env.progress);
    return 0;
  });
  writer.finish();
  return kExitOk;
}

// "pvgis.csv: PVGIS TMY CSV, 8760 rows of 1 h, Perez sky"
QString WeatherText(const WeatherInput& w, const summary::Site& site) {
  const std::size_t rows = w.weather.rows.size();
  const std::int32_t length = rows > 0 ? w.weather.rows.front().length : 0;
  QString text = w.name + QStringLiteral(": ") + QString::fromUtf8(site::FormatName(w.weather.format)) +
                 QStringLiteral(", %1 rows of ").arg(rows) + StepText(length) +
                 QStringLiteral(", ") + TranspositionName(site.transposition) + QStringLiteral(" sky");
  if (w.shiftHours != 0) {
    text += QStringLiteral(", its times moved by ") + text::ShiftHours(w.shiftHours) + QStringLiteral(" h");
  }
  return text;
}

QJsonObject WeatherJson(const WeatherInput& w, const summary::Site& site) {
  return {{QStringLiteral("file"), w.name},
          {QStringLiteral("format"), QString::fromUtf8(site::FormatName(w.weather.format))},
          {QStringLiteral("rows"), static_cast<double>(w.weather.rows.size())},
          {QStringLiteral("shift_hours"), w.shiftHours},
          {QStringLiteral("transposition"), TranspositionName(site.transposition).toLower()}};
}

int RunDay(const Options& o, const Environment& env) {
  const SiteInputs in = ConvertSite(o);
  const summary::Site site = SetupOf(o, in);
  const std::int64_t step = CoarseStepOf(o, 60, 3600);
  double day = 0;
  if (o.date) {
    day = std::floor(LocalMomentOf(QStringLiteral("--date"), *o.date));
  } else {
    const double ut = env.nowUt();
    day = std::floor(CheckedSerial(ut + in.zone.offsetAtUniversal(ut) / 24.0));
  }
  const site::ZoneRule rule = in.zone.ruleAround(day, day + 1);
  const summary::DaySummary s = InCalendar(QStringLiteral("--date"), [&] {
    return summary::SummarizeDay(site, rule, day, step);
  });
  const double fromUt = kUnixEpochSerial + static_cast<double>(s.fromUniversal) / kSecondsPerDay;
  const DayCrossings crossings = CrossingsOf(in.latitude, in.longitude, fromUt, fromUt + s.hours / 24);
  // A crossing as a local day serial and its offset.
  const auto local = [&in](double ut) {
    const double hours = in.zone.offsetAtUniversal(ut);
    return std::pair{ut + hours / 24, hours};
  };
  const QString date = text::FormatIsoDate(day);
  if (o.json) {
    QJsonArray panels;
    for (int p = 0; p < kPanelCount; ++p) {
      if (!InUse(site.panels[p])) continue;
      const summary::PanelTotals& t = s.totals.panels[p];
      QJsonObject panel{{QStringLiteral("number"), p + 1},
                        {QStringLiteral("azimuth"), site.panels[p].Azimuth},
                        {QStringLiteral("tilt"), site.panels[p].Tilt},
                        {QStringLiteral("peak_production"), t.peakProduction},
                        {QStringLiteral("production_hours"), t.productionHours},
                        {QStringLiteral("irradiation_kwh_m2"), t.irradiation}};
      if (t.peakProduction > 0) {
        panel.insert(QStringLiteral("peak_time"), IsoLocal(t.peakLocalSecond, t.peakOffsetSecond));
      }
      panels.append(panel);
    }
    const auto iso = [&local](const std::optional<double>& ut) {
      if (!ut) return QJsonValue(QJsonValue::Null);
      const auto [serial, hours] = local(*ut);
      return QJsonValue(IsoOfSerial(serial, hours));
    };
    env.out->write(Json({{QStringLiteral("date"), date},
                         {QStringLiteral("site"), SiteJson(in, step, o)},
                         {QStringLiteral("hours"), s.hours},
                         {QStringLiteral("sunrise"), iso(crossings.sunrise)},
                         {QStringLiteral("sunset"), iso(crossings.sunset)},
                         {QStringLiteral("polar"), PolarJson(crossings.polar)},
                         {QStringLiteral("sun_hours"), s.totals.sunHours},
                         {QStringLiteral("panels"), panels}}));
    return kExitOk;
  }
  QString r = Line(QStringLiteral("Day"), date + QStringLiteral(", %1 hours, every ").arg(s.hours) + StepText(step));
  r += SiteLine(in) + HorizonLine(o);
  const auto time = [&local](const std::optional<double>& ut) {
    return ut ? text::FormatHourMinuteSecond(RoundToSecond(local(*ut).first))
              : QStringLiteral("none on this day");
  };
  if (crossings.polar == Polar::kNone) {
    r += Line(QStringLiteral("Sunrise"), time(crossings.sunrise));
    r += Line(QStringLiteral("Sunset"), time(crossings.sunset));
  }
  r += Line(QStringLiteral("Sun up"), Decimals(s.totals.sunHours, 2) + QStringLiteral(" h"));
  if (crossings.polar != Polar::kNone) r += Line(QString(), PolarText(crossings.polar));
  for (int p = 0; p < kPanelCount; ++p) {
    if (!InUse(site.panels[p])) continue;
    const summary::PanelTotals& t = s.totals.panels[p];
    QString v = PanelLabel(site.panels[p]) + QStringLiteral("peak ") + text::FormatWhole(t.peakProduction) +
                QLatin1Char('%');
    if (t.peakProduction > 0) {
      v += QStringLiteral(" at ") +
           text::FormatHourMinute(SerialOfSecond(t.peakLocalSecond));
    }
    v += QStringLiteral(", %1 production hours, %2 kWh/m²")
             .arg(Decimals(t.productionHours, 2), Decimals(t.irradiation, 2));
    r += Line(QStringLiteral("Panel %1").arg(p + 1), v);
  }
  env.out->write(r.toStdString());
  return kExitOk;
}

// The twelve months as JSON: the object of each (totals(m), m from 0) with its "month".
template <typename Totals>
QJsonArray MonthsJson(Totals&& totals) {
  QJsonArray months;
  for (int m = 0; m < 12; ++m) {
    QJsonObject month = totals(m);
    month.insert(QStringLiteral("month"), m + 1);
    months.append(month);
  }
  return months;
}

// The panels in use as JSON: number, azimuth, tilt, and with kwp their kWp.
QJsonArray PanelsJson(const summary::Site& site, bool kwp) {
  QJsonArray panels;
  for (int p = 0; p < kPanelCount; ++p) {
    if (!InUse(site.panels[p])) continue;
    QJsonObject panel{{QStringLiteral("number"), p + 1},
                      {QStringLiteral("azimuth"), site.panels[p].Azimuth},
                      {QStringLiteral("tilt"), site.panels[p].Tilt}};
    if (kwp) panel.insert(QStringLiteral("kwp"), site.kwp[p]);
    panels.append(panel);
  }
  return panels;
}

int RunYear(const Options& o, const Environment& env) {
  const SiteInputs in = ConvertSite(o);
  const summary::Site site = SetupOf(o, in);
  const std::int64_t step = CoarseStepOf(o, 600, kSecondsPerDay);
  const int year = YearOf(o, in, env);
  const double first = DateSerial(year, 1, 1);
  const site::ZoneRule rule = in.zone.ruleAround(first, first + 366);
  const summary::YearSummary s = InCalendar(QStringLiteral("--year"), [&] {
    return summary::SummarizeYear(site, rule, year, step, env.progress);
  });
  if (o.json) {
    const auto totals = [&site](const summary::Totals& t) {
      QJsonArray panels;
      for (int p = 0; p < kPanelCount; ++p) {
        if (!InUse(site.panels[p])) continue;
        panels.append(QJsonObject{{QStringLiteral("number"), p + 1},
                                  {QStringLiteral("production_hours"), t.panels[p].productionHours},
                                  {QStringLiteral("irradiation_kwh_m2"), t.panels[p].irradiation}});
      }
      return QJsonObject{{QStringLiteral("sun_hours"), t.sunHours}, {QStringLiteral("panels"), panels}};
    };
    env.out->write(Json({{QStringLiteral("year"), year},
                         {QStringLiteral("site"), SiteJson(in, step, o)},
                         {QStringLiteral("panels"), PanelsJson(site, false)},
                         {QStringLiteral("months"), MonthsJson([&](int m) { return totals(s.months[m]); })},
                         {QStringLiteral("total"), totals(s.year)}}));
    return kExitOk;
  }
  QString r = Line(QStringLiteral("Year"), QString::number(year) + QStringLiteral(", every ") + StepText(step) +
                                               QStringLiteral("; per panel production hours / clear-sky kWh/m²"));
  r += SiteLine(in) + HorizonLine(o);
  QString head = QStringLiteral("Month").leftJustified(8) + QStringLiteral("Sun h").rightJustified(8);
  for (int p = 0; p < kPanelCount; ++p) {
    if (InUse(site.panels[p])) head += QStringLiteral("Panel %1").arg(p + 1).rightJustified(17);
  }
  r += head + QLatin1Char('\n');
  const auto row = [&](const QString& label, const summary::Totals& t) {
    QString line = label.leftJustified(8) + Decimals(t.sunHours, 0).rightJustified(8);
    for (int p = 0; p < kPanelCount; ++p) {
      if (!InUse(site.panels[p])) continue;
      line += (Decimals(t.panels[p].productionHours, 1) + QStringLiteral(" / ") +
               Decimals(t.panels[p].irradiation, 1))
                  .rightJustified(17);
    }
    return line + QLatin1Char('\n');
  };
  for (int m = 0; m < 12; ++m) r += row(text::MonthAbbreviation(m + 1), s.months[m]);
  r += row(QStringLiteral("Year"), s.year);
  env.out->write(r.toStdString());
  return kExitOk;
}

// --fix-tilt and --fix-azimuth: whole degrees within the search's ranges.
double FixedOf(const std::optional<QString>& given, const char* option, double high) {
  if (!given) return std::nan("");
  const double v = NumberOf(QLatin1String(option), *given);
  if (!(v >= 0 && v <= high) || v != std::floor(v)) {
    throw UsageError(QLatin1String(option), text::Quoted(*given) +
                                                QStringLiteral(" is not a whole number of degrees from 0 to %1").arg(high));
  }
  return v;
}

int RunBest(const Options& o, const Environment& env) {
  const WeatherSite ws = WeatherSiteOf(o, env);
  const SiteInputs& in = ws.in;
  const summary::Site& site = ws.setup;
  const double tilt = FixedOf(o.fixTilt, "--fix-tilt", 90);
  const double azimuth = FixedOf(o.fixAzimuth, "--fix-azimuth", 359);
  if (o.fixTilt && o.fixAzimuth) {
    throw UsageError(QStringLiteral("--fix-azimuth"), QStringLiteral("cannot be given with --fix-tilt"));
  }
  if (ws.weather) {
    RefuseBesideWeather({{o.year.has_value(), "--year"}, {o.step.has_value(), "--step"}}, "the moments");
  }
  const std::int64_t step = ws.weather ? 0 : CoarseStepOf(o, 600, kSecondsPerDay);
  const int year = ws.weather ? 0 : YearOf(o, in, env);
  const summary::BestOrientation b = InCalendar(QStringLiteral("--year"), [&] {
    if (ws.weather) {
      return summary::FindBestWeather(site, ws.weather->weather, ws.weather->shiftSeconds, tilt,
                                      azimuth, env.progress);
    }
    const double first = DateSerial(year, 1, 1);
    const site::ZoneRule rule = in.zone.ruleAround(first, first + 366);
    return summary::FindBest(site, rule, year, step, tilt, azimuth, env.progress);
  });
  // With --fix-tilt or --fix-azimuth the best is the best at that value, and the shares are
  // of it: a panel turned otherwise may get more than 100 %.
  const QString fixedName = o.fixTilt ? QStringLiteral("tilt") : o.fixAzimuth ? QStringLiteral("azimuth") : QString();
  const QString fixedValue = o.fixTilt ? Shortest(tilt) : Shortest(azimuth);
  const auto share = [&b](double v) { return b.irradiation > 0 ? 100.0 * v / b.irradiation : 0.0; };
  if (o.json) {
    QJsonArray panels;
    for (int p = 0; p < kPanelCount; ++p) {
      if (!InUse(site.panels[p])) continue;
      panels.append(QJsonObject{{QStringLiteral("number"), p + 1},
                                {QStringLiteral("azimuth"), site.panels[p].Azimuth},
                                {QStringLiteral("tilt"), site.panels[p].Tilt},
                                {QStringLiteral("irradiation_kwh_m2"), b.panelIrradiation[p]},
                                {QStringLiteral("share_percent"), share(b.panelIrradiation[p])}});
    }
    QJsonObject result{{QStringLiteral("year"), year},
                       {QStringLiteral("site"), SiteJson(in, step, o)},
                       {QStringLiteral("best"),
                          QJsonObject{{QStringLiteral("azimuth"), b.best.Azimuth},
                                      {QStringLiteral("tilt"), b.best.Tilt},
                                      {QStringLiteral("irradiation_kwh_m2"), b.irradiation},
                                      {QStringLiteral("fixed"), fixedName.isEmpty() ? QJsonValue(QJsonValue::Null)
                                                                                    : QJsonValue(fixedName)}}},
                       {QStringLiteral("panels"), panels}};
    if (ws.weather) {
      result.insert(QStringLiteral("year"), QJsonValue(QJsonValue::Null));
      result.insert(QStringLiteral("weather"), WeatherJson(*ws.weather, site));
    }
    env.out->write(Json(result));
    return kExitOk;
  }
  QString r = ws.weather ? Line(QStringLiteral("Weather"), WeatherText(*ws.weather, site))
                         : Line(QStringLiteral("Year"), QString::number(year) + QStringLiteral(", every ") +
                                                            StepText(step) + QStringLiteral(", clear sky"));
  r += SiteLine(in) + HorizonLine(o);
  // A flat panel has no azimuth, and "0/0" would read as a panel not in use.
  QString best = (b.best.Tilt == 0 ? QStringLiteral("flat") : PanelLabel(b.best)).leftJustified(12) +
                 Decimals(b.irradiation, 1) + QStringLiteral(" kWh/m²");
  QString ofTheBest = QStringLiteral("% of the best");
  if (!fixedName.isEmpty()) {
    best += QStringLiteral(", the best with the %1 fixed at %2").arg(fixedName, fixedValue);
    ofTheBest += QStringLiteral(" at %1 %2").arg(fixedName, fixedValue);
  }
  r += Line(QStringLiteral("Best"), best);
  for (int p = 0; p < kPanelCount; ++p) {
    if (!InUse(site.panels[p])) continue;
    r += Line(QStringLiteral("Panel %1").arg(p + 1),
              PanelLabel(site.panels[p]) + Decimals(b.panelIrradiation[p], 1) + QStringLiteral(" kWh/m², ") +
                  Decimals(share(b.panelIrradiation[p]), 1) + ofTheBest);
  }
  env.out->write(r.toStdString());
  return kExitOk;
}

// --- energy ----------------------------------------------------------------------------

QString SystemText(const summary::Site& site, double kwp) {
  const pipeline::SystemOptions& s = site.system;
  return Shortest(kwp) + QStringLiteral(" kWp, ") + ModuleName(s.module) + QStringLiteral(" modules, ") +
         MountName(s.mount) + QStringLiteral(", losses ") + Shortest(s.lossesPercent) +
         QStringLiteral(" %, inverter ") + Shortest(s.inverterPercent) + QStringLiteral(" %, DC/AC ") +
         Shortest(s.dcAcRatio) +
         (s.oneInverter ? QStringLiteral(", one inverter") : QStringLiteral(", an inverter per panel"));
}

QJsonObject SystemJson(const summary::Site& site, double kwp) {
  const pipeline::SystemOptions& s = site.system;
  return {{QStringLiteral("kwp"), kwp},
          {QStringLiteral("module"), ModuleName(s.module)},
          {QStringLiteral("mount"), MountName(s.mount)},
          {QStringLiteral("losses_percent"), s.lossesPercent},
          {QStringLiteral("inverter_percent"), s.inverterPercent},
          {QStringLiteral("dc_ac_ratio"), s.dcAcRatio},
          {QStringLiteral("one_inverter"), s.oneInverter}};
}

int RunEnergy(const Options& o, const Environment& env) {
  if (!o.weather) {
    throw UsageError(QStringLiteral("--weather"), QStringLiteral("missing; the energy command needs it"));
  }
  const WeatherSite ws = WeatherSiteOf(o, env);
  const summary::Site& site = ws.setup;
  const WeatherInput& weather = *ws.weather;
  const summary::EnergyYear y = InCalendar(QStringLiteral("--weather"), [&] {
    return summary::SumWeather(site, weather.weather, weather.shiftSeconds, ws.display, env.progress);
  });
  const double kwp = pipeline::KwpInUse(site);
  if (o.json) {
    const auto totals = [&site](const summary::EnergyTotals& t, bool whole) {
      QJsonArray panels;
      for (int p = 0; p < kPanelCount; ++p) {
        if (!InUse(site.panels[p])) continue;
        QJsonObject panel{{QStringLiteral("number"), p + 1},
                          {QStringLiteral("poa_kwh_m2"), t.panels[p].poa},
                          {QStringLiteral("dc_kwh"), t.panels[p].dc},
                          {QStringLiteral("ac_kwh"), t.panels[p].ac}};
        if (whole) {
          panel.insert(QStringLiteral("specific_yield_kwh_kwp"), summary::PanelSpecificYield(site, t, p));
          panel.insert(QStringLiteral("performance_ratio"), summary::PanelPerformanceRatio(site, t, p));
        }
        panels.append(panel);
      }
      QJsonObject o{{QStringLiteral("panels"), panels},
                    {QStringLiteral("ac_kwh"), t.ac},
                    {QStringLiteral("hours"), t.hours},
                    {QStringLiteral("missing_rows"), static_cast<double>(t.missing)}};
      if (whole) {
        o.insert(QStringLiteral("specific_yield_kwh_kwp"), summary::SpecificYield(site, t));
        o.insert(QStringLiteral("performance_ratio"), summary::PerformanceRatio(site, t));
      }
      return o;
    };
    env.out->write(Json({{QStringLiteral("weather"), WeatherJson(weather, site)},
                         {QStringLiteral("site"), SiteJson(ws.in, 0, o)},
                         {QStringLiteral("system"), SystemJson(site, kwp)},
                         {QStringLiteral("panels"), PanelsJson(site, true)},
                         {QStringLiteral("months"), MonthsJson([&](int m) { return totals(y.months[m], false); })},
                         {QStringLiteral("year"), totals(y.year, true)}}));
    return kExitOk;
  }
  QString r = Line(QStringLiteral("Weather"), WeatherText(weather, site));
  r += SiteLine(ws.in) + HorizonLine(o);
  r += Line(QStringLiteral("System"), SystemText(site, kwp));
  r += QStringLiteral("Per panel: light on its plane kWh/m² / AC kWh\n");
  QString head = QStringLiteral("Month").leftJustified(8);
  for (int p = 0; p < kPanelCount; ++p) {
    if (InUse(site.panels[p])) head += QStringLiteral("Panel %1").arg(p + 1).rightJustified(18);
  }
  r += head + QStringLiteral("System kWh").rightJustified(13) + QLatin1Char('\n');
  const auto row = [&](const QString& label, const summary::EnergyTotals& t) {
    QString line = label.leftJustified(8);
    for (int p = 0; p < kPanelCount; ++p) {
      if (!InUse(site.panels[p])) continue;
      line += (Decimals(t.panels[p].poa, 1) + QStringLiteral(" / ") + Decimals(t.panels[p].ac, 1))
                  .rightJustified(18);
    }
    return line + Decimals(t.ac, 1).rightJustified(13) + QLatin1Char('\n');
  };
  for (int m = 0; m < 12; ++m) r += row(text::MonthAbbreviation(m + 1), y.months[m]);
  r += row(QStringLiteral("Year"), y.year);
  for (int p = 0; p < kPanelCount; ++p) {
    if (!InUse(site.panels[p])) continue;
    r += Line(QStringLiteral("Panel %1").arg(p + 1),
              PanelLabel(site.panels[p]) + Shortest(site.kwp[p]) + QStringLiteral(" kWp: ") +
                  Decimals(y.year.panels[p].ac, 1) + QStringLiteral(" kWh, ") +
                  Decimals(summary::PanelSpecificYield(site, y.year, p), 1) + QStringLiteral(" kWh/kWp, PR ") +
                  Decimals(100 * summary::PanelPerformanceRatio(site, y.year, p), 1) + QStringLiteral(" %"));
  }
  r += Line(QStringLiteral("System"), Decimals(y.year.ac, 1) + QStringLiteral(" kWh, ") +
                                          Decimals(summary::SpecificYield(site, y.year), 1) +
                                          QStringLiteral(" kWh/kWp, performance ratio ") +
                                          Decimals(100 * summary::PerformanceRatio(site, y.year), 1) +
                                          QStringLiteral(" %"));
  if (y.year.missing > 0) {
    r += Line(QStringLiteral("Missing"), QStringLiteral("%1 rows without light, taken as none").arg(y.year.missing));
  }
  env.out->write(r.toStdString());
  return kExitOk;
}

}  // namespace

int RunCommand(const Options& o, const Environment& env) {
  switch (o.command) {
    case Command::kSeries:
      return RunSeries(o, env);
    case Command::kDay:
      return RunDay(o, env);
    case Command::kYear:
      return RunYear(o, env);
    case Command::kBest:
      return RunBest(o, env);
    case Command::kEnergy:
      return RunEnergy(o, env);
    default:
      throw UsageError(QString(), QStringLiteral("the ") + o.commandName +
                                      QStringLiteral(" command is not available in this build"));
  }
}

}  // namespace halvessa::cli
