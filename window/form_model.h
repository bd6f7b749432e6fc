// The one window's state: every control with its stored default, and the window-level
// variables. The event procedures (form.h) read and write only these; the Qt binding
// (window/qt/qt_window.h) shows them.
#pragma once

#include <QString>

#include <functional>

#include "window/calculated.h"
#include "window/controls.h"

namespace halvessa::window {

struct PanelRecord {
  double Azimuth = 0;
  double Tilt = 0;
};

// A panel is in use unless its azimuth and its tilt are both exactly 0.
inline bool InUse(const PanelRecord& panel) { return panel.Azimuth != 0 || panel.Tilt != 0; }

// Window-level arrays indexed 1 to 5 like the control arrays.
template <typename T>
using PanelArray = ControlArray<T>;

struct FormModel {
  // Moment and live mode
  TextBox txtDate{QStringLiteral("2025-07-24")};
  TextBox txtTime{QStringLiteral("14:00")};
  CheckBox chkNow{1};
  TextBox txtSunrise;
  TextBox txtSunset;

  // Site
  TextBox txtLat{QStringLiteral("46.205556")};
  TextBox txtLon{QStringLiteral("6.154444")};
  TextBox txtTz{QStringLiteral("2")};

  // Sun
  TextBox txtSunAzimuth;
  TextBox txtSunElevation;

  // Panels
  ControlArray<CheckBox> Panelchk{CheckBox(0, false), CheckBox(0, false), CheckBox(0, false),
                                  CheckBox(0, false), CheckBox(0, false)};
  ControlArray<TextBox> txtAz{TextBox(QStringLiteral("151")), TextBox(QStringLiteral("151")),
                              TextBox(QStringLiteral("331")), TextBox(QStringLiteral("151")),
                              TextBox(QStringLiteral("331"))};
  ControlArray<TextBox> txtTilt{TextBox(QStringLiteral("45")), TextBox(QStringLiteral("20")),
                                TextBox(QStringLiteral("20")), TextBox(QStringLiteral("70")),
                                TextBox(QStringLiteral("70"))};
  ControlArray<TextBox> txtAOI{TextBox(), TextBox(), TextBox(), TextBox(), TextBox()};
  ControlArray<TextBox> txtProd{TextBox(), TextBox(), TextBox(), TextBox(), TextBox()};

  // Simulation and live clock controls
  CheckBox Solarchk{0};
  CommandButton btnSimulate{QStringLiteral("Simulate")};
  TextBox Speed{QStringLiteral("1")};
  CommandButton btnRefresh{QStringLiteral("Refresh")};
  TextBox refresshInt{QStringLiteral("60")};
  CommandButton btnPause{QStringLiteral("Pause"), false};
  CommandButton btnRunning{QStringLiteral("Resume"), true};
  TextBox jump{QStringLiteral("10")};
  Timer Timer1;

  // The one-line message area below the original layout: what went wrong last, or empty.
  TextBox message;

  // Told after every computed moment (NotifyCalculated); the day and year views listen.
  std::function<void(const Calculated&)> onCalculated;

  // Window-level variables
  PanelArray<PanelRecord> PanelGeom{};
  PanelArray<double> PanelAOI{0.0, 0.0, 0.0, 0.0, 0.0};
  PanelArray<double> PanelProd{0.0, 0.0, 0.0, 0.0, 0.0};
  std::int16_t IsRunning = 0;  // -1 true, 0 false
  double StepDays = 0;
  double SimTime = 0;
  double SimEnd = 0;
};

}  // namespace halvessa::window
