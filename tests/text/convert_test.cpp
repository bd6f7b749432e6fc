#include "text/convert.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>

#include "geometry/calendar.h"

namespace halvessa::text {
namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kDe(QLocale::German, QLocale::Germany);
const QLocale kFi(QLocale::Finnish, QLocale::Finland);  // "." between hours and minutes

// The message of the ConversionError that call throws, or "no error".
template <typename Call>
QString ErrorOf(Call call) {
  try {
    call();
  } catch (const ConversionError& e) {
    return e.message();
  }
  return QStringLiteral("no error");
}

// Texts that must never crash, hang or produce a non-finite value.
std::vector<QString> HostileTexts() {
  return {QStringLiteral("9").repeated(1 << 20),
          QStringLiteral("1e") + QStringLiteral("9").repeated(100000),
          QStringLiteral("0.") + QStringLiteral("0").repeated(100000) + QStringLiteral("1"),
          QStringLiteral(" ").repeated(100000) + QStringLiteral("5"),
          QStringLiteral("1 ").repeated(50000) + QStringLiteral("14:00"),
          QString(QChar(0)) + QStringLiteral("\x01\n\t\r\x7f"),
          QStringLiteral("...."), QStringLiteral("::::"), QStringLiteral("--"),
          QStringLiteral("+-.e"), QStringLiteral("//--.."), QStringLiteral("\xd8\xff"),
          QString(QChar(0xD800)), QStringLiteral("١٢:٣٠"), QStringLiteral("e5")};
}

class DefaultLocale : public ::testing::Test {
 protected:
  void TearDown() override { QLocale::setDefault(saved_); }
  QLocale saved_;
};

TEST(LenientNumber, TakesTheLongestLeadingNumber) {
  EXPECT_EQ(LenientNumber("180abc"), 180);
  EXPECT_EQ(LenientNumber("37%"), 37);
  EXPECT_EQ(LenientNumber("46,2"), 46);
  EXPECT_EQ(LenientNumber("  \t46.205556"), 46.205556);
  EXPECT_EQ(LenientNumber("-12.5e2x"), -1250);
  EXPECT_EQ(LenientNumber("+.5"), 0.5);
  EXPECT_EQ(LenientNumber("5."), 5);
  EXPECT_EQ(LenientNumber("5e"), 5);
  EXPECT_EQ(LenientNumber("5e+"), 5);
  EXPECT_EQ(LenientNumber("1E-2"), 0.01);
  EXPECT_EQ(LenientNumber("1e0005"), 1e5);
  EXPECT_EQ(LenientNumber("1.2.3"), 1.2);
  for (const char* none : {"", "abc", "-", "+", ".", "-.", "- 5", "e5", "x12"}) {
    EXPECT_EQ(LenientNumber(none), 0) << none;
  }
}

TEST(LenientNumber, StaysFiniteBeyondTheRangeOfDouble) {
  const double max = std::numeric_limits<double>::max();
  EXPECT_EQ(LenientNumber("1e999"), max);
  EXPECT_EQ(LenientNumber("-1e999"), -max);
  EXPECT_EQ(LenientNumber("0.00001e400"), max);
  EXPECT_EQ(LenientNumber("1e-999"), 0);
  EXPECT_EQ(LenientNumber("10000e-327"), 1e-323);  // a subnormal survives
  EXPECT_EQ(LenientNumber("0e999999"), 0);
  for (const QString& t : HostileTexts()) EXPECT_TRUE(std::isfinite(LenientNumber(t)));
}

TEST(StrictNumber, ReadsTheLocaleFormAndThePlainForm) {
  EXPECT_EQ(StrictNumber(" 46.205556 ", kUs), 46.205556);
  EXPECT_EQ(StrictNumber("46.205556", kDe), 46.205556);
  EXPECT_EQ(StrictNumber("46.205", kDe), 46.205);  // "." groups in German, but not here
  EXPECT_EQ(StrictNumber("46,2", kDe), 46.2);
  EXPECT_EQ(StrictNumber("-6,5e1", kDe), -65);
  EXPECT_EQ(StrictNumber("1e-999", kUs), 0);
  EXPECT_EQ(StrictNumber("+2", kUs), 2);
  EXPECT_EQ(StrictNumber("\u22125,5", QLocale(QLocale::Swedish, QLocale::Sweden)), -5.5);
}

TEST(StrictNumber, RejectsWhatIsNotAFiniteNumber) {
  for (const QLocale& l : {kUs, kDe, QLocale::c()}) {
    for (const char* bad : {"", "   ", "abc", "1.2.3", "nan", "inf", "-inf", "12abc", "1,5,3",
                            "1.234,5", "--1", "1e", "."}) {
      EXPECT_EQ(ErrorOf([&] { StrictNumber(bad, l); }),
                QStringLiteral("\"%1\" is not a number").arg(QString::fromLatin1(bad)))
          << bad << " " << l.name().toStdString();
    }
  }
  EXPECT_EQ(ErrorOf([] { StrictNumber("46,2", kUs); }), "\"46,2\" is not a number");
  EXPECT_EQ(ErrorOf([] { StrictNumber("1,234", kUs); }), "\"1,234\" is not a number");
  EXPECT_EQ(ErrorOf([] { StrictNumber("1e999", kUs); }), "\"1e999\" is too large a number");
  EXPECT_EQ(ErrorOf([] { StrictNumber("1,5e999", kDe); }), "\"1,5e999\" is too large a number");
}

TEST(StrictNumber, MessagesStayShortAndOnOneLine) {
  const QString long_text = QStringLiteral("x").repeated(1 << 20);
  EXPECT_EQ(ErrorOf([&] { StrictNumber(long_text, kUs); }),
            QStringLiteral("\"%1…\" is not a number").arg(QStringLiteral("x").repeated(40)));
  const QString message = ErrorOf([] { StrictNumber("a\nb\x01", kUs); });
  EXPECT_FALSE(message.contains(QLatin1Char('\n')));
  EXPECT_TRUE(message.startsWith(QStringLiteral("\"a\uFFFDb\uFFFD\"")));
  for (const QString& t : HostileTexts()) {
    try {
      EXPECT_TRUE(std::isfinite(StrictNumber(t, kDe)));
    } catch (const ConversionError& e) {
      EXPECT_LE(e.message().size(), 80);
    }
  }
}

TEST_F(DefaultLocale, StrictNumberAndFormatsFollowTheDefaultLocale) {
  QLocale::setDefault(kDe);
  EXPECT_EQ(StrictNumber("46,2"), 46.2);
  EXPECT_EQ(StrictNumber("46.205556"), 46.205556);
  EXPECT_EQ(FormatOneDecimal(151), "151,0");
  QLocale::setDefault(kUs);
  EXPECT_THROW(StrictNumber("46,2"), ConversionError);
  EXPECT_EQ(FormatOneDecimal(151), "151.0");
  EXPECT_EQ(StrictDate("7/24/25 2:00 PM"), DateSerial(2025, 7, 24) + TimeSerial(14, 0, 0));
}

TEST(StrictDate, ReadsIsoAndLocaleDatesAndTimes) {
  const double day = DateSerial(2025, 7, 24);
  for (const QLocale& l : {kUs, kDe, QLocale::c()}) {
    EXPECT_EQ(StrictDate("2025-07-24 14:00", l), day + 14.0 / 24.0);
    EXPECT_EQ(StrictDate(" 2025-7-4 ", l), DateSerial(2025, 7, 4));
    EXPECT_EQ(StrictDate("14:00", l), TimeSerial(14, 0, 0));
    EXPECT_EQ(StrictDate("9:05:07", l), TimeSerial(9, 5, 7));
    EXPECT_EQ(StrictDate("0:00", l), 0);
    EXPECT_EQ(StrictDate("23:59:59", l), TimeSerial(23, 59, 59));
    EXPECT_EQ(StrictDate("2024-02-29  06:08:13", l),
              DateSerial(2024, 2, 29) + TimeSerial(6, 8, 13));
    EXPECT_EQ(StrictDate("1899-12-29 18:00", l), -0.25);
  }
  EXPECT_EQ(StrictDate("7/24/25", kUs), day);
  EXPECT_EQ(StrictDate("07/24/2025 14:00", kUs), day + 14.0 / 24.0);
  EXPECT_EQ(StrictDate("12:30 AM", kUs), TimeSerial(0, 30, 0));
  EXPECT_EQ(StrictDate("12:30pm", kUs), TimeSerial(12, 30, 0));
  EXPECT_EQ(StrictDate("1/1/30", kUs), DateSerial(1930, 1, 1));
  EXPECT_EQ(StrictDate("1/1/29", kUs), DateSerial(2029, 1, 1));
  EXPECT_EQ(StrictDate("24.07.25 14:00", kDe), day + 14.0 / 24.0);
  EXPECT_EQ(StrictDate("24.7.2025", kDe), day);
  EXPECT_EQ(StrictDate("24.7.2025 14.00", kFi), day + 14.0 / 24.0);
  EXPECT_EQ(StrictDate("06.08.13", kFi), TimeSerial(6, 8, 13));  // a time, not a date
}

TEST(StrictDate, RejectsWithAMessageThatNamesTheText) {
  for (const char* bad : {"", "2025-13-40", "2025-02-29", "2025-07-24T14:00", "24:00", "14:60",
                          "14:5", "14:00:5", "14:00:", "14", "25-07-24", "7/24/5", "13:00 PM",
                          "0:30 AM", "14:00 2025-07-24", "2025-07-24 14:00 x", "1.5", "now",
                          "24.07.25", "14.00"}) {
    EXPECT_EQ(ErrorOf([&] { StrictDate(bad, kUs); }),
              QStringLiteral("\"%1\" is not a date or time").arg(QString::fromLatin1(bad)))
        << bad;
  }
  for (const char* far : {"0099-01-01", "10000-01-01", "0099-01-01 14:00", "1/1/0099"}) {
    EXPECT_EQ(ErrorOf([&] { StrictDate(far, kUs); }),
              QStringLiteral("\"%1\" is outside the years 100 to 9999")
                  .arg(QString::fromLatin1(far)));
  }
  EXPECT_EQ(StrictDate("0100-01-01", kUs), kFirstSerial);
  EXPECT_EQ(StrictDate("9999-12-31 23:59:59", kUs), kEndSerial - 1 + TimeSerial(23, 59, 59));
  EXPECT_EQ(StrictDate(QStringLiteral("١٢:٣٠"), kUs), TimeSerial(12, 30, 0));  // other digits
  for (const QString& t : HostileTexts()) {
    try {
      EXPECT_TRUE(InCalendarRange(StrictDate(t, kDe)));
    } catch (const ConversionError& e) {
      EXPECT_LE(e.message().size(), 80);
    }
  }
}

TEST(RoundToInt16, RoundsHalvesToEvenWithinSixteenBits) {
  EXPECT_EQ(RoundToInt16(10.5), 10);
  EXPECT_EQ(RoundToInt16(11.5), 12);
  EXPECT_EQ(RoundToInt16(-2.5), -2);
  EXPECT_EQ(RoundToInt16(32767.4), 32767);
  EXPECT_EQ(RoundToInt16(-32768.5), -32768);
  EXPECT_EQ(ErrorOf([] { RoundToInt16(40000); }),
            "40000 is too large for a whole number from -32768 to 32767");
  EXPECT_EQ(ErrorOf([] { RoundToInt16(32767.5); }),
            "32767.5 is too large for a whole number from -32768 to 32767");
  EXPECT_EQ(ErrorOf([] { RoundToInt16(-32769); }),
            "-32769 is too small for a whole number from -32768 to 32767");
  EXPECT_THROW(RoundToInt16(std::nan("")), ConversionError);
  EXPECT_THROW(RoundToInt16(-INFINITY), ConversionError);
}

TEST(FormatNumbers, RoundHalvesAwayFromZeroOnTheExactValue) {
  EXPECT_EQ(FormatOneDecimal(0.25, kUs), "0.3");
  EXPECT_EQ(FormatOneDecimal(-0.25, kUs), "-0.3");
  EXPECT_EQ(FormatOneDecimal(12.345, kUs), "12.3");
  EXPECT_EQ(FormatOneDecimal(123, kUs), "123.0");
  EXPECT_EQ(FormatOneDecimal(0.15, kUs), "0.1");   // 0.1499999999999999944...
  EXPECT_EQ(FormatOneDecimal(0.45, kUs), "0.5");   // 0.4500000000000000111...
  EXPECT_EQ(FormatOneDecimal(99.95, kUs), "100.0");
  EXPECT_EQ(FormatOneDecimal(-0.04, kUs), "-0.0");
  EXPECT_EQ(FormatOneDecimal(-0.0, kUs), "0.0");
  EXPECT_EQ(FormatOneDecimal(5e-324, kUs), "0.0");
  EXPECT_EQ(FormatOneDecimal(1e20, kUs), "100000000000000000000.0");
  EXPECT_EQ(FormatOneDecimal(12345.67, kDe), "12345,7");
  EXPECT_EQ(FormatOneDecimal(std::numeric_limits<double>::max(), kUs).size(), 311);
  EXPECT_EQ(FormatWhole(0.4, kUs), "0");
  EXPECT_EQ(FormatWhole(0.5, kUs), "1");
  EXPECT_EQ(FormatWhole(0.6, kDe), "1");
  EXPECT_EQ(FormatWhole(2.5, kUs), "3");
  EXPECT_EQ(FormatWhole(-2.5, kUs), "-3");
  EXPECT_EQ(FormatWhole(37.4, kUs), "37");
  EXPECT_EQ(FormatWhole(0.49999999999999994, kUs), "0");
  EXPECT_EQ(FormatOneDecimal(std::nan(""), kUs), "NaN");
  EXPECT_EQ(FormatWhole(-INFINITY, kUs), "-Inf");
}

TEST(FormatTimes, TakeTheNearestSecondFirst) {
  const double day = DateSerial(2025, 7, 24);
  const double late = day + (21 * 3600 + 15 * 60 + 59.99) / 86400;
  EXPECT_EQ(FormatIsoDate(day + 14.0 / 24), "2025-07-24");
  EXPECT_EQ(FormatIsoDate(kFirstSerial), "0100-01-01");
  EXPECT_EQ(FormatHourMinute(late, kUs), "21:16");
  EXPECT_EQ(FormatHourMinuteSecond(late, kUs), "21:16:00");
  EXPECT_EQ(FormatHourMinute(day + TimeSerial(10, 15, 59), kUs), "10:15");
  EXPECT_EQ(FormatHourMinuteSecond(day + TimeSerial(5, 58, 31), kFi), "05.58.31");
  EXPECT_EQ(FormatHourMinute(-0.25, kDe), "18:00");
  EXPECT_EQ(FormatIsoDate(-0.25), "1899-12-29");
  const double almost_midnight = day + (86400 - 0.4) / 86400;
  EXPECT_EQ(FormatHourMinuteSecond(almost_midnight, kUs), "00:00:00");
  EXPECT_EQ(FormatIsoDate(almost_midnight), "2025-07-25");
  EXPECT_THROW(FormatIsoDate(kEndSerial), CalendarRangeError);
  EXPECT_THROW(FormatHourMinute(std::nan(""), kUs), CalendarRangeError);
}

TEST(FormatTimes, TimeSeparatorComesFromTheLocale) {
  EXPECT_EQ(TimeSeparator(kUs), ":");
  EXPECT_EQ(TimeSeparator(kDe), ":");
  EXPECT_EQ(TimeSeparator(kFi), ".");
  EXPECT_EQ(TimeSeparator(QLocale::c()), ":");
  EXPECT_EQ(TimeSeparator(QLocale(QLocale::French, QLocale::Canada)), ":");  // "HH 'h' mm"
}

TEST(RoundTrips, EveryLocaleReadsBackItsOwnPatterns) {
  const double moment = DateSerial(2025, 7, 24) + TimeSerial(6, 8, 13);
  for (const QLocale& l :
       QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
    SCOPED_TRACE(l.name().toStdString());
    for (double v : {-12.34, -0.04, 0.05, 46.205556, 359.95}) {
      const double expected = StrictNumber(FormatOneDecimal(v, kUs), kUs);
      EXPECT_EQ(StrictNumber(FormatOneDecimal(v, l), l), expected);
    }
    EXPECT_EQ(StrictNumber(l.toString(-12.5), l), -12.5);
    EXPECT_EQ(StrictDate(FormatHourMinuteSecond(moment, l), l), TimeSerial(6, 8, 13));
    EXPECT_EQ(StrictDate(FormatIsoDate(moment) + ' ' + FormatHourMinute(moment, l), l),
              moment - TimeSerial(0, 0, 13));
  }
}

TEST(RoundTrips, RandomValuesSurviveFormatAndStrictConversion) {
  std::mt19937_64 random(20250724);
  std::uniform_real_distribution<double> angle(-400, 400);
  std::uniform_int_distribution<int> second(0, 86399);
  std::uniform_int_distribution<int> date(static_cast<int>(kFirstSerial), 2958465);
  for (const QLocale& l : {kUs, kDe, kFi}) {
    for (int i = 0; i < 300; ++i) {
      const double v = angle(random);
      EXPECT_NEAR(StrictNumber(FormatOneDecimal(v, l), l), v, 0.05 + 1e-12);
      EXPECT_EQ(StrictNumber(FormatWhole(v, l), l), std::round(v));
      const double moment = date(random) + second(random) / 86400.0;
      const QString shown = FormatIsoDate(moment) + ' ' + FormatHourMinuteSecond(moment, l);
      EXPECT_EQ(FormatIsoDate(StrictDate(shown, l)) + ' ' +
                    FormatHourMinuteSecond(StrictDate(shown, l), l),
                shown);
    }
  }
}

TEST(ShortestNumber, ReadsBackToTheSameDouble) {
  EXPECT_EQ(ShortestNumber(189), "189");
  EXPECT_EQ(ShortestNumber(63.28013165356862), "63.28013165356862");
  EXPECT_EQ(ShortestNumber(-0.5), "-0.5");
  EXPECT_EQ(ShortestNumber(INFINITY), "inf");
  std::mt19937_64 random(7);
  for (int i = 0; i < 1000; ++i) {
    const double v =
        std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 200) - 150);
    const std::string s = ShortestNumber(v);
    double back = 0;
    std::from_chars(s.data(), s.data() + s.size(), back);
    EXPECT_EQ(back, v) << s;
    EXPECT_EQ(LenientNumber(QString::fromStdString(s)), v) << s;
  }
}

}  // namespace
}  // namespace halvessa::text
