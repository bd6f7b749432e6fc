#include "site/horizon.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace halvessa::site {

namespace {

constexpr double kRadian = std::numbers::pi / 180.0;
constexpr double kZenith = std::numbers::pi / 2.0;

// The integral of (A cos e + B sin e) cos e over elevation e.
double Primitive(double a, double b, double e) {
  const double s = std::sin(e);
  return a * (e / 2.0 + std::sin(2.0 * e) / 4.0) + b * s * s / 2.0;
}

// The cosine-weighted sky of one azimuth from elevation low to the zenith: the integral of
// the cosine of incidence A cos e + B sin e against cos e, where it is positive. On 0 to 90
// degrees that cosine changes sign at most once (its zeros lie 180 degrees apart), so where
// it is positive is one interval, found from its signs at the horizontal (A) and the zenith (B).
double Column(double a, double b, double low) {
  double from = low;
  double to = kZenith;
  if (a < 0 && b <= 0) return 0.0;
  if (a < 0) {
    from = std::max(from, std::atan2(-a, b));  // the plane's rim, above the horizontal
  } else if (b < 0) {
    to = std::atan2(a, -b);  // a plane facing down sees up to its rim only
  }
  return from < to ? Primitive(a, b, to) - Primitive(a, b, from) : 0.0;
}

}  // namespace

Horizon::Horizon(std::vector<Point> points) : points_(std::move(points)) {
  flat_ = std::none_of(points_.begin(), points_.end(), [](const Point& p) { return p.height > 0; });
}

double Horizon::heightAt(double azimuth) const {
  if (points_.empty() || !std::isfinite(azimuth)) return 0.0;
  if (points_.size() == 1) return points_.front().height;
  double a = std::fmod(azimuth, 360.0);
  if (a < 0) a += 360.0;
  if (a >= 360.0) a = 0.0;  // a tiny negative azimuth plus 360
  const auto next =
      std::upper_bound(points_.begin(), points_.end(), a,
                       [](double value, const Point& p) { return value < p.azimuth; });
  const Point& high = next == points_.end() ? points_.front() : *next;
  const Point& low = next == points_.begin() ? points_.back() : *(next - 1);
  double span = high.azimuth - low.azimuth;
  if (span <= 0) span += 360.0;  // around 360
  double along = a - low.azimuth;
  if (along < 0) along += 360.0;
  return low.height + (high.height - low.height) * (along / span);
}

double Horizon::skyFactor(double panelAzimuth, double tilt) const {
  if (flat_) return 1.0;
  const double sinTilt = std::sin(tilt * kRadian);
  const double cosTilt = std::cos(tilt * kRadian);
  double above = 0.0;
  double open = 0.0;
  for (int i = 0; i < kSkySteps; ++i) {
    const double azimuth = (i + 0.5) * (360.0 / kSkySteps);
    const double a = sinTilt * std::cos((azimuth - panelAzimuth) * kRadian);
    open += Column(a, cosTilt, 0.0);
    above += Column(a, cosTilt, std::max(0.0, heightAt(azimuth)) * kRadian);
  }
  // A plane facing straight down sees no sky: nothing to scale.
  return open > 1e-12 ? above / open : 1.0;
}

}  // namespace halvessa::site
