#include <gtest/gtest.h>

#include "geometry/module1.h"
#include "test_support.h"

namespace halvessa::geometry {
namespace {

TEST(Clamp, BoundsTestedInOrder) {
  EXPECT_EQ(Clamp(-3, -1, 1), -1.0);
  EXPECT_EQ(Clamp(1.5, -1, 1), 1.0);
  EXPECT_EQ(Clamp(0.3, -1, 1), 0.3);
  EXPECT_EQ(Clamp(-1, -1, 1), -1.0);
  EXPECT_EQ(Clamp(1, -1, 1), 1.0);
}

TEST(AngleOfIncidence, GeometricCases) {
  // A flat panel sees the sun at its zenith distance, whatever the panel's azimuth.
  for (double panelAz : {0.0, 90.0, 180.0, 275.0}) {
    EXPECT_NEAR(AngleOfIncidence(189, 63.28, panelAz, 0), 26.72, 1e-9) << panelAz;
  }
  // With the sun at the zenith the angle is the tilt.
  for (double tilt : {0.0, 10.0, 45.0, 89.0, 90.0}) {
    EXPECT_NEAR(AngleOfIncidence(123, 90, 200, tilt), tilt, 1e-9) << tilt;
  }
  // A panel turned squarely to the sun.
  const double facing = AngleOfIncidence(189, 63.28, 189, 90 - 63.28);
  EXPECT_NEAR(facing, 0.0, 1e-6);
  EXPECT_NEAR(AOIToProduction(facing), 100.0, 1e-9);
  // The elevation is not looked at on its own: a sun below the horizon still counts.
  EXPECT_NEAR(AngleOfIncidence(300, -30, 300, 70), 50.0, 1e-9);
  EXPECT_NEAR(AOIToProduction(AngleOfIncidence(300, -30, 300, 70)), 51.535, 5e-4);
  // Back to the sun.
  EXPECT_NEAR(AngleOfIncidence(0, 30, 180, 90), 150.0, 1e-9);
  EXPECT_EQ(AOIToProduction(AngleOfIncidence(0, 30, 180, 90)), 0.0);
}

TEST(AngleOfIncidence, StaysWithinZeroTo180) {
  for (int i = 0; i < 2000; ++i) {
    const double aoi = AngleOfIncidence(i * 7.3, i * 0.19 - 190, i * 11.1, i * 0.37 - 370);
    EXPECT_GE(aoi, 0.0);
    EXPECT_LE(aoi, 180.0);
  }
}

TEST(AOIToProduction, CosineToThePowerOneAndAHalf) {
  EXPECT_EQ(AOIToProduction(0), 100.0);
  EXPECT_NEAR(AOIToProduction(45), 59.460, 5e-4);
  EXPECT_NEAR(AOIToProduction(60), 35.355, 5e-4);
  EXPECT_NEAR(AOIToProduction(89.9), 0.0073, 5e-5);
  EXPECT_EQ(AOIToProduction(90), 0.0);
  EXPECT_EQ(AOIToProduction(120), 0.0);
}

TEST(AngleOfIncidence, FiveGenevaPanels) {
  double azimuth = 0;
  double elevation = 0;
  SunPosition(test::Moment(2025, 7, 24, 14), 46.205556, 6.154444, 2, azimuth, elevation);
  struct Case {
    double panelAz, tilt, aoi, production;
  };
  for (const Case& c : {Case{151, 45, 28.099, 82.852}, Case{331, 20, 44.097, 60.861},
                        Case{151, 20, 16.151, 94.138}, Case{331, 70, 91.573, 0.0},
                        Case{151, 70, 50.324, 51.013}}) {
    const double aoi = AngleOfIncidence(azimuth, elevation, c.panelAz, c.tilt);
    EXPECT_NEAR(aoi, c.aoi, 5e-4) << c.panelAz << "/" << c.tilt;
    EXPECT_NEAR(AOIToProduction(aoi), c.production, 5e-4) << c.panelAz << "/" << c.tilt;
  }
}

}  // namespace
}  // namespace halvessa::geometry
