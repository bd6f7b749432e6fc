#include "window/form.h"

#include <QLocale>

#include <cmath>
#include <optional>

#include "files/settings.h"
#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "site/site.h"
#include "text/convert.h"
#include "window/input.h"

namespace halvessa::window {

namespace {

constexpr double kMillisecondsPerDay = 86400000.0;
constexpr double kLongestInterval = 65535.0;  // ms, the timer's limit

// The second of the minute (0 to 59) of a day serial that holds whole seconds.
int SecondOfMinute(double serial) {
  const double seconds = std::round(serial * 86400.0);
  if (!std::isfinite(seconds)) return 0;
  double s = std::fmod(seconds, 60.0);
  if (s < 0) s += 60.0;
  return static_cast<int>(s);
}

// Milliseconds to the start of the next minute: 1000 to 60000.
long long MillisecondsToNextMinute(int secondOfMinute) { return (60LL - secondOfMinute) * 1000LL; }

// Writes the settings file's values into the site and panel boxes.
class BoxesSink : public files::IniSink {
 public:
  explicit BoxesSink(FormModel& model) : model_(model) {}
  void setLatitude(const QString& text) override { model_.txtLat.setText(text); }
  void setLongitude(const QString& text) override { model_.txtLon.setText(text); }
  void setAzimuth(int panel, const QString& text) override { model_.txtAz(panel).setText(text); }
  void setTilt(int panel, const QString& text) override { model_.txtTilt(panel).setText(text); }

 private:
  FormModel& model_;
};

}  // namespace

Form::Form(FormModel& model, Platform& platform) : model_(model), platform_(platform) {
  model_.btnRefresh.onClick = [this] { frmHalvessa_btnRefresh_Click(); };
  for (int i = 1; i <= 5; ++i) {
    model_.txtProd(i).onChange = [this, i] { frmHalvessa_txtProd_Change(i); };
  }
  model_.chkNow.onClick = [this] { frmHalvessa_chkNow_Click(); };
  model_.Timer1.onTimer = [this] { frmHalvessa_Timer1_Timer(); };
  model_.Solarchk.onClick = [this] { frmHalvessa_Solarchk_Click(); };
  model_.btnSimulate.onClick = [this] { frmHalvessa_btnSimulate_Click(); };
  model_.btnPause.onClick = [this] { frmHalvessa_btnPause_Click(); };
  model_.btnRunning.onClick = [this] { frmHalvessa_btnRunning_Click(); };
  model_.Timer1.attach(platform_);
}

Form::~Form() {
  model_.btnRefresh.onClick = nullptr;
  for (int i = 1; i <= 5; ++i) model_.txtProd(i).onChange = nullptr;
  model_.chkNow.onClick = nullptr;
  model_.Timer1.onTimer = nullptr;
  model_.Solarchk.onClick = nullptr;
  model_.btnSimulate.onClick = nullptr;
  model_.btnPause.onClick = nullptr;
  model_.btnRunning.onClick = nullptr;
}

void Form::CheckedSunPosition(double moment, double latitude, double longitude, double timeZone,
                              double& azimuth, double& elevation, TextBox& outOfCalendar,
                              const QString& outOfCalendarLabel) {
  // The moment itself is in the calendar; its universal time may not be.
  OnBox(
      &outOfCalendar, outOfCalendarLabel,
      [&] { geometry::SunPosition(moment, latitude, longitude, timeZone, azimuth, elevation); },
      "the moment falls outside the years 100 to 9999 in universal time");
  // A latitude so large that its radians overflow leaves the sun's position undefined; no
  // other finite input does.
  if (std::isfinite(azimuth) && std::isfinite(elevation)) return;
  throw InputError(&model_.txtLat,
                   Labelled(label::Latitude,
                            QStringLiteral("the value is too large to compute the sun's position")));
}

long long Form::UniversalClockMilliseconds() {
  const double milliseconds =
      std::round((platform_.nowUniversal() - kUnixEpochSerial) * kMillisecondsPerDay);
  return static_cast<long long>(std::floor(milliseconds / 1000.0)) * 1000;
}

double Form::UniversalClockToSecond() {
  return SerialFromUnixMilliseconds(UniversalClockMilliseconds());
}

double Form::ClockToSecond(const text::SiteZone& zone) {
  // The present instant in universal time, expressed in the site's zone: local = UT + zone.
  const long long utMs = UniversalClockMilliseconds();
  const double offsetMs =
      std::round(zone.offsetAtUniversal(SerialFromUnixMilliseconds(utMs)) * 3600000.0);
  return CheckedSerial(SerialFromUnixMilliseconds(utMs + static_cast<long long>(offsetMs)));
}

void Form::frmHalvessa_Form_Load() {
  // A clock outside the calendar is reported; start-up goes on regardless.
  Guarded(model_, [this] { FillNow(); });
  model_.chkNow.setValue(1);
  model_.Timer1.setInterval(MillisecondsToNextMinute(SecondOfMinute(UniversalClockToSecond())));
  model_.IsRunning = 0;
  const std::optional<QString> notice = Readini();
  model_.Timer1.setInterval(60000);
  model_.Timer1.setEnabled(true);
  UpdateInstantView();
  // A settings line that could not be used is told once the window shows its results, after
  // an error of the instant view.
  if (notice) {
    const QString shown = model_.message.Text();
    model_.message.setText(shown.isEmpty() ? *notice : shown + QLatin1Char(' ') + *notice);
  }
}

void Form::UpdateInstantView() {
  Guarded(model_, [this] {
    // The site as the calculation reads it; no position for a site that cannot be read or
    // cannot be, and both values are named when neither can (a settings file's first lines).
    double latitude = 0;
    double longitude = 0;
    std::optional<InputError> latitudeFailure;
    try {
      latitude = SiteNumberOf(model_.txtLat, label::Latitude, LatitudeInRange, kLatitudeRange);
    } catch (const InputError& e) {
      latitudeFailure = e;
    }
    try {
      longitude =
          SiteNumberOf(model_.txtLon, label::Longitude, LongitudeInRange, kLongitudeRange);
    } catch (const InputError& e) {
      if (!latitudeFailure) throw;
      Report(model_, *latitudeFailure);
      model_.message.setText(latitudeFailure->message() + QLatin1Char(' ') + e.message());
      model_.txtLon.setMarked(true);
      return;
    }
    if (latitudeFailure) throw *latitudeFailure;
    // Read leniently: a zone name, or the hours the text begins with.
    text::SiteZone zone = text::SiteZone::Fixed(text::LenientNumber(model_.txtTz.Text()));
    try {
      zone = text::StrictTimeZone(model_.txtTz.Text());
    } catch (const text::ConversionError&) {
    }
    if (!zone.inSiteRange()) throw OutsideRange(model_.txtTz, label::TimeZone, kTimeZoneRange);

    const bool live = model_.chkNow.Value() == 1;
    const double moment = live ? ClockToSecond(zone) : TypedMoment();
    const double timeZone = zone.offsetAtLocal(moment);

    // Everything that can fail comes before the first write.
    double azimuth = 0;
    double elevation = 0;
    CheckedSunPosition(moment, latitude, longitude, timeZone, azimuth, elevation, model_.txtTz,
                       label::TimeZone);
    const QString azimuthText = text::FormatOneDecimal(azimuth);
    const QString elevationText = text::FormatOneDecimal(elevation);

    if (live) {
      const QString dateText = text::FormatIsoDate(moment);
      const QString timeText = text::FormatHourMinute(moment);
      model_.txtDate.setText(dateText);
      model_.txtTime.setText(timeText);
    }
    model_.txtSunAzimuth.setText(azimuthText);
    model_.txtSunElevation.setText(elevationText);

    for (int i = 1; i <= 5; ++i) {
      if (!ReadPanel(i)) continue;
      ComputeAngle(i, azimuth, elevation);
      ShowAngle(i);
    }
    NotifyCalculated(model_, Calculated::Kind::kInstantView, latitude, longitude, zone, moment);
  });
}

bool Form::ReadPanel(int i) {
  PanelRecord& panel = model_.PanelGeom(i);
  panel.Azimuth = LenientNumberOf(model_, model_.txtAz(i), QStringLiteral("Az%1").arg(i));
  panel.Tilt = LenientNumberOf(model_, model_.txtTilt(i), QStringLiteral("Tilt%1").arg(i));
  return InUse(panel);
}

void Form::ComputeAngle(int i, double sunAzimuth, double sunElevation) {
  const PanelRecord& panel = model_.PanelGeom(i);
  model_.PanelAOI(i) =
      geometry::AngleOfIncidence(sunAzimuth, sunElevation, panel.Azimuth, panel.Tilt);
}

void Form::ShowAngle(int i) { model_.txtAOI(i).setText(text::FormatOneDecimal(model_.PanelAOI(i))); }

void Form::ShowProduction(int i, double sunElevation) {
  // No light reaches a panel while the sun is not above the horizon.
  model_.PanelProd(i) = MomentProduction(model_.PanelAOI(i), sunElevation);
  // The write runs the box's Change procedure, which colours it.
  model_.txtProd(i).setText(text::FormatWhole(model_.PanelProd(i)) + QLatin1Char('%'));
}

void Form::FillNow() {
  const double now = ClockToSecond(SiteZoneOf(model_.txtTz));
  model_.txtDate.setText(text::FormatIsoDate(now));
  model_.txtTime.setText(text::FormatHourMinute(now));
}

double Form::TypedMoment() {
  const QString date = model_.txtDate.Text();
  const QString time = model_.txtTime.Text();
  const QString both = date + QLatin1Char(' ') + time;
  // A time alone would read as a moment of 1899-12-30: the date box must hold a date.
  if (date.trimmed().isEmpty()) StrictDateOf(model_.txtDate, label::Date);
  if (!text::IsDateOrTime(both)) {
    // Name and mark the box at fault where one alone is.
    if (!text::IsDateOrTime(date)) StrictDateOf(model_.txtDate, label::Date);
    if (!text::IsDateOrTime(time)) StrictDateOf(model_.txtTime, label::Time);
  }
  return StrictDateOf(model_.txtDate, label::DateAndTime, both);
}

void Form::frmHalvessa_btnRefresh_Click() {
  Guarded(model_, [this] {
    const double latitude =
        SiteNumberOf(model_.txtLat, label::Latitude, LatitudeInRange, kLatitudeRange);
    const double longitude =
        SiteNumberOf(model_.txtLon, label::Longitude, LongitudeInRange, kLongitudeRange);
    const text::SiteZone zone = SiteZoneOf(model_.txtTz);

    const bool live = model_.chkNow.Value() == 1;
    const double moment = live ? ClockToSecond(zone) : TypedMoment();
    const double timeZone = zone.offsetAtLocal(moment);

    // Compute and format everything that can fail before the first box is written, so that
    // a failure leaves every box and every window-level array as it was.
    double azimuth = 0;
    double elevation = 0;
    CheckedSunPosition(moment, latitude, longitude, timeZone, azimuth, elevation, model_.txtTz,
                       label::TimeZone);
    double sunrise = 0;
    double sunset = 0;
    OnBox(
        &model_.txtDate, label::Date,
        [&] { geometry::SunriseSunset(moment, latitude, longitude, timeZone, sunrise, sunset); },
        "the sunrise or sunset of this day falls outside the years 100 to 9999");
    const QString azimuthText = text::FormatOneDecimal(azimuth);
    const QString elevationText = text::FormatOneDecimal(elevation);
    const QString sunriseText = text::FormatHourMinuteSecond(sunrise);
    const QString sunsetText = text::FormatHourMinuteSecond(sunset);

    // The boxes show minutes only; the moment keeps its seconds.
    if (live) FillNow();
    ClearReport(model_);

    model_.txtSunAzimuth.setText(azimuthText);
    model_.txtSunElevation.setText(elevationText);
    model_.txtSunrise.setText(sunriseText);
    model_.txtSunset.setText(sunsetText);

    for (int i = 1; i <= 5; ++i) {
      if (!ReadPanel(i)) continue;
      ComputeAngle(i, azimuth, elevation);
      ShowAngle(i);
      ShowProduction(i, elevation);
    }
    NotifyCalculated(model_, Calculated::Kind::kCalculation, latitude, longitude, zone, moment);
  });
}

void Form::frmHalvessa_txtProd_Change(int Index) {
  TextBox& box = model_.txtProd(Index);
  if (text::LenientNumber(box.Text()) == 0) {
    box.setBackColor(kRed);
    box.setForeColor(kWhite);
  } else {
    box.setBackColor(kGreen);
    box.setForeColor(kBlack);
  }
}

void Form::frmHalvessa_chkNow_Click() {
  Guarded(model_, [this] {
    if (model_.chkNow.Value() != 0) {
      // The first tick falls at the start of the next minute of the clock.
      model_.Timer1.setInterval(
          MillisecondsToNextMinute(SecondOfMinute(UniversalClockToSecond())));
      model_.Timer1.setEnabled(true);
      model_.btnRefresh.setCaption(QStringLiteral("Refresh"));
    } else {
      model_.Timer1.setEnabled(false);
      model_.btnRefresh.setCaption(QStringLiteral("Calculate"));
    }
  });
}

void Form::frmHalvessa_Timer1_Timer() {
  if (closed_) return;
  Guarded(model_, [this] {
    if (model_.chkNow.Value() == 0) return;

    // The interval comes first, so the next tick is one refresh interval after this one.
    // A text the timer cannot take is reported and the timer keeps its interval.
    const double seconds = StrictNumberOf(model_.refresshInt, label::RefreshInterval);
    const double milliseconds = RoundHalfEven(seconds * 1000.0);
    if (!(milliseconds >= 0 && milliseconds <= kLongestInterval)) {
      throw InputError(&model_.refresshInt,
                       Labelled(label::RefreshInterval,
                                text::Quoted(model_.refresshInt.Text()) +
                                    QStringLiteral(" is outside 0 to ") +
                                    QLocale().toString(kLongestInterval / 1000.0, 'f', 3) +
                                    QStringLiteral(" seconds")));
    }
    model_.Timer1.setInterval(static_cast<long long>(milliseconds));

    FillNow();
    frmHalvessa_btnRefresh_Click();
  });
}

std::optional<QString> Form::Readini() {
  BoxesSink sink(model_);
  return files::Readini(sink);
}

bool Form::FileExists(const QString& path) const { return files::FileExists(path); }

double Form::AOIToProduction(double AOI) const { return geometry::AOIToProduction(AOI); }

void Form::windowClosed() {
  closed_ = true;
  model_.Timer1.setEnabled(false);
}

}  // namespace halvessa::window
