// Texts that say what the window shows: the time zone box's tool tip and the title block above
// an exported chart. Qt Core only.
#pragma once

#include <QString>

#include "window/calculated.h"
#include "window/views.h"

namespace halvessa::window {

// An offset from universal time in hours as "UTC+05:30" ("UTC-03:30", "UTC+00:00"); seconds
// only when the offset has some ("UTC+00:34:08").
QString UtcOffsetText(double hours);

// The time zone box's tool tip: its whole text and the offset in force at the moment the date
// and time boxes show, e.g. "Asia/Kolkata, UTC+05:30 on 2026-12-08 14:00". A text that is no
// zone gives the message a calculation would, one outside the site's range too; a named zone
// without a moment in the boxes gives its name alone.
QString ZoneTip(const QString& zone, const QString& date, const QString& time);

// The lines above an exported chart of the view: the site, its zone, the day (the year for the
// year view), the panels in use and the sky
// sky: what the light is ("clear sky", "typical year, PVGIS TMY 45.000 8.000", with the horizon
// when there is one); weather: the year view's months are the weather's, not c's year.
QString TitleBlock(const Calculated& c, View view, const QString& sky, bool weather = false);

}  // namespace halvessa::window
