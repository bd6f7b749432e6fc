// The calculator's output: the text report and the one-line JSON object.
#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <string>
#include <vector>

#include "site/site.h"

namespace halvessa::cli {

// Whether the sun stays above (kDay) or below (kNight) the horizon all day.
enum class Polar { kNone, kDay, kNight };

// Where the sunrise equation has no solution its two times mark solar noon (both equal: the
// sun stays down) or lie a whole day apart around it (the sun stays up).
Polar PolarOf(double sunrise, double sunset);
// "day", "night" or null: the JSON member "polar".
QJsonValue PolarJson(Polar polar);
// "the sun stays above the horizon all day", "... below ..."; empty for kNone.
QString PolarText(Polar polar);

// Without the sign of a zero: "-0" and "-0.0" (a value rounded to zero from below, or a
// negative zero) become "0" and "0.0". Other texts are returned as they are.
QString WithoutMinusZero(const QString& number);
// The object with every negative zero among its numbers, nested ones included, made +0.
QJsonObject WithoutMinusZero(const QJsonObject& object);

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
  Polar polar = Polar::kNone;
  std::vector<PanelResult> panels;
};

// The report in the window's display patterns and the locale's separators, one line per
// item. With the sun up or down all day, one line says so instead of the sunrise and sunset. Throws halvessa::CalendarRangeError when a time lies outside the calendar.
std::string TextReport(const Result& r);

// One JSON object on one line, ended by "\n", its members in name order: the numbers in full,
// as the shortest text that reads back to the same double, and the date-times in local
// ISO 8601; "polar" is "day", "night" or null, and the sunrise and sunset stay those of the
// sunrise equation (solar midnight or noon without a solution). Throws as TextReport.
std::string JsonReport(const Result& r);

}  // namespace halvessa::cli
