#include "text/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <tuple>
#include <utility>

#include "geometry/calendar.h"
#include "tests/text/conversion_support.h"
#include "text/dates.h"

namespace halvessa::text {
namespace {

TEST(LenientNumber, TakesTheLongestLeadingNumberAndStaysFinite) {
  const double max = std::numeric_limits<double>::max();
  const std::pair<const char*, double> cases[] = {
      {"180abc", 180}, {"37%", 37}, {"46,2", 46}, {"  \t46.205556", 46.205556}, {"+.5", 0.5},
      {"-12.5e2x", -1250}, {"5.", 5}, {"5.e2", 500}, {"5e", 5}, {"5e+", 5}, {"1E-2", 0.01}, {"1.2.3", 1.2},
      {"1e999", max}, {"-1e999", -max}, {"0.00001e400", max}, {"1e-999", 0},
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

}  // namespace
}  // namespace halvessa::text
