#include "text/numbers.h"

#include <QStringView>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "geometry/calendar.h"
#include "text/locale_format.h"
#include "text/patterns.h"

namespace halvessa::text {
namespace {

[[noreturn]] void FailNumber(const QString& text) {
  throw ConversionError(Quoted(text) + QStringLiteral(" is not a number"));
}

[[noreturn]] void FailTooLarge(const QString& text) {
  throw ConversionError(Quoted(text) + QStringLiteral(" is too large a number"));
}

// ---------------------------------------------------------------------------------------------
// Plain numbers: [sign] (digits [. [digits]] | . digits) [(e|E) [sign] digits], ASCII only.

bool IsAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

struct Scanned {
  qsizetype length = 0;  // characters taken; 0 when the text holds no number there
  double value = 0;
  bool overflow = false;  // the magnitude exceeds the largest double; value is then saturated
};

// The longest number starting at from. Works in one pass and in memory proportional to the
// digits, so any text length is safe.
Scanned ScanNumber(QStringView text, qsizetype from) {
  Scanned result;
  qsizetype i = from;
  const qsizetype n = text.size();
  bool negative = false;
  if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  std::string digits;  // mantissa as from_chars reads it: digits[.digits][e[-]digits]
  // Decimal order of the leading nonzero digit, to tell overflow from underflow.
  std::int64_t order = 0;
  bool seenNonzero = false;
  qsizetype mantissaDigits = 0;
  for (; i < n && IsAsciiDigit(text[i]); ++i, ++mantissaDigits) {
    digits += text[i].toLatin1();
    if (seenNonzero) {
      ++order;
    } else if (text[i] != QLatin1Char('0')) {
      seenNonzero = true;
      order = 1;
    }
  }
  if (i < n && text[i] == QLatin1Char('.')) {
    const qsizetype point = i;
    for (++i; i < n && IsAsciiDigit(text[i]); ++i, ++mantissaDigits) {
      if (i == point + 1) digits += digits.empty() ? "0." : ".";
      digits += text[i].toLatin1();
      if (!seenNonzero) {
        if (text[i] != QLatin1Char('0')) seenNonzero = true;
        else --order;
      }
    }
    if (mantissaDigits == 0) i = point;  // a lone "." is no number
  }
  if (mantissaDigits == 0) return result;
  result.length = i - from;

  // The exponent counts only when at least one digit follows "e" and its sign.
  if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
    qsizetype j = i + 1;
    bool expNegative = false;
    if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-'))) {
      expNegative = text[j] == QLatin1Char('-');
      ++j;
    }
    if (j < n && IsAsciiDigit(text[j])) {
      constexpr std::int64_t kCap = 1'000'000'000;  // beyond any double; saturate there
      std::int64_t exponent = 0;
      digits += expNegative ? "e-" : "e";
      for (; j < n && IsAsciiDigit(text[j]); ++j) {
        exponent = std::min(kCap, exponent * 10 + text[j].digitValue());
        // Leading zeros do not change the exponent; keep from_chars's input short.
        if (exponent != 0 || j + 1 == n || !IsAsciiDigit(text[j + 1])) digits += text[j].toLatin1();
      }
      order += expNegative ? -exponent : exponent;
      result.length = j - from;
    }
  }

  double magnitude = 0;
  const std::errc ec =
      std::from_chars(digits.data(), digits.data() + digits.size(), magnitude).ec;
  // On any failure from_chars leaves magnitude at 0, which is right for a number too small.
  if (ec == std::errc::result_out_of_range && seenNonzero && order > 0) {
    magnitude = std::numeric_limits<double>::max();
    result.overflow = true;
  }
  result.value = negative ? -magnitude : magnitude;
  return result;
}

// The whole text as a plain number.
std::optional<Scanned> WholePlainNumber(QStringView text) {
  const Scanned s = ScanNumber(text, 0);
  if (s.length == 0 || s.length != text.size()) return std::nullopt;
  return s;
}


}  // namespace

double LenientNumber(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  return ScanNumber(text, i).value;
}

double StrictNumber(const QString& text, const QLocale& locale) {
  // Some locales write bidi marks around the sign; they carry no meaning here.
  QString trimmed = text.trimmed();
  trimmed.removeIf(detail::IsBidiMark);
  if (trimmed.isEmpty()) FailNumber(text);

  // The plain "." form, and the locale's form with ASCII digits.
  std::optional<Scanned> plain = WholePlainNumber(trimmed);
  const QString point = locale.decimalPoint();
  if (!plain && point != QStringLiteral(".") && !trimmed.contains(QLatin1Char('.'))) {
    QString dotted = trimmed;
    plain = WholePlainNumber(dotted.replace(point, QStringLiteral(".")));
  }
  if (plain) {
    if (plain->overflow) FailTooLarge(text);
    return plain->value;
  }

  // Anything else the locale writes (its own digits, signs and exponent), but never with group
  // separators: under a locale that groups with "." that would read "46.205" as 46205.
  QLocale strict = locale;
  strict.setNumberOptions(strict.numberOptions() | QLocale::RejectGroupSeparator);
  bool ok = false;
  const double value = strict.toDouble(trimmed, &ok);
  if (ok && std::isfinite(value)) return value;
  if (!ok && std::isinf(value)) FailTooLarge(text);
  FailNumber(text);
}

std::int16_t RoundToInt16(double value) {
  const QString range = QStringLiteral(" a whole number from -32768 to 32767");
  if (std::isnan(value)) throw ConversionError(QStringLiteral("NaN is not") + range);
  const double rounded = RoundHalfEven(value);
  const QString shown = QString::fromStdString(ShortestNumber(value));
  if (rounded > 32767) throw ConversionError(shown + QStringLiteral(" is too large for") + range);
  if (rounded < -32768) throw ConversionError(shown + QStringLiteral(" is too small for") + range);
  return static_cast<std::int16_t>(rounded);
}

std::string ShortestNumber(double value) {
  std::array<char, 32> buffer{};
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  if (ec != std::errc()) return "nan";  // cannot happen: 24 characters always suffice
  return std::string(buffer.data(), end);
}

std::optional<double> PlainNumber(std::string_view field) {
  if (field.size() > 1 && field[0] == '+' && field[1] != '-') field.remove_prefix(1);
  double value = 0;
  const char* end = field.data() + field.size();
  const auto [stop, error] = std::from_chars(field.data(), end, value);
  if (field.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value + 0.0;
}

}  // namespace halvessa::text
