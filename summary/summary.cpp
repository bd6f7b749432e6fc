#include "summary/summary.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "geometry/calendar.h"
#include "geometry/module1.h"

namespace halvessa::summary {

namespace {

constexpr std::int64_t kDay = 86400;

}  // namespace

void TotalsSink::add(const pipeline::Block& b) {
  const series::Block& block = b.sun;
  for (std::size_t i = 0; i < block.size; ++i) {
    if (SunAboveHorizon(block.elevation[i])) ++sunUp_;
    for (int p = 0; p < kPanelCount; ++p) {
      if (!inUse_[p]) continue;
      const double percent = block.production[p][i];
      production_[p] += percent / 100.0;
      irradiance_[p] += b.sky.poa[p][i];
      PanelTotals& t = totals_.panels[p];
      if (percent > t.peakProduction) {
        t.peakProduction = percent;
        t.peakLocalSecond = block.localSecond[i];
        t.peakOffsetSecond = block.offsetSecond[i];
      }
    }
  }
}

Totals TotalsSink::totals(const series::TimeGrid& grid) const {
  // The plain sums first; the step multiplies them at the end.
  Totals totals = totals_;
  const double stepHours = static_cast<double>(grid.stepSeconds) / 3600.0;
  totals.moments = grid.count;
  totals.sunHours = static_cast<double>(sunUp_) * stepHours;
  for (int p = 0; p < kPanelCount; ++p) {
    totals.panels[p].productionHours = production_[p] * stepHours;
    totals.panels[p].irradiation = irradiance_[p] * stepHours / 1000.0;
  }
  return totals;
}

Totals SumOver(const Site& site, const site::ZoneRule& zone, const series::TimeGrid& grid,
               const std::function<void(double)>& progress) {
  const pipeline::Pipeline pipeline(site);
  TotalsSink sink(pipeline.inUse());
  pipeline.runGrid(grid, zone, [&sink](const pipeline::Block& b) { sink.add(b); }, true, progress);
  return sink.totals(grid);
}

series::TimeGrid LocalDaysGrid(const site::ZoneRule& zone, double fromDay, double toDay,
                               std::int64_t stepSeconds) {
  const std::int64_t from = zone.universalOf(SecondOfDay(fromDay));
  const std::int64_t to = zone.universalOf(SecondOfDay(toDay));
  return series::GridBetween(from, to, stepSeconds);
}

DaySummary SummarizeDay(const Site& site, const site::ZoneRule& zone, double daySerial,
                        std::int64_t stepSeconds, const pipeline::BlockSink& also) {
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
  const pipeline::Pipeline pipeline(site);
  TotalsSink sink(pipeline.inUse());
  pipeline.runGrid(grid, zone, [&](const pipeline::Block& b) {
    sink.add(b);
    if (also) also(b);
  });
  summary.totals = sink.totals(grid);
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

// --- weather ---------------------------------------------------------------------------

namespace {

void AddEnergy(EnergyTotals& to, const EnergyTotals& from) {
  for (int p = 0; p < kPanelCount; ++p) {
    to.panels[p].poa += from.panels[p].poa;
    to.panels[p].dc += from.panels[p].dc;
    to.panels[p].ac += from.panels[p].ac;
  }
  to.ac += from.ac;
  to.hours += from.hours;
  to.rows += from.rows;
  to.missing += from.missing;
}

}  // namespace

EnergyYear SumWeather(const Site& site, const site::Weather& weather, double shiftSeconds,
                      const site::ZoneRule& display, const std::function<void(double)>& progress,
                      bool power) {
  const pipeline::Pipeline pipeline(site);
  EnergyYear sums;
  pipeline.runWeather(weather, shiftSeconds, display, [&](const pipeline::Block& b) {
    for (std::size_t i = 0; i < b.sun.size; ++i) {
      const int month = SerialToParts(SerialOfSecond(b.sun.localSecond[i])).month;
      EnergyTotals& t = sums.months[month - 1];
      // Watts over the row's hours, in kWh.
      const double kh = static_cast<double>(b.seconds[i]) / 3600.0 / 1000.0;
      for (int p = 0; p < kPanelCount; ++p) {
        if (!pipeline.inUse(p)) continue;
        t.panels[p].poa += b.sky.poa[p][i] * kh;
        if (!power) continue;
        t.panels[p].dc += b.dc[p][i] * kh;
        t.panels[p].ac += b.ac[p][i] * kh;
      }
      if (power) t.ac += b.systemAc[i] * kh;
      t.hours += static_cast<double>(b.seconds[i]) / 3600.0;
      ++t.rows;
      if (b.lightMissing[i]) ++t.missing;
    }
  }, progress, {.geometry = false, .power = power});
  for (const EnergyTotals& m : sums.months) AddEnergy(sums.year, m);
  return sums;
}

double SpecificYield(const Site& site, const EnergyTotals& t) {
  const double kwp = pipeline::KwpInUse(site);
  return kwp > 0 ? t.ac / kwp : 0.0;
}

double PerformanceRatio(const Site& site, const EnergyTotals& t) {
  double reference = 0;
  for (int p = 0; p < kPanelCount; ++p) {
    if (InUse(site.panels[p])) reference += site.kwp[p] * t.panels[p].poa;
  }
  return reference > 0 ? t.ac / reference : 0.0;
}

double PanelSpecificYield(const Site& site, const EnergyTotals& t, int panel) {
  return t.panels[panel].ac / site.kwp[panel];
}

double PanelPerformanceRatio(const Site& site, const EnergyTotals& t, int panel) {
  const double reference = site.kwp[panel] * t.panels[panel].poa;
  return reference > 0 ? t.panels[panel].ac / reference : 0.0;
}

// --- the best orientation ----------------------------------------------------------------

namespace {

// The sky of the moments reduced to what the search needs: for each moment with the sun up
// and not hidden, the sun's direction (x east, y north, z up) and the weight of the light
// that falls along it (the beam, and with the Perez sky its circumsolar part per unit of
// cos AOI); the rest enters through sums: the isotropic sky (scaled per plane by the share
// the horizon leaves), Perez's horizon brightening (times sin tilt) and the ground's light.
struct SearchSky {
  std::vector<double> x, y, z, w;
  double isotropic = 0;
  double brightening = 0;
  double ground = 0;
  double albedo = 1;  // what ground is multiplied by besides (1 - cos tilt) / 2
};

void AddDirection(SearchSky& s, double azimuth, double elevation, double weight) {
  const double cosE = geometry::CosD(elevation);
  s.x.push_back(geometry::SinD(azimuth) * cosE);
  s.y.push_back(geometry::CosD(azimuth) * cosE);
  s.z.push_back(geometry::SinD(elevation));
  s.w.push_back(weight);
}

// A candidate plane's normal (x east, y north, z up) and the factors of its sums.
struct Normal {
  double x, y, z, sinBeta;
  clearsky::PlaneFactors f;
  double skyFactor;
};

Normal NormalOf(const PanelGeometry& panel, const SearchSky& s, const site::Horizon& horizon) {
  const double sinBeta = geometry::SinD(panel.Tilt);
  return {geometry::SinD(panel.Azimuth) * sinBeta, geometry::CosD(panel.Azimuth) * sinBeta,
          geometry::CosD(panel.Tilt), sinBeta, clearsky::FactorsForTilt(panel.Tilt, s.albedo),
          horizon.skyFactor(panel.Azimuth, panel.Tilt)};
}

// The plain sums of the planes' irradiance over the moments (the step left out), for the
// candidates [from, to). The moments go in stretches that stay in the cache, each taken for
// four candidates at a time; every candidate still adds its moments in their order.
void PlaneSums(const SearchSky& s, const std::vector<Normal>& normals, std::size_t from,
               std::size_t to, std::vector<double>& value) {
  constexpr std::size_t kStretch = 2048;
  const std::size_t n = s.w.size();
  std::vector<double> beam(to - from, 0.0);
  for (std::size_t m0 = 0; m0 < n; m0 += kStretch) {
    const std::size_t m1 = std::min(n, m0 + kStretch);
    std::size_t c = from;
    for (; c + 4 <= to; c += 4) {
      double b[4] = {beam[c - from], beam[c + 1 - from], beam[c + 2 - from], beam[c + 3 - from]};
      const Normal* k = &normals[c];
      for (std::size_t i = m0; i < m1; ++i) {
        for (int j = 0; j < 4; ++j) {
          const double cosine = s.x[i] * k[j].x + s.y[i] * k[j].y + s.z[i] * k[j].z;
          b[j] += s.w[i] * std::max(cosine, 0.0);
        }
      }
      for (int j = 0; j < 4; ++j) beam[c + j - from] = b[j];
    }
    for (; c < to; ++c) {
      double b = beam[c - from];
      const Normal& k = normals[c];
      for (std::size_t i = m0; i < m1; ++i) {
        const double cosine = s.x[i] * k.x + s.y[i] * k.y + s.z[i] * k.z;
        b += s.w[i] * std::max(cosine, 0.0);
      }
      beam[c - from] = b;
    }
  }
  for (std::size_t c = from; c < to; ++c) {
    const Normal& k = normals[c];
    double sky = s.isotropic * k.f.sky;
    if (k.skyFactor != 1.0) sky *= k.skyFactor;
    value[c] = beam[c - from] + sky + s.ground * k.f.ground + s.brightening * k.sinBeta;
  }
}

// The best of the candidates, on both cores; the first of equals wins.
std::size_t BestOf(const SearchSky& s, const std::vector<PanelGeometry>& candidates,
                   const site::Horizon& horizon) {
  std::vector<Normal> normals(candidates.size());
  std::vector<double> value(candidates.size());
  const std::size_t half = candidates.size() / 2;
  const auto normalsOf = [&](std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) normals[i] = NormalOf(candidates[i], s, horizon);
  };
  std::thread second([&] {
    normalsOf(half, candidates.size());
    PlaneSums(s, normals, half, candidates.size(), value);
  });
  normalsOf(0, half);
  PlaneSums(s, normals, 0, half, value);
  second.join();
  return static_cast<std::size_t>(std::max_element(value.begin(), value.end()) - value.begin());
}

// Coarse (every 10 degrees), then every degree within 9 of the coarse best. A fixed tilt or
// azimuth (not NaN) keeps the search to the other.
PanelGeometry Search(const SearchSky& sky, const site::Horizon& horizon, double fixedTilt,
                     double fixedAzimuth, const std::function<void(double)>& progress) {
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
  const PanelGeometry c = coarse[BestOf(sky, coarse, horizon)];
  if (progress) progress(0.4);
  const auto ca = static_cast<int>(c.Azimuth);
  const auto ct = static_cast<int>(c.Tilt);
  const std::vector<PanelGeometry> fine = candidates(ca - 9, ca + 9, ct - 9, ct + 9, 1);
  const PanelGeometry best = fine[BestOf(sky, fine, horizon)];
  if (progress) progress(0.6);
  return best;
}

// The site with only the chosen orientation as its first panel. A flat panel sees the same
// whatever its azimuth; 0/0 would count as no panel.
Site WithOnly(const Site& site, const PanelGeometry& panel) {
  Site chosen = site;
  chosen.panels = {};
  chosen.panels[0] = InUse(panel) ? panel : PanelGeometry{180, 0};
  chosen.kwp[0] = site.kwp[0];
  return chosen;
}

}  // namespace

BestOrientation FindBest(const Site& site, const site::ZoneRule& zone, int year,
                         std::int64_t stepSeconds, double fixedTilt, double fixedAzimuth,
                         const std::function<void(double)>& progress) {
  const series::TimeGrid grid =
      LocalDaysGrid(zone, DateSerial(year, 1, 1), DateSerial(year, 12, 31) + 1, stepSeconds);
  // One pass of the pipeline (both cores) gives the given panels' exact sums and the search's
  // sky, and keeps the sun of every moment with it up for the chosen panel's exact sum.
  const pipeline::Pipeline pipeline(site);
  TotalsSink given(pipeline.inUse());
  SearchSky sky;
  sky.albedo = site.albedo;
  std::vector<double> upAzimuth;
  std::vector<double> upElevation;
  // Room for every moment (the pages are only used as far as they are filled).
  const auto room = static_cast<std::size_t>(grid.count);
  for (std::vector<double>* v : {&upAzimuth, &upElevation, &sky.x, &sky.y, &sky.z, &sky.w}) {
    v->reserve(room);
  }
  const site::Horizon& horizon = site.horizon;
  pipeline.runGrid(grid, zone, [&](const pipeline::Block& b) {
    given.add(b);
    for (std::size_t i = 0; i < b.sun.size; ++i) {
      const double e = b.sun.elevation[i];
      if (!(e > 0)) continue;
      const double a = b.sun.azimuth[i];
      upAzimuth.push_back(a);
      upElevation.push_back(e);
      AddDirection(sky, a, e, horizon.blocks(a, e) ? 0.0 : b.sky.dni[i]);
      sky.isotropic += b.sky.dhi[i];
      sky.ground += b.sky.ghi[i];
    }
  }, true, [&progress](double f) {
    if (progress) progress(0.2 * f);
  });
  if (progress) progress(0.2);

  BestOrientation result;
  result.best = Search(sky, horizon, fixedTilt, fixedAzimuth, progress);

  // The figure reported goes the exact way, moment by moment, from the sun kept: the moments
  // with the sun down add nothing.
  const pipeline::Pipeline chosen(WithOnly(site, result.best));
  auto block = pipeline::MakeBlock();
  double sum = 0;
  for (std::size_t first = 0; first < upAzimuth.size(); first += series::kBlock) {
    const std::size_t size = std::min(series::kBlock, upAzimuth.size() - first);
    block->sun.size = size;
    std::copy_n(upAzimuth.begin() + static_cast<std::ptrdiff_t>(first), size, block->sun.azimuth.begin());
    std::copy_n(upElevation.begin() + static_cast<std::ptrdiff_t>(first), size, block->sun.elevation.begin());
    chosen.clearSkyOfSun(*block);
    for (std::size_t i = 0; i < size; ++i) sum += block->sky.poa[0][i];
  }
  const double stepHours = static_cast<double>(grid.stepSeconds) / 3600.0;
  result.irradiation = sum * stepHours / 1000.0;
  if (progress) progress(0.8);
  const Totals totals = given.totals(grid);
  for (int p = 0; p < kPanelCount; ++p) result.panelIrradiation[p] = totals.panels[p].irradiation;
  if (progress) progress(1.0);
  return result;
}

constexpr pipeline::WeatherStages kLightOnly{.geometry = false, .power = false};

BestOrientation FindBestWeather(const Site& site, const site::Weather& weather,
                                double shiftSeconds, double fixedTilt, double fixedAzimuth,
                                const std::function<void(double)>& progress) {
  const pipeline::Pipeline pipeline(site);
  const site::ZoneRule utc = site::ZoneRule::Fixed(0);
  const site::Horizon& horizon = site.horizon;
  const bool perez = site.transposition == pipeline::Transposition::perez;
  SearchSky sky;
  std::array<double, kPanelCount> given{};
  pipeline.runWeather(weather, shiftSeconds, utc, [&](const pipeline::Block& b) {
    for (std::size_t i = 0; i < b.sun.size; ++i) {
      const double hours = static_cast<double>(b.seconds[i]) / 3600.0;
      for (int p = 0; p < kPanelCount; ++p) {
        if (pipeline.inUse(p)) given[p] += b.sky.poa[p][i] * hours;
      }
      const double ghi = b.sky.ghi[i];
      const double dni = b.sky.dni[i];
      const double dhi = b.sky.dhi[i];
      const double apparent = b.apparentElevation[i];
      sky.ground += ghi * b.albedo[i] * hours;
      if (!(apparent > 0)) {
        sky.isotropic += dhi * hours;
        continue;
      }
      const double a = b.sun.azimuth[i];
      const energy::SunDirection sun = energy::SunOf(90.0 - apparent, a);
      energy::PerezCoefficients c;
      if (perez) {
        c = energy::PerezOf(sun, dhi, dni, b.extraterrestrial[i], energy::RelativeAirMass(sun.zenith));
      }
      const bool hidden = horizon.blocks(a, apparent);
      sky.isotropic += dhi * (1.0 - c.F1) * hours;
      sky.brightening += dhi * c.F2 * hours;
      if (!hidden) AddDirection(sky, a, apparent, (dni + dhi * c.F1 / c.b) * hours);
    }
  }, [&progress](double f) {
    if (progress) progress(0.2 * f);
  }, kLightOnly);
  BestOrientation result;
  result.best = Search(sky, horizon, fixedTilt, fixedAzimuth, progress);
  // The chosen plane's year exactly, as energy sums it.
  result.irradiation =
      SumWeather(WithOnly(site, result.best), weather, shiftSeconds, utc, {}, false).year.panels[0].poa;
  for (int p = 0; p < kPanelCount; ++p) result.panelIrradiation[p] = given[p] / 1000.0;
  if (progress) progress(1.0);
  return result;
}

}  // namespace halvessa::summary
