#include "cli/sky_inputs.h"

#include <cmath>
#include <variant>

#include "files/horizon.h"
#include "files/weather.h"
#include "text/convert.h"
#include "text/system_words.h"
#include "text/weather_text.h"

namespace halvessa::cli {

namespace {

// A number option within its range.
double Within(const std::optional<QString>& given, const char* option, double fallback,
              pipeline::Range range, const char* unit) {
  if (!given) return fallback;
  const QString name = QLatin1String(option);
  const double v = NumberOf(name, *given);
  if (!range.holds(v)) {
    throw UsageError(name, text::Quoted(*given) + QStringLiteral(" is outside %1 to %2%3")
                               .arg(range.low)
                               .arg(range.high)
                               .arg(QLatin1String(unit)));
  }
  return v;
}

// One of a few words, in any case.
template <typename T, std::size_t N>
T Choice(const std::optional<QString>& given, const char* option, T fallback,
         const std::pair<const char*, T> (&words)[N]) {
  if (!given) return fallback;
  const QString typed = given->trimmed().toLower();
  QString list;
  for (std::size_t i = 0; i < N; ++i) {
    if (typed == QLatin1String(words[i].first)) return words[i].second;
    list += (i == 0 ? QString() : i + 1 == N ? QStringLiteral(" or ") : QStringLiteral(", ")) +
            QLatin1String(words[i].first);
  }
  throw UsageError(QLatin1String(option),
                   text::Quoted(*given) + QStringLiteral(" is not ") + list);
}

constexpr const auto& kModules = text::kModuleWords;
constexpr const auto& kMounts = text::kMountWords;
constexpr const auto& kTranspositions = text::kTranspositionWords;

}  // namespace

std::optional<WeatherInput> WeatherOf(const Options& o) {
  if (!o.weather) {
    if (o.weatherShift) {
      throw UsageError(QStringLiteral("--weather-shift"), QStringLiteral("needs --weather"));
    }
    return std::nullopt;
  }
  WeatherInput in;
  in.name = *o.weather;
  in.shiftHours = Within(o.weatherShift, "--weather-shift", 0, pipeline::kWeatherShiftRange, " hours");
  in.shiftSeconds = in.shiftHours * 3600.0;
  files::WeatherResult read = files::ReadWeather(*o.weather);
  if (const QString* error = std::get_if<QString>(&read)) {
    throw UsageError(QStringLiteral("--weather"), *error);
  }
  in.weather = std::move(std::get<site::Weather>(read));
  return in;
}

void SiteFromWeather(const Options& o, const WeatherInput& weather, SiteInputs& site,
                     pipeline::Setup& setup) {
  const site::Weather& w = weather.weather;
  if (!o.lat && std::isfinite(w.latitude) && LatitudeInRange(w.latitude)) site.latitude = w.latitude;
  if (!o.lon && std::isfinite(w.longitude) && LongitudeInRange(w.longitude)) {
    site.longitude = w.longitude;
  }
  setup.latitude = site.latitude;
  setup.longitude = site.longitude;
  if (!o.altitude) pipeline::PressureFromWeather(setup, w);
}

pipeline::Setup SetupOf(const Options& o, const SiteInputs& site) {
  pipeline::Setup s;
  s.latitude = site.latitude;
  s.longitude = site.longitude;
  s.panels = site.panelArray();
  s.kwp = site.kwpArray();
  if (o.altitude) {
    s.atmosphere.pressure =
        clearsky::PressureAtAltitude(Within(o.altitude, "--altitude", 0, pipeline::kAltitudeRange, " metres"));
  }
  if (o.horizon) {
    const files::HorizonRead read = files::ReadHorizon(*o.horizon);
    if (!read.horizon) throw UsageError(QStringLiteral("--horizon"), read.error);
    s.horizon = *read.horizon;
  }
  s.transposition = Choice(o.transposition, "--transposition", pipeline::Transposition::perez,
                           kTranspositions);
  s.system.module = Choice(o.module, "--module", energy::Module::standard, kModules);
  s.system.mount = Choice(o.mount, "--mount", energy::Mount::openRack, kMounts);
  const pipeline::SystemOptions defaults;
  s.system.lossesPercent = Within(o.losses, "--losses", defaults.lossesPercent, pipeline::kLossesRange, " %");
  s.system.inverterPercent =
      Within(o.inverter, "--inverter", defaults.inverterPercent, pipeline::kInverterRange, " %");
  s.system.dcAcRatio = Within(o.dcAc, "--dc-ac", defaults.dcAcRatio, pipeline::kDcAcRange, "");
  s.system.oneInverter = o.oneInverter;
  return s;
}

QString AlignmentWarningOf(const WeatherInput& weather, double latitude, double longitude) {
  return text::AlignmentLine(weather.weather, weather.name, latitude, longitude, weather.shiftHours,
                             QStringLiteral(" (--weather-shift %1)"));
}

QString ModuleName(energy::Module module) {
  for (const auto& [word, value] : kModules) {
    if (value == module) return value == energy::Module::thinFilm ? QStringLiteral("thin film") : QLatin1String(word);
  }
  return {};
}

QString MountName(energy::Mount mount) {
  return mount == energy::Mount::roof ? QStringLiteral("roof mount") : QStringLiteral("open rack");
}

QString TranspositionName(pipeline::Transposition transposition) {
  return transposition == pipeline::Transposition::perez ? QStringLiteral("Perez")
                                                         : QStringLiteral("isotropic");
}

}  // namespace halvessa::cli
