#include "summary/summary.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <thread>
#include <vector>

#include "geometry/calendar.h"
#include "geometry/module1.h"

namespace halvessa::summary {

namespace {

constexpr std::int64_t kDay = 86400;

}  // namespace

std::array<bool, kPanelCount> InUseOf(const Site& site) {
  std::array<bool, kPanelCount> inUse{};
  for (int p = 0; p < kPanelCount; ++p) inUse[p] = InUse(site.panels[p]);
  return inUse;
}

std::array<clearsky::PlaneFactors, kPanelCount> PlanesOf(const Site& site) {
  std::array<clearsky::PlaneFactors, kPanelCount> planes{};
  for (int p = 0; p < kPanelCount; ++p) {
    planes[p] = clearsky::FactorsForTilt(site.panels[p].Tilt, site.albedo);
  }
  return planes;
}


void ComputeSky(const series::Block& block, const clearsky::SolisModel& model,
                const std::array<clearsky::PlaneFactors, kPanelCount>& planes,
                const std::array<bool, kPanelCount>& inUse, series::SkyBlock& sky) {
  for (std::size_t i = 0; i < block.size; ++i) {
    const clearsky::Irradiance irradiance = model.at(block.elevation[i]);
    sky.ghi[i] = irradiance.ghi;
    sky.dni[i] = irradiance.dni;
    sky.dhi[i] = irradiance.dhi;
    for (int p = 0; p < kPanelCount; ++p) {
      // The engine's cosine is 0 where the beam misses the plane.
      if (inUse[p]) sky.poa[p][i] = clearsky::PlaneIrradianceCos(irradiance, block.cosAoi[p][i], planes[p]);
    }
  }
}

Totals SumOver(const Site& site, const site::ZoneRule& zone, const series::TimeGrid& grid,
               const std::function<void(double)>& progress) {
  const series::SeriesEngine engine(site.latitude, site.longitude, site.panels);
  const clearsky::SolisModel model(site.atmosphere);
  const auto planes = PlanesOf(site);
  const auto inUse = InUseOf(site);
  auto block = series::MakeBlock();
  auto sky = std::make_unique<series::SkyBlock>();

  // The plain sums first; the step multiplies them at the end.
  std::int64_t sunUp = 0;
  std::array<double, kPanelCount> production{};
  std::array<double, kPanelCount> irradiance{};
  Totals totals;
  for (std::int64_t first = 0; first < grid.count;
       first += static_cast<std::int64_t>(series::kBlock)) {
    series::FillBlock(grid, zone, first, *block);
    engine.compute(*block);
    ComputeSky(*block, model, planes, inUse, *sky);
    for (std::size_t i = 0; i < block->size; ++i) {
      if (SunAboveHorizon(block->elevation[i])) ++sunUp;
      for (int p = 0; p < kPanelCount; ++p) {
        if (!inUse[p]) continue;
        const double percent = block->production[p][i];
        production[p] += percent / 100.0;
        irradiance[p] += sky->poa[p][i];
        PanelTotals& t = totals.panels[p];
        if (percent > t.peakProduction) {
          t.peakProduction = percent;
          t.peakLocalSecond = block->localSecond[i];
          t.peakOffsetSecond = block->offsetSecond[i];
        }
      }
    }
    if (progress) progress(static_cast<double>(first + static_cast<std::int64_t>(block->size)) /
                           static_cast<double>(grid.count));
  }
  const double stepHours = static_cast<double>(grid.stepSeconds) / 3600.0;
  totals.moments = grid.count;
  totals.sunHours = static_cast<double>(sunUp) * stepHours;
  for (int p = 0; p < kPanelCount; ++p) {
    totals.panels[p].productionHours = production[p] * stepHours;
    totals.panels[p].irradiation = irradiance[p] * stepHours / 1000.0;
  }
  return totals;
}

series::TimeGrid LocalDaysGrid(const site::ZoneRule& zone, double fromDay, double toDay,
                               std::int64_t stepSeconds) {
  const std::int64_t from = zone.universalOf(SecondOfDay(fromDay));
  const std::int64_t to = zone.universalOf(SecondOfDay(toDay));
  return series::GridBetween(from, to, stepSeconds);
}

DaySummary SummarizeDay(const Site& site, const site::ZoneRule& zone, double daySerial,
                        std::int64_t stepSeconds) {
  const double day = std::floor(daySerial);
  DaySummary summary;
  const series::TimeGrid grid = LocalDaysGrid(zone, day, day + 1, stepSeconds);
  summary.fromUniversal = grid.fromUniversal;
  summary.hours = static_cast<double>(zone.universalOf(SecondOfDay(day + 1)) -
                                      grid.fromUniversal) /
                  3600.0;
  // Sunrise and sunset as the one-moment calculation gives them at the day's noon.
  summary.noonOffsetHours = zone.hoursAt(zone.universalOf(SecondOfDay(day) + kDay / 2));
  geometry::SunriseSunset(day + 0.5, site.latitude, site.longitude, summary.noonOffsetHours,
                          summary.sunrise, summary.sunset);
  summary.totals = SumOver(site, zone, grid);
  return summary;
}

YearSummary SummarizeYear(const Site& site, const site::ZoneRule& zone, int year,
                          std::int64_t stepSeconds, const std::function<void(double)>& progress) {
  YearSummary summary;
  for (int m = 1; m <= 12; ++m) {
    const double from = DateSerial(year, m, 1);
    const double to = m < 12 ? DateSerial(year, m + 1, 1) : from + 31;
    const auto monthProgress = [&progress, m](double f) {
      if (progress) progress((m - 1 + f) / 12.0);
    };
    Totals& t = summary.months[m - 1];
    t = SumOver(site, zone, LocalDaysGrid(zone, from, to, stepSeconds), monthProgress);
    summary.year.moments += t.moments;
    summary.year.sunHours += t.sunHours;
    for (int p = 0; p < kPanelCount; ++p) {
      PanelTotals& y = summary.year.panels[p];
      y.productionHours += t.panels[p].productionHours;
      y.irradiation += t.panels[p].irradiation;
      if (t.panels[p].peakProduction > y.peakProduction) {
        y.peakProduction = t.panels[p].peakProduction;
        y.peakLocalSecond = t.panels[p].peakLocalSecond;
        y.peakOffsetSecond = t.panels[p].peakOffsetSecond;
      }
    }
  }
  return summary;
}

namespace {

// The year's sky reduced to what the search needs: for each moment with the sun up, the
// sun's direction (from its whole-degree azimuth and its elevation) and the beam; the diffuse
// and the ground light enter only through their sums.
struct SearchSky {
  std::vector<double> x, y, z, dni;  // x east, y north, z up; W/m2
  double dhiSum = 0;
  double ghiSum = 0;
};

SearchSky SkyOfYear(const Site& site, const site::ZoneRule& zone, const series::TimeGrid& grid) {
  const series::SeriesEngine engine(site.latitude, site.longitude, {});
  const clearsky::SolisModel model(site.atmosphere);
  auto block = series::MakeBlock();
  SearchSky s;
  for (std::int64_t first = 0; first < grid.count;
       first += static_cast<std::int64_t>(series::kBlock)) {
    series::FillBlock(grid, zone, first, *block);
    engine.compute(*block);
    for (std::size_t i = 0; i < block->size; ++i) {
      const double e = block->elevation[i];
      if (!(e > 0)) continue;
      const clearsky::Irradiance sky = model.at(e);
      const double a = block->azimuth[i];
      const double cosE = geometry::CosD(e);
      s.x.push_back(geometry::SinD(a) * cosE);
      s.y.push_back(geometry::CosD(a) * cosE);
      s.z.push_back(geometry::SinD(e));
      s.dni.push_back(sky.dni);
      s.dhiSum += sky.dhi;
      s.ghiSum += sky.ghi;
    }
  }
  return s;
}

// The plain sum of the plane's irradiance over the moments (the step left out).
double PlaneSum(const SearchSky& s, const PanelGeometry& panel, double albedo) {
  const double sinBeta = geometry::SinD(panel.Tilt);
  const double nx = geometry::SinD(panel.Azimuth) * sinBeta;
  const double ny = geometry::CosD(panel.Azimuth) * sinBeta;
  const double nz = geometry::CosD(panel.Tilt);
  double beam = 0;
  const std::size_t n = s.dni.size();
  for (std::size_t i = 0; i < n; ++i) {
    const double c = s.x[i] * nx + s.y[i] * ny + s.z[i] * nz;
    beam += c > 0 ? s.dni[i] * c : 0.0;
  }
  const clearsky::PlaneFactors f = clearsky::FactorsForTilt(panel.Tilt, albedo);
  return beam + s.dhiSum * f.sky + s.ghiSum * f.ground;
}

// The best of the candidates, on both cores; the first of equals wins.
std::size_t BestOf(const SearchSky& s, const std::vector<PanelGeometry>& candidates,
                   double albedo, const std::function<void(std::size_t)>& done) {
  std::vector<double> value(candidates.size());
  const std::size_t half = candidates.size() / 2;
  std::thread second([&] {
    for (std::size_t i = half; i < candidates.size(); ++i) value[i] = PlaneSum(s, candidates[i], albedo);
  });
  for (std::size_t i = 0; i < half; ++i) {
    value[i] = PlaneSum(s, candidates[i], albedo);
    if (done) done(2 * (i + 1));
  }
  second.join();
  return static_cast<std::size_t>(std::max_element(value.begin(), value.end()) - value.begin());
}

}  // namespace

BestOrientation FindBest(const Site& site, const site::ZoneRule& zone, int year,
                         std::int64_t stepSeconds, double fixedTilt, double fixedAzimuth,
                         const std::function<void(double)>& progress) {
  const series::TimeGrid grid =
      LocalDaysGrid(zone, DateSerial(year, 1, 1), DateSerial(year, 12, 31) + 1, stepSeconds);
  // The given panels' exact figures do not depend on the search: the second core makes them
  // meanwhile (get() hands on what it throws).
  auto given = std::async(std::launch::async, [&] { return SumOver(site, zone, grid); });
  const SearchSky sky = SkyOfYear(site, zone, grid);
  if (progress) progress(0.2);

  // Coarse: every 10 degrees; fine: every degree within 9 of the coarse best.
  const auto candidates = [&](int azFrom, int azTo, int tiltFrom, int tiltTo, int step) {
    std::vector<PanelGeometry> list;
    for (int t = tiltFrom; t <= tiltTo; t += step) {
      if (t < 0 || t > 90) continue;
      for (int a = azFrom; a <= azTo; a += step) {
        const double azimuth = std::isnan(fixedAzimuth) ? (a % 360 + 360) % 360 : fixedAzimuth;
        const double tilt = std::isnan(fixedTilt) ? t : fixedTilt;
        list.push_back({azimuth, tilt});
        if (!std::isnan(fixedAzimuth)) break;
      }
      if (!std::isnan(fixedTilt)) break;
    }
    return list;
  };
  const std::vector<PanelGeometry> coarse = candidates(0, 350, 0, 90, 10);
  const PanelGeometry c = coarse[BestOf(sky, coarse, site.albedo, {})];
  if (progress) progress(0.4);
  const auto ca = static_cast<int>(c.Azimuth);
  const auto ct = static_cast<int>(c.Tilt);
  const std::vector<PanelGeometry> fine = candidates(ca - 9, ca + 9, ct - 9, ct + 9, 1);
  BestOrientation result;
  result.best = fine[BestOf(sky, fine, site.albedo, {})];
  if (progress) progress(0.6);

  // The figures reported go the exact way, moment by moment.
  Site chosen = site;
  chosen.panels = {};
  chosen.panels[0] = result.best;
  // A flat panel sees the same whatever its azimuth; 0/0 would count as no panel.
  if (!InUse(result.best)) chosen.panels[0] = {180, 0};
  result.irradiation = SumOver(chosen, zone, grid).panels[0].irradiation;
  if (progress) progress(0.8);
  const Totals totals = given.get();
  for (int p = 0; p < kPanelCount; ++p) result.panelIrradiation[p] = totals.panels[p].irradiation;
  if (progress) progress(1.0);
  return result;
}

}  // namespace halvessa::summary
