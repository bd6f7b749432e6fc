#include "window/system.h"

#include <QFileInfo>
#include <QVariant>

#include <exception>
#include <utility>
#include <variant>

#include "files/horizon.h"
#include "files/weather.h"
#include "text/system_words.h"
#include "window/form.h"
#include "text/weather_text.h"

namespace halvessa::window {

namespace {

// The keys of the user's configuration.
const QString kKwp = QStringLiteral("system/kwp%1");
const QString kModule = QStringLiteral("system/module");
const QString kMount = QStringLiteral("system/mount");
const QString kLosses = QStringLiteral("system/losses_percent");
const QString kInverter = QStringLiteral("system/inverter_percent");
const QString kDcAc = QStringLiteral("system/dc_ac_ratio");
const QString kOneInverter = QStringLiteral("system/one_inverter");
const QString kTransposition = QStringLiteral("system/transposition");
const QString kWeather = QStringLiteral("weather/file");
const QString kShift = QStringLiteral("weather/shift_hours");
const QString kHorizon = QStringLiteral("horizon/file");
const QString kZone = QStringLiteral("site/time_zone");

constexpr const auto& kModules = text::kModuleWords;
constexpr const auto& kMounts = text::kMountWords;
constexpr const auto& kTranspositions = text::kTranspositionWords;

template <typename T, std::size_t N>
QString WordOf(T value, const std::pair<const char*, T> (&words)[N]) {
  for (const auto& [word, v] : words) {
    if (v == value) return QLatin1String(word);
  }
  return {};
}

template <typename T, std::size_t N>
T ValueOf(const QVariant& stored, T fallback, const std::pair<const char*, T> (&words)[N]) {
  const QString word = stored.toString();
  for (const auto& [w, v] : words) {
    if (word == QLatin1String(w)) return v;
  }
  return fallback;
}

// A stored number within its range, else the default: the file is the user's to edit.
double NumberOf(const QVariant& stored, double fallback, pipeline::Range range) {
  bool ok = false;
  const double v = stored.toDouble(&ok);
  return ok && range.holds(v) ? v : fallback;
}

// Two messages in one line, either of which may be empty.
QString Joined(const QString& a, const QString& b) {
  if (a.isEmpty()) return b;
  return b.isEmpty() ? a : a + QStringLiteral(" ") + b;
}

// The file read into sources, its name made absolute; refused, the sources stay as they were.
FileOpened ReadWeatherInto(SkySources& sources, const QString& path) {
  files::WeatherResult read = files::ReadWeather(path);
  if (const QString* error = std::get_if<QString>(&read)) return {false, *error};
  sources.weather = std::make_shared<const site::Weather>(std::move(std::get<site::Weather>(read)));
  sources.settings.weatherFile = QFileInfo(path).absoluteFilePath();
  return {true, {}};
}

FileOpened ReadHorizonInto(SkySources& sources, const QString& path) {
  const files::HorizonRead read = files::ReadHorizon(path);
  if (!read.horizon) return {false, read.error};
  sources.horizon = *read.horizon;
  sources.settings.horizonFile = QFileInfo(path).absoluteFilePath();
  return {true, {}};
}

// The line warning that the sources' weather and the sun at the site disagree, or empty.
QString AlignmentOf(const SkySources& sources, double latitude, double longitude) {
  return text::AlignmentLine(*sources.weather, QFileInfo(sources.settings.weatherFile).fileName(),
                             latitude, longitude, sources.settings.weatherShiftHours,
                             QStringLiteral(" (Edit > System: move its times by %1 h)"));
}

// The first value out of its range, said, or empty.
QString Invalid(const SystemSettings& settings) {
  for (int p = 0; p < kPanelCount; ++p) {
    if (!pipeline::KwpHolds(settings.kwp[p])) {
      return QStringLiteral("Panel %1's kWp must be above 0 and at most %2.").arg(p + 1).arg(pipeline::kKwpRange.high);
    }
  }
  const std::pair<const char*, std::pair<double, pipeline::Range>> checks[] = {
      {"The losses", {settings.options.lossesPercent, pipeline::kLossesRange}},
      {"The inverter's efficiency", {settings.options.inverterPercent, pipeline::kInverterRange}},
      {"The DC-to-AC ratio", {settings.options.dcAcRatio, pipeline::kDcAcRange}},
      {"The weather's shift", {settings.weatherShiftHours, pipeline::kWeatherShiftRange}}};
  for (const auto& [name, check] : checks) {
    if (!check.second.holds(check.first)) {
      return QLatin1String(name) + QStringLiteral(" must be from %1 to %2.").arg(check.second.low).arg(check.second.high);
    }
  }
  return {};
}

// The values of settings on sources, their files kept.
void SetValues(SkySources& sources, const SystemSettings& settings) {
  const QString weather = sources.settings.weatherFile;
  const QString horizon = sources.settings.horizonFile;
  sources.settings = settings;
  sources.settings.weatherFile = weather;
  sources.settings.horizonFile = horizon;
}

}  // namespace

std::unique_ptr<QSettings> UserConfiguration() {
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                     QStringLiteral("halvessa"), QStringLiteral("halvessa"));
}

pipeline::Setup SkySources::setup(double latitude, double longitude,
                                  const std::array<PanelGeometry, kPanelCount>& panels) const {
  pipeline::Setup s;
  s.latitude = latitude;
  s.longitude = longitude;
  s.panels = panels;
  s.kwp = settings.kwp;
  s.horizon = horizon;
  s.transposition = settings.transposition;
  s.system = settings.options;
  if (weather) pipeline::PressureFromWeather(s, *weather);
  return s;
}

void StartRemembering(Form& form, FormModel& model, SystemModel& system) {
  if (const QString zone = system.zoneText(); !zone.isEmpty()) model.txtTz.setText(zone);
  try {
    form.frmHalvessa_Form_Load();
  } catch (const std::exception& e) {
    model.message.setText(QString::fromLocal8Bit(e.what()));
  }
  model.message.setText(Joined(model.message.Text(), system.restore()));
}

SystemModel::SystemModel(QSettings& store)
    : store_(store), sources_(std::make_shared<SkySources>(SkySources{{}, nullptr, {}, text::SkyTitle(nullptr, {})})) {}

QString SystemModel::restore() {
  SystemSettings s;
  for (int p = 0; p < kPanelCount; ++p) {
    bool ok = false;
    const double kwp = store_.value(kKwp.arg(p + 1)).toDouble(&ok);
    if (ok && pipeline::KwpHolds(kwp)) s.kwp[p] = kwp;
  }
  s.options.module = ValueOf(store_.value(kModule), s.options.module, kModules);
  s.options.mount = ValueOf(store_.value(kMount), s.options.mount, kMounts);
  s.options.lossesPercent = NumberOf(store_.value(kLosses), s.options.lossesPercent, pipeline::kLossesRange);
  s.options.inverterPercent =
      NumberOf(store_.value(kInverter), s.options.inverterPercent, pipeline::kInverterRange);
  s.options.dcAcRatio = NumberOf(store_.value(kDcAc), s.options.dcAcRatio, pipeline::kDcAcRange);
  s.options.oneInverter = store_.value(kOneInverter).toBool();
  s.transposition = ValueOf(store_.value(kTransposition), s.transposition, kTranspositions);
  s.weatherShiftHours = NumberOf(store_.value(kShift), 0, pipeline::kWeatherShiftRange);
  const QString weather = store_.value(kWeather).toString();
  const QString horizon = store_.value(kHorizon).toString();

  auto sources = std::make_shared<SkySources>();
  sources->settings = s;
  QStringList dropped;
  const auto drop = [&dropped](const QString& kind, const QString& path, const QString& why) {
    dropped << kind + QStringLiteral(" ") + path + QStringLiteral(" ") + why;
  };
  if (!weather.isEmpty()) {
    if (!QFileInfo::exists(weather)) {
      drop(QStringLiteral("The weather file"), weather, QStringLiteral("has gone missing"));
    } else if (const FileOpened read = ReadWeatherInto(*sources, weather); !read.opened) {
      drop(QStringLiteral("The weather file"), weather,
           QStringLiteral("can no longer be read (") + read.message + QStringLiteral(")"));
    }
  }
  if (!horizon.isEmpty()) {
    if (!QFileInfo::exists(horizon)) {
      drop(QStringLiteral("The horizon file"), horizon, QStringLiteral("has gone missing"));
    } else if (const FileOpened read = ReadHorizonInto(*sources, horizon); !read.opened) {
      drop(QStringLiteral("The horizon file"), horizon,
           QStringLiteral("can no longer be read (") + read.message + QStringLiteral(")"));
    }
  }
  use(std::move(sources));
  if (dropped.isEmpty()) return {};
  return Joined(dropped.join(QStringLiteral("; ")) + QStringLiteral(": it is no longer used."),
                save());  // forgotten
}

FileOpened SystemModel::openWeather(const QString& path, double latitude, double longitude) {
  auto sources = std::make_shared<SkySources>(*sources_);
  FileOpened read = ReadWeatherInto(*sources, path);
  if (!read.opened) return read;
  read.message = AlignmentOf(*sources, latitude, longitude);
  use(std::move(sources));
  read.message = Joined(read.message, save());
  return read;
}

FileOpened SystemModel::openHorizon(const QString& path) {
  auto sources = std::make_shared<SkySources>(*sources_);
  FileOpened read = ReadHorizonInto(*sources, path);
  if (!read.opened) return read;
  use(std::move(sources));
  read.message = save();
  return read;
}

QString SystemModel::apply(const SystemSettings& settings) {
  if (const QString invalid = Invalid(settings); !invalid.isEmpty()) return invalid;
  auto sources = std::make_shared<SkySources>(*sources_);
  SetValues(*sources, settings);
  use(std::move(sources));
  return save();
}

QString SystemModel::change(const SystemSettings& chosen, double latitude, double longitude) {
  if (const QString invalid = Invalid(chosen); !invalid.isEmpty()) return invalid;
  auto sources = std::make_shared<SkySources>(*sources_);
  SetValues(*sources, chosen);
  QString message;
  if (chosen.weatherFile != settings().weatherFile) {
    if (chosen.weatherFile.isEmpty()) {
      sources->weather = nullptr;
      sources->settings.weatherFile.clear();
    } else if (const FileOpened read = ReadWeatherInto(*sources, chosen.weatherFile); read.opened) {
      message = AlignmentOf(*sources, latitude, longitude);
    } else {
      message = read.message;
    }
  }
  if (chosen.horizonFile != settings().horizonFile) {
    if (chosen.horizonFile.isEmpty()) {
      sources->horizon = {};
      sources->settings.horizonFile.clear();
    } else {
      message = Joined(message, ReadHorizonInto(*sources, chosen.horizonFile).message);
    }
  }
  use(std::move(sources));
  return Joined(message, save());
}

QString SystemModel::zoneText() const { return store_.value(kZone).toString(); }

QString SystemModel::rememberZone(const QString& text) {
  if (store_.value(kZone).toString() == text) return {};
  store_.setValue(kZone, text);
  return synced();
}

void SystemModel::use(std::shared_ptr<SkySources> sources) {
  sources->title = text::SkyTitle(sources->weather.get(), QFileInfo(sources->settings.weatherFile).fileName());
  sources_ = std::move(sources);
  if (onChanged) onChanged();
}

QString SystemModel::save() {
  const SystemSettings& s = sources_->settings;
  for (int p = 0; p < kPanelCount; ++p) store_.setValue(kKwp.arg(p + 1), s.kwp[p]);
  store_.setValue(kModule, WordOf(s.options.module, kModules));
  store_.setValue(kMount, WordOf(s.options.mount, kMounts));
  store_.setValue(kLosses, s.options.lossesPercent);
  store_.setValue(kInverter, s.options.inverterPercent);
  store_.setValue(kDcAc, s.options.dcAcRatio);
  store_.setValue(kOneInverter, s.options.oneInverter);
  store_.setValue(kTransposition, WordOf(s.transposition, kTranspositions));
  store_.setValue(kShift, s.weatherShiftHours);
  store_.setValue(kWeather, s.weatherFile);
  store_.setValue(kHorizon, s.horizonFile);
  return synced();
}

QString SystemModel::synced() {
  store_.sync();
  if (store_.status() == QSettings::NoError) return {};
  return QStringLiteral("Cannot save the settings to %1: %2.")
      .arg(store_.fileName(), store_.status() == QSettings::AccessError
                                  ? QStringLiteral("it cannot be written")
                                  : QStringLiteral("it is not a settings file"));
}

}  // namespace halvessa::window
