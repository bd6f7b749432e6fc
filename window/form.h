// The procedures of the window frmHalvessa: start-up and the instant view, the calculation
// on demand with the colouring of the production boxes, the live clock, the position logs
// and the simulation run (simulation.cpp).
//
// A Form works on a FormModel and reads time only from its Platform, so tests drive it on a
// fake clock. The constructor wires the model's events to the procedures; the view creates
// the Form, runs frmHalvessa_Form_Load, shows the window and calls windowClosed() when it
// closes.
//
// Failures of the user's input never escape a procedure: each event entry point runs its
// body through Guarded(), which shows one line in model.message and marks the box at fault.
// A successful calculation clears both.
//
// The simulation run lives inside the Simulate click and lets the window's events run at
// fixed points of every step (platform.processEvents / platform.wait); Pause, Resume, edits
// and further clicks are served there, nested inside the run. A Simulate click served there
// never nests a second run: it asks the active run to end, and the outermost click starts
// the new one. Closing the window ends the run at its next such point.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

#include "text/time_zone.h"
#include "window/form_model.h"
#include "window/platform.h"

namespace halvessa::window {

class Form {
 public:
  // Wires btnRefresh, txtProd(1..5), chkNow, Timer1, Solarchk, btnSimulate, btnPause and
  // btnRunning to their procedures and attaches Timer1 to the platform.
  Form(FormModel& model, Platform& platform);
  // Unhooks the procedures from the model, which may outlive the Form.
  ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // Start-up: date and time from the clock, live mode on, the settings file, Timer1 at
  // 60000 ms and enabled, then the instant view.
  void frmHalvessa_Form_Load();
  // The sun's position and each panel's angle of incidence for the present moment, the site
  // read as the calculation reads it (a latitude or longitude that cannot be read, or lies
  // out of range, is named and marked, both when both fail), the time zone and the panels
  // leniently. Does not write sunrise, sunset or production.
  void UpdateInstantView();
  // txtDate and txtTime from the clock ("yyyy-mm-dd", "hh:nn"). Throws on a clock outside the
  // calendar; its callers guard it.
  void FillNow();

  // The calculation on demand, for the present moment (Now checked) or the typed one.
  void frmHalvessa_btnRefresh_Click();
  // Colours production box Index (1..5) from its text: red on white for 0, green/black else.
  void frmHalvessa_txtProd_Change(int Index);
  // Live mode on (first tick at the next full minute, caption "Refresh") or off.
  void frmHalvessa_chkNow_Click();
  // The live-clock tick: interval from refresshInt, the date and time, the calculation.
  void frmHalvessa_Timer1_Timer();

  // --- Position logs (simulation.cpp) ------------------------------------------------
  // Appends what the boxes show to the logs of the working directory, when Solarchk is
  // checked and chkNow is not: a line to solar.log, then for each checked panel its file
  // (created when missing) with a line when the panel is in use. Throws InputError (no box)
  // with the message naming the file and the reason when a file cannot be written; the
  // lines written before it stay whole.
  void log();
  // Checked: shows the "Log this panel" box of every panel in use (the others keep their
  // visibility). Unchecked: hides all five, keeping their values.
  void frmHalvessa_Solarchk_Click();

  // --- Simulation run (simulation.cpp) ------------------------------------------------
  // Starts a run from the boxes and returns only when it ends: the window closed, or a
  // start that failed to convert. Pressed during a run, asks that run to end and returns;
  // the outer click then starts the new run from the boxes as they stand.
  void frmHalvessa_btnSimulate_Click();
  // IsRunning false: no step follows the one in progress until Resume.
  void frmHalvessa_btnPause_Click();
  // Resume: SimTime, SimEnd and StepDays from the time, sunset and jump boxes, then
  // IsRunning true. Before any run this only arms. A box that does not convert is reported
  // and IsRunning stays as it was.
  void frmHalvessa_btnRunning_Click();
  // Resume shows when flag is false, Pause when it is true (they share one place).
  void ShowRunButtons(const std::int16_t& flag);

  // Run loops in progress: 0 or 1, however often Simulate is pressed during a run.
  int activeRunLoops() const { return runLoops_; }

  // Reads the settings file of the working directory into the site and panel boxes; the
  // notice naming the lines it had to skip, if any.
  std::optional<QString> Readini();
  bool FileExists(const QString& path) const;
  double AOIToProduction(double AOI) const;

  // The window has closed: no procedure of the program runs any more, the timer stops, and
  // a simulation run ends at its next event point, so the Simulate click returns.
  void windowClosed();
  bool isClosed() const { return closed_; }

  FormModel& model() { return model_; }

 private:
  // The platform's universal-time clock to the whole second (the fraction dropped), in
  // milliseconds since 1970 and as a day serial.
  long long UniversalClockMilliseconds();
  double UniversalClockToSecond();
  // The present moment at the site: that instant in the zone, as a local day serial.
  double ClockToSecond(const text::SiteZone& zone);
  // The moment typed in txtDate and txtTime; the message marks the box that is at fault.
  double TypedMoment();

  // PanelGeom(i) from the panel's boxes, read leniently; true when the panel is in use.
  bool ReadPanel(int i);
  // PanelAOI(i) for the sun's direction and PanelGeom(i).
  void ComputeAngle(int i, double sunAzimuth, double sunElevation);
  // txtAOI(i) from PanelAOI(i).
  void ShowAngle(int i);
  // PanelProd(i) from PanelAOI(i) (0 at 90 degrees or more), and txtProd(i) with its "%".
  void ShowProduction(int i, double sunElevation);

  // The geometry's sun position. Throws InputError on the latitude box when the position
  // comes out undefined, and on outOfCalendar, named by its label, when the moment's universal
  // time leaves the calendar (the time zone box in a calculation, the date box in a run).
  void CheckedSunPosition(double moment, double latitude, double longitude, double timeZone,
                          double& azimuth, double& elevation, TextBox& outOfCalendar,
                          const QString& outOfCalendarLabel);

  // The run (simulation.cpp).
  bool RunInterrupted() const { return closed_ || restartRequested_; }
  bool StartRun(bool restarting);
  void RunLoop();
  void SimulationStep();
  void DayRollover();
  double ReadStepDays();
  int StepDelay();
  void PauseRun(TextBox* box, const QString& message);
  // Says, marking the sunset box, that Simulate starts nothing while that box is empty.
  void NeedsSunset();

  FormModel& model_;
  Platform& platform_;
  bool closed_ = false;

  // Values fixed at the start of a run; only the day rollover moves RunDate.
  struct RunValues {
    double latitude = 0;
    double longitude = 0;
    double timeZone = 0;  // hours at the run's present day
    text::SiteZone zone = text::SiteZone::Fixed(0);
    double RunDate = 0;
  };
  RunValues run_;
  int runLoops_ = 0;
  bool clickStartsRuns_ = false;    // the outermost Simulate click is in progress
  bool restartRequested_ = false;   // Simulate was pressed during the run
  std::function<bool()> interrupted_ = [this] { return RunInterrupted(); };
};

}  // namespace halvessa::window
