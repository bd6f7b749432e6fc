// What a site's panels get over a day, a month, a year, and the orientation that would get the
// most: sums by the rectangle rule over the moments of a grid of real-time steps, each moment
// computed exactly as the one-moment routines compute it. Plain C++, no Qt.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "pipeline/pipeline.h"
#include "series/grid.h"
#include "site/site.h"
#include "site/weather.h"
#include "site/zone_rule.h"

namespace halvessa::summary {

// A site, its panels and its sky: what the pipeline computes with.
using Site = pipeline::Setup;

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

// Sums the blocks of a grid's clear sky as they come (in order), for the totals of Totals.
class TotalsSink {
 public:
  explicit TotalsSink(const std::array<bool, kPanelCount>& inUse) : inUse_(inUse) {}
  void add(const pipeline::Block& block);
  Totals totals(const series::TimeGrid& grid) const;

 private:
  std::array<bool, kPanelCount> inUse_;
  std::int64_t sunUp_ = 0;
  std::array<double, kPanelCount> production_{};
  std::array<double, kPanelCount> irradiance_{};
  Totals totals_;
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
// also (may be empty) gets each block of the day's moments, computed once for both.
DaySummary SummarizeDay(const Site& site, const site::ZoneRule& zone, double daySerial,
                        std::int64_t stepSeconds, const pipeline::BlockSink& also = {});

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

// What a weather file's rows bring, summed: each panel's light on its plane and its energy.
struct PanelEnergy {
  double poa = 0;  // plane irradiation before the cover, kWh/m2
  double dc = 0;   // kWh, after the system losses
  double ac = 0;   // kWh
};

struct EnergyTotals {
  std::array<PanelEnergy, kPanelCount> panels{};
  double ac = 0;            // the system's AC, kWh
  double hours = 0;         // the hours the rows cover
  std::int64_t rows = 0;
  std::int64_t missing = 0;  // rows whose light was absent, taken as none
};

struct EnergyYear {
  std::array<EnergyTotals, 12> months{};  // by the local month of each row's start
  EnergyTotals year;
};

// The sums of the weather's rows through the whole chain, months by display's local time; with
// power false, only each plane's light (poa) and the rows (dc and ac stay 0).
EnergyYear SumWeather(const Site& site, const site::Weather& weather, double shiftSeconds,
                      const site::ZoneRule& display, const std::function<void(double)>& progress = {},
                      bool power = true);

// kWh per kWp of the panels in use, and the performance ratio: AC over what their kWp would
// give at 1 kW/m2 of their plane's light (0 without light).
double SpecificYield(const Site& site, const EnergyTotals& t);
double PerformanceRatio(const Site& site, const EnergyTotals& t);
double PanelPerformanceRatio(const Site& site, const EnergyTotals& t, int panel);
// One panel's kWh per kWp.
double PanelSpecificYield(const Site& site, const EnergyTotals& t, int panel);

// The orientation that gets the most plane irradiation over the weather's rows (with the
// site's horizon and transposition); irradiation and panelIrradiation are the exact sums of
// the chain, kWh/m2.
BestOrientation FindBestWeather(const Site& site, const site::Weather& weather,
                                double shiftSeconds, double fixedTilt, double fixedAzimuth,
                                const std::function<void(double)>& progress = {});

// The grid of a local span: from the local midnight of fromDay to that of toDay.
series::TimeGrid LocalDaysGrid(const site::ZoneRule& zone, double fromDay, double toDay,
                               std::int64_t stepSeconds);

}  // namespace halvessa::summary
