// The panels' system, the weather and the horizon the views compute energy with, as the
// System dialog edits them, and what the window remembers between runs: these and the time
// zone box's text, in the user's configuration (QSettings), never in the site's settings file.
// Qt Core only.
#pragma once

#include <QSettings>
#include <QString>

#include <array>
#include <functional>
#include <memory>

#include "pipeline/pipeline.h"
#include "site/horizon.h"
#include "site/weather.h"
#include "window/form_model.h"

namespace halvessa::window {

struct SystemSettings {
  std::array<double, kPanelCount> kwp{pipeline::kDefaultKwp, pipeline::kDefaultKwp,
                                      pipeline::kDefaultKwp, pipeline::kDefaultKwp,
                                      pipeline::kDefaultKwp};
  pipeline::SystemOptions options{};
  pipeline::Transposition transposition = pipeline::Transposition::perez;
  double weatherShiftHours = 0;  // the weather's times moved by this much
  QString weatherFile;           // empty: the clear sky
  QString horizonFile;           // empty: the flat horizon
};

// The sky and system one computation uses: read once, never changed, shared with the year's
// thread.
struct SkySources {
  SystemSettings settings;
  std::shared_ptr<const site::Weather> weather;  // null: the clear sky
  site::Horizon horizon;
  QString title;  // "typical year, PVGIS TMY 45.000 8.000" or "clear sky"

  // The pipeline's site: the views' latitude, longitude and panels with this sky and system.
  pipeline::Setup setup(double latitude, double longitude,
                        const std::array<PanelGeometry, kPanelCount>& panels) const;
};

// A file opened, or refused: whether it is now used, and the message (why it was refused, or
// for weather, that its light and the sun at the site disagree; empty when all is well).
struct FileOpened {
  bool opened = false;
  QString message;
};

// Where the window remembers them: halvessa/halvessa.ini in the user's configuration folder
// (XDG_CONFIG_HOME, by default ~/.config).
std::unique_ptr<QSettings> UserConfiguration();

class SystemModel {
 public:
  // store: where the settings are remembered (the user's configuration, or a test's file).
  explicit SystemModel(QSettings& store);

  // At start-up: the remembered system, weather and horizon, each file read again. A file
  // that has gone missing or cannot be read is dropped (and forgotten); the message names it,
  // empty when all is well.
  QString restore();

  const SystemSettings& settings() const { return sources_->settings; }
  // Never null.
  std::shared_ptr<const SkySources> sources() const { return sources_; }

  // Reads a weather or horizon file and, when it can be read, uses and remembers it. The
  // message: why it was refused, or (weather) that its light and the sun at the site
  // disagree; empty when all is well. Each method that changes what is remembered returns
  // the message when it cannot be saved.
  FileOpened openWeather(const QString& path, double latitude, double longitude);
  FileOpened openHorizon(const QString& path);
  // The dialog's values, the files aside (kept as they are). Values outside their ranges
  // are refused: the message names the first.
  QString apply(const SystemSettings& settings);
  // All the dialog gives at once: its values, and each file whose name changed opened (or,
  // named no more, closed). The messages of each in one line; values out of range change
  // nothing.
  QString change(const SystemSettings& chosen, double latitude, double longitude);

  // The time zone box's text last used for a computation; empty on the first start.
  QString zoneText() const;
  QString rememberZone(const QString& text);

  // Told after the sky or the system has changed.
  std::function<void()> onChanged;

 private:
  // Uses the sources (computing their title) and tells onChanged.
  void use(std::shared_ptr<SkySources> sources);
  // Writes the settings to the store; the message when it cannot, else empty (as each
  // method that changes them returns it).
  QString save();
  QString synced();

  QSettings& store_;
  std::shared_ptr<const SkySources> sources_;
};

class Form;

// Start-up with what was remembered: the zone last used put in the time zone box before the
// Load procedure (so that its instant view is in that zone; a first start keeps the box's
// own), the Load procedure, then the remembered system and files, a file that has gone
// missing named in the message line after what the Load procedure said.
void StartRemembering(Form& form, FormModel& model, SystemModel& system);

}  // namespace halvessa::window
