#include "text/dates.h"

#include <QDate>
#include <QStringView>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "geometry/calendar.h"
#include "text/locale_format.h"
#include "text/patterns.h"

namespace halvessa::text {
namespace {

using detail::FormatToken;
using detail::IsBidiMark;
using detail::Tokenize;

[[noreturn]] void FailDate(const QString& text) {
  throw ConversionError(Quoted(text) + QStringLiteral(" is not a date or time"));
}

[[noreturn]] void FailYears(const QString& text) {
  throw ConversionError(Quoted(text) + QStringLiteral(" is outside the years 100 to 9999"));
}

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
    // Fields are d or dd, M or MM, or y of any width: the numeric form was checked above.
    if (t.field == QLatin1Char('d')) {
      if (c.Digits(2, value) == 0) return std::nullopt;
      d.day = value;
    } else if (t.field == QLatin1Char('M')) {
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
  // Month and day have two digits at most, so they fit an int.
  try {
    serial = DateSerial(static_cast<int>(d.year), static_cast<int>(d.month),
                        static_cast<int>(d.day));
  } catch (const CalendarRangeError&) {
    return DateResult::kNotADate;  // a month or a day the calendar does not have
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

}  // namespace

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

}  // namespace halvessa::text
