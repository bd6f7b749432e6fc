// The position logs and the simulation run of the window frmHalvessa.
//
// A run is a loop inside the Simulate click. Each step lets the window's events run twice
// (before the sun's position, and after the delay), and a paused run does so every 100 ms.
// After each of those points the loop looks whether it has to end: the window closed, or
// Simulate was pressed again (the outermost click then starts the new run). A run never
// ends otherwise.
//
// A step that cannot go on (a speed, date or log file it cannot use) pauses the run with a
// message naming the box or the file; Resume tries again. Where cheap, a step computes and
// formats before it writes, so a failure leaves the boxes showing one consistent step.
#include <QDir>
#include <QStringList>

#include <array>
#include <cmath>
#include <exception>
#include <optional>
#include <utility>

#include "files/position_log.h"
#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "site/site.h"
#include "text/convert.h"
#include "window/form.h"

#include <exception>
#include "window/input.h"

namespace halvessa::window {

namespace {

constexpr std::int16_t kTrue = -1;
constexpr std::int16_t kFalse = 0;

constexpr int kFastestSpeed = 30;   // seconds; a larger speed is rewritten as this
constexpr int kPausePollMs = 100;   // how often a paused run looks for Resume
constexpr double kSecondsPerDay = 86400.0;

QString Paused(QString message) {
  if (!message.endsWith(QLatin1Char('.'))) message += QLatin1Char('.');
  return message + QStringLiteral(" The simulation is paused.");
}

// A 16-bit whole number of a box's value; an overflow names the box.
std::int16_t WholeNumberOf(TextBox& box, const QString& label, double value) {
  return OnBox(&box, label, [value] { return text::RoundToInt16(value); });
}

// Runs a clean-up when the scope ends, however it ends.
template <typename F>
class AtExit {
 public:
  explicit AtExit(F f) : f_(std::move(f)) {}
  AtExit(const AtExit&) = delete;
  AtExit& operator=(const AtExit&) = delete;
  ~AtExit() { f_(); }

 private:
  F f_;
};

}  // namespace

// --- Position logs -------------------------------------------------------------------------

void Form::log() {
  // Solarchk And (Not chkNow) on the 16-bit values: only Solarchk checked with Now off logs.
  const auto solar = static_cast<std::int16_t>(model_.Solarchk.Value());
  const auto now = static_cast<std::int16_t>(model_.chkNow.Value());
  if ((solar & static_cast<std::int16_t>(~now)) == 0) return;

  const QStringList solarValues{model_.txtDate.Text(), model_.txtTime.Text(),
                                model_.txtSunAzimuth.Text(), model_.txtSunElevation.Text()};
  std::array<files::PanelLogLine, files::kLoggedPanels> panels;
  for (int i = 1; i <= files::kLoggedPanels; ++i) {
    files::PanelLogLine& panel = panels[static_cast<std::size_t>(i - 1)];
    panel.checked = model_.Panelchk(i).Value() != 0;
    if (!panel.checked) continue;
    panel.inUse = InUse(model_.PanelGeom(i));
    panel.values = QStringList{model_.txtAz(i).Text(), model_.txtTilt(i).Text(),
                               model_.txtAOI(i).Text(), model_.txtProd(i).Text()};
  }
  if (const std::optional<QString> failure =
          files::AppendPositionLogs(QDir::current(), solarValues, panels)) {
    throw InputError(nullptr, *failure);
  }
}

void Form::frmHalvessa_Solarchk_Click() {
  if (model_.Solarchk.Value() != 0) {
    for (int i = 1; i <= 5; ++i) {
      if (InUse(model_.PanelGeom(i))) model_.Panelchk(i).setVisible(true);
    }
  } else {
    for (int i = 1; i <= 5; ++i) model_.Panelchk(i).setVisible(false);
  }
}

// --- Simulation run --------------------------------------------------------------------------

void Form::ShowRunButtons(const std::int16_t& flag) {
  // The two share one place: the keyboard focus of the one that hides passes to the other,
  // so that the next key meant for the button does not land in a box.
  const bool focusOnPause = model_.btnPause.HasFocus();
  const bool focusOnResume = model_.btnRunning.HasFocus();
  model_.btnRunning.setVisible(flag == 0);
  model_.btnPause.setVisible(flag != 0);
  if (flag == 0 && focusOnPause) model_.btnRunning.setFocus();
  if (flag != 0 && focusOnResume) model_.btnPause.setFocus();
}

void Form::frmHalvessa_btnSimulate_Click() {
  if (closed_) return;
  if (clickStartsRuns_) {
    // Served inside the run in progress: it ends at its next event point and the click that
    // started it starts the new run. An empty sunset box makes the click do nothing, there
    // as anywhere, but for saying why.
    if (model_.txtSunset.Text().isEmpty()) {
      NeedsSunset();
    } else {
      restartRequested_ = true;
    }
    return;
  }

  clickStartsRuns_ = true;
  const AtExit done([this] {
    clickStartsRuns_ = false;
    restartRequested_ = false;
  });
  bool restarting = false;
  while (!closed_ && StartRun(restarting)) {
    RunLoop();
    if (closed_ || !restartRequested_) break;
    restartRequested_ = false;
    restarting = true;
  }
}

// Reads everything a run needs before it changes anything; false when nothing starts.
bool Form::StartRun(bool restarting) {
  if (model_.txtSunset.Text().isEmpty()) {
    // Restarting, only reachable when the box was cleared right after the click that asked
    // for the new run: the old run has ended, so the buttons must not claim one.
    if (restarting) {
      model_.IsRunning = kFalse;
      ShowRunButtons(model_.IsRunning);
    }
    NeedsSunset();
    return false;
  }

  RunValues values;
  double simTime = 0;
  double simEnd = 0;
  double stepDays = 0;
  const bool converted = Guarded(model_, [&] {
    values.latitude =
        SiteNumberOf(model_.txtLat, label::Latitude, LatitudeInRange, kLatitudeRange);
    values.longitude =
        SiteNumberOf(model_.txtLon, label::Longitude, LongitudeInRange, kLongitudeRange);
    values.zone = SiteZoneOf(model_.txtTz);
    values.RunDate = DatePart(StrictDateOf(model_.txtDate, label::Date));
    simTime = StrictDateOf(model_.txtTime, label::Time);
    // A zone name gives the offset of the run's day; daylight saving changes at night, so
    // the rollover takes it anew for each day.
    values.timeZone = values.zone.offsetAtLocal(values.RunDate + 0.5);
    simEnd = StrictDateOf(model_.txtSunset, label::Sunset);
    stepDays = ReadStepDays();
  });
  if (!converted) {
    model_.IsRunning = kFalse;
    ShowRunButtons(model_.IsRunning);
    return false;
  }

  // Live mode off; the write runs Now's click, which stops the clock's ticks.
  model_.chkNow.setValue(0);
  model_.IsRunning = kTrue;
  ShowRunButtons(model_.IsRunning);
  model_.StepDays = stepDays;
  model_.SimTime = simTime;
  model_.SimEnd = simEnd;
  run_ = values;
  ClearReport(model_);
  return true;
}

// StepDays from the jump box: whole minutes, not negative.
double Form::ReadStepDays() {
  const std::int16_t minutes =
      WholeNumberOf(model_.jump, label::Jump, LenientNumberOf(model_, model_.jump, label::Jump));
  if (minutes < 0) {
    throw InputError(&model_.jump,
                     Labelled(label::Jump, text::Quoted(model_.jump.Text()) + QStringLiteral(" is negative")));
  }
  return ((1.0 / 24.0) / 60.0) * minutes;
}

void Form::RunLoop() {
  ++runLoops_;
  const AtExit done([this] { --runLoops_; });
  while (!RunInterrupted()) {
    if (model_.IsRunning != 0) {
      SimulationStep();
      continue;
    }
    // Paused: serve the window every 100 ms until Resume.
    do {
      platform_.processEvents();
      if (RunInterrupted()) break;
      platform_.wait(kPausePollMs, interrupted_);
      if (RunInterrupted()) break;
    } while (model_.IsRunning == 0);
  }
}

void Form::SimulationStep() {
  // What the run cannot compute or show names the date box: its day is the one that failed.
  const auto step = [this] {
    // 1. The moment: the run's date plus the time of day of SimTime, to the whole second.
    const double timeOfDay = model_.SimTime - std::floor(model_.SimTime);
    const double moment = run_.RunDate + std::round(timeOfDay * kSecondsPerDay) / kSecondsPerDay;

    // 2. Events; a run that has to end makes no more of this step.
    platform_.processEvents();
    if (RunInterrupted()) return;

    // 3. and 4. The sun.
    double azimuth = 0;
    double elevation = 0;
    CheckedSunPosition(moment, run_.latitude, run_.longitude, run_.timeZone, azimuth, elevation,
                       model_.txtDate, label::Date);
    model_.txtSunAzimuth.setText(text::FormatOneDecimal(azimuth));
    model_.txtSunElevation.setText(text::FormatOneDecimal(elevation));

    // 5. The panels in use; the production box is written before the angle box. At 90
    // degrees or more the panel gets no light and shows 0%, as in the calculation on demand.
    for (int i = 1; i <= 5; ++i) {
      if (!ReadPanel(i)) continue;
      ComputeAngle(i, azimuth, elevation);
      ShowProduction(i, elevation);
      ShowAngle(i);
    }
    NotifyCalculated(model_, Calculated::Kind::kStep, run_.latitude, run_.longitude, run_.zone,
                     moment);

    // 6. The logs record this step, before the time box moves on.
    if (model_.Solarchk.Value() != 0) log();

    // 7. The next moment.
    const double next = model_.SimTime + model_.StepDays;
    const QString nextText = text::FormatHourMinute(next);
    model_.SimTime = next;
    model_.txtTime.setText(nextText);

    // 8. and 9. The delay. Pause pressed meanwhile does not cut it short: the step ends
    // with its delay and its rollover, then no further step follows until Resume.
    const int delay = StepDelay();
    if (delay > 0) {
      platform_.wait(delay, interrupted_);
      if (RunInterrupted()) return;
    }

    // 10. Events again.
    platform_.processEvents();
    if (RunInterrupted()) return;

    // 11. The day ends at its sunset.
    if (model_.SimTime >= model_.SimEnd) DayRollover();
  };
  try {
    OnBox(&model_.txtDate, label::Date, step,
          "the simulated moment lies outside the years 100 to 9999");
  } catch (const InputError& e) {
    PauseRun(e.box(), e.message());
  } catch (const std::exception& e) {
    // Anything else (memory running out) pauses the run too, so that the buttons show what
    // is going on; no box is at fault.
    PauseRun(nullptr, QString::fromLocal8Bit(e.what()));
  }
}

// Steps 8 and 9: caps the speed box at 30 seconds, then gives the delay in milliseconds;
// 0 for a speed of 0, a negative one or no number at all.
int Form::StepDelay() {
  if (WholeNumberOf(model_.Speed, label::SimulationSpeed,
                    LenientNumberOf(model_, model_.Speed, label::SimulationSpeed)) >
      kFastestSpeed) {
    model_.Speed.setText(QString::number(kFastestSpeed));
  }
  const double milliseconds = text::LenientNumber(model_.Speed.Text()) * 1000.0;
  if (!(milliseconds > 0)) return 0;
  return WholeNumberOf(model_.Speed, label::SimulationSpeed, milliseconds);
}

// The next calendar day, from its sunrise.
void Form::DayRollover() {
  const double day = CheckedSerial(run_.RunDate + 1.0);
  double sunrise = 0;
  double sunset = 0;
  const double timeZone = run_.zone.offsetAtLocal(day + 0.5);
  geometry::SunriseSunset(day, run_.latitude, run_.longitude, timeZone, sunrise, sunset);
  const QString dateText = text::FormatIsoDate(day);
  const QString sunriseText = text::FormatHourMinute(sunrise);
  const QString sunsetText = text::FormatHourMinute(sunset);

  run_.RunDate = day;
  run_.timeZone = timeZone;
  model_.SimTime = sunrise;
  model_.SimEnd = sunset;
  model_.txtDate.setText(dateText);
  model_.txtSunrise.setText(sunriseText);
  model_.txtSunset.setText(sunsetText);
  model_.txtTime.setText(sunriseText);
  NotifyCalculated(model_, Calculated::Kind::kRollover, run_.latitude, run_.longitude, run_.zone,
                   day + (sunrise - std::floor(sunrise)));
}

void Form::NeedsSunset() {
  // Before the first calculation (the first minute after start-up) the box is empty; a run
  // needs its sunset to know where each day ends.
  Report(model_, &model_.txtSunset,
         QStringLiteral("Simulate needs a sunset: press Refresh or Calculate first."));
}

void Form::PauseRun(TextBox* box, const QString& message) {
  Report(model_, box, Paused(message));
  model_.IsRunning = kFalse;
  ShowRunButtons(model_.IsRunning);
}

void Form::frmHalvessa_btnPause_Click() {
  model_.IsRunning = kFalse;
  ShowRunButtons(model_.IsRunning);
}

void Form::frmHalvessa_btnRunning_Click() {
  double simTime = 0;
  double simEnd = 0;
  double stepDays = 0;
  const bool converted = Guarded(model_, [&] {
    simTime = StrictDateOf(model_.txtTime, label::Time);
    simEnd = StrictDateOf(model_.txtSunset, label::Sunset);
    stepDays = ReadStepDays();
  });
  if (!converted) return;

  model_.IsRunning = kTrue;
  ShowRunButtons(model_.IsRunning);
  model_.SimTime = simTime;
  model_.SimEnd = simEnd;
  model_.StepDays = stepDays;
  ClearReport(model_);
}

}  // namespace halvessa::window
