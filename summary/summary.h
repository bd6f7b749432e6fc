// What a site's panels get over a day, a month, a year, and the orientation that would get the
// most: sums by the rectangle rule over the moments of a grid of real-time steps, each moment
// computed exactly as the one-moment routines compute it. Plain C++, no Qt.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "clearsky/clearsky.h"
#include "site/site.h"
#include "series/engine.h"
#include "series/grid.h"
#include "site/zone_rule.h"

namespace halvessa::summary {

struct Site {
  double latitude = 0;
  double longitude = 0;
  std::array<PanelGeometry, kPanelCount> panels{};
  clearsky::Atmosphere atmosphere{};
  double albedo = 0.2;
};

// Which of the site's panels are in use, and their planes' factors for the clear sky.
std::array<bool, kPanelCount> InUseOf(const Site& site);
std::array<clearsky::PlaneFactors, kPanelCount> PlanesOf(const Site& site);

// The clear sky of a block the engine has computed: the irradiance and each panel's plane.
void ComputeSky(const series::Block& block, const clearsky::SolisModel& model,
                const std::array<clearsky::PlaneFactors, kPanelCount>& planes,
                const std::array<bool, kPanelCount>& inUse, series::SkyBlock& sky);

struct PanelTotals {
  double peakProduction = 0;       // percent, the largest of the moments
  std::int64_t peakLocalSecond = 0;  // local time of its first moment (seconds since 1970)
  std::int64_t peakOffsetSecond = 0;
  double productionHours = 0;  // (sum of production / 100) x step in hours
  double irradiation = 0;      // (sum of plane irradiance) x step in hours / 1000, kWh/m2
};

struct Totals {
  std::int64_t moments = 0;
  double sunHours = 0;  // (moments with the sun above the horizon) x step in hours
  std::array<PanelTotals, kPanelCount> panels{};
};

// The sums over the moments of a grid. progress (may be empty) gets the fraction done.
Totals SumOver(const Site& site, const site::ZoneRule& zone, const series::TimeGrid& grid,
               const std::function<void(double)>& progress = {});

// A local day: from its midnight to the next, 23 or 25 hours on a daylight saving day.
struct DaySummary {
  double sunrise = 0;  // local day serials, as SunriseSunset gives them at the day's noon offset
  double sunset = 0;
  double noonOffsetHours = 0;
  std::int64_t fromUniversal = 0;  // the day's midnight, seconds of universal time
  double hours = 0;                // the day's length
  Totals totals;
};

// daySerial: the local date (its time of day is ignored). Throws CalendarRangeError when the
// day's moments leave years 100 to 9999.
DaySummary SummarizeDay(const Site& site, const site::ZoneRule& zone, double daySerial,
                        std::int64_t stepSeconds);

// A year by months; the year's totals add the months'.
struct YearSummary {
  std::array<Totals, 12> months;
  Totals year;
};

YearSummary SummarizeYear(const Site& site, const site::ZoneRule& zone, int year,
                          std::int64_t stepSeconds, const std::function<void(double)>& progress = {});

// The orientation that gets the most clear-sky irradiation on its plane over a year.
struct BestOrientation {
  PanelGeometry best;  // azimuth 0..359, tilt 0..90, whole degrees
  double irradiation = 0;  // kWh/m2 over the year, through the exact path
  std::array<double, kPanelCount> panelIrradiation{};  // the site's panels, the same way
};

// A fixed tilt or azimuth (whole degrees) keeps the search to the other; NaN leaves both free.
// Searches coarse to fine on both cores.
BestOrientation FindBest(const Site& site, const site::ZoneRule& zone, int year,
                         std::int64_t stepSeconds, double fixedTilt, double fixedAzimuth,
                         const std::function<void(double)>& progress = {});

// The grid of a local span: from the local midnight of fromDay to that of toDay.
series::TimeGrid LocalDaysGrid(const site::ZoneRule& zone, double fromDay, double toDay,
                               std::int64_t stepSeconds);

}  // namespace halvessa::summary
