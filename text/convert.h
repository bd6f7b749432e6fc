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
// "180abc" gives 180, "37%" gives 37, "46,2" gives 46, "" gives 0, "-12.5e2x" gives -1250;
// a sign or "." without digits gives 0, and "e" counts only when digits follow ("5e" is 5).
// The result is always finite: a number too large for a double gives the largest double of
// its sign ("1e999" gives 1.7976931348623157e308), one too small gives 0 ("1e-999").
double LenientNumber(const QString& text);

// A finite number in the locale's own form or, failing that, in the plain "." form
// ("46.205556" under a decimal-comma locale too). Blanks around the number are allowed.
// Group separators are not: under a locale that groups with "." they would make "46.205"
// read as 46205, so "1.234,5" fails there and "1,234" fails under a "." locale.
// Throws ConversionError for anything else, the empty text, "nan" and "inf" included:
//   "abc" is not a number      "1e999" is too large a number
// A message quotes at most 40 characters of the text, then "…".
double StrictNumber(const QString& text, const QLocale& locale = QLocale());

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

// Nearest integer, halves to even; throws ConversionError outside -32768 to 32767 or for a
// value that is not finite ("40000 is too large for a whole number from -32768 to 32767").
std::int16_t RoundToInt16(double value);

// "0.0": one decimal, halves away from zero on the exact value of the double (0.25 gives 0.3,
// 12.345 gives 12.3, -0.25 gives -0.3), the locale's decimal separator, ASCII digits and "-",
// no group separators. A negative value keeps its sign when it shows as zero (-0.04 gives
// "-0.0": the elevation box tells a sun just below the horizon). Not finite: "NaN", "Inf",
// "-Inf".
QString FormatOneDecimal(double value, const QLocale& locale = QLocale());

// "0": a whole number, halves away from zero (0.5 gives 1, 37.4 gives 37), otherwise as
// FormatOneDecimal.
QString FormatWhole(double value, const QLocale& locale = QLocale());

// "yyyy-mm-dd" of a day serial. Throws halvessa::CalendarRangeError outside the calendar.
QString FormatIsoDate(double serial);

// "hh:nn" of a day serial: the time of day to the nearest second, then the seconds dropped
// (21:15:59.99 gives 21:16, 10:15:59 gives 10:15). The locale's time separator. The time of
// day is the fraction above the floor (-0.25 gives 18:00). Throws halvessa::CalendarRangeError
// outside the calendar, as FormatIsoDate.
QString FormatHourMinute(double serial, const QLocale& locale = QLocale());

// "hh:mm:ss" of a day serial, the time of day to the nearest second (21:15:59.99 gives
// 21:16:00), otherwise as FormatHourMinute.
QString FormatHourMinuteSecond(double serial, const QLocale& locale = QLocale());

// The locale's separator between hours and minutes (":" for most, "." for a few), taken from
// its short time format; ":" where that puts letters, digits or blanks there ("HH 'h' mm").
QString TimeSeparator(const QLocale& locale = QLocale());

// The text as a message quotes it: in double quotes, cut to its first 40 characters followed
// by "…", control characters replaced so that the message stays one line.
QString Quoted(const QString& text);

// Shortest text that reads back to the same double ("189", "63.28013165356862", "1e+21");
// "inf", "-inf" and "nan" for values that are not finite.
std::string ShortestNumber(double value);

}  // namespace halvessa::text
