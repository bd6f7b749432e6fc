// The check of a weather file's light against the sun: whether its rows' times say where the
// light really was. A file written in another clock than it states (PVGIS's EPW: rows in
// universal time under a LOCATION zone of +1) brings its light before or after the sun; the
// check measures by how much and names the shift of the file's times that fits best. Numbers
// only: the message is the caller's.
//
// Where in a row's interval the sun is taken: at the place the file states (centreSeconds),
// otherwise at the middle of the interval. The sun there is worked by the Astronomical
// Almanac's low-precision formulas (mean longitude L, mean anomaly g, ecliptic longitude
// lambda, obliquity epsilon, right ascension alpha, declination delta, the hour angle from
// Greenwich mean sidereal time), once per row; a shift of s hours turns the hour angle by 15 s
// degrees and leaves the declination as it is (at most 0.2 degrees off for 12 hours), so that
// every shift costs a few multiplications per row.
//
// Three measures:
// - beam at night: rows whose beam (DNI; GHI - DHI without it; GHI alone without both) exceeds
//   kNightBeam while the sun stays below kNightElevation over the whole interval;
// - the light's place in the day: for each solar day, the GHI-weighted mean time of its rows
//   less the mean weighted by max(0, sin elevation), averaged over the days weighted by their
//   light (negative: the light comes before the sun);
// - the best shift: the shift of the file's times, in steps of kShiftStep from -12 to +12
//   hours and refined between the steps by a parabola, that correlates GHI best with
//   max(0, sin elevation) at the shifted times. Positive: the file's times must move later
//   (its light comes early), as a `--weather-shift` of that many hours would move them.
#pragma once

#include <cstddef>

#include "site/weather.h"

namespace halvessa::energy {

inline constexpr double kNightBeam = 20.0;        // W/m2: above a sensor's night offset
inline constexpr double kNightElevation = -2.0;   // degrees: well below, twilight aside
inline constexpr double kShiftStep = 0.25;        // hours between the shifts tried
inline constexpr double kShiftRound = 0.5;        // hours the named shift is rounded to
inline constexpr double kWarnNightFraction = 0.01;  // of the rows with beam

struct Alignment {
  std::size_t rows = 0;       // rows measured (those with light given)
  std::size_t beamRows = 0;   // rows with beam above kNightBeam
  std::size_t nightBeamRows = 0;  // of those, with the sun below kNightElevation throughout
  double nightBeamFraction = 0;   // nightBeamRows / beamRows (0 without beam)
  std::size_t days = 0;        // solar days with light and sun measured
  double offsetHours = 0;      // the light's mean time less the sun's, hours
  double fittedShiftHours = 0;  // the best shift, refined between the steps
  double bestShiftHours = 0;   // fittedShiftHours rounded to kShiftRound
  double correlation = 0;      // of GHI with max(0, sin elevation) at the fitted shift
  // True when the named shift is not 0, or more than kWarnNightFraction of the beam falls with
  // the sun down.
  bool warn = false;
};

// The check of weather's rows, their times moved by shiftHours (as `--weather-shift` would),
// for a site at latitude (degrees north, -90..90) and longitude (degrees east, -180..180).
// Rows without light (GHI absent, and not both DNI and DHI given) are skipped. An empty file
// or a site that is not finite gives the zero result, which does not warn.
Alignment CheckAlignment(const site::Weather& weather, double latitude, double longitude,
                         double shiftHours = 0);

}  // namespace halvessa::energy
