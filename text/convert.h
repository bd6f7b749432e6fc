// Text conversions and display patterns shared by the window and the calculator, in one
// include: numbers (lenient and strict), dates and times, and the display patterns.
#pragma once

#include "text/conversion_error.h"
#include "text/dates.h"
#include "text/numbers.h"
#include "text/patterns.h"
