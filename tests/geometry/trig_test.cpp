#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "geometry/module1.h"

namespace halvessa::geometry {
namespace {

TEST(DegreeTrig, ConversionsUseTheFifteenDigitPi) {
  EXPECT_EQ(DegToRad(180.0), 3.14159265358979);
  EXPECT_EQ(RadToDeg(3.14159265358979), 180.0);
  for (double x : {-720.5, -90.0, 0.1, 1.0, 33.3, 359.99, 1e6}) {
    EXPECT_NEAR(RadToDeg(DegToRad(x)), x, 4 * std::abs(x) * 2.3e-16) << x;
  }
}

TEST(DegreeTrig, SineCosineTangentAreNotSnappedToExactValues) {
  // The conversion constant lies slightly below pi, so the zeros are not hit exactly.
  EXPECT_GT(SinD(180.0), 1e-15);
  EXPECT_LT(SinD(180.0), 1e-14);
  EXPECT_GT(CosD(90.0), 1e-15);
  EXPECT_LT(CosD(90.0), 1e-14);
  EXPECT_TRUE(std::isfinite(TanD(90.0)));
  EXPECT_GT(TanD(90.0), 1e14);
  EXPECT_NEAR(SinD(30.0), 0.5, 1e-15);
  EXPECT_NEAR(CosD(-60.0), 0.5, 1e-15);
  EXPECT_NEAR(TanD(45.0), 1.0, 4e-15);
}

TEST(DegreeTrig, InverseSineAndCosineSaturate) {
  EXPECT_EQ(ASinD(1.0), 90.0);
  EXPECT_EQ(ASinD(1.5), 90.0);
  EXPECT_EQ(ASinD(-1.0), -90.0);
  EXPECT_EQ(ASinD(-7.0), -90.0);
  EXPECT_EQ(ASinD(0.0), 0.0);
  EXPECT_NEAR(ASinD(0.5), 30.0, 1e-12);
  EXPECT_EQ(ACosD(1.0), 0.0);
  EXPECT_EQ(ACosD(2.0), 0.0);
  EXPECT_EQ(ACosD(-1.0), 180.0);
  EXPECT_EQ(ACosD(-2.0), 180.0);
  // The full-precision quarter turn against the shorter conversion constant.
  EXPECT_GT(ACosD(0.0), 90.0);
  EXPECT_NEAR(ACosD(0.0), 90.0, 1e-12);
}

TEST(DegreeTrig, InversesAgreeWithTheLibraryInsideTheDomain) {
  for (int i = -999; i <= 999; i += 37) {
    const double x = i / 1000.0;
    EXPECT_NEAR(ASinD(x), std::asin(x) * 180.0 / std::numbers::pi, 1e-9) << x;
    EXPECT_NEAR(ACosD(x), std::acos(x) * 180.0 / std::numbers::pi, 1e-9) << x;
  }
}

TEST(DegreeTrig, TwoArgumentArctangentQuadrants) {
  EXPECT_EQ(ATan2D(0.0, 0.0), 0.0);
  EXPECT_EQ(ATan2D(1.0, 0.0), 90.0);
  EXPECT_EQ(ATan2D(-1.0, 0.0), -90.0);
  EXPECT_NEAR(ATan2D(1.0, 1.0), 45.0, 1e-12);
  EXPECT_NEAR(ATan2D(-1.0, 1.0), -45.0, 1e-12);
  EXPECT_NEAR(ATan2D(1.0, -1.0), 135.0, 1e-12);
  EXPECT_NEAR(ATan2D(-1.0, -1.0), -135.0, 1e-12);
  // On the negative x axis the answer is 0, not 180.
  EXPECT_EQ(ATan2D(0.0, -1.0), 0.0);
  EXPECT_EQ(ATan2D(-0.0, -1.0), 0.0);
}

}  // namespace
}  // namespace halvessa::geometry
