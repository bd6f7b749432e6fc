// Fuzz target: the strict and lenient conversions and the display patterns on arbitrary text,
// under the plain and a decimal-comma locale. A conversion either fails with ConversionError
// or gives a finite number; the patterns take whatever it gives.
#include <QLocale>
#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "geometry/calendar.h"
#include "text/convert.h"
#include "text/time_zone.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace halvessa;
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data),
                                         static_cast<qsizetype>(size));
  if (!std::isfinite(text::LenientNumber(text))) std::abort();
  for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany)}) {
    try {
      const double value = text::StrictNumber(text, locale);
      if (!std::isfinite(value)) std::abort();
      text::FormatOneDecimal(value, locale);
      text::FormatWhole(value, locale);
    } catch (const text::ConversionError&) {
    }
    bool date = false;
    try {
      const double serial = text::StrictDate(text, locale);
      date = true;
      if (!InCalendarRange(serial)) std::abort();
      text::FormatIsoDate(serial);
      text::FormatHourMinute(serial, locale);
      text::FormatHourMinuteSecond(serial, locale);
    } catch (const text::ConversionError&) {
    }
    if (text::IsDateOrTime(text, locale) != date) std::abort();
  }
  try {
    text::StrictTimeZone(text).offsetAtUniversal(45862.5);
  } catch (const text::ConversionError&) {
  }
  return 0;
}
