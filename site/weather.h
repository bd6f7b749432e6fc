// A weather file's contents as values: the intervals of universal time it covers, each with the
// mean irradiance and weather over it, and what its header says of the site and its times. Plain
// data, read by files/weather.* and used by the energy pipeline.
//
// Absent values (a column the format lacks, an empty field, a "missing" code) are NaN; nothing
// else is. Irradiance the file does not give is left absent here: deriving it (the third of
// GHI, DNI, DHI from the other two, or all from GHI by a decomposition) needs the sun, which is
// the pipeline's part.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

namespace halvessa::site {

inline constexpr double kAbsent = std::numeric_limits<double>::quiet_NaN();

// One row: its interval and the means over it.
struct WeatherRow {
  std::int64_t start = 0;   // the interval's start, seconds of universal time since 1970-01-01 00:00
  std::int32_t length = 0;  // the interval's length in seconds (the file's step)
  double ghi = kAbsent;     // global horizontal irradiance, W/m²
  double dni = kAbsent;     // direct normal irradiance, W/m²
  double dhi = kAbsent;     // diffuse horizontal irradiance, W/m²
  double tempAir = kAbsent;    // air temperature, C
  double windSpeed = kAbsent;  // wind speed, m/s
  double albedo = kAbsent;     // ground reflectance, 0 to 1
};

enum class WeatherFormat { PvgisCsv, PvgisJson, Epw, PlainCsv };

constexpr std::string_view FormatName(WeatherFormat format) {
  switch (format) {
    case WeatherFormat::PvgisCsv: return "PVGIS TMY CSV";
    case WeatherFormat::PvgisJson: return "PVGIS TMY JSON";
    case WeatherFormat::Epw: return "EPW";
    case WeatherFormat::PlainCsv: break;
  }
  return "CSV";
}

// Which irradiance columns a file gives (bits of Weather::columns), whatever their values.
inline constexpr unsigned kGhi = 1, kDni = 2, kDhi = 4;

struct Weather {
  WeatherFormat format = WeatherFormat::PlainCsv;
  // The site its header states (NaN each when it states none): degrees north, degrees east,
  // metres above sea level.
  double latitude = kAbsent;
  double longitude = kAbsent;
  double elevation = kAbsent;
  // The time zone its times were written in, hours east of universal time: EPW's LOCATION zone,
  // the plain CSV's first offset, 0 for PVGIS's universal time.
  double zoneHours = kAbsent;
  // Where in each interval the file says its values stand, in seconds from the interval's
  // start (PVGIS's "Irradiance Time Offset"); NaN when it does not say.
  double centreSeconds = kAbsent;
  unsigned columns = 0;  // kGhi | kDni | kDhi, those given
  // True when the rows' years change at month boundaries while their times run on through the
  // year (a typical year made of months of different years): each row keeps its own year.
  bool typicalYear = false;
  std::vector<WeatherRow> rows;  // in the file's order: by time, years aside in a typical year
};

}  // namespace halvessa::site
