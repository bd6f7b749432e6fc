// The text layer: numbers lenient and strict, dates and times, the display patterns and the
// time zones.
#include <gtest/gtest.h>

#include <QLocale>
#include <QString>

#include <cmath>
#include <limits>
#include <random>
#include <tuple>
#include <utility>

#include "geometry/calendar.h"
#include "text/conversion_error.h"
#include "text/dates.h"
#include "text/numbers.h"
#include "text/patterns.h"
#include "text/time_zone.h"

namespace halvessa::text {
namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kDe(QLocale::German, QLocale::Germany);
const QLocale kFi(QLocale::Finnish, QLocale::Finland);  // "." between hours and minutes

// The message of the ConversionError that call throws, or "no error".
template <typename Call>
QString ErrorOf(Call call) try {
  call();
  return QStringLiteral("no error");
} catch (const ConversionError& e) {
  return e.message();
}

TEST(LenientNumber, TakesTheLongestLeadingNumberAndStaysFinite) {
  const double max = std::numeric_limits<double>::max();
  const std::pair<const char*, double> cases[] = {
      {"180abc", 180}, {"37%", 37}, {"46,2", 46}, {"  \t46.205556", 46.205556}, {"+.5", 0.5},
      {"-12.5e2x", -1250}, {"5.", 5}, {"5.e2", 500}, {"5e", 5}, {"5e+", 5}, {"1E-2", 0.01},
      {"1.2.3", 1.2}, {"1e999", max}, {"-1e999", -max}, {"0.00001e400", max}, {"1e-999", 0},
      {"10000e-327", 1e-323}, {"0e999999", 0}, {"", 0}, {"abc", 0}, {"-", 0}, {"-.", 0},
      {"- 5", 0}, {"e5", 0}};
  for (const auto& [text, value] : cases) EXPECT_EQ(LenientNumber(text), value) << text;
  // A long exponent weighed against many leading zeros: 1e-501 is too small, not too large.
  EXPECT_EQ(LenientNumber("0." + QString(2500, '0') + "1e2000"), 0);
}

TEST(StrictNumber, ReadsTheLocaleFormThenThePlainForm) {
  // "." groups in German, but "46.205" is read as a plain number there too.
  const std::tuple<const char*, QLocale, double> cases[] = {
      {" 46.205556 ", kUs, 46.205556}, {"46.205556", kDe, 46.205556}, {"46.205", kDe, 46.205},
      {"46,2", kDe, 46.2}, {"-6,5e1", kDe, -65}, {"+2", kUs, 2}, {"1,5e-999", kDe, 0},
      {"\u22125,5", QLocale("sv"), -5.5}, {"\u200e-5.5", QLocale("he"), -5.5}};
  for (const auto& [text, l, value] : cases) EXPECT_EQ(StrictNumber(text, l), value) << text;
  for (const QLocale& l : {kUs, kDe}) {
    for (const char* bad :
         {"", "   ", "abc", "1.2.3", "nan", "inf", "12abc", "1,5,3", "1.234,5", "--1", "1e", "."}) {
      EXPECT_EQ(ErrorOf([&] { StrictNumber(bad, l); }),
                QStringLiteral("\"%1\" is not a number").arg(QString::fromLatin1(bad)))
          << bad << " " << l.name().toStdString();
    }
  }
  EXPECT_EQ(ErrorOf([] { StrictNumber("46,2", kUs); }), "\"46,2\" is not a number");
  EXPECT_EQ(ErrorOf([] { StrictNumber("1,5e999", kDe); }), "\"1,5e999\" is too large a number");
  // Messages quote at most 40 characters, on one line.
  EXPECT_EQ(ErrorOf([] { StrictNumber(QString(1 << 20, 'x'), kUs); }),
            QStringLiteral("\"%1…\" is not a number").arg(QString(40, 'x')));
  EXPECT_TRUE(ErrorOf([] { StrictNumber("a\nb\x01", kUs); }).startsWith("\"a\uFFFDb\uFFFD\""));
}

// Texts no box should ever hold: huge, full of blanks, control characters, broken UTF-16.
TEST(Conversions, HostileTextFailsWithAShortMessageOrGivesAFiniteNumberOrACalendarDay) {
  for (const QString& t :
       {QString(1 << 20, '9'), QStringLiteral("1e") + QString(100000, '9'),
        QStringLiteral("0.") + QString(100000, '0') + '1', QString(100000, ' ') + '5',
        QStringLiteral("1 ").repeated(50000) + QStringLiteral("14:00"),
        QString(QChar(0)) + QStringLiteral("\x01\n\t\r\x7f"), QStringLiteral("+-.e//--..::"),
        QString(QChar(0xD800)), QStringLiteral("\xd8\xff")}) {
    SCOPED_TRACE(t.left(20).toStdString());
    EXPECT_TRUE(std::isfinite(LenientNumber(t)));
    EXPECT_LE(ErrorOf([&] { EXPECT_TRUE(std::isfinite(StrictNumber(t, kDe))); }).size(), 80);
    EXPECT_LE(ErrorOf([&] { EXPECT_TRUE(InCalendarRange(StrictDate(t, kDe))); }).size(), 80);
  }
}

TEST(RoundToInt16, HalvesToEvenAndFailsOutsideSixteenBits) {
  EXPECT_TRUE(RoundToInt16(10.5) == 10 && RoundToInt16(11.5) == 12);
  EXPECT_EQ(RoundToInt16(-32768.5), -32768);
  EXPECT_EQ(ErrorOf([] { RoundToInt16(32767.5); }),
            "32767.5 is too large for a whole number from -32768 to 32767");
  EXPECT_EQ(ErrorOf([] { RoundToInt16(-32769); }),
            "-32769 is too small for a whole number from -32768 to 32767");
  EXPECT_EQ(ErrorOf([] { RoundToInt16(NAN); }), "NaN is not a whole number from -32768 to 32767");
}

TEST(ShortestNumber, ReadsBackToTheSameDouble) {
  EXPECT_EQ(ShortestNumber(189), "189");
  EXPECT_EQ(ShortestNumber(63.28013165356862), "63.28013165356862");
  EXPECT_EQ(ShortestNumber(INFINITY), "inf");
  std::mt19937_64 random(7);
  for (int i = 0; i < 1000; ++i) {
    const double v =
        std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 200) - 150);
    const std::string s = ShortestNumber(v);
    ASSERT_EQ(LenientNumber(QString::fromStdString(s)), v) << s;
  }
}

TEST(StrictDate, AcceptedForms) {
  const double day = DateSerial(2025, 7, 24);
  const std::tuple<const char*, QLocale, double> cases[] = {
      {"2025-07-24  14:00", kDe, day + 14.0 / 24}, {" 2025-7-4 ", kUs, DateSerial(2025, 7, 4)},
      {"9:05:07", QLocale::c(), TimeSerial(9, 5, 7)}, {"1899-12-29 18:00", kUs, -0.25},
      {"7/24/25", kUs, day}, {"07/24/2025 14:00", kUs, day + 14.0 / 24},
      {"12:30 AM", kUs, TimeSerial(0, 30, 0)}, {"12:30pm", kUs, TimeSerial(12, 30, 0)},
      {"1:05 pm", kUs, TimeSerial(13, 5, 0)}, {"100-1-1", kUs, kFirstSerial},
      {"24 . 7 . 2025", kDe, day},  // blanks around the locale's literals
      {"24/07 2025", QLocale("kkj"), day}, {"24.07.25 г.", QLocale("bg"), day},  // a blank, a quote
      {"오후 2:30", QLocale(QLocale::Korean), TimeSerial(14, 30, 0)},
      {"1/1/30", kUs, DateSerial(1930, 1, 1)}, {"1/1/29", kUs, DateSerial(2029, 1, 1)},
      {"24.07.25 14:00", kDe, day + 14.0 / 24}, {"24.7.2025 14.00", kFi, day + 14.0 / 24},
      {"06.08.13", kFi, TimeSerial(6, 8, 13)},  // a time, not a date
      {"0100-01-01", kUs, kFirstSerial}, {"١٢:٣٠", kUs, TimeSerial(12, 30, 0)},
      {"9999-12-31 23:59:59", kUs, kEndSerial - 1 + TimeSerial(23, 59, 59)}};
  for (const auto& [text, locale, value] : cases) {
    EXPECT_EQ(StrictDate(text, locale), value) << text;
    EXPECT_TRUE(IsDateOrTime(text, locale)) << text;
  }
}

TEST(StrictDate, RejectedFormsNameTheText) {
  for (const char* bad : {"", "2025-13-40", "2025-02-29", "2025-07-24T14:00", "24:00", "14:60",
                          "14:5", "14:00:", "14", "014:00", "7/24/5", "13:00 PM", "0:30 AM",
                          "14:00 2025-07-24", "2025-07-24 14:00 x", "1.5", "now", "24.07.25"}) {
    EXPECT_EQ(ErrorOf([&] { StrictDate(bad, kUs); }),
              QStringLiteral("\"%1\" is not a date or time").arg(QString::fromLatin1(bad)));
    EXPECT_FALSE(IsDateOrTime(bad, kUs)) << bad;
  }
  for (const char* far : {"0099-01-01", "10000-01-01", "1/1/0099"}) {
    EXPECT_EQ(ErrorOf([&] { StrictDate(far, kUs); }),
              QStringLiteral("\"%1\" is outside the years 100 to 9999").arg(far));
  }
}

TEST(DisplayPatterns, DecimalAndTimeSeparatorsOfTheLocale) {
  const double day = DateSerial(2025, 7, 24);
  const double late = day + (21 * 3600 + 15 * 60 + 59.99) / 86400;
  const double early = day + TimeSerial(5, 58, 31);
  const std::pair<QString, const char*> cases[] = {
      {FormatOneDecimal(0.25, kUs), "0.3"}, {FormatOneDecimal(0.15, kUs), "0.1"},
      {FormatOneDecimal(99.95, kDe), "100,0"}, {FormatOneDecimal(-0.04, kUs), "-0.0"},
      {FormatOneDecimal(-0.0, kUs), "0.0"}, {FormatOneDecimal(12345.67, kDe), "12345,7"},
      {FormatOneDecimal(NAN, kUs), "NaN"}, {FormatWhole(0.5, kUs), "1"},
      {FormatWhole(-2.5, kDe), "-3"}, {FormatWhole(0.49999999999999994, kDe), "0"},
      {FormatIsoDate(day + 14.0 / 24), "2025-07-24"},
      {FormatIsoDate(day + (86400 - 0.4) / 86400), "2025-07-25"},
      {FormatHourMinute(late, kUs), "21:16"},  // the second is rounded first
      {FormatHourMinute(day + TimeSerial(10, 15, 59), kDe), "10:15"},
      {FormatHourMinuteSecond(late, kUs), "21:16:00"},
      {FormatHourMinuteSecond(early, kFi), "05.58.31"},
      {FormatHourMinute(early, QLocale(QLocale::Assamese, QLocale::India)), "05.58"},  // 12 h
      {FormatHourMinute(day, QLocale(QLocale::French, QLocale::Canada)), "00:00"},  // not 'h'
      {FormatHourMinute(-0.25, kUs), "18:00"}};
  for (const auto& [got, want] : cases) EXPECT_EQ(got, QString::fromUtf8(want));
}

TEST(DisplayPatterns, FollowTheDefaultLocaleAndEveryLocaleReadsBackItsOwn) {
  const QLocale saved;
  QLocale::setDefault(kDe);
  EXPECT_EQ(StrictNumber("46,2"), 46.2);
  EXPECT_EQ(FormatOneDecimal(151), "151,0");
  EXPECT_EQ(StrictDate("24.07.25 14:00"), DateSerial(2025, 7, 24) + TimeSerial(14, 0, 0));
  QLocale::setDefault(saved);

  const double moment = DateSerial(2025, 7, 24) + TimeSerial(6, 8, 13);
  for (const QLocale& l :
       QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
    SCOPED_TRACE(l.name().toStdString());
    for (double v : {-12.34, -0.04, 46.205556, 359.95}) {
      EXPECT_EQ(StrictNumber(FormatOneDecimal(v, l), l), StrictNumber(FormatOneDecimal(v, kUs)));
    }
    EXPECT_EQ(StrictDate(FormatHourMinuteSecond(moment, l), l), TimeSerial(6, 8, 13));
    EXPECT_EQ(StrictDate(FormatIsoDate(moment) + ' ' + FormatHourMinute(moment, l), l),
              moment - TimeSerial(0, 0, 13));
  }
}

double At(int y, int mo, int d, int h, int mi) {
  return DateSerial(y, mo, d) + TimeSerial(h, mi, 0);
}

TEST(TimeZone, NumbersAreFixedHoursAndNamesComeFromTheDatabase) {
  EXPECT_FALSE(StrictTimeZone(QStringLiteral("2")).isNamed());
  const double july = At(2025, 7, 1, 0, 0);
  EXPECT_EQ(StrictTimeZone(QStringLiteral(" -3,5 "), kDe).offsetAtUniversal(july), -3.5);
  EXPECT_EQ(StrictTimeZone(QStringLiteral("5.5")).offsetAtLocal(At(2025, 1, 1, 0, 0)), 5.5);
  const SiteZone zurich = StrictTimeZone(QStringLiteral(" Europe/Zurich "));
  EXPECT_EQ(zurich.name(), QStringLiteral("Europe/Zurich"));
  // Every name of the database is taken, links and the old names included.
  for (const char* name : {"Etc/UTC", "Etc/GMT+5", "CET", "EST5EDT", "US/Eastern", "Asia/Calcutta",
                           "Europe/Kiev", "UTC"}) {
    EXPECT_EQ(StrictTimeZone(QString::fromLatin1(name)).name(), QString::fromLatin1(name));
  }
  EXPECT_EQ(StrictTimeZone(QStringLiteral("Etc/GMT+5")).offsetAtUniversal(july), -5);
  // Files of the database's folder that are not zones, and names that would lead out of it.
  for (const char* bad : {"", "Mars/Olympus", "Europe/", "2 h", "zone.tab", "tzdata.zi",
                          "../zoneinfo/UTC", "/etc/localtime", "Europe//Zurich", "./UTC", "inf",
                          "abc"}) {
    EXPECT_EQ(ErrorOf([&] { StrictTimeZone(QString::fromLatin1(bad)); }),
              QStringLiteral("\"%1\" is neither hours nor a known time zone name").arg(bad));
  }
}

TEST(TimeZone, DaylightSavingChangesAtTheRightInstant) {
  // Zurich 2025: summer time from 30 March 01:00 to 26 October 01:00 universal time.
  const SiteZone zurich = StrictTimeZone(QStringLiteral("Europe/Zurich"));
  const struct { double ut; double hours; } universal[] = {
      {At(2025, 3, 30, 0, 59), 1}, {At(2025, 3, 30, 1, 0), 2},
      {At(2025, 10, 26, 0, 59), 2}, {At(2025, 10, 26, 1, 0), 1}, {At(2025, 7, 24, 12, 0), 2}};
  for (const auto& c : universal) EXPECT_EQ(zurich.offsetAtUniversal(c.ut), c.hours) << c.ut;

  // Local times: the skipped hour takes the winter offset, the repeated one the summer one.
  const struct { double local; double hours; } local[] = {
      {At(2025, 3, 30, 1, 59), 1}, {At(2025, 3, 30, 2, 30), 1}, {At(2025, 3, 30, 3, 0), 2},
      {At(2025, 10, 26, 1, 59), 2}, {At(2025, 10, 26, 2, 30), 2}, {At(2025, 10, 26, 3, 0), 1},
      {At(2025, 7, 24, 14, 0), 2}, {At(2025, 1, 15, 0, 0), 1}};
  for (const auto& c : local) EXPECT_EQ(zurich.offsetAtLocal(c.local), c.hours) << c.local;

  // The same year as a rule for a series: its two changes, and the same answers.
  const auto second = [](double serial) {
    return static_cast<std::int64_t>(std::llround((serial - kUnixEpochSerial) * 86400));
  };
  const site::ZoneRule rule =
      zurich.ruleBetween(second(At(2025, 1, 1, 0, 0)), second(At(2026, 1, 1, 0, 0)));
  EXPECT_TRUE(rule.changes());
  for (const auto& c : universal) EXPECT_EQ(rule.hoursAt(second(c.ut)), c.hours) << c.ut;
  for (const auto& c : local) {
    EXPECT_EQ(rule.universalOf(second(c.local)), second(c.local) - std::llround(c.hours * 3600))
        << c.local;
  }
  EXPECT_FALSE(StrictTimeZone(QStringLiteral("5.5")).ruleBetween(0, 1).changes());
}

}  // namespace
}  // namespace halvessa::text
