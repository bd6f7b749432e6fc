// Day serials and the calendar operations the solar geometry needs.
//
// A day serial is a double counting days since 1899-12-30 00:00. The day is its floor
// and the time of day its fraction, on one continuous scale: -0.25 is 1899-12-29 18:00.
// The calendar is the proleptic Gregorian one, limited to the years 100 to 9999; an
// operation whose result would leave that range throws CalendarRangeError.
#pragma once

#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace halvessa {

class CalendarRangeError : public std::range_error {
 public:
  CalendarRangeError();
};

// Serial of 0100-01-01 00:00, the first moment of the calendar.
inline constexpr double kFirstSerial = -657434.0;
// Serial of 10000-01-01 00:00, the first moment past the calendar.
inline constexpr double kEndSerial = 2958466.0;

struct DateParts {
  int year;
  int month;   // 1 to 12
  int day;     // 1 to 31
  int hour;    // 0 to 23
  int minute;  // 0 to 59
  int second;  // 0 to 59
};

// True when serial lies within years 100 to 9999 (a NaN does not).
bool InCalendarRange(double serial);

// Throws CalendarRangeError unless InCalendarRange(serial); returns serial.
double CheckedSerial(double serial);

// Serial of y-m-d at 00:00; throws when the date is not a valid date of years 100 to 9999.
double DateSerial(int year, int month, int day);

// Serial fraction of h:m:s (may exceed one day for large arguments; not range checked).
double TimeSerial(int hour, int minute, int second);

// A time zone's offset in whole seconds: hours east of universal time times 3600, rounded to
// the nearest second (halves away from zero). The one rounding every conversion between local
// and universal time uses.
std::int64_t ZoneOffsetSeconds(double hours);

// Universal time of a local serial under a zone of so many hours east: the local time moved by
// the zone's exact offset (ZoneOffsetSeconds), worked in seconds from the day's start with the
// time of day first taken to the millisecond, so that a shift leaves the time of day exact:
// 14:00 at +2 is 12:00, not 11:59:59.9999. Throws when the serial or the result leaves the
// calendar, and for a zone too large to be an offset.
double UniversalOfLocal(double serial, double hours);

// Year, month, day, hour, minute, second of a serial, with the time of day first taken to the
// nearest second (23:59:59.6 becomes 00:00:00 of the next day). Throws outside the calendar.
DateParts SerialToParts(double serial);

// The date part: the day of the serial, at 00:00.
double DatePart(double serial);

// Serial of 1970-01-01 00:00, where the system clock counts from.
inline constexpr double kUnixEpochSerial = 25569.0;

// A moment of the system clock, in milliseconds since 1970-01-01 00:00 universal time, as a
// day serial of universal time. Not range checked.
double SerialFromUnixMilliseconds(long long milliseconds);

// The day serial of a second counted from 1970-01-01 00:00 universal or local time: the bits
// of SerialFromUnixMilliseconds for its milliseconds.
double SerialOfSecond(std::int64_t second);
// The day counted from 1970-01-01 (0 for that day, -1 for the one before) of a second counted
// from 1970-01-01 00:00: the quotient rounded toward minus infinity.
inline std::int64_t DayOfSecond(std::int64_t second) {
  const std::int64_t q = second / 86400;
  return q * 86400 > second ? q - 1 : q;
}
// The second counted from 1970-01-01 00:00 of a whole-day serial (its date at 00:00).
std::int64_t SecondOfDay(double daySerial);

// The serial with its time of day taken to the nearest whole second (23:59:59.6 becomes
// 00:00:00 of the next day), as "hh:mm:ss" shows it.
double RoundToSecond(double serial);

// Round to the nearest integer, a half going to the even neighbour (the default rounding
// mode). Inline: the solar geometry calls it on its hot path.
inline double RoundHalfEven(double value) { return std::nearbyint(value); }

}  // namespace halvessa
