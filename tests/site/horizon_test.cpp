// The horizon: heights between and around its points, the sun hidden, and the sky's fraction
// each plane keeps (tables printed by horizon_expected.py, which integrates another way).
#include "site/horizon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace halvessa::site {
namespace {

TEST(Horizon, InterpolatesLinearlyAndAround360) {
  const Horizon h({{0, 10}, {90, 20}, {270, 0}});
  const std::vector<std::pair<double, double>> cases{
      {0, 10}, {45, 15}, {90, 20}, {180, 10}, {270, 0}, {315, 5}, {-45, 5}, {405, 15}, {360, 10}};
  for (const auto& [azimuth, height] : cases) {
    EXPECT_DOUBLE_EQ(h.heightAt(azimuth), height) << azimuth;
  }
  EXPECT_EQ(h.heightAt(std::numeric_limits<double>::quiet_NaN()), 0);

  // No point at north: the segment from the last point to the first crosses 360.
  const Horizon offset({{10, 4}, {350, 8}});
  EXPECT_DOUBLE_EQ(offset.heightAt(0), 6);
  EXPECT_DOUBLE_EQ(offset.heightAt(355), 7);
  EXPECT_DOUBLE_EQ(offset.heightAt(-1e-300), 6);
  EXPECT_DOUBLE_EQ(offset.heightAt(180), 6);

  EXPECT_EQ(Horizon().heightAt(123), 0);
  EXPECT_EQ(Horizon({{200, 7}}).heightAt(3), 7);
  EXPECT_TRUE(Horizon().flat() && Horizon({{0, 0}, {180, -2}}).flat() && !h.flat());
}

TEST(Horizon, HidesTheSunAtOrBelowItsHeight) {
  const Horizon h({{0, 10}, {90, 20}, {270, 0}});
  EXPECT_TRUE(Horizon().blocks(180, 0) && h.blocks(90, 20) && h.blocks(45, 14.9));
  EXPECT_FALSE(Horizon().blocks(180, 1e-9) || h.blocks(90, 20.001) || h.blocks(270, 0.5));
  EXPECT_FALSE(Horizon({{0, -2}}).blocks(0, -1));  // the sea seen from a cliff
}

struct Plane {
  double azimuth, tilt, fraction;
};

void ExpectFractions(const Horizon& horizon, const std::vector<Plane>& planes) {
  for (const Plane& p : planes) {
    const double fraction = horizon.skyFactor(p.azimuth, p.tilt);
    EXPECT_NEAR(fraction, p.fraction, 1.5e-5) << p.azimuth << "/" << p.tilt;
  }
}

TEST(Horizon, KeepsThePartOfTheIsotropicSkyAboveIt) {
  struct Uniform {
    double height, azimuth, tilt, fraction;
  };
  // A uniform horizon: height, plane's azimuth and tilt, fraction (flat plane: cos^2 h)
  const Uniform uniform[] = {
      {20, 0, 0, 0.88302},
      {45, 0, 0, 0.50000},
      {20, 180, 90, 0.57317},
      {20, 180, 35, 0.80700},
      {10, 90, 60, 0.86273},
  };
  for (const Uniform& u : uniform) {
    ExpectFractions(Horizon({{0, u.height}}), {{u.azimuth, u.tilt, u.fraction}});
  }
  const double c = std::cos(20 * std::numbers::pi / 180);
  EXPECT_NEAR(Horizon({{0, 20}, {180, 20}}).skyFactor(0, 0), c * c, 1e-12);  // 0.8830

  // The shared file's horizon: plane's azimuth and tilt, fraction
  const double shared[] = {9.9, 13, 14.5, 15.7, 14.9, 15.3, 15.7, 15.7, 13, 11.5, 11.1, 11.5,
                           10.3, 11.5, 10.3, 9.5, 10.7, 11.8, 11.8, 8.8, 8.4, 7.3, 5.7, 5.7,
                           4.6, 3.4, 0.8, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                           0, 0, 0, 0, 0, 0, 1.1, 1.9, 3.8, 5, 6.5, 9.2};
  std::vector<Horizon::Point> points;
  for (int i = 0; i < 48; ++i) points.push_back({7.5 * i, shared[i]});
  ExpectFractions(Horizon(points), {
      {0, 0, 0.97805},
      {180, 35, 0.96176},
      {90, 90, 0.74533},
      {151, 45, 0.92638},
      {331, 70, 0.90689},
      {180, 120, 0.83883},
  });
  // A hill of 30 degrees from 90 to 180, peak at 135: plane's azimuth and tilt, fraction
  ExpectFractions(Horizon({{0, 0}, {90, 0}, {135, 30}, {180, 0}}), {
      {0, 0, 0.97837},
      {135, 90, 0.76268},
      {180, 35, 0.92761},
      {315, 90, 1.00000},
      {-45, -30, 0.91634},
  });

  EXPECT_TRUE(Horizon().skyFactor(151, 45) == 1.0 && Horizon({{0, -3}}).skyFactor(151, 45) == 1.0);
  EXPECT_EQ(Horizon({{0, 20}}).skyFactor(0, 180), 1.0);  // facing down: no sky to scale
  EXPECT_EQ(Horizon({{0, 90}}).skyFactor(0, 0), 0.0);
}

}  // namespace
}  // namespace halvessa::site
