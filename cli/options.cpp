#include "cli/options.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <iterator>

#include "geometry/calendar.h"
#include "pipeline/pipeline.h"
#include "text/convert.h"
#include "text/time_zone.h"

namespace halvessa::cli {

UsageError::UsageError(const QString& option, const QString& message)
    : std::runtime_error("usage"),
      line_(option.isEmpty() ? message : option + QStringLiteral(": ") + message) {}

namespace {

// --- The command line -------------------------------------------------------------------

// The options that take a value, by name without the dashes.
struct ValueOption {
  const char* name;
  const char* valueName;
  std::optional<QString> Options::*slot;  // null for --panel, which repeats
};
constexpr ValueOption kValueOptions[] = {
    {"date", "DATE", &Options::date},
    {"time", "TIME", &Options::time},
    {"lat", "DEGREES", &Options::lat},
    {"lon", "DEGREES", &Options::lon},
    {"tz", "HOURS", &Options::tz},
    {"panel", "AZ/TILT[/KWP]", nullptr},
    {"from", "DATE", &Options::from},
    {"to", "DATE", &Options::to},
    {"step", "STEP", &Options::step},
    {"format", "FORMAT", &Options::format},
    {"digits", "N", &Options::digits},
    {"year", "YYYY", &Options::year},
    {"altitude", "METRES", &Options::altitude},
    {"fix-tilt", "DEGREES", &Options::fixTilt},
    {"fix-azimuth", "DEGREES", &Options::fixAzimuth},
    {"weather", "FILE", &Options::weather},
    {"weather-shift", "HOURS", &Options::weatherShift},
    {"horizon", "FILE", &Options::horizon},
    {"module", "TYPE", &Options::module},
    {"mount", "MOUNT", &Options::mount},
    {"losses", "PERCENT", &Options::losses},
    {"inverter", "PERCENT", &Options::inverter},
    {"dc-ac", "RATIO", &Options::dcAc},
    {"transposition", "MODEL", &Options::transposition}};

// The flags besides --help and --version.
struct FlagOption {
  const char* name;
  bool Options::*slot;
};
constexpr FlagOption kFlags[] = {
    {"json", &Options::json},
    {"clearsky", &Options::clearsky},
    {"force", &Options::force},
    {"one-inverter", &Options::oneInverter}};

// The command words and the options each takes besides the site's (--lat, --lon, --tz,
// --panel), --help and --version.
struct CommandWord {
  const char* word;
  Command command;
  std::initializer_list<const char*> options;
};
const CommandWord kCommands[] = {
    {"", Command::kMoment, {"date", "time", "json"}},
    {"series", Command::kSeries,
     {"from", "to", "step", "clearsky", "format", "digits", "force", "altitude", "horizon",
      "weather", "weather-shift", "transposition", "module", "mount", "losses", "inverter",
      "dc-ac", "one-inverter"}},
    {"day", Command::kDay, {"date", "step", "json", "altitude", "horizon"}},
    {"year", Command::kYear, {"year", "step", "json", "altitude", "horizon"}},
    {"best", Command::kBest,
     {"year", "step", "fix-tilt", "fix-azimuth", "json", "altitude", "horizon", "weather",
      "weather-shift", "transposition"}},
    {"energy", Command::kEnergy,
     {"weather", "weather-shift", "horizon", "module", "mount", "losses", "inverter", "dc-ac",
      "one-inverter", "transposition", "json", "altitude"}}};

bool Takes(const CommandWord& command, const QString& name) {
  for (const char* site : {"lat", "lon", "tz", "panel", "help", "h", "version"}) {
    if (name == QLatin1String(site)) return true;
  }
  for (const char* own : command.options) {
    if (name == QLatin1String(own)) return true;
  }
  return false;
}

QString Long(const char* name) { return QStringLiteral("--") + QLatin1String(name); }

// The arguments up to the first "--", after which everything is positional.
QStringList OptionPart(const QStringList& args) {
  const qsizetype end = args.indexOf(QStringLiteral("--"));
  return end < 0 ? args : args.first(end);
}

// The message for a command line the parser refused. The parser reports names without their
// dashes and a value given to a flag only in its own words, so the argument at fault is
// looked up again among those given.
QString ParseFailure(const QCommandLineParser& parser, const QStringList& args) {
  const QStringList given = OptionPart(args);
  const auto typed = [&given](const QString& name) {
    for (const QString& arg : given) {
      if (arg == name || arg.startsWith(name + QLatin1Char('='))) return true;
    }
    return false;
  };
  if (!parser.unknownOptionNames().isEmpty()) {
    // A name not given after "--" is one letter after a single dash ("-x", or of "-xyz").
    const QString name = parser.unknownOptionNames().constFirst();
    const QString dashes =
        typed(QStringLiteral("--") + name) ? QStringLiteral("--") : QStringLiteral("-");
    const QString shown = dashes + name;
    return QStringLiteral("unknown option ") + text::Quoted(shown);
  }
  // Each occurrence of an option with a value adds one value; the one without adds none.
  for (const ValueOption& option : kValueOptions) {
    const QString name = QLatin1String(option.name);
    if (parser.optionNames().count(name) > parser.values(name).size()) {
      return Long(option.name) + QStringLiteral(": missing value");
    }
  }
  for (const char* flag :
       {"--help", "-h", "--version", "--json", "--clearsky", "--force", "--one-inverter"}) {
    if (typed(QLatin1String(flag))) return QLatin1String(flag) + QStringLiteral(": takes no value");
  }
  return parser.errorText();
}

}  // namespace

Options ParseOptions(const QStringList& arguments) {
  // The command word, when the first argument is one. Only the first: a second command word
  // is an unexpected argument like any other.
  const CommandWord* command = &kCommands[0];
  QStringList args = arguments;
  if (!args.isEmpty()) {
    const auto word = std::find_if(std::begin(kCommands) + 1, std::end(kCommands),
                                   [&args](const CommandWord& c) {
                                     return args.constFirst() == QLatin1String(c.word);
                                   });
    if (word != std::end(kCommands)) {
      command = &*word;
      args.removeFirst();
    }
  }

  QCommandLineParser parser;
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  const QCommandLineOption version(QStringLiteral("version"));
  parser.addOptions({help, version});
  for (const FlagOption& flag : kFlags) parser.addOption(QCommandLineOption(QLatin1String(flag.name)));
  for (const ValueOption& option : kValueOptions) {
    parser.addOption(
        QCommandLineOption(QLatin1String(option.name), QString(), QLatin1String(option.valueName)));
  }
  // The parser skips the first argument as the program's name.
  if (!parser.parse(QStringList{QStringLiteral("halvessa-cli")} + args)) {
    throw UsageError(QString(), ParseFailure(parser, args));
  }
  if (!parser.positionalArguments().isEmpty()) {
    throw UsageError(QString(), QStringLiteral("unexpected argument ") +
                                    text::Quoted(parser.positionalArguments().constFirst()));
  }
  for (const QString& name : parser.optionNames()) {
    if (!Takes(*command, name)) {
      const QString shown = (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
      throw UsageError(shown, *command->word == '\0'
                                  ? QStringLiteral("needs a command first (series, day, year, best or energy)")
                                  : QStringLiteral("is not an option of the ") +
                                        QLatin1String(command->word) + QStringLiteral(" command"));
    }
  }

  Options o;
  o.command = command->command;
  o.commandName = QLatin1String(command->word);
  o.help = parser.isSet(help);
  o.version = parser.isSet(version);
  for (const FlagOption& flag : kFlags) o.*flag.slot = parser.isSet(QLatin1String(flag.name));
  for (const ValueOption& option : kValueOptions) {
    const QStringList values = parser.values(QLatin1String(option.name));
    if (!option.slot) {
      if (values.size() > kPanelCount) {
        throw UsageError(
            Long(option.name),
            text::Quoted(values[kPanelCount]) +
                QStringLiteral(" is one panel too many (at most %1)").arg(kPanelCount));
      }
      o.panels = values;
    } else if (values.size() > 1) {
      throw UsageError(Long(option.name), QStringLiteral("given twice, as ") +
                                              text::Quoted(values[0]) + QStringLiteral(" and ") +
                                              text::Quoted(values[1]));
    } else if (!values.isEmpty()) {
      o.*option.slot = values[0];
    }
  }
  return o;
}

namespace {

// --- Conversions of the values ----------------------------------------------------------

double Number(const QString& option, const QString& text) { return NumberOf(option, text); }

// A site value: the given text, or the stored default when none is given.
double SiteValue(const QString& option, const std::optional<QString>& given, const char* stored,
                 bool (*inRange)(double), const char* range) {
  const QString text = given ? *given : QString::fromLatin1(stored);
  const double value = Number(option, text);
  if (!inRange(value)) {
    throw UsageError(option,
                     text::Quoted(text) + QStringLiteral(" is outside ") + QLatin1String(range));
  }
  return value;
}

// The largest kWp a panel may have: a large roof's array, well beyond any home's.
constexpr double kMaxKwp = pipeline::kKwpRange.high;

// "AZ/TILT" or "AZ/TILT/KWP".
std::pair<PanelGeometry, double> PanelOf(const QString& text) {
  const QString option = QStringLiteral("--panel");
  const QStringList parts = text.split(QLatin1Char('/'));
  if (parts.size() < 2 || parts.size() > 3) {
    throw UsageError(option, text::Quoted(text) +
                                 QStringLiteral(" is not azimuth/tilt or azimuth/tilt/kWp, e.g. 151/45 or 180/35/4.2"));
  }
  PanelGeometry p;
  double kwp = pipeline::kDefaultKwp;
  try {
    p.Azimuth = text::StrictNumber(parts[0]);
    p.Tilt = text::StrictNumber(parts[1]);
    if (parts.size() == 3) kwp = text::StrictNumber(parts[2]);
  } catch (const text::ConversionError& e) {
    throw UsageError(option, text::Quoted(text) + QStringLiteral(": ") + e.message());
  }
  if (!(p.Azimuth >= -360 && p.Azimuth <= 360)) {
    throw UsageError(option,
                     text::Quoted(text) + QStringLiteral(": the azimuth is outside -360 to 360"));
  }
  if (!(p.Tilt >= -180 && p.Tilt <= 180)) {
    throw UsageError(option,
                     text::Quoted(text) + QStringLiteral(": the tilt is outside -180 to 180"));
  }
  if (!pipeline::KwpHolds(kwp)) {
    throw UsageError(option, text::Quoted(text) +
                                 QStringLiteral(": the kWp is not above 0 and at most %1").arg(kMaxKwp));
  }
  return {p, kwp};
}

void PanelsOf(const QStringList& given, SiteInputs& site) {
  if (given.isEmpty()) {
    for (const auto& stored : defaults::kPanels) {
      site.panels.push_back({text::StrictNumber(QLatin1String(stored.azimuth), QLocale::c()),
                             text::StrictNumber(QLatin1String(stored.tilt), QLocale::c())});
      site.kwp.push_back(pipeline::kDefaultKwp);
    }
  } else {
    for (const QString& text : given) {
      const auto [panel, kwp] = PanelOf(text);
      site.panels.push_back(panel);
      site.kwp.push_back(kwp);
    }
  }
}

double StrictDateOf(const QString& option, const QString& text) {
  try {
    return text::StrictDate(text);
  } catch (const text::ConversionError& e) {
    throw UsageError(option, e.message());
  }
}

// The present local date and time at the site: universal time moved by the zone's offset at
// that instant, unrounded.
double SiteNow(const std::function<double()>& nowUt, const text::SiteZone& zone) {
  const double ut = nowUt();
  const double now = ut + zone.offsetAtUniversal(ut) / 24.0;
  if (!InCalendarRange(now)) {
    throw UsageError(QString(),
                     QStringLiteral("the computer's clock is outside the years 100 to 9999"));
  }
  return now;
}

// The moment as the window builds it from its date and time boxes: the date's serial plus the
// time of day. Each part is checked on its own, so that the message names its option.
double MomentOf(const Options& o, const text::SiteZone& zone, const std::function<double()>& nowUt) {
  if (!o.date && !o.time) return SiteNow(nowUt, zone);
  double day = 0;
  if (o.date) {
    const QString date = o.date->trimmed();
    day = StrictDateOf(QStringLiteral("--date"), date);
    // A time alone, or a date with a time, would convert too; --date takes a date only.
    if (!text::IsDateOrTime(date + QStringLiteral(" 0:00"))) {
      throw UsageError(QStringLiteral("--date"),
                       text::Quoted(date) + QStringLiteral(" is not a date"));
    }
  }
  if (!o.time) return day;

  const QString time = o.time->trimmed();
  const double timeOfDay = StrictDateOf(QStringLiteral("--time"), time);
  if (!text::IsDateOrTime(QStringLiteral("2000-01-01 ") + time)) {
    throw UsageError(QStringLiteral("--time"),
                     text::Quoted(time) + QStringLiteral(" is not a time"));
  }
  if (!o.date) day = std::floor(SiteNow(nowUt, zone));
  return day + timeOfDay;
}

// --tz: hours within the site's range, or a zone name of the time zone database.
text::SiteZone ZoneOf(const std::optional<QString>& given) {
  const QString option = QStringLiteral("--tz");
  const QString text = given ? *given : QString::fromLatin1(defaults::kTimeZone);
  text::SiteZone zone = text::SiteZone::Fixed(0);
  try {
    zone = text::StrictTimeZone(text);
  } catch (const text::ConversionError& e) {
    throw UsageError(option, e.message());
  }
  if (!zone.inSiteRange()) {
    throw UsageError(option, text::Quoted(text) + QStringLiteral(" is outside ") +
                                 QLatin1String(kTimeZoneRange));
  }
  return zone;
}

}  // namespace

double NumberOf(const QString& option, const QString& text) {
  try {
    return text::StrictNumber(text);
  } catch (const text::ConversionError& e) {
    throw UsageError(option, e.message());
  }
}

std::array<PanelGeometry, kPanelCount> SiteInputs::panelArray() const {
  std::array<PanelGeometry, kPanelCount> a{};
  for (std::size_t i = 0; i < panels.size() && i < a.size(); ++i) a[i] = panels[i];
  return a;
}

std::array<double, kPanelCount> SiteInputs::kwpArray() const {
  std::array<double, kPanelCount> a;
  a.fill(pipeline::kDefaultKwp);
  for (std::size_t i = 0; i < kwp.size() && i < a.size(); ++i) a[i] = kwp[i];
  return a;
}

SiteInputs ConvertSite(const Options& o) {
  SiteInputs site;
  site.latitude = SiteValue(QStringLiteral("--lat"), o.lat, defaults::kLatitude, LatitudeInRange,
                            kLatitudeRange);
  site.longitude = SiteValue(QStringLiteral("--lon"), o.lon, defaults::kLongitude,
                             LongitudeInRange, kLongitudeRange);
  site.zone = ZoneOf(o.tz);
  PanelsOf(o.panels, site);
  return site;
}

double LocalMomentOf(const QString& option, const QString& typed) {
  const QString text = typed.trimmed();
  // The date, then a time after a blank or a "T".
  qsizetype split = text.indexOf(QLatin1Char(' '));
  if (split < 0) split = text.indexOf(QLatin1Char('T'));
  const QString date = split < 0 ? text : text.left(split);
  const QString time = split < 0 ? QString() : text.mid(split + 1).trimmed();
  if (date.isEmpty() || !text::IsDateOrTime(date + QStringLiteral(" 0:00"))) {
    throw UsageError(option, text::Quoted(typed) + QStringLiteral(" is not a date, e.g. 2025-03-30 or \"2025-03-30 12:00\""));
  }
  const double day = StrictDateOf(option, date);
  if (time.isEmpty()) return day;
  if (!text::IsDateOrTime(QStringLiteral("2000-01-01 ") + time)) {
    throw UsageError(option, text::Quoted(typed) + QStringLiteral(": ") + text::Quoted(time) +
                                 QStringLiteral(" is not a time"));
  }
  return day + StrictDateOf(option, time);
}

std::int64_t StepOf(const QString& option, const QString& typed) {
  const QString text = typed.trimmed();
  static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,9})\\s*([smhd]?)$"));
  const QRegularExpressionMatch m = pattern.match(text);
  if (m.hasMatch() && m.captured(2).isEmpty()) {
    throw UsageError(option, text::Quoted(typed) +
                                 QStringLiteral(" has no unit: add s, m, h or d, e.g. 30s, 10m or 1h"));
  }
  const std::int64_t count = m.hasMatch() ? m.captured(1).toLongLong() : 0;
  const QString unit = m.captured(2);
  const std::int64_t seconds = count * (unit == QLatin1String("m")   ? 60
                                        : unit == QLatin1String("h") ? 3600
                                        : unit == QLatin1String("d") ? 86400
                                                                     : 1);
  if (!m.hasMatch() || seconds <= 0 || seconds > 366 * 86400) {
    throw UsageError(option, text::Quoted(typed) +
                                 QStringLiteral(" is not a step of time from 1s to 366d, e.g. 30s, 10m or 1h"));
  }
  return seconds;
}

Inputs ConvertOptions(const Options& o, const std::function<double()>& nowUt) {
  Inputs in;
  const SiteInputs site = ConvertSite(o);
  in.latitude = site.latitude;
  in.longitude = site.longitude;
  const text::SiteZone& zone = site.zone;
  in.panels = site.panels;
  if (!zone.isNamed()) {
    in.timeZone = zone.offsetAtUniversal(0);
    in.moment = MomentOf(o, zone, nowUt);
    return in;
  }
  // A named zone: its offset at the moment computed, daylight saving included. The present
  // instant is read once, so the moment and its offset belong together.
  const double ut = o.date && o.time ? 0.0 : nowUt();
  const auto fixedNow = [ut] { return ut; };
  in.zoneName = zone.name();
  in.moment = MomentOf(o, zone, fixedNow);
  in.timeZone = !o.date && !o.time ? zone.offsetAtUniversal(ut) : zone.offsetAtLocal(in.moment);
  return in;
}

// The --help text; %1 to %8 are filled in from the stored defaults and the site's ranges.
// Each option and command has an entry of its own, for the manual page help2man makes of it;
// no line is wider than 80 columns.
constexpr const char* kHelp = R"(Usage: halvessa-cli [options]
  or:  halvessa-cli series --from DATE[ TIME] --to DATE[ TIME] [options]
  or:  halvessa-cli day [--date DATE] [options]
  or:  halvessa-cli year [--year YYYY] [options]
  or:  halvessa-cli best [--year YYYY] [--fix-tilt T|--fix-azimuth A] [options]
  or:  halvessa-cli energy --weather FILE [--horizon FILE] [options]

Computes for one moment and site the sun's azimuth and elevation, the day's
sunrise and sunset, and for each panel the angle of incidence (AOI) of the
sunlight and the estimated production. The commands compute for many moments,
in steps of real time.

Commands:
  series                 one row per moment from --from up to but excluding
                         --to: time (local ISO 8601 with its offset),
                         sun_azimuth, sun_elevation, and per panel in use
                         panelN_aoi and panelN_production. With --weather
                         instead of --from and --to: one row per row of the
                         file, timed at its start, with the light as used
                         (ghi, dni, dhi in W/m2), temp_air, wind_speed, albedo,
                         per panel panelN_poa (W/m2), panelN_cell_temp (C),
                         panelN_dc and panelN_ac (W), and system_ac (W)
  day                    the local day from midnight to midnight (23 or 25
                         hours on a daylight saving day): the sunrise and
                         sunset within it, or that the sun stays above or
                         below the horizon all day; the hours with the sun up;
                         per panel the peak production and its time, the
                         production hours (the sum of production/100 over the
                         moments times the step in hours) and the clear-sky
                         irradiation on its plane in kWh/m2
  year                   the production hours and clear-sky irradiation per
                         month and for the year
  best                   the orientation (azimuth 0 to 359, tilt 0 to 90,
                         whole degrees) with the most clear-sky irradiation on
                         its plane over the year, and each panel's irradiation
                         as a share of it; with --weather, over that weather's
                         rows
  energy                 from a weather file (--weather), per month and for the
                         year: each panel's irradiation on its plane (kWh/m2)
                         and AC energy (kWh), the system's AC energy, its
                         specific yield (kWh per kWp) and performance ratio
                         (AC over kWp times the plane's irradiation)

Options of the moment and the site:
  --date DATE            the local date at the site, yyyy-mm-dd or the
                         locale's short date form; without --time, that date
                         at 00:00; without both, now. For day: the day, by
                         default today at the site
  --time TIME            the local time at the site, h:mm or h:mm:ss; without
                         --date, on the site's present date
  --lat DEGREES          the latitude, north positive, %1
                         (default %2)
  --lon DEGREES          the longitude, east positive, %3
                         (default %4)
  --tz HOURS|NAME        the time zone in hours east of universal time, e.g. 2,
                         5.5 or -3.5, from %5
                         (default %6, whatever the computer's zone), or the
                         name of a zone such as Europe/Zurich, with its offset
                         at each moment, daylight saving included
  --panel AZ/TILT[/KWP]  a panel's azimuth (degrees from north toward east,
                         -360 to 360) and tilt (degrees from the horizontal,
                         -180 to 180), e.g. 151/45, and for energy its DC
                         rating in kWp (default 1), e.g. 180/35/4.2. Repeat
                         for up to %7 panels, numbered in order. Without
                         --panel, the panels
                         %8.
                         A panel 0/0 is not in use
  --json                 the moment, day, year and best: one JSON object on one
                         line instead of the report

Options of the commands:
  --from DATE[ TIME]     series: the first moment, local time at the site,
                         e.g. 2025-03-30 or "2025-03-30 12:00"; a time the
                         clocks skip at a daylight saving change is refused
  --to DATE[ TIME]       series: the end of the series, itself excluded
  --step STEP            the step of real time: a whole number and its unit s,
                         m, h or d, e.g. 30s, 10m, 1h. series: 10m by default,
                         up to 366d; day: 1m by default, from 1m to 1h; year
                         and best: 10m by default, from 1m to 1d
  --year YYYY            year and best: the year, 100 to 9999 (default this
                         year at the site)
  --altitude METRES      series, day, year and best: the site's altitude,
                         -500 to 9000, for the clear sky's air pressure
                         (default sea level, 101325 Pa)
  --clearsky             series: also ghi, dni, dhi and panelN_poa in W/m2
  --format FORMAT        series: csv (RFC 4180, CR LF; the default) or json
  --digits N             series: N decimals, 0 to 17, instead of the shortest
                         text that reads back as the same number
  --force                series: write more than 10,000,000 rows
  --fix-tilt DEGREES     best: keep the tilt (0 to 90) and search the azimuth;
                         the best is the best at that tilt, and the panels'
                         shares are of it
  --fix-azimuth DEGREES  best: keep the azimuth (0 to 359) and search the tilt;
                         the best is the best at that azimuth, and the panels'
                         shares are of it

Options of weather, horizon and system:
  --weather FILE         energy, series and best: a weather file, PVGIS TMY
                         CSV or JSON, EPW, or a CSV with a header naming time
                         (ISO 8601 with its offset, the start of the row's
                         interval) and two of ghi, dni, dhi in W/m2 (or ghi
                         alone), optionally temp_air (C) and wind_speed
                         (m/s). Without --lat and --lon, the site is the
                         file's; without --tz, its time zone too
  --weather-shift HOURS  move the weather's times by -24 to 24 hours, as a
                         warning that its light does not fit the sun suggests
  --horizon FILE         series, day, year, best and energy: the skyline's
                         height by azimuth (PVGIS horizon output, a list of
                         heights from north clockwise, or azimuth,height
                         pairs); the sun behind it sends no beam, and each
                         plane's sky is what the skyline leaves of it
  --transposition MODEL  the sky on a plane from weather: perez (default) or
                         isotropic
  --module TYPE          standard (-0.47 %/C, default), premium (-0.35 %/C)
                         or thin (film, -0.20 %/C)
  --mount MOUNT          rack (open rack, default) or roof (hotter)
  --losses PERCENT       the system's losses, 0 to 99 (default 14.08)
  --inverter PERCENT     the inverter's nominal efficiency, 50 to 100
                         (default 96)
  --dc-ac RATIO          the DC rating over the inverter's AC rating, 0.1 to
                         10 (default 1.2): above it the inverter clips
  --one-inverter         all panels on one inverter (default: one each)

Other options:
  -h, --help             show this text
  --version              show the version

While the sun's elevation is 0 or below, every panel's production is 0; its
AOI is still shown. The moment's sunrise and sunset are those the window shows;
one on another date than the moment's carries its date. Where the sun stays
above or below the horizon all day, one line says so instead (in the JSON,
"polar" is "day" or "night", else null).

The clear sky is the simplified Solis model (Ineichen 2008) with an aerosol
optical depth at 700 nm of 0.1, 1 cm of precipitable water and 1364 W/m2 above
the atmosphere, at the sun's geometric elevation (no refraction); the plane of
a panel gets the beam by the cosine of its AOI, the sky's diffuse light
isotropically and the ground's reflection with an albedo of 0.2. Sums use the
rectangle rule on the moments.

With weather, each row's sun is taken where the file says its values stand,
otherwise in the middle of its interval (of its sunlit part at sunrise and
sunset), refracted; the plane's light is the Perez 1990 sky, and AC follows
PVWatts version 5 (Dobos 2014): the cover's loss by the angle of incidence,
Fuentes' cell temperature, DC from kWp, the losses, the inverter's part-load
efficiency and clipping. A clear sky is the light of a cloudless year; a
typical-year weather file brings what a site's climate brings.

Numbers are read in the locale's form or in the plain form with a "." decimal
point. A value may also follow its option after "=", as in --lat=46.2.

Long work (series, year, best) shows its progress on standard error when that
is a terminal other than standard output's.

Exit status: 0 when done, 2 for a bad option or value (one line on standard
error), 1 when the output could not be written. When the reader of standard
output goes away (as with "| head") the program ends quietly, as by SIGPIPE,
also where SIGPIPE is ignored.
)";

QString HelpText() {
  QString panels;
  for (std::size_t i = 0; i < defaults::kPanels.size(); ++i) {
    if (i > 0) {
      panels += i + 1 < defaults::kPanels.size() ? QStringLiteral(", ") : QStringLiteral(" and ");
    }
    panels += QLatin1String(defaults::kPanels[i].azimuth) + QLatin1Char('/') +
              QLatin1String(defaults::kPanels[i].tilt);
  }
  return QString::fromUtf8(kHelp).arg(
      QLatin1String(kLatitudeRange), QLatin1String(defaults::kLatitude),
      QLatin1String(kLongitudeRange), QLatin1String(defaults::kLongitude),
      QLatin1String(kTimeZoneRange), QLatin1String(defaults::kTimeZone),
      QString::number(kPanelCount), panels);
}

}  // namespace halvessa::cli
