// The irradiance models and the PVWatts chain against published values: the Perez example,
// Erbs' diffuse fraction, the air mass, and rows of PVWatts' own hourly output (the
// Denver file of tests/data: its DC and AC of an hour, its cell temperature).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "energy/irradiance.h"
#include "energy/pvwatts.h"

namespace {

using namespace halvessa::energy;

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
  EXPECT_EQ(night.dni, 0.0);
  EXPECT_EQ(night.dhi, 5.0);
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
  EXPECT_EQ(CoverTransmittance(90), 0.0);
  EXPECT_EQ(CoverTransmittance(std::nan("")), 0.0);
  EXPECT_GT(CoverTransmittance(30), 0.99);  // flat near normal incidence
  EXPECT_LT(CoverTransmittance(80), CoverTransmittance(60));
  // The inverter's curve gives exactly eta_nom at its DC rating (zeta = 1), so it reaches
  // its AC rating there, and clips above; too little DC gives nothing.
  EXPECT_NEAR(InverterAc(1000 / 0.96, 1000, 0.96), 1000, 1e-9);
  EXPECT_EQ(InverterAc(2000, 1000, 0.96), 1000);
  EXPECT_EQ(InverterAc(0.5, 1000, 0.96), 0.0);
  EXPECT_EQ(InverterAc(-3, 1000, 0.96), 0.0);
  // PVWatts' own rows (4 kW standard, 14.08 %, 96 %, 1.2): 1 January 10:00, DC 1590.087 W
  // gives AC 1529.331 W; 08:00, DC 27.121 W gives 6.222 W; and at 08:00 the plane's 6.62
  // W/m2 of diffuse light alone (no cover loss) at a cell of -15.87 C gives 27.121 W DC.
  const System denver{4.0, Module::standard, Mount::openRack, 14.08, 96.0, 1.2};
  const double pac0 = 4000 / 1.2;
  EXPECT_NEAR(InverterAc(1590.087, pac0, 0.96), 1529.331, 0.001);
  EXPECT_NEAR(InverterAc(27.121, pac0, 0.96), 6.222, 0.001);
  EXPECT_NEAR(DcPower(6.62, -15.87, denver), 27.121, 0.01);
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
  EXPECT_EQ(night.ac, 0.0);
  EXPECT_EQ(night.cellTemperature, 5.0);
  // A bright hour on a roof mount runs hotter than on a rack, and gives less DC.
  const PlaneLight light{700, 150, 20};
  const HourResult rack = Hour(std::cos(20 * std::numbers::pi / 180), light, 25, 2, {}, System{});
  const HourResult roof = Hour(std::cos(20 * std::numbers::pi / 180), light, 25, 2, {},
                               System{1, Module::standard, Mount::roof});
  EXPECT_GT(roof.cellTemperature, rack.cellTemperature + 2);
  EXPECT_LT(roof.dc, rack.dc);
  EXPECT_NEAR(rack.transmitted, 700 * CoverTransmittance(20) + 170, 1e-9);
  EXPECT_NEAR(CoverTransmittanceCos(std::cos(75 * std::numbers::pi / 180)), CoverTransmittance(75), 1e-12);
}

}  // namespace
