// Dates and times from text, as day serials, under the user's locale. Failures throw
// ConversionError with a message that names the text, e.g.  "abc" is not a date or time .
#pragma once

#include <QLocale>
#include <QString>

#include "text/conversion_error.h"

namespace halvessa::text {

// A date, a time, or a date and a time joined by blanks, as a day serial: the date's serial
// plus the time's fraction ("2025-07-24 14:00" is DateSerial(2025, 7, 24) + 14 / 24.0).
// Accepts ISO dates "yyyy-mm-dd" (a year of three or four digits, one or two for month and
// day), the locale's short date form with numeric fields (a two-digit year there also with
// four digits; two digits mean 1930 to 2029), times "h:mm" and "h:mm:ss" with ":" or the
// locale's time separator, hours 0 to 23 or 1 to 12 with AM/PM. A time alone gives a serial
// below 1; a text that reads both as a time and as a date is a time. Blanks around the text
// are allowed. Throws ConversionError for anything else and for dates outside the calendar:
//   "2025-13-40" is not a date or time      "0099-01-01" is outside the years 100 to 9999
double StrictDate(const QString& text, const QLocale& locale = QLocale());

// True when StrictDate would accept the text.
bool IsDateOrTime(const QString& text, const QLocale& locale = QLocale());

}  // namespace halvessa::text
