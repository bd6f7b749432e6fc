// Text conversions and display patterns shared by the window and the calculator.
//
// Input conversions come in two strengths. The lenient number parse never fails. The strict
// conversions follow the user's locale and throw ConversionError with a message that names
// the text, e.g.  "abc" is not a number  ; callers put the name of the box or option in front.
// Display patterns take the locale's decimal and time separators.
#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace halvessa::text {

class ConversionError : public std::runtime_error {
 public:
  explicit ConversionError(const QString& message);
  QString message() const;
};

// Skips leading blanks and takes the longest leading number with "." as the decimal point
// whatever the locale (sign, digits, fraction, exponent); 0 when there is none. Never fails.
// "180abc" gives 180, "37%" gives 37, "46,2" gives 46, "" gives 0.
double LenientNumber(const QString& text);

// A finite number in the locale's own form or, failing that, in the plain "." form
// ("46.205556" under a decimal-comma locale too). Blanks around the number are allowed.
// Throws ConversionError for anything else, the empty text included.
double StrictNumber(const QString& text, const QLocale& locale = QLocale());

// A date, a time, or a date and a time joined by one blank, as a day serial. Accepts ISO
// dates "yyyy-mm-dd" (also with one-digit month or day), the locale's short date form, times
// "h:mm" and "h:mm:ss" with ":" or the locale's time separator. A time alone gives a serial
// below 1. Throws ConversionError for anything else and for dates outside years 100 to 9999.
double StrictDate(const QString& text, const QLocale& locale = QLocale());

// Nearest integer, halves to even; throws ConversionError ("... overflows ...") outside
// -32768 to 32767 or for a value that is not finite.
std::int16_t RoundToInt16(double value);

// "0.0": one decimal, halves away from zero on the exact value of the double (0.25 gives 0.3,
// 12.345 gives 12.3, -0.25 gives -0.3), the locale's decimal separator.
QString FormatOneDecimal(double value, const QLocale& locale = QLocale());

// "0": a whole number, halves away from zero (0.5 gives 1, 37.4 gives 37).
QString FormatWhole(double value, const QLocale& locale = QLocale());

// "yyyy-mm-dd" of a day serial. Throws halvessa::CalendarRangeError outside the calendar.
QString FormatIsoDate(double serial);

// "hh:nn" of a day serial: the time of day to the nearest second, then the seconds dropped
// (21:15:59.99 gives 21:16, 10:15:59 gives 10:15). The locale's time separator.
QString FormatHourMinute(double serial, const QLocale& locale = QLocale());

// "hh:mm:ss" of a day serial, the time of day to the nearest second (21:15:59.99 gives
// 21:16:00). The locale's time separator.
QString FormatHourMinuteSecond(double serial, const QLocale& locale = QLocale());

// The locale's separator between hours and minutes (":" for most, "." for a few).
QString TimeSeparator(const QLocale& locale = QLocale());

// Shortest text that reads back to the same double ("189", "63.28013165356862").
std::string ShortestNumber(double value);

}  // namespace halvessa::text
