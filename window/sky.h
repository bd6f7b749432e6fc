// The Sky view's model: a sun-path diagram of the site in plain numbers. The sun's path on the
// local day of the moment and on the solstices and equinoxes of its year, the whole hours of
// the zone's clock on each path, the horizon profile, the sun's present place and the point
// each panel in use faces. Qt Core only; the widget (window/qt/sky_view.h) only draws it.
//
// The sun comes from the series engine, as the day view's does, so the diagram's figures are
// those the boxes and the day chart show (the azimuth in whole degrees).
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

#include "site/horizon.h"
#include "window/calculated.h"

namespace halvessa::window {

// A direction of the sky on the diagram, in unit-circle coordinates: polar, north up,
// azimuth clockwise, the zenith (elevation 90) at the centre and the horizontal (0) on the
// circle of radius 1. x grows to the east, y to the north. Elevations below 0 lie outside.
struct SkyXY {
  double x = 0;
  double y = 0;
};
SkyXY SkyPoint(double azimuth, double elevation);

struct SkySun {
  double azimuth = 0;    // whole degrees, as the engine gives it
  double elevation = 0;  // degrees, geometric
  bool below = false;    // elevation <= 0: the sun is down
  bool hidden = false;   // at or below the horizon profile there (includes below)
};

// A whole hour of the zone's clock on a path.
struct SkyHour {
  SkySun sun;
  int hour = 0;     // 0..23 of the local clock
  double step = 0;  // where it falls along the path's points: 2.5 is halfway from [2] to [3]
};

struct SkyPath {
  double day = 0;  // the local date, a whole day serial
  QString label;   // "21 Jun"
  std::vector<SkySun> points;  // from the local midnight to the next, in equal steps
  std::vector<SkyHour> hours;  // every whole local hour of the day, in time order
};

struct SkyPanel {
  int panel = 0;  // 1..5
  QString label;  // "1"
  PanelGeometry geometry;  // as typed
  double azimuth = 0;    // where its normal points: 0..360
  double elevation = 0;  // 90 - tilt (below 0 for a panel facing down)
};

struct SkyDiagram {
  QString problem;  // why nothing can be drawn, or empty
  QString caption;  // what it shows: site, date, zone
  std::int64_t stepSeconds = 0;
  SkyPath day;  // the local day of the moment
  // 20 Mar, 21 Jun, 22 Sep and 21 Dec of the moment's year.
  std::array<SkyPath, 4> seasons;
  // The horizon profile: heights around 360 degrees in azimuth order (every whole degree and
  // every point of the profile); empty without a horizon or with a flat one.
  std::vector<site::Horizon::Point> horizon;
  SkySun sun;     // the moment's place
  QString time;   // the moment's local time, "hh:mm"
  std::vector<SkyPanel> panels;  // those in use
};

// The days of the seasons' paths: fixed dates (the solstices and equinoxes fall on them or
// within a day; the equinox's path moves by less than half a degree a day).
inline constexpr std::array<std::array<int, 2>, 4> kSeasonDays{{{3, 20}, {6, 21}, {9, 22}, {12, 21}}};

// The diagram of c's moment, with the site's horizon (null for none). Never throws: a moment
// whose days leave the calendar gives a problem.
SkyDiagram ComputeSky(const Calculated& c, const site::Horizon* horizon,
                      std::int64_t stepSeconds = 300);

}  // namespace halvessa::window
