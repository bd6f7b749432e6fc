#include "text/patterns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "geometry/calendar.h"
#include "tests/text/conversion_support.h"
#include "text/dates.h"
#include "text/numbers.h"

namespace halvessa::text {
namespace {

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

}  // namespace
}  // namespace halvessa::text
