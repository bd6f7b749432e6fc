#include "text/dates.h"

#include <gtest/gtest.h>

#include <tuple>

#include "geometry/calendar.h"
#include "tests/text/conversion_support.h"

namespace halvessa::text {
namespace {

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

}  // namespace
}  // namespace halvessa::text
