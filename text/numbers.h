// Numbers from text, and numbers as plain text.
//
// The lenient parse never fails. The strict conversions follow the user's locale and throw
// ConversionError with a message that names the text, e.g.  "abc" is not a number .
#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/conversion_error.h"

namespace halvessa::text {

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

// A number of a data file: all of the field in the plain "." form, an optional "+" first
// ("+-5" is not), finite, -0 read as 0; nullopt for anything else, the empty field, "nan" and
// "inf" included. No locale, no blanks: the caller trims where its format allows them.
std::optional<double> PlainNumber(std::string_view field);

// Nearest integer, halves to even; throws ConversionError outside -32768 to 32767 or for a
// value that is not finite ("40000 is too large for a whole number from -32768 to 32767").
std::int16_t RoundToInt16(double value);

// Shortest text that reads back to the same double ("189", "63.28013165356862", "1e+21");
// "inf", "-inf" and "nan" for values that are not finite.
std::string ShortestNumber(double value);

}  // namespace halvessa::text
