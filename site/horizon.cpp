#include "site/horizon.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace halvessa::site {

namespace {

constexpr double kRadian = std::numbers::pi / 180.0;
constexpr double kZenith = std::numbers::pi / 2.0;

// The integral of (A cos e + B sin e) cos e over elevation e, from e's sine and cosine.
double Primitive(double a, double b, double e, double sinE, double cosE) {
  return a * (e / 2.0 + sinE * cosE / 2.0) + b * sinE * sinE / 2.0;
}

// The cosine-weighted sky of one azimuth from elevation low to the zenith: the integral of
// the cosine of incidence A cos e + B sin e against cos e, where it is positive. On 0 to 90
// degrees that cosine changes sign at most once (its zeros lie 180 degrees apart), so where
// it is positive is one interval, found from its signs at the horizontal (A) and the zenith (B).
// Its ends are the plane's rim (where that cosine is 0), low, or the zenith.
class Column {
 public:
  Column(double a, double b) : a_(a), b_(b) {
    if (a < 0 && b <= 0) {
      none_ = true;
    } else if (a < 0) {
      rim_ = std::atan2(-a, b);  // the plane's rim, above the horizontal
      const double r = std::hypot(a, b);
      fromRim_ = Primitive(a, b, rim_, -a / r, b / r);
    } else if (b < 0) {
      rim_ = std::atan2(a, -b);  // a plane facing down sees up to its rim only
      const double r = std::hypot(a, b);
      rimIsTop_ = true;
      top_ = Primitive(a, b, rim_, a / r, -b / r);
      return;
    }
    top_ = a * kZenith / 2.0 + b / 2.0;
  }

  // From the elevation low (radians, 0 to the zenith) with its sine and cosine.
  double above(double low, double sinLow, double cosLow) const {
    if (none_) return 0.0;
    if (rimIsTop_) return low < rim_ ? top_ - Primitive(a_, b_, low, sinLow, cosLow) : 0.0;
    if (low <= rim_) return top_ - fromRim_;  // the rim lies below the zenith
    return top_ - Primitive(a_, b_, low, sinLow, cosLow);
  }

 private:
  double a_, b_;
  double rim_ = 0.0;  // the rim's elevation, or 0 when the plane sees the whole column
  double top_ = 0.0, fromRim_ = 0.0;
  bool none_ = false, rimIsTop_ = false;
};

// The sine and cosine of each sector's middle azimuth.
struct SectorAzimuths {
  std::vector<double> sin, cos;
  SectorAzimuths() {
    for (int i = 0; i < Horizon::kSkySteps; ++i) {
      const double azimuth = (i + 0.5) * (360.0 / Horizon::kSkySteps) * kRadian;
      sin.push_back(std::sin(azimuth));
      cos.push_back(std::cos(azimuth));
    }
  }
};

}  // namespace

Horizon::Horizon(std::vector<Point> points) : points_(std::move(points)) {
  flat_ = std::none_of(points_.begin(), points_.end(), [](const Point& p) { return p.height > 0; });
  if (flat_) return;
  sectors_.reserve(kSkySteps);
  for (int i = 0; i < kSkySteps; ++i) {
    const double low = std::max(0.0, heightAt((i + 0.5) * (360.0 / kSkySteps))) * kRadian;
    sectors_.push_back({low, std::sin(low), std::cos(low)});
  }
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
  static const SectorAzimuths azimuths;
  const double sinTilt = std::sin(tilt * kRadian);
  const double cosTilt = std::cos(tilt * kRadian);
  const double sinPanel = std::sin(panelAzimuth * kRadian);
  const double cosPanel = std::cos(panelAzimuth * kRadian);
  double above = 0.0;
  double open = 0.0;
  for (int i = 0; i < kSkySteps; ++i) {
    // sin tilt cos(azimuth - panelAzimuth)
    const double a = sinTilt * (azimuths.cos[i] * cosPanel + azimuths.sin[i] * sinPanel);
    const Column column(a, cosTilt);
    const Sector& sector = sectors_[i];
    open += column.above(0.0, 0.0, 1.0);
    above += column.above(sector.low, sector.sinLow, sector.cosLow);
  }
  // A plane facing straight down sees no sky: nothing to scale.
  return open > 1e-12 ? above / open : 1.0;
}

}  // namespace halvessa::site
