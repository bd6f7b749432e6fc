#include "text/patterns.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "geometry/calendar.h"
#include "text/locale_format.h"

namespace halvessa::text {
namespace {

constexpr qsizetype kQuotedLength = 40;

// "0.0" and "0": the magnitude's exact decimal expansion rounded at `decimals`, halves away
// from zero; ASCII digits and "-", the locale's decimal separator, no grouping.
QString FormatFixed(double value, int decimals, const QLocale& locale) {
  if (std::isnan(value)) return QStringLiteral("NaN");
  if (std::isinf(value)) return value > 0 ? QStringLiteral("Inf") : QStringLiteral("-Inf");

  const double magnitude = std::fabs(value);
  // magnitude = m * 2^(e - 53) with an integer m below 2^53, so 53 - e decimals are exact
  // (1074 at most, for the smallest subnormals). One more than `decimals` is always needed.
  int e = 0;
  std::frexp(magnitude, &e);
  const int precision = std::clamp(53 - e, decimals + 1, 1074);
  std::array<char, 1500> buffer{};  // 309 integer digits + "." + 1074 decimals at most
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                       std::chars_format::fixed, precision);
  if (ec != std::errc()) return QStringLiteral("NaN");  // cannot happen with this buffer

  std::string digits(buffer.data(), end);
  const std::size_t point = digits.find('.');
  const bool roundUp = digits[point + 1 + static_cast<std::size_t>(decimals)] >= '5';
  digits.resize(point + 1 + static_cast<std::size_t>(decimals));
  if (decimals == 0) digits.pop_back();
  if (roundUp) {
    std::size_t i = digits.size();
    for (;;) {
      if (i == 0) {
        digits.insert(digits.begin(), '1');
        break;
      }
      --i;
      if (digits[i] == '.') continue;
      if (digits[i] == '9') {
        digits[i] = '0';
      } else {
        ++digits[i];
        break;
      }
    }
  }
  QString shown = QString::fromLatin1(digits.data(), static_cast<qsizetype>(digits.size()));
  if (decimals > 0) shown.replace(QLatin1Char('.'), locale.decimalPoint());
  // A small negative value keeps its sign though it shows as zero: -0.04 gives "-0.0".
  if (value < 0) shown.prepend(QLatin1Char('-'));
  return shown;
}

QString TwoDigits(int n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); }

}  // namespace

// The text as a message shows it: in double quotes, at most kQuotedLength characters followed
// by "…", control characters and broken surrogates replaced so the message stays one line.
bool IsBidiControl(QChar c) {
  const char16_t u = c.unicode();
  return u == 0x061c || u == 0x200e || u == 0x200f || (u >= 0x202a && u <= 0x202e) ||
         (u >= 0x2066 && u <= 0x2069);
}

QString Quoted(const QString& text) {
  QString shown;
  qsizetype count = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (count == kQuotedLength) {
      shown += QChar(0x2026);
      break;
    }
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      shown += c;
      shown += text[++i];
    } else if (c.isSurrogate() || c.category() == QChar::Other_Control ||
               c.category() == QChar::Separator_Line ||
               c.category() == QChar::Separator_Paragraph || IsBidiControl(c)) {
      shown += QChar(QChar::ReplacementCharacter);
    } else {
      shown += c;
    }
    ++count;
  }
  return QLatin1Char('"') + shown + QLatin1Char('"');
}

QString FormatOneDecimal(double value, const QLocale& locale) {
  return FormatFixed(value, 1, locale);
}

QString FormatWhole(double value, const QLocale& locale) { return FormatFixed(value, 0, locale); }

QString FormatIsoDate(double serial) {
  const DateParts p = SerialToParts(serial);
  return QString::number(p.year).rightJustified(4, QLatin1Char('0')) + QLatin1Char('-') +
         TwoDigits(p.month) + QLatin1Char('-') + TwoDigits(p.day);
}

QString MonthAbbreviation(int month) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  return QLatin1String(kMonths[month - 1]);
}

QString FormatHourMinute(double serial, const QLocale& locale) {
  const DateParts p = SerialToParts(serial);
  return TwoDigits(p.hour) + TimeSeparator(locale) + TwoDigits(p.minute);
}

QString FormatHourMinuteSecond(double serial, const QLocale& locale) {
  const DateParts p = SerialToParts(serial);
  const QString separator = TimeSeparator(locale);
  return TwoDigits(p.hour) + separator + TwoDigits(p.minute) + separator + TwoDigits(p.second);
}

QString TimeSeparator(const QLocale& locale) {
  const std::vector<detail::FormatToken> tokens =
      detail::Tokenize(locale.timeFormat(QLocale::ShortFormat));
  for (std::size_t i = 0; i + 2 < tokens.size(); ++i) {
    const detail::FormatToken& hour = tokens[i];
    if (hour.field != QLatin1Char('h') && hour.field != QLatin1Char('H')) continue;
    if (!tokens[i + 1].field.isNull() || tokens[i + 2].field != QLatin1Char('m')) break;
    // Only punctuation will do: "14 h 00" or "14 00" would not read as a time.
    const QString& literal = tokens[i + 1].literal;
    const bool plain = std::none_of(literal.begin(), literal.end(), [](QChar c) {
      return c.isLetterOrNumber() || c.isSpace() || detail::IsBidiMark(c);
    });
    if (plain) return literal;
    break;
  }
  return QStringLiteral(":");
}

}  // namespace halvessa::text
