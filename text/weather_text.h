// What a weather file's check against the sun found, in words: shared by the window and the
// calculator, which each add how to apply the shift.
#pragma once

#include <QString>

#include "energy/alignment.h"
#include "site/weather.h"
#include "site/zone_rule.h"
#include "text/time_zone.h"

namespace halvessa::text {

// One sentence naming the file (as the user named it), or empty when the check does not warn:
//   "x.epw: its light comes about 1 h before the sun, and its times fit best moved by +1 h"
// with ", 4.2 % of its beam falls while the sun is down" when beam falls at night.
QString AlignmentWarning(const energy::Alignment& alignment, const QString& fileName);

// The weather's light checked against the sun at the site, its times already moved by
// shiftHours: the sentence above, then, when a shift fits better, remedy with its %1 filled
// by the whole shift that fits, e.g. " (--weather-shift %1)". Empty when all fits.
QString AlignmentLine(const site::Weather& weather, const QString& fileName, double latitude,
                      double longitude, double shiftHours, const QString& remedy);

// What a year's figures come from, for a title: "typical year, PVGIS TMY 45.000 8.000" (a
// typical year or "weather", the file's source, and the site it states, else the file's
// name), or, without weather, "clear sky".
QString SkyTitle(const site::Weather* weather, const QString& fileName);

// The zone's rules over a weather's rows, their times moved by shiftSeconds: those its
// months are summed and its rows shown by. Throws CalendarRangeError as the zone does.
site::ZoneRule ZoneRuleOver(const SiteZone& zone, const site::Weather& weather, double shiftSeconds);

// Hours as the shift is written: "+1", "-0.5", "0".
QString ShiftHours(double hours);

}  // namespace halvessa::text
