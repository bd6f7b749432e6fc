// Display patterns: "0.0", "0", "yyyy-mm-dd", "hh:nn", "hh:mm:ss", with the locale's decimal
// and time separators, and the quoting of a text in a message.
#pragma once

#include <QLocale>
#include <QString>

namespace halvessa::text {

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

// "Jan" to "Dec" for months 1 to 12, in English whatever the locale (the reports' and the
// charts' month names).
QString MonthAbbreviation(int month);

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
// by "…", control characters replaced so that the message stays one line, and the
// bidirectional controls too, so that it reads in the order typed.
QString Quoted(const QString& text);

// The characters that change the direction of the text around them: the marks (U+061C,
// U+200E, U+200F), embeddings and overrides (U+202A to U+202E) and isolates (U+2066 to
// U+2069).
bool IsBidiControl(QChar c);

}  // namespace halvessa::text
