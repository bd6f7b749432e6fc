// The pipeline: against PVWatts' own hourly output for Denver, fed as the plain weather CSV
// denver_weather.py writes from it; the two PVGIS files of one year (the EPW an hour early
// until shifted); the light a row lacks derived; the horizon; one inverter for all panels;
// the grid's blocks handed on in order from both threads.
#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "energy/irradiance.h"
#include "files/weather.h"
#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "pipeline/pipeline.h"
#include "summary/summary.h"

namespace {

using namespace halvessa;

site::Weather Load(const QString& path) {
  files::WeatherResult read = files::ReadWeather(path);
  if (const QString* error = std::get_if<QString>(&read)) {
    ADD_FAILURE() << error->toStdString();
    return {};
  }
  return std::get<site::Weather>(read);
}

// PVWatts' columns of a row: month, day, hour, beam, diffuse, air, wind, POA, cell, DC, AC.
using Row = std::array<double, 11>;

std::vector<Row> PvWattsRows() {
  std::ifstream in(HALVESSA_TEST_DATA "/pvwatts-8760-denver-rack.csv");
  std::vector<Row> rows;
  std::string line;
  while (std::getline(in, line) && line.rfind("Month,Day,Hour", 0) != 0) continue;
  while (std::getline(in, line) && line.rfind("Totals", 0) != 0) {
    std::istringstream s(line);
    char comma = 0;
    for (double& x : rows.emplace_back()) s >> x >> comma;
  }
  return rows;
}

// PVWatts' Denver system: 4 kW standard modules on an open rack at 20/180, 14.08 % losses,
// 96 % inverter, DC/AC 1.2, at 39.73 N 105.18 W, 1819.6 m.
pipeline::Setup Denver() {
  pipeline::Setup s;
  s.latitude = 39.73;
  s.longitude = -105.18;
  s.panels[0] = {180, 20};
  s.kwp[0] = 4;
  s.atmosphere.pressure = clearsky::PressureAtAltitude(1819.6);
  return s;
}

TEST(Denver, ThePipelineFromAPlainCsvMatchesPvWatts) {
  const site::Weather weather = Load(QStringLiteral(HALVESSA_DENVER_CSV));
  const std::vector<Row> rows = PvWattsRows();
  ASSERT_EQ(weather.rows.size(), 8760u);
  ASSERT_EQ(rows.size(), 8760u);
  EXPECT_EQ(weather.zoneHours, -7);
  const pipeline::Pipeline pipeline(Denver());
  double poa = 0, poaRef = 0, cellAbs = 0, cellDiff = 0;
  int lit = 0;
  std::array<double, 13> ac{}, acRef{};  // [0] the year, [1..12] the months
  std::size_t k = 0;
  pipeline.runWeather(weather, 0, site::ZoneRule::Fixed(-7), [&](const pipeline::Block& b) {
    for (std::size_t i = 0; i < b.sun.size; ++i, ++k) {
      const Row& r = rows[k];
      poa += b.sky.poa[0][i];
      poaRef += r[7];
      for (const int m : {0, static_cast<int>(r[0])}) ac[m] += b.systemAc[i], acRef[m] += r[10];
      if (b.sky.poa[0][i] > 0 || r[7] > 0) {
        ++lit;
        cellDiff += b.cell[0][i] - r[8];
        cellAbs += std::abs(b.cell[0][i] - r[8]);
      }
    }
  });
  ASSERT_EQ(k, rows.size());
  std::printf("Denver, PVWatts v5 (4 kW, 20/180, open rack), the pipeline against PVWatts:\n"
              "  plane irradiation %.1f kWh/m2, PVWatts %.1f: %+.2f %%\n",
              poa / 1000, poaRef / 1000, 100 * (poa / poaRef - 1));
  for (int m = 0; m <= 12; ++m) {
    const double e = ac[m] / acRef[m] - 1;
    std::printf("  %-8s AC %7.1f kWh, PVWatts %7.1f: %+.2f %%\n",
                m ? ("month " + std::to_string(m)).c_str() : "year", ac[m] / 1000,
                acRef[m] / 1000, 100 * e);
    EXPECT_LT(std::abs(e), m ? 0.04 : 0.01) << "month " << m;
  }
  std::printf("  cell temperature over %d lit hours: mean difference %+.2f C, mean absolute "
              "%.2f C\n", lit, cellDiff / lit, cellAbs / lit);
  EXPECT_LT(std::abs(poa / poaRef - 1), 0.01);
  EXPECT_LT(cellAbs / lit, 1.0);
  // The sums of the calculator's energy command: the same year, the months by local time.
  const summary::EnergyYear year =
      summary::SumWeather(Denver(), weather, 0, site::ZoneRule::Fixed(-7));
  EXPECT_NEAR(year.year.ac, ac[0] / 1000, 1e-6);
  EXPECT_NEAR(year.months[6].ac, ac[7] / 1000, 1e-6);
  EXPECT_EQ(year.year.rows, 8760);
  EXPECT_EQ(year.year.hours, 8760);
  EXPECT_NEAR(summary::SpecificYield(Denver(), year.year), year.year.ac / 4, 1e-9);
}

TEST(Weather, PvgisCsvAndItsEpwShiftedGiveTheSameYear) {
  const site::Weather csv = Load(QStringLiteral(HALVESSA_TEST_DATA "/pvgis-tmy-45.000-8.000.csv"));
  const site::Weather epw = Load(QStringLiteral(HALVESSA_TEST_DATA "/pvgis-tmy-45.000-8.000.epw"));
  pipeline::Setup s;
  s.latitude = 45;
  s.longitude = 8;
  s.panels[0] = {180, 35};
  const auto utc = site::ZoneRule::Fixed(0);
  const summary::EnergyYear a = summary::SumWeather(s, csv, 0, utc);
  const summary::EnergyYear b = summary::SumWeather(s, epw, 3600, utc);
  const summary::EnergyYear early = summary::SumWeather(s, epw, 0, utc);
  std::printf("PVGIS 45 N 8 E on 180/35: CSV %.1f kWh/m2, EPW shifted an hour %.1f, unshifted "
              "%.1f\n", a.year.panels[0].poa, b.year.panels[0].poa, early.year.panels[0].poa);
  EXPECT_NEAR(b.year.panels[0].poa / a.year.panels[0].poa, 1, 0.01);
  EXPECT_NEAR(b.year.ac / a.year.ac, 1, 0.01);
  // A typical year in the Po valley: 1,400 to 2,000 kWh/m2 on a plane tilted toward the south.
  EXPECT_TRUE(a.year.panels[0].poa > 1400 && a.year.panels[0].poa < 2000);
}

// A row of an hour of 1 July 2025 at 45 N 8 E (universal time), with the given light.
site::WeatherRow RowAt(int hour, double ghi, double dni, double dhi) {
  site::WeatherRow row;
  row.start = SecondOfDay(DateSerial(2025, 7, 1)) + 3600LL * hour;
  row.length = 3600;
  row.ghi = ghi;
  row.dni = dni;
  row.dhi = dhi;
  return row;
}

TEST(Pipeline, TheLightARowLacksIsDerivedAndItsSunIsInItsSunlitPart) {
  const double nan = site::kAbsent;
  site::Weather w;
  w.rows = {RowAt(3, 5, nan, 5),        // the hour of sunrise (about 03:50 UT)
            RowAt(10, 800, nan, 150),   // beam from GHI and DHI
            RowAt(11, nan, 700, 120),   // GHI from DNI and DHI
            RowAt(12, 850, 650, nan),   // DHI from GHI and DNI
            RowAt(13, 600, nan, nan),   // Erbs
            RowAt(14, nan, nan, nan),   // no light
            RowAt(22, nan, 40, 5)};     // at night: no beam, the sky's light alone
  pipeline::Setup s;
  s.latitude = 45;
  s.longitude = 8;
  s.panels[0] = {180, 30};
  const pipeline::Pipeline pipeline(s);
  pipeline.runWeather(w, 0, site::ZoneRule::Fixed(0), [&](const pipeline::Block& b) {
    ASSERT_EQ(b.sun.size, 7u);
    EXPECT_TRUE(b.sky.dni[6] == 0 && b.sky.ghi[6] == 5);
    // The sun rises within the first hour: it is taken in the middle of the rest of it.
    const std::int64_t t = b.sun.universalSecond[0] - w.rows[0].start;
    EXPECT_TRUE(t > 1800 && t < 3600) << t;
    for (std::size_t i = 1; i <= 4; ++i) {
      EXPECT_EQ(b.sun.universalSecond[i] - w.rows[i].start, 1800);  // the middle of the hour
      const double cosZ = geometry::SinD(b.apparentElevation[i]);
      // GHI = DHI + DNI cos z, however the row gave them.
      EXPECT_NEAR(b.sky.ghi[i], b.sky.dhi[i] + b.sky.dni[i] * cosZ, 1e-9) << i;
    }
    EXPECT_NEAR(b.sky.dni[1], (800 - 150) / geometry::SinD(b.apparentElevation[1]), 1e-9);
    EXPECT_GT(b.sky.ghi[2], 700);
    EXPECT_NEAR(b.sky.dhi[3], 850 - 650 * geometry::SinD(b.apparentElevation[3]), 1e-9);
    const double kt = 600 / (b.extraterrestrial[4] * geometry::SinD(b.apparentElevation[4]));
    EXPECT_NEAR(b.sky.dhi[4], 600 * energy::ErbsDiffuseFraction(kt), 1e-9);
    EXPECT_TRUE(b.lightMissing[5] && !b.lightMissing[4]);
    EXPECT_TRUE(b.sky.poa[0][5] == 0 && b.ac[0][5] == 0);
    // An absent air temperature and wind are the NOCT conditions'.
    EXPECT_TRUE(b.tempAir[1] == pipeline::kDefaultAir && b.windSpeed[1] == pipeline::kDefaultWind);
    EXPECT_GT(b.ac[0][1], 0);
  });
}

TEST(Pipeline, AHorizonHidesTheBeamAndScalesTheSkyButNotTheProduction) {
  pipeline::Setup s;
  s.latitude = 46.2;
  s.longitude = 6.15;
  s.panels[0] = {180, 0};  // flat: sky factor cos^2 20 = 0.8830 of the isotropic sky
  const pipeline::Pipeline open(s);
  s.horizon = site::Horizon({{0, 20}});
  const pipeline::Pipeline hills(s);
  EXPECT_NEAR(hills.skyFactor(0), 0.8830, 5e-4);
  const series::TimeGrid grid = series::GridBetween(SecondOfDay(DateSerial(2025, 3, 20)),
                                                    SecondOfDay(DateSerial(2025, 3, 21)), 600);
  const auto zone = site::ZoneRule::Fixed(1);
  std::vector<std::array<double, 5>> a;  // elevation, production, poa, dni cos, dhi
  open.runGrid(grid, zone, [&](const pipeline::Block& b) {
    for (std::size_t i = 0; i < b.sun.size; ++i) {
      a.push_back({b.sun.elevation[i], b.sun.production[0][i], b.sky.poa[0][i],
                   b.sky.dni[i] * b.sun.cosAoi[0][i], b.sky.dhi[i]});
    }
  });
  std::size_t k = 0;
  int hidden = 0;
  hills.runGrid(grid, zone, [&](const pipeline::Block& b) {
    for (std::size_t i = 0; i < b.sun.size; ++i, ++k) {
      const auto [elevation, production, poa, beam, dhi] = a[k];
      EXPECT_EQ(b.sun.production[0][i], production);
      const double sky = dhi * hills.skyFactor(0);
      if (elevation > 0 && elevation <= 20) ++hidden;
      EXPECT_NEAR(b.sky.poa[0][i], elevation > 20 ? beam + sky : sky, 1e-9);
      EXPECT_NEAR(poa, beam + dhi, 1e-9);
    }
  });
  EXPECT_EQ(k, a.size());
  EXPECT_GT(hidden, 20);  // the morning and the evening below 20 degrees
}

// From weather under a skyline higher than the sun: no beam, and of the Perez sky the
// isotropic part scaled by the skyline and the horizon band, without the circumsolar part.
TEST(Pipeline, TheSunBehindTheSkylineSendsNeitherBeamNorCircumsolarLight) {
  site::Weather w;
  w.rows = {RowAt(5, 300, 400, 120)};  // the sun about 12 degrees up in the east-north-east
  pipeline::Setup s;
  s.latitude = 45;
  s.longitude = 8;
  s.panels[0] = {90, 40};
  s.horizon = site::Horizon({{0, 30}});
  const pipeline::Pipeline hills(s);
  hills.runWeather(w, 0, site::ZoneRule::Fixed(0), [&](const pipeline::Block& b) {
    const double apparent = b.apparentElevation[0];
    ASSERT_TRUE(apparent > 5 && apparent < 30) << apparent;
    const energy::SunDirection sun = energy::SunOf(90 - apparent, b.sun.azimuth[0]);
    const energy::PerezSky sky = energy::Perez(
        energy::PlaneOf(40, 90), sun, 120,
        energy::PerezOf(sun, 120, 400, b.extraterrestrial[0], energy::RelativeAirMass(sun.zenith)));
    ASSERT_GT(sky.circumsolar, 1);
    EXPECT_EQ(b.beam[0][0], 0);
    EXPECT_NEAR(b.diffuse[0][0], sky.isotropic * hills.skyFactor(0) + sky.horizon, 1e-9);
  });
}

// A block whose moments leave the calendar ends the run with the engine's error (from either
// thread), not a hang.
TEST(Pipeline, AWeatherRunOutsideTheCalendarEndsWithItsError) {
  site::Weather w;
  for (int k = 0; k < 3000; ++k) w.rows.push_back(RowAt(k, 0, 0, 0));
  for (std::size_t k = 2500; k < w.rows.size(); ++k) w.rows[k].start += 9000LL * 366 * 86400;
  pipeline::Setup s;
  s.panels[0] = {180, 30};
  EXPECT_THROW(pipeline::Pipeline(s).runWeather(w, 0, site::ZoneRule::Fixed(0), [](const pipeline::Block&) {}),
               CalendarRangeError);
}

TEST(Pipeline, OneInverterForAllPanelsAndItsClipping) {
  site::Weather w;
  w.rows = {RowAt(11, 900, 800, 100)};
  w.rows[0].tempAir = 25;
  w.rows[0].windSpeed = 2;
  pipeline::Setup s;
  s.latitude = 45;
  s.longitude = 8;
  s.panels[0] = {180, 30};
  s.panels[1] = {180, 30};
  s.kwp = {3, 1, 1, 1, 1};
  double perPanel = 0, shared = 0;
  std::array<double, 2> shares{};
  const auto run = [&](double& ac) {
    pipeline::Pipeline(s).runWeather(w, 0, site::ZoneRule::Fixed(0), [&](const pipeline::Block& b) {
      ac = b.systemAc[0];
      shares = {b.ac[0][0], b.ac[1][0]};
    });
  };
  run(perPanel);
  s.system.oneInverter = true;
  run(shared);
  // The inverter's curve depends only on the load's share of its rating: the same planes on
  // one inverter of their summed rating give the same AC, shared 3 to 1 by their DC.
  EXPECT_NEAR(shared, perPanel, 1e-9 * perPanel);
  EXPECT_NEAR(shares[0], 3 * shares[1], 1e-9 * perPanel);
  // Four kWp on an inverter of 4 / 2 kW: clipped at 2000 W.
  s.system.dcAcRatio = 2;
  run(shared);
  EXPECT_EQ(shared, 2000);
}

TEST(Pipeline, TheGridsBlocksComeInOrderFromBothThreads) {
  pipeline::Setup s;
  s.latitude = 46.2;
  s.longitude = 6.15;
  s.panels[0] = {151, 45};
  const series::TimeGrid grid = series::GridBetween(0, 100'000 * 60, 60);  // 24 stretches
  std::int64_t next = 0;
  double progress = 0;
  pipeline::Pipeline(s).runGrid(grid, site::ZoneRule::Fixed(0), [&](const pipeline::Block& b) {
    for (std::size_t i = 0; i < b.sun.size; ++i, next += 60) {
      ASSERT_EQ(b.sun.universalSecond[i], next);
    }
  }, true, [&progress](double f) {
    EXPECT_GE(f, progress);
    progress = f;
  });
  EXPECT_EQ(next, grid.count * 60);
  EXPECT_EQ(progress, 1.0);
}

// The weather's blocks are worked on by both threads in tasks (halves of rows, panels); what
// comes out must not depend on how they fell: each of five panels has the bits it has alone,
// the blocks come in order with their progress, and a sink's failure ends the run and comes
// out of it.
TEST(Pipeline, TheWeathersBlocksComeInOrderWhateverTheThreadsDid) {
  const site::Weather weather = Load(QStringLiteral(HALVESSA_DENVER_CSV));
  pipeline::Setup five = Denver();
  five.panels = {{{180, 20}, {90, 30}, {270, 60}, {150, 90}, {0, 10}}};
  five.kwp = {4, 1, 2, 3, 0.5};
  const auto zone = site::ZoneRule::Fixed(-7);
  std::vector<std::array<double, 4>> all;  // per row and panel: poa, cell, dc, ac
  double progress = 0;
  pipeline::Pipeline(five).runWeather(weather, 0, zone, [&](const pipeline::Block& b) {
    ASSERT_EQ(b.startSecond[0], weather.rows[all.size() / 5].start);
    for (std::size_t i = 0; i < b.sun.size; ++i) {
      for (int p = 0; p < 5; ++p) all.push_back({b.sky.poa[p][i], b.cell[p][i], b.dc[p][i], b.ac[p][i]});
    }
  }, [&progress](double f) {
    EXPECT_GT(f, progress);
    progress = f;
  });
  ASSERT_EQ(all.size(), 5 * weather.rows.size());
  EXPECT_EQ(progress, 1.0);
  for (int p = 0; p < 5; ++p) {
    pipeline::Setup alone = five;
    alone.panels = {};
    alone.panels[p] = five.panels[p];
    std::size_t k = 0;
    pipeline::Pipeline(alone).runWeather(weather, 0, zone, [&](const pipeline::Block& b) {
      for (std::size_t i = 0; i < b.sun.size; ++i, ++k) {
        const std::array<double, 4> v{b.sky.poa[p][i], b.cell[p][i], b.dc[p][i], b.ac[p][i]};
        ASSERT_EQ(v, all[5 * k + p]) << "panel " << p + 1 << ", row " << k;
      }
    });
  }
  int sunk = 0;
  EXPECT_THROW(pipeline::Pipeline(five).runWeather(weather, 0, zone, [&](const pipeline::Block&) {
    if (++sunk == 3) throw std::runtime_error("the disk is full");
  }), std::runtime_error);
  EXPECT_EQ(sunk, 3);
}

}  // namespace
