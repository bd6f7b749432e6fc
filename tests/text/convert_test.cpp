#include "text/convert.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <utility>

#include "geometry/calendar.h"

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

struct Read { const char* text; QLocale locale; double value; };

TEST(LenientNumber, TakesTheLongestLeadingNumberAndStaysFinite) {
  const double max = std::numeric_limits<double>::max();
  const std::pair<const char*, double> cases[] = {
      {"180abc", 180}, {"37%", 37}, {"46,2", 46}, {"  \t46.205556", 46.205556}, {"+.5", 0.5},
      {"-12.5e2x", -1250}, {"5.", 5}, {"5e", 5}, {"5e+", 5}, {"1E-2", 0.01}, {"1.2.3", 1.2},
      {"1e999", max}, {"-1e999", -max}, {"0.00001e400", max}, {"1e-999", 0},
      {"10000e-327", 1e-323}, {"0e999999", 0}, {"", 0}, {"abc", 0}, {"-", 0}, {"-.", 0},
      {"- 5", 0}, {"e5", 0}};
  for (const auto& [text, value] : cases) EXPECT_EQ(LenientNumber(text), value) << text;
}

TEST(StrictNumber, ReadsTheLocaleFormThenThePlainForm) {
  const Read cases[] = {{" 46.205556 ", kUs, 46.205556}, {"46.205556", kDe, 46.205556},
                        {"46.205", kDe, 46.205},  // "." groups in German, but not here
                        {"46,2", kDe, 46.2}, {"-6,5e1", kDe, -65}, {"+2", kUs, 2},
                        {"1e-999", kUs, 0}, {"\u22125,5", QLocale(QLocale::Swedish), -5.5}};
  for (const auto& c : cases) EXPECT_EQ(StrictNumber(c.text, c.locale), c.value) << c.text;
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

TEST(StrictDate, AcceptedForms) {
  const double day = DateSerial(2025, 7, 24);
  for (const QLocale& l : {kUs, kDe, QLocale::c()}) {
    EXPECT_EQ(StrictDate("2025-07-24 14:00", l), day + 14.0 / 24) << l.name().toStdString();
    EXPECT_EQ(StrictDate(" 2025-7-4 ", l), DateSerial(2025, 7, 4));
    EXPECT_EQ(StrictDate("9:05:07", l), TimeSerial(9, 5, 7));
    EXPECT_EQ(StrictDate("1899-12-29 18:00", l), -0.25);
  }
  const Read cases[] = {
      {"7/24/25", kUs, day}, {"07/24/2025 14:00", kUs, day + 14.0 / 24},
      {"12:30 AM", kUs, TimeSerial(0, 30, 0)}, {"12:30pm", kUs, TimeSerial(12, 30, 0)},
      {"1/1/30", kUs, DateSerial(1930, 1, 1)}, {"1/1/29", kUs, DateSerial(2029, 1, 1)},
      {"24.07.25 14:00", kDe, day + 14.0 / 24}, {"24.7.2025 14.00", kFi, day + 14.0 / 24},
      {"06.08.13", kFi, TimeSerial(6, 8, 13)},  // a time, not a date
      {"0100-01-01", kUs, kFirstSerial}, {"١٢:٣٠", kUs, TimeSerial(12, 30, 0)},
      {"9999-12-31 23:59:59", kUs, kEndSerial - 1 + TimeSerial(23, 59, 59)}};
  for (const auto& c : cases) EXPECT_EQ(StrictDate(c.text, c.locale), c.value) << c.text;
}

TEST(StrictDate, RejectedFormsNameTheText) {
  for (const char* bad : {"", "2025-13-40", "2025-02-29", "2025-07-24T14:00", "24:00", "14:60",
                          "14:5", "14:00:", "14", "7/24/5", "13:00 PM", "0:30 AM",
                          "14:00 2025-07-24", "2025-07-24 14:00 x", "1.5", "now", "24.07.25"}) {
    EXPECT_EQ(ErrorOf([&] { StrictDate(bad, kUs); }),
              QStringLiteral("\"%1\" is not a date or time").arg(QString::fromLatin1(bad)));
  }
  for (const char* far : {"0099-01-01", "10000-01-01", "1/1/0099"}) {
    EXPECT_EQ(ErrorOf([&] { StrictDate(far, kUs); }),
              QStringLiteral("\"%1\" is outside the years 100 to 9999").arg(far));
  }
}

TEST(Conversions, HostileTextNeverCrashesOrGivesANonFiniteValue) {
  for (const QString& t :
       {QString(1 << 20, '9'), QStringLiteral("1e") + QString(100000, '9'),
        QStringLiteral("0.") + QString(100000, '0') + '1', QString(100000, ' ') + '5',
        QStringLiteral("1 ").repeated(50000) + QStringLiteral("14:00"),
        QString(QChar(0)) + QStringLiteral("\x01\n\t\r\x7f"), QStringLiteral("+-.e//--..::"),
        QString(QChar(0xD800)), QStringLiteral("\xd8\xff")}) {
    SCOPED_TRACE(t.left(20).toStdString());
    EXPECT_TRUE(std::isfinite(LenientNumber(t)));
    try {
      EXPECT_TRUE(std::isfinite(StrictNumber(t, kDe)));
    } catch (const ConversionError& e) {
      EXPECT_LE(e.message().size(), 80);
    }
    try {
      EXPECT_TRUE(InCalendarRange(StrictDate(t, kDe)));
    } catch (const ConversionError& e) {
      EXPECT_LE(e.message().size(), 80);
    }
  }
}

TEST(RoundToInt16, HalvesToEvenAndFailsOutsideSixteenBits) {
  EXPECT_TRUE(RoundToInt16(10.5) == 10 && RoundToInt16(11.5) == 12);
  EXPECT_EQ(RoundToInt16(-32768.5), -32768);
  EXPECT_EQ(ErrorOf([] { RoundToInt16(32767.5); }),
            "32767.5 is too large for a whole number from -32768 to 32767");
  EXPECT_EQ(ErrorOf([] { RoundToInt16(-32769); }),
            "-32769 is too small for a whole number from -32768 to 32767");
  EXPECT_THROW(RoundToInt16(NAN), ConversionError);
}

TEST(DisplayPatterns, DecimalAndTimeSeparatorsOfTheLocale) {
  const double day = DateSerial(2025, 7, 24);
  const double late = day + (21 * 3600 + 15 * 60 + 59.99) / 86400;
  const double early = day + TimeSerial(5, 58, 31);
  const std::pair<QString, const char*> cases[] = {
      {FormatOneDecimal(0.25, kUs), "0.3"}, {FormatOneDecimal(-0.25, kDe), "-0,3"},
      {FormatOneDecimal(0.15, kUs), "0.1"}, {FormatOneDecimal(99.95, kDe), "100,0"},
      {FormatOneDecimal(-0.04, kUs), "-0.0"}, {FormatOneDecimal(-0.0, kUs), "0.0"},
      {FormatOneDecimal(12345.67, kDe), "12345,7"}, {FormatOneDecimal(NAN, kUs), "NaN"},
      {FormatWhole(0.5, kUs), "1"}, {FormatWhole(-2.5, kDe), "-3"}, {FormatWhole(37.4, kUs), "37"},
      {FormatWhole(0.49999999999999994, kDe), "0"},
      {FormatIsoDate(day + 14.0 / 24), "2025-07-24"},
      {FormatIsoDate(day + (86400 - 0.4) / 86400), "2025-07-25"},
      {FormatHourMinute(late, kUs), "21:16"},  // the second is rounded first
      {FormatHourMinute(day + TimeSerial(10, 15, 59), kDe), "10:15"},
      {FormatHourMinuteSecond(late, kUs), "21:16:00"},
      {FormatHourMinuteSecond(early, kDe), "05:58:31"},
      {FormatHourMinuteSecond(early, kFi), "05.58.31"},
      {FormatHourMinute(day, QLocale(QLocale::French, QLocale::Canada)), "00:00"},  // not 'h'
      {FormatHourMinute(-0.25, kUs), "18:00"}};
  for (const auto& [got, want] : cases) EXPECT_EQ(got, QString::fromUtf8(want));
  EXPECT_THROW(FormatIsoDate(kEndSerial), CalendarRangeError);
  EXPECT_THROW(FormatHourMinute(NAN, kUs), CalendarRangeError);
}

TEST(DisplayPatterns, FollowTheDefaultLocaleAndEveryLocaleReadsBackItsOwn) {
  const QLocale saved;
  QLocale::setDefault(kDe);
  EXPECT_EQ(StrictNumber("46,2"), 46.2);
  EXPECT_EQ(StrictNumber("46.205556"), 46.205556);
  EXPECT_EQ(FormatOneDecimal(151), "151,0");
  QLocale::setDefault(kUs);
  EXPECT_THROW(StrictNumber("46,2"), ConversionError);
  EXPECT_EQ(FormatOneDecimal(151), "151.0");
  EXPECT_EQ(StrictDate("7/24/25 2:00 PM"), DateSerial(2025, 7, 24) + TimeSerial(14, 0, 0));
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

TEST(ShortestNumber, ReadsBackToTheSameDouble) {
  EXPECT_EQ(ShortestNumber(189), "189");
  EXPECT_EQ(ShortestNumber(63.28013165356862), "63.28013165356862");
  EXPECT_EQ(ShortestNumber(INFINITY), "inf");
  std::mt19937_64 random(7);
  for (int i = 0; i < 1000; ++i) {
    const double v =
        std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 200) - 150);
    const std::string s = ShortestNumber(v);
    double back = 0;
    std::from_chars(s.data(), s.data() + s.size(), back);
    ASSERT_EQ(back, v) << s;
    ASSERT_EQ(LenientNumber(QString::fromStdString(s)), v) << s;
  }
}

}  // namespace
}  // namespace halvessa::text
