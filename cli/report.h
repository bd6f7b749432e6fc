// The calculator's output: the text report and the one-line JSON object.
#pragma once

#include <QString>

#include <string>
#include <vector>

#include "geometry/site.h"

namespace halvessa::cli {

struct PanelResult {
  PanelGeometry geometry;
  bool inUse = false;
  double aoi = 0;         // degrees; only for a panel in use
  double production = 0;  // percent; only for a panel in use
};

// One moment's results; all date-times are local day serials at the site.
struct Result {
  double moment = 0;
  double latitude = 0;
  double longitude = 0;
  double timeZone = 0;  // hours east of universal time at the moment
  QString zoneName;     // the zone's name when one was given, else empty
  double azimuth = 0;
  double elevation = 0;
  double sunrise = 0;
  double sunset = 0;
  std::vector<PanelResult> panels;
};

// The report in the window's display patterns and the locale's separators, one line per
// item. Throws halvessa::CalendarRangeError when a time lies outside the calendar.
std::string TextReport(const Result& r);

// One JSON object on one line, ended by "\n", its members in name order: the numbers in full,
// as the shortest text that reads back to the same double, and the date-times in local
// ISO 8601. Throws as TextReport.
std::string JsonReport(const Result& r);

}  // namespace halvessa::cli
