// The irradiance models and the PVWatts chain against published values: the Perez example,
// Erbs' diffuse fraction, the air mass, and rows of PVWatts' own hourly output (the
// Denver file of tests/data: its DC and AC of an hour, its cell temperature; the whole year
// goes through the pipeline in tests/pipeline). The check of a weather file's light against the
// sun: the two PVGIS files of the same year (the CSV in its own convention, the EPW read by its
// LOCATION zone an hour off), and years built here from the sun of geometry::SunPosition at a
// known shift, with beam put into the night.
#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <variant>
#include <vector>

#include "clearsky/clearsky.h"
#include "energy/alignment.h"
#include "energy/irradiance.h"
#include "energy/pvwatts.h"
#include "files/weather.h"
#include "geometry/calendar.h"
#include "geometry/module1.h"

namespace {

using namespace halvessa;
using namespace halvessa::energy;

// PVWatts' Denver run: 4 kW standard modules on an open rack, 14.08 %, 96 %, DC/AC 1.2.
const System kDenver{4.0, Module::standard, Mount::openRack, 14.08, 96.0, 1.2};

TEST(Irradiance, PerezPublishedExampleAndItsParts) {
  // Tilt 40, azimuth 180, DHI 118.45831879, DNI 939.95469881, I0 1321.1655834833093,
  // apparent zenith 10.56413562, sun azimuth 144.76567754, air mass 1.01688136:
  // 109.084332 W/m2 of sky diffuse.
  const PerezSky sky = Perez(40, 180, 118.45831879, 939.95469881, 1321.1655834833093,
                             10.56413562, 144.76567754, 1.01688136);
  EXPECT_NEAR(sky.total(), 109.084332, 109.084332 * 1e-6);
  // The published air mass of that zenith (Kasten and Young's formula).
  EXPECT_NEAR(RelativeAirMass(10.56413562), 1.01688136, 1e-8);
  EXPECT_TRUE(std::isnan(RelativeAirMass(90.5)));
  // An overcast sky (epsilon 1: no beam) lands in the first bin; no diffuse gives nothing;
  // with the sun down the sky is isotropic.
  EXPECT_EQ(Perez(20, 180, 100, 0, 1367, 60, 180, 2).bin, 1);
  EXPECT_EQ(Perez(20, 180, 0, 500, 1367, 30, 180, 1.15).total(), 0.0);
  EXPECT_DOUBLE_EQ(Perez(20, 180, 10, 0, 1367, 95, 180, 40).total(), IsotropicSky(10, 20));
}

TEST(Irradiance, ErbsDecompositionAndPlaneParts) {
  // The fraction's pieces meet at kt = 0.22 and 0.80 (Erbs et al. 1982, figure 2 and eq. 1):
  // 1 - 0.09 * 0.22 = 0.9802; the quartic gives 0.165 at 0.80.
  EXPECT_NEAR(ErbsDiffuseFraction(0.22), 0.9802, 1e-12);
  EXPECT_NEAR(ErbsDiffuseFraction(0.2200001), 0.9802, 5e-4);
  EXPECT_NEAR(ErbsDiffuseFraction(0.80), 0.165, 5e-4);
  // kt = 0.5: 0.9511 - 0.0802 + 1.097 - 2.07975 + 0.771 = 0.65915.
  EXPECT_NEAR(ErbsDiffuseFraction(0.5), 0.65915, 1e-12);
  // Zenith 60: kt = 342 / (1368 * 0.5) = 0.5; the parts add up to GHI again.
  const Decomposition d = Erbs(342, 60, 1368);
  EXPECT_NEAR(d.kt, 0.5, 1e-12);
  EXPECT_NEAR(d.dhi, 342 * 0.65915, 1e-9);
  EXPECT_NEAR(d.dhi + d.dni * 0.5, 342, 1e-9);
  const Decomposition night = Erbs(5, 95, 1368);
  EXPECT_TRUE(night.dni == 0.0 && night.dhi == 5.0);
  // Extraterrestrial: 1367 (1.00011 + 0.034221 + 0.000719) on 1 January, the year's most.
  EXPECT_NEAR(ExtraterrestrialNormal(1), 1367 * 1.03505, 1e-9);
  EXPECT_NEAR(ExtraterrestrialNormal(185), 1321.5, 1.0);
  // A flat plane sees the whole sky and no ground, a vertical one half of each.
  EXPECT_DOUBLE_EQ(IsotropicSky(100, 0), 100);
  EXPECT_NEAR(IsotropicSky(100, 90), 50, 1e-12);
  EXPECT_DOUBLE_EQ(GroundReflected(500, 0), 0);
  EXPECT_NEAR(GroundReflected(500, 90), 50, 1e-12);
  EXPECT_NEAR(CosIncidence(30, 180, 30, 180), 1.0, 1e-15);
  // Refraction at the horizon is about 0.5 degrees (34'), none with the sun well below.
  EXPECT_NEAR(Refraction(0.0), 0.48, 0.03);
  EXPECT_EQ(Refraction(-2.0), 0.0);
}

TEST(PvWatts, CoverInverterAndDcAgainstPvWattsRows) {
  EXPECT_DOUBLE_EQ(CoverTransmittance(0), 1.0);
  EXPECT_TRUE(CoverTransmittance(90) == 0.0 && CoverTransmittance(std::nan("")) == 0.0);
  EXPECT_GT(CoverTransmittance(30), 0.99);  // flat near normal incidence
  EXPECT_LT(CoverTransmittance(80), CoverTransmittance(60));
  // The inverter's curve gives exactly eta_nom at its DC rating (zeta = 1), so it reaches
  // its AC rating there, and clips above; too little DC gives nothing.
  EXPECT_NEAR(InverterAc(1000 / 0.96, 1000, 0.96), 1000, 1e-9);
  EXPECT_EQ(InverterAc(2000, 1000, 0.96), 1000);
  EXPECT_TRUE(InverterAc(0.5, 1000, 0.96) == 0.0 && InverterAc(-3, 1000, 0.96) == 0.0);
  // PVWatts' own rows (4 kW standard, 14.08 %, 96 %, 1.2): 1 January 10:00, DC 1590.087 W
  // gives AC 1529.331 W; 08:00, DC 27.121 W gives 6.222 W; and at 08:00 the plane's 6.62
  // W/m2 of diffuse light alone (no cover loss) at a cell of -15.87 C gives 27.121 W DC.
  const double pac0 = 4000 / 1.2;
  EXPECT_NEAR(InverterAc(1590.087, pac0, 0.96), 1529.331, 0.001);
  EXPECT_NEAR(InverterAc(27.121, pac0, 0.96), 6.222, 0.001);
  EXPECT_NEAR(DcPower(6.62, -15.87, kDenver), 27.121, 0.01);
}

TEST(PvWatts, CellTemperatureModel) {
  // By definition, 800 W/m2, 20 C and 1 m/s hold a module at its installed NOCT (steady:
  // ten hours).
  EXPECT_NEAR(CellTemperature(800, 20, 1, 45, 20, 10), 45, 1e-3);
  EXPECT_NEAR(CellTemperature(800, 20, 1, 49, 20, 10), 49, 1e-3);
  // PVWatts' rows: 16 June 09:00, 842.479 W/m2, 27 C, 3 m/s: 46.619 C; 1 January 08:00,
  // 6.62 W/m2, -14 C, 3 m/s: -15.87 C (the cold sky draws the module below the air).
  EXPECT_NEAR(CellTemperature(842.479, 27, 3, 45, 27), 46.619, 0.5);
  EXPECT_NEAR(CellTemperature(6.62, -14, 3, 45, -16), -15.87, 0.2);
  // The thermal capacity: in the first 6 s the module warms at alpha G / C = 0.83 * 1000 /
  // 11000 K/s (less the sky's small draw), not at once.
  EXPECT_NEAR(CellTemperature(1000, 20, 1, 45, 20, 0.1 / 60), 20 + 0.83 * 1000 * 6 / 11000, 0.05);
  // Night: no light, the cell at the air's temperature, no power.
  const HourResult night = Hour(-0.5, {}, 5, 2, {}, System{});
  EXPECT_TRUE(night.ac == 0.0 && night.cellTemperature == 5.0);
  // A bright hour on a roof mount runs hotter than on a rack, and gives less DC.
  const PlaneLight light{700, 150, 20};
  const double cos20 = std::cos(20 * std::numbers::pi / 180);
  const HourResult rack = Hour(cos20, light, 25, 2, {}, System{});
  const HourResult roof = Hour(cos20, light, 25, 2, {}, System{1, Module::standard, Mount::roof});
  EXPECT_TRUE(roof.cellTemperature > rack.cellTemperature + 2 && roof.dc < rack.dc);
  EXPECT_NEAR(rack.transmitted, 700 * CoverTransmittance(20) + 170, 1e-9);
  EXPECT_NEAR(CoverTransmittanceCos(std::cos(75 * std::numbers::pi / 180)), CoverTransmittance(75), 1e-12);
}

TEST(Alignment, PvgisCsvFitsAndItsEpwIsAnHourEarly) {
  const auto csv = std::get<site::Weather>(
      files::ReadWeather(HALVESSA_TEST_DATA "/pvgis-tmy-45.000-8.000.csv"));
  const auto epw = std::get<site::Weather>(
      files::ReadWeather(HALVESSA_TEST_DATA "/pvgis-tmy-45.000-8.000.epw"));
  const auto begin = std::chrono::steady_clock::now();
  const energy::Alignment fits = energy::CheckAlignment(csv, csv.latitude, csv.longitude);
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - begin;
  std::printf("alignment check of %zu rows: %.2f ms\n", csv.rows.size(), took.count());
  // 8760 rows, 363 days (17 and 18 May have no light at all), no beam at night, no shift.
  EXPECT_EQ((std::array{fits.rows, fits.days, fits.nightBeamRows}),
            (std::array<std::size_t, 3>{8760, 363, 0}));
  EXPECT_LT(std::abs(fits.offsetHours), 0.25);
  EXPECT_TRUE(fits.bestShiftHours == 0 && !fits.warn && fits.correlation > 0.8);
  // The light an hour before the sun (too little to put beam into the night with the sun 2
  // degrees down): the file's times must move an hour later, and moved so, they fit.
  const energy::Alignment early = energy::CheckAlignment(epw, epw.latitude, epw.longitude);
  EXPECT_TRUE(early.bestShiftHours == 1 && early.warn && early.nightBeamRows == 0);
  EXPECT_NEAR(early.offsetHours, -1.0, 0.25);
  EXPECT_NEAR(early.fittedShiftHours - fits.fittedShiftHours, 1.0, 0.05);
  const energy::Alignment moved = energy::CheckAlignment(epw, epw.latitude, epw.longitude, 1.0);
  EXPECT_TRUE(std::abs(moved.fittedShiftHours - fits.fittedShiftHours) < 0.05 && !moved.warn);
}

// An hourly year whose row starting at t holds 1000 max(0, sin elevation) of the sun at its
// middle less lateHours (the light comes late by that much), with beam while that sun is up.
site::Weather Synthetic(double latitude, double longitude, double lateHours) {
  site::Weather weather;
  for (int hour = 0; hour < 8760; ++hour) {
    const std::int64_t start = SecondOfDay(DateSerial(2023, 1, 1)) + 3600LL * hour;
    double azimuth = 0, elevation = 0;
    geometry::SunPosition(SerialOfSecond(start) + (1800 - lateHours * 3600) / 86400.0, latitude,
                          longitude, 0, azimuth, elevation);
    const double sinE = std::max(0.0, geometry::SinD(elevation));
    weather.rows.push_back({.start = start, .length = 3600, .ghi = 1000 * sinE,
                            .dni = sinE > 0 ? 800.0 : 0.0});
  }
  return weather;
}

TEST(Alignment, FindsAKnownShiftAndCountsBeamAtNight) {
  for (const auto [latitude, longitude, late] :
       {std::array{45.0, 8.0, 0.0}, {45.0, 8.0, 3.0}, {-33.9, 151.2, -2.0}, {39.7, -105.2, 0.5},
        {64.0, -21.0, -1.0}}) {
    SCOPED_TRACE(testing::Message() << latitude << " " << longitude << " " << late);
    const site::Weather weather = Synthetic(latitude, longitude, late);
    const energy::Alignment found = energy::CheckAlignment(weather, latitude, longitude);
    EXPECT_NEAR(found.fittedShiftHours, -late, 0.05);
    EXPECT_NEAR(found.offsetHours, late, 0.05);
    // Named and warned of when not 0; light 2 or 3 hours off puts beam into the night, 30
    // minutes off none.
    EXPECT_TRUE(found.bestShiftHours == -late && found.warn == (late != 0));
    EXPECT_EQ(found.nightBeamFraction > 0.1, std::abs(late) >= 2);
    EXPECT_EQ(found.nightBeamRows == 0, std::abs(late) <= 0.5);
  }
  // Beam at 00:00-01:00 UT (solar midnight at 8 E) on 200 nights of an aligned year: counted,
  // and above 1 % of the beam, warned of though the shift fits. Nothing to measure: no warning.
  site::Weather night = Synthetic(45, 8, 0);
  const energy::Alignment aligned = energy::CheckAlignment(night, 45, 8);
  for (int day = 0; day < 200; ++day) night.rows[24 * day].dni = 300;
  const energy::Alignment found = energy::CheckAlignment(night, 45, 8);
  EXPECT_EQ((std::array{found.nightBeamRows, found.beamRows}),
            (std::array{std::size_t{200}, aligned.beamRows + 200}));
  EXPECT_TRUE(found.bestShiftHours == 0 && found.warn && !aligned.warn);
  EXPECT_FALSE(energy::CheckAlignment(site::Weather{}, 45, 8).warn ||
               energy::CheckAlignment(night, NAN, 8).warn);
}

}  // namespace
