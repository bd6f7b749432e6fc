// What every front end shares about a site and its panels: how many panels there are, when a
// panel is in use, which site values make sense, and the stored defaults the window opens
// with and the calculator falls back on. Plain C++, no Qt.
#pragma once

#include <array>
#include <cmath>

#include "geometry/module1.h"

namespace halvessa {

// Panels are numbered 1 to kPanelCount everywhere.
inline constexpr int kPanelCount = 5;

struct PanelGeometry {
  double Azimuth = 0;  // degrees from north toward east
  double Tilt = 0;     // degrees from the horizontal
};

// A panel is in use unless its azimuth and its tilt are both exactly 0.
inline bool InUse(const PanelGeometry& panel) { return panel.Azimuth != 0 || panel.Tilt != 0; }

// The one rule of "the sun is up": its geometric elevation above 0 degrees.
inline bool SunAboveHorizon(double sunElevation) { return sunElevation > 0; }

// The production shown, logged or summed for a moment: AOIToProduction of the panel's angle
// of incidence while the sun is above the horizon, 0 when it is not.
inline double MomentProduction(double aoi, double sunElevation) {
  return SunAboveHorizon(sunElevation) ? geometry::AOIToProduction(aoi) : 0.0;
}

// The site's ranges. A time zone is used to the whole minute, so it must round to fewer than
// 24 hours either way: -23:59 to +23:59.
inline bool LatitudeInRange(double degrees) { return degrees >= -90 && degrees <= 90; }
inline bool LongitudeInRange(double degrees) { return degrees >= -180 && degrees <= 180; }
inline bool TimeZoneInRange(double hours) { return std::abs(std::round(hours * 60.0)) < 24 * 60; }
inline constexpr const char* kLatitudeRange = "-90 to 90";
inline constexpr const char* kLongitudeRange = "-180 to 180";
inline constexpr const char* kTimeZoneRange = "-23:59 to +23:59 hours";

// The stored defaults: Geneva, and the five panels as azimuth/tilt.
namespace defaults {
inline constexpr const char* kLatitude = "46.205556";
inline constexpr const char* kLongitude = "6.154444";
inline constexpr const char* kTimeZone = "2";
inline constexpr const char* kDate = "2025-07-24";
inline constexpr const char* kTime = "14:00";
struct PanelTexts {
  const char* azimuth;
  const char* tilt;
};
inline constexpr std::array<PanelTexts, kPanelCount> kPanels{
    {{"151", "45"}, {"151", "20"}, {"331", "20"}, {"151", "70"}, {"331", "70"}}};
}  // namespace defaults

}  // namespace halvessa
