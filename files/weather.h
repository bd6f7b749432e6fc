// Weather files read into site::Weather: the format recognised from the contents, each format's
// own time convention turned into intervals of universal time.
//
// - PVGIS TMY CSV: a header of "Latitude (decimal degrees): ...", "Longitude ...",
//   "Elevation (m): ..." and "Irradiance Time Offset (h): ...", the month-year table, then rows
//   under `time(UTC),T2m,...,G(h),Gb(n),Gd(h),...,WS10m,...` up to the first empty line (the
//   legend after it is skipped). A row stamped `YYYYMMDD:HHMM` (universal time) holds the hour
//   from its stamp; the offset says where in that hour the values stand (centreSeconds).
// - PVGIS TMY JSON: inputs.location.{latitude,longitude,elevation} and outputs.tmy_hourly, an
//   array of objects with the CSV's names ("time(UTC)", "G(h)", ...); the same convention, no
//   offset stated. Errors name the entry of tmy_hourly (from 1) in place of a line.
// - EPW: 8 header lines (LOCATION: latitude, longitude, time zone, elevation; DATA PERIODS with
//   one record an hour), then rows of year, month, day, hour 1-24, minute, flags, dry bulb
//   (field 7), ..., global, direct normal and diffuse horizontal (fields 14-16), ..., wind speed
//   (22), ..., albedo (33). Hour h holds the hour ending at h:00 in the standard time of the
//   LOCATION zone, taken as that zone says (a file whose rows follow another clock is read as
//   it states; the pipeline's check warns). A comment "Irradiance Time Offset (h): X" gives the
//   values' place relative to the hour's end. Missing: 9999 and above for irradiance, 99.9 for
//   the dry bulb, 999 for wind speed and albedo.
// - CSV: a header naming `time` and `ghi`, or two of `ghi`, `dni`, `dhi` (W/m²), optionally
//   `temp_air` (C), `wind_speed` (m/s), `albedo`, in any order (other columns, names in any
//   case, are skipped), so `halvessa-cli series --clearsky` output is one. `time` is ISO 8601
//   with its offset (`2025-07-24T12:00:00+02:00`, `Z`, a space for `T`, seconds optional) and
//   starts the row's interval, whose length is the step between the first two rows (1 s to 1 h).
//
// All formats: an empty field is an absent value (NaN); -0 reads as 0 and irradiance from -10
// W/m² up to 0 (a sensor's night offset) as 0. Rows must run on in time; a row may also go back
// to another year at a new month (a typical year, typicalYear), and later rows may leave out
// whole steps (a gap: no row is invented). A repeated or earlier time, a step that is not a
// multiple of the file's step, a date that does not exist (29 February of a year that is not a
// leap year), a value that is not a number or out of range are refused with one line naming the
// file, the line and the reason, as is a file that is not one of these formats, empty, binary,
// larger than kMaxWeatherBytes, with a line longer than kMaxWeatherLine or more rows than
// kMaxWeatherRows.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <variant>

#include "site/weather.h"

namespace halvessa::files {

inline constexpr qint64 kMaxWeatherBytes = 256LL << 20;
inline constexpr std::size_t kMaxWeatherLine = 4096;
inline constexpr std::size_t kMaxWeatherRows = 2'000'000;

// The weather, or the one-line message refusing it (starting with name, the file as the user
// named it).
using WeatherResult = std::variant<site::Weather, QString>;

// Reads the file at path; a missing file, a folder, a pipe or other non-regular file (never
// waited on) and a read failure are refused too (ReadRegularFile).
WeatherResult ReadWeather(const QString& path);
WeatherResult ParseWeather(const QByteArray& bytes, const QString& name);

}  // namespace halvessa::files
