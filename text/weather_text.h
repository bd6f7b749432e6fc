// What a weather file's check against the sun found, in words: shared by the window and the
// calculator, which each add how to apply the shift.
#pragma once

#include <QString>

#include "energy/alignment.h"

namespace halvessa::text {

// One sentence naming the file (as the user named it), or empty when the check does not warn:
//   "x.epw: its light comes about 1 h before the sun, and its times fit best moved by +1 h"
// with ", 4.2 % of its beam falls while the sun is down" when beam falls at night.
QString AlignmentWarning(const energy::Alignment& alignment, const QString& fileName);

// Hours as the shift is written: "+1", "-0.5", "0".
QString ShiftHours(double hours);

}  // namespace halvessa::text
