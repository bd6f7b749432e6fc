#include "calendar.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace halvessa {

CalendarRangeError::CalendarRangeError()
    : std::range_error("date outside the calendar (years 100 to 9999)") {}

namespace {

// Days from 1970-01-01 to y-m-d in the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
  int year;
  unsigned month;
  unsigned day;
};

Civil CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(y + (m <= 2)), m, d};
}

// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kSerialEpochDays = -25569;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// std::round for a value not below zero (halves away from zero, that is upward), without the
// library call: the difference from the floor is exact for every double.
double RoundNonNegative(double v) {
  const double whole = std::floor(v);
  return v - whole >= 0.5 ? whole + 1.0 : whole;
}

int DaysInMonth(int y, int m) {
  // at() rather than [] so that a month the callers failed to check cannot read past the table.
  static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays.at(static_cast<std::size_t>(m - 1));
}

}  // namespace

bool InCalendarRange(double serial) { return serial >= kFirstSerial && serial < kEndSerial; }

double CheckedSerial(double serial) {
  if (!InCalendarRange(serial)) throw CalendarRangeError();
  return serial;
}

double DateSerial(int year, int month, int day) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    throw CalendarRangeError();
  }
  return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month),
                                           static_cast<unsigned>(day)) -
                             kSerialEpochDays);
}

double TimeSerial(int hour, int minute, int second) {
  return (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

namespace {

// Beyond this many hours an offset would leave the calendar from any date (and would not fit
// the seconds' integer).
constexpr double kLargestOffsetHours = 24.0 * 366.0 * 10000.0;

}  // namespace

std::int64_t ZoneOffsetSeconds(double hours) {
  if (!(std::abs(hours) <= kLargestOffsetHours)) throw CalendarRangeError();
  return std::llround(hours * 3600.0);
}

double UniversalOfLocal(double serial, double hours) {
  CheckedSerial(serial);
  const double offset = static_cast<double>(ZoneOffsetSeconds(hours));
  const double day = std::floor(serial);
  const double seconds = RoundNonNegative((serial - day) * 86400.0 * 1000.0) / 1000.0;
  return CheckedSerial(day + (seconds - offset) / 86400.0);
}

DateParts SerialToParts(double serial) {
  CheckedSerial(serial);
  auto day = static_cast<std::int64_t>(std::floor(serial));
  const double fraction = serial - std::floor(serial);
  auto seconds = static_cast<std::int64_t>(RoundNonNegative(fraction * 86400.0));
  if (seconds >= 86400) {
    seconds -= 86400;
    ++day;
  }
  const Civil c = CivilFromDays(day + kSerialEpochDays);
  if (c.year > 9999) throw CalendarRangeError();
  return {c.year,
          static_cast<int>(c.month),
          static_cast<int>(c.day),
          static_cast<int>(seconds / 3600),
          static_cast<int>(seconds / 60 % 60),
          static_cast<int>(seconds % 60)};
}

double DatePart(double serial) { return std::floor(CheckedSerial(serial)); }

double SerialFromUnixMilliseconds(long long milliseconds) {
  // Whole days and the milliseconds of the day apart, so that the fraction keeps its digits.
  long long days = milliseconds / 86400000LL;
  long long rest = milliseconds % 86400000LL;
  if (rest < 0) {
    rest += 86400000LL;
    days -= 1;
  }
  return kUnixEpochSerial + static_cast<double>(days) + static_cast<double>(rest) / 86400000.0;
}

double SerialOfSecond(std::int64_t second) {
  // The same rational as the milliseconds give, so the same correctly rounded quotient.
  return SerialFromUnixMilliseconds(second * 1000);
}

std::int64_t SecondOfDay(double daySerial) {
  return static_cast<std::int64_t>(std::floor(daySerial) - kUnixEpochSerial) * 86400;
}

double RoundToSecond(double serial) {
  const double day = std::floor(serial);
  return day + std::round((serial - day) * 86400.0) / 86400.0;
}

}  // namespace halvessa
