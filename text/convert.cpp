#include "text/convert.h"

#include <QDate>
#include <QStringView>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "geometry/calendar.h"

namespace halvessa::text {

ConversionError::ConversionError(const QString& message)
    : std::runtime_error(message.toStdString()) {}

QString ConversionError::message() const { return QString::fromStdString(what()); }

namespace {

// ---------------------------------------------------------------------------------------------
// Messages

constexpr qsizetype kQuotedLength = 40;

[[noreturn]] void FailNumber(const QString& text) {
  throw ConversionError(Quoted(text) + QStringLiteral(" is not a number"));
}

[[noreturn]] void FailTooLarge(const QString& text) {
  throw ConversionError(Quoted(text) + QStringLiteral(" is too large a number"));
}

[[noreturn]] void FailDate(const QString& text) {
  throw ConversionError(Quoted(text) + QStringLiteral(" is not a date or time"));
}

[[noreturn]] void FailYears(const QString& text) {
  throw ConversionError(Quoted(text) + QStringLiteral(" is outside the years 100 to 9999"));
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
  if (ec == std::errc::result_out_of_range) {
    if (seenNonzero && order > 0) {
      magnitude = std::numeric_limits<double>::max();
      result.overflow = true;
    } else {
      magnitude = 0;
    }
  } else if (ec != std::errc()) {
    magnitude = 0;  // cannot happen for the digits built above
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

// ---------------------------------------------------------------------------------------------
// Qt date and time format strings

struct FormatToken {
  QChar field;      // the pattern letter of a field ('d', 'M', 'y', 'h', ...), or null
  int width = 0;    // the field's letter count
  QString literal;  // the literal text when field is null
};

// Splits a QLocale date or time format into fields and literal runs; quoted text is literal.
std::vector<FormatToken> Tokenize(const QString& format) {
  std::vector<FormatToken> tokens;
  auto addLiteral = [&tokens](QChar c) {
    if (tokens.empty() || !tokens.back().field.isNull()) tokens.push_back({});
    tokens.back().literal += c;
  };
  for (qsizetype i = 0; i < format.size();) {
    const QChar c = format[i];
    if (c == QLatin1Char('\'')) {
      if (i + 1 < format.size() && format[i + 1] == QLatin1Char('\'')) {
        addLiteral(c);
        i += 2;
        continue;
      }
      for (++i; i < format.size(); ++i) {
        if (format[i] == QLatin1Char('\'')) {
          if (i + 1 < format.size() && format[i + 1] == QLatin1Char('\'')) {
            addLiteral(format[i]);
            ++i;
          } else {
            break;
          }
        } else {
          addLiteral(format[i]);
        }
      }
      ++i;
    } else if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
               (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))) {
      qsizetype j = i;
      while (j < format.size() && format[j] == c) ++j;
      tokens.push_back({c, static_cast<int>(j - i), {}});
      i = j;
    } else {
      addLiteral(c);
      ++i;
    }
  }
  return tokens;
}

// Bidirectional marks that some locales put around separators; typed text rarely has them.
bool IsBidiMark(QChar c) {
  return c == QChar(0x200E) || c == QChar(0x200F) || c == QChar(0x061C);
}

// ---------------------------------------------------------------------------------------------
// Parsing dates and times

// A cursor over text that is already known to be short.
class Cursor {
 public:
  explicit Cursor(QStringView text) : text_(text) {}

  bool AtEnd() const { return pos_ == text_.size(); }

  // Skips blanks and bidi marks; returns whether any blank was skipped.
  bool SkipBlanks() {
    bool any = false;
    while (pos_ < text_.size() && (text_[pos_].isSpace() || IsBidiMark(text_[pos_]))) {
      any = any || text_[pos_].isSpace();
      ++pos_;
    }
    return any;
  }

  // Reads a run of decimal digits of any script, at most maxDigits of them (a longer run
  // fails). Returns the digit count, 0 when there is none.
  int Digits(int maxDigits, std::int64_t& value) {
    value = 0;
    int count = 0;
    while (pos_ < text_.size() && text_[pos_].category() == QChar::Number_DecimalDigit) {
      if (++count > maxDigits) return 0;
      value = value * 10 + text_[pos_].digitValue();
      ++pos_;
    }
    return count;
  }

  bool Take(QStringView s) {
    if (s.isEmpty() || !text_.mid(pos_).startsWith(s, Qt::CaseInsensitive)) return false;
    pos_ += s.size();
    return true;
  }

 private:
  QStringView text_;
  qsizetype pos_ = 0;
};

struct Ymd {
  std::int64_t year;
  std::int64_t month;
  std::int64_t day;
};

// Two-digit years: 00 to 29 are 2000 to 2029, 30 to 99 are 1930 to 1999.
std::int64_t ExpandTwoDigitYear(std::int64_t yy) { return yy < 30 ? 2000 + yy : 1900 + yy; }

constexpr int kMaxYearDigits = 9;

// "yyyy-mm-dd": a year of three or more digits, a month and a day of one or two.
std::optional<Ymd> ParseIsoDate(QStringView text) {
  Cursor c(text);
  Ymd d{};
  if (c.Digits(kMaxYearDigits, d.year) < 3 || !c.Take(u"-")) return std::nullopt;
  if (c.Digits(2, d.month) == 0 || !c.Take(u"-")) return std::nullopt;
  if (c.Digits(2, d.day) == 0 || !c.AtEnd()) return std::nullopt;
  return d;
}

// The locale's short date form with numeric fields. Literals match without regard to blanks
// and bidi marks around them; the year may have four digits where the form has two.
// numericForm tells whether the form has only such fields.
std::optional<Ymd> ParseLocaleDate(QStringView text, const QLocale& locale, bool& numericForm) {
  const std::vector<FormatToken> tokens = Tokenize(locale.dateFormat(QLocale::ShortFormat));
  numericForm = std::all_of(tokens.begin(), tokens.end(), [](const FormatToken& t) {
    return t.field.isNull() || (t.field == QLatin1Char('d') && t.width <= 2) ||
           (t.field == QLatin1Char('M') && t.width <= 2) || t.field == QLatin1Char('y');
  });
  if (!numericForm) return std::nullopt;
  Cursor c(text);
  Ymd d{-1, -1, -1};
  c.SkipBlanks();
  for (const FormatToken& t : tokens) {
    if (t.field.isNull()) {
      QString core;
      for (QChar ch : t.literal) {
        if (!ch.isSpace() && !IsBidiMark(ch)) core += ch;
      }
      const bool blank = c.SkipBlanks();
      if (core.isEmpty()) {
        if (!blank) return std::nullopt;
        continue;
      }
      if (!c.Take(core)) return std::nullopt;
      c.SkipBlanks();
      continue;
    }
    std::int64_t value = 0;
    if (t.field == QLatin1Char('d') && t.width <= 2) {
      if (c.Digits(2, value) == 0) return std::nullopt;
      d.day = value;
    } else if (t.field == QLatin1Char('M') && t.width <= 2) {
      if (c.Digits(2, value) == 0) return std::nullopt;
      d.month = value;
    } else {
      const int count = c.Digits(kMaxYearDigits, value);
      if (count == 2 && t.width == 2) {
        d.year = ExpandTwoDigitYear(value);
      } else if (count >= 3) {
        d.year = value;
      } else {
        return std::nullopt;
      }
    }
  }
  c.SkipBlanks();
  if (!c.AtEnd() || d.year < 0 || d.month < 0 || d.day < 0) return std::nullopt;
  return d;
}

enum class DateResult { kNotADate, kOutOfYears, kValid };

DateResult ToSerial(const Ymd& d, double& serial) {
  if (d.year < 100 || d.year > 9999) return DateResult::kOutOfYears;
  if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31) return DateResult::kNotADate;
  try {
    serial = DateSerial(static_cast<int>(d.year), static_cast<int>(d.month),
                        static_cast<int>(d.day));
  } catch (const CalendarRangeError&) {
    return DateResult::kNotADate;  // a day the month does not have
  }
  return DateResult::kValid;
}

DateResult ParseDate(QStringView text, const QLocale& locale, double& serial) {
  std::optional<Ymd> d = ParseIsoDate(text);
  bool numericForm = true;
  if (!d) d = ParseLocaleDate(text, locale, numericForm);
  if (!d) {
    if (numericForm) return DateResult::kNotADate;
    // Forms with month names and the like, as Qt reads them.
    const QDate q = locale.toDate(text.toString(), QLocale::ShortFormat);
    if (!q.isValid()) return DateResult::kNotADate;
    d = Ymd{q.year(), q.month(), q.day()};
  }
  return ToSerial(*d, serial);
}

// "h:mm" or "h:mm:ss" with ":" or the locale's time separator, the same one throughout;
// hours 0 to 23, or 1 to 12 with the locale's or the English AM/PM text before or after.
std::optional<double> ParseTime(QStringView text, const QLocale& locale) {
  const QString localeSeparator = TimeSeparator(locale);
  const QString amTexts[] = {locale.amText(), QStringLiteral("AM")};
  const QString pmTexts[] = {locale.pmText(), QStringLiteral("PM")};
  auto takeAmPm = [&](Cursor& c) -> int {  // 0 none, 1 AM, 2 PM
    for (const QString& s : amTexts) {
      if (c.Take(s)) return 1;
    }
    for (const QString& s : pmTexts) {
      if (c.Take(s)) return 2;
    }
    return 0;
  };

  for (const QString& separator : {QStringLiteral(":"), localeSeparator}) {
    Cursor c(text);
    int amPm = takeAmPm(c);
    if (amPm != 0) c.SkipBlanks();
    std::int64_t hour = 0;
    std::int64_t minute = 0;
    std::int64_t second = 0;
    if (c.Digits(2, hour) == 0 || !c.Take(separator) || c.Digits(2, minute) != 2) continue;
    if (c.Take(separator) && c.Digits(2, second) != 2) continue;
    if (amPm == 0) {
      c.SkipBlanks();
      amPm = takeAmPm(c);
    }
    if (!c.AtEnd() || minute > 59 || second > 59) continue;
    if (amPm == 0) {
      if (hour > 23) continue;
    } else {
      if (hour < 1 || hour > 12) continue;
      hour = hour % 12 + (amPm == 2 ? 12 : 0);
    }
    return TimeSerial(static_cast<int>(hour), static_cast<int>(minute), static_cast<int>(second));
  }
  return std::nullopt;
}

// No date or time text comes near this length; longer text fails without being searched.
constexpr qsizetype kMaxDateText = 100;

// ---------------------------------------------------------------------------------------------
// Display

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

// ---------------------------------------------------------------------------------------------

// The text as a message shows it: in double quotes, at most kQuotedLength characters followed
// by "…", control characters and broken surrogates replaced so the message stays one line.
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
               c.category() == QChar::Separator_Paragraph) {
      shown += QChar(QChar::ReplacementCharacter);
    } else {
      shown += c;
    }
    ++count;
  }
  return QLatin1Char('"') + shown + QLatin1Char('"');
}

double LenientNumber(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  return ScanNumber(text, i).value;
}

double StrictNumber(const QString& text, const QLocale& locale) {
  // Some locales write bidi marks around the sign; they carry no meaning here.
  QString trimmed = text.trimmed();
  trimmed.removeIf(IsBidiMark);
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

double StrictDate(const QString& text, const QLocale& locale) {
  if (text.size() > kMaxDateText) FailDate(text);
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) FailDate(text);

  // A time alone comes first: "06.08.13" is a time where "." separates hours and minutes.
  if (const std::optional<double> time = ParseTime(trimmed, locale)) return *time;

  double serial = 0;
  bool outOfYears = false;
  switch (ParseDate(trimmed, locale, serial)) {
    case DateResult::kValid:
      return serial;
    case DateResult::kOutOfYears:
      outOfYears = true;
      break;
    case DateResult::kNotADate:
      break;
  }

  // A date and a time joined by blanks. Some date forms contain blanks themselves, so every
  // run of blanks is tried as the joint.
  for (qsizetype i = 1; i < trimmed.size(); ++i) {
    if (!trimmed[i].isSpace() || trimmed[i - 1].isSpace()) continue;
    qsizetype j = i;
    while (j < trimmed.size() && trimmed[j].isSpace()) ++j;
    const std::optional<double> time = ParseTime(QStringView(trimmed).mid(j), locale);
    if (!time) continue;
    switch (ParseDate(QStringView(trimmed).left(i), locale, serial)) {
      case DateResult::kValid:
        return serial + *time;
      case DateResult::kOutOfYears:
        outOfYears = true;
        break;
      case DateResult::kNotADate:
        break;
    }
  }
  if (outOfYears) FailYears(text);
  FailDate(text);
}

bool IsDateOrTime(const QString& text, const QLocale& locale) {
  try {
    StrictDate(text, locale);
    return true;
  } catch (const ConversionError&) {
    return false;
  }
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

QString FormatOneDecimal(double value, const QLocale& locale) {
  return FormatFixed(value, 1, locale);
}

QString FormatWhole(double value, const QLocale& locale) { return FormatFixed(value, 0, locale); }

QString FormatIsoDate(double serial) {
  const DateParts p = SerialToParts(serial);
  return QString::number(p.year).rightJustified(4, QLatin1Char('0')) + QLatin1Char('-') +
         TwoDigits(p.month) + QLatin1Char('-') + TwoDigits(p.day);
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
  const std::vector<FormatToken> tokens = Tokenize(locale.timeFormat(QLocale::ShortFormat));
  for (std::size_t i = 0; i + 2 < tokens.size(); ++i) {
    const FormatToken& hour = tokens[i];
    if (hour.field != QLatin1Char('h') && hour.field != QLatin1Char('H')) continue;
    if (!tokens[i + 1].field.isNull() || tokens[i + 2].field != QLatin1Char('m')) break;
    // Only punctuation will do: "14 h 00" or "14 00" would not read as a time.
    const QString& literal = tokens[i + 1].literal;
    const bool plain = std::none_of(literal.begin(), literal.end(), [](QChar c) {
      return c.isLetterOrNumber() || c.isSpace() || IsBidiMark(c);
    });
    if (plain) return literal;
    break;
  }
  return QStringLiteral(":");
}

std::string ShortestNumber(double value) {
  std::array<char, 32> buffer{};
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  if (ec != std::errc()) return "nan";  // cannot happen: 24 characters always suffice
  return std::string(buffer.data(), end);
}

}  // namespace halvessa::text
