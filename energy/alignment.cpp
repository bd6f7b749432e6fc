#include "energy/alignment.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace halvessa::energy {
namespace {

constexpr double kRad = std::numbers::pi / 180.0;

// Degrees to [-180, 180).
double Wrap180(double degrees) {
  const double d = std::fmod(degrees + 180.0, 360.0);
  return (d < 0 ? d + 360.0 : d) - 180.0;
}

// The sun at an instant by the Astronomical Almanac's low-precision formulas: sin and cos of
// the declination, and the hour angle at a longitude, degrees in [-180, 180).
struct Sun {
  double sinDelta, cosDelta, hourAngle;
};

Sun SunAt(double unixSeconds, double longitude) {
  const double n = unixSeconds / 86400.0 - 10957.5;  // days from 2000-01-01 12:00 UT (J2000.0)
  const double L = std::fmod(280.460 + 0.9856474 * n, 360.0);
  const double g = std::fmod(357.528 + 0.9856003 * n, 360.0) * kRad;
  const double lambda = (L + 1.915 * std::sin(g) + 0.020 * std::sin(2 * g)) * kRad;
  const double epsilon = (23.439 - 0.0000004 * n) * kRad;
  const double sinLambda = std::sin(lambda);
  const double alpha = std::atan2(std::cos(epsilon) * sinLambda, std::cos(lambda)) / kRad;
  const double sinDelta = std::sin(epsilon) * sinLambda;
  const double gmst = std::fmod(18.697374558 + 24.06570982441908 * n, 24.0);  // hours
  return {sinDelta, std::sqrt(1 - sinDelta * sinDelta), Wrap180(15.0 * gmst + longitude - alpha)};
}

}  // namespace

Alignment CheckAlignment(const site::Weather& weather, double latitude, double longitude,
                         double shiftHours) {
  Alignment result;
  if (!std::isfinite(latitude) || !std::isfinite(longitude) || !std::isfinite(shiftHours))
    return result;
  const double sinPhi = std::sin(latitude * kRad), cosPhi = std::cos(latitude * kRad);
  const double sinNight = std::sin(kNightElevation * kRad);
  const bool stated = std::isfinite(weather.centreSeconds);

  // Per row measured: sin elevation = a + b cos(H + 15 s), and its light x.
  const std::size_t n = weather.rows.size();
  std::vector<double> a, b, cosH, sinH, x;
  a.reserve(n), b.reserve(n), cosH.reserve(n), sinH.reserve(n), x.reserve(n);

  // The day being summed (solar days of mean solar time) and the year's sums of the days.
  double dayKey = site::kAbsent, dayLight = 0, dayLightTime = 0, daySun = 0, daySunTime = 0;
  double offsetSum = 0, weightSum = 0;
  const auto closeDay = [&] {
    if (dayLight > 0 && daySun > 0) {
      // (light's mean hour - sun's mean hour), weighted by the day's light
      offsetSum += dayLightTime - dayLight / daySun * daySunTime;
      weightSum += dayLight;
      ++result.days;
    }
    dayLight = dayLightTime = daySun = daySunTime = 0;
  };

  for (const site::WeatherRow& row : weather.rows) {
    const double intoRow = stated ? weather.centreSeconds : row.length / 2.0;
    const double t = static_cast<double>(row.start) + intoRow + shiftHours * 3600.0;
    const Sun sun = SunAt(t, longitude);
    const double ai = sinPhi * sun.sinDelta, bi = cosPhi * sun.cosDelta;
    const double cosHi = std::cos(sun.hourAngle * kRad), sinE = ai + bi * cosHi;

    double light = row.ghi;
    if (!std::isfinite(light) && std::isfinite(row.dni) && std::isfinite(row.dhi))
      light = row.dhi + row.dni * std::max(0.0, sinE);
    if (!std::isfinite(light)) continue;
    ++result.rows;

    double beam = row.dni;
    if (!std::isfinite(beam)) beam = std::isfinite(row.dhi) ? row.ghi - row.dhi : row.ghi;
    if (beam > kNightBeam) {
      ++result.beamRows;
      // The highest sun over the interval: at its noon when it holds one, else at an end.
      const double h0 = Wrap180(sun.hourAngle - intoRow / 240.0), h1 = h0 + row.length / 240.0;
      const double top = h0 <= 0 && h1 >= 0
                             ? ai + bi
                             : ai + bi * std::max(std::cos(h0 * kRad), std::cos(h1 * kRad));
      if (top < sinNight) ++result.nightBeamRows;
    }

    const double solar = t + longitude * 240.0;  // seconds of mean solar time
    const double key = std::floor(solar / 86400.0);
    if (key != dayKey) closeDay(), dayKey = key;
    const double hour = (solar - key * 86400.0) / 3600.0, weight = std::max(0.0, sinE);
    dayLight += light, dayLightTime += light * hour;
    daySun += weight, daySunTime += weight * hour;

    a.push_back(ai), b.push_back(bi), x.push_back(light);
    cosH.push_back(cosHi), sinH.push_back(std::sin(sun.hourAngle * kRad));
  }
  closeDay();
  if (result.rows == 0) return result;
  if (result.beamRows > 0)
    result.nightBeamFraction = static_cast<double>(result.nightBeamRows) / result.beamRows;
  if (weightSum > 0) result.offsetHours = offsetSum / weightSum;

  // The correlation of the light with the sun at each shift tried.
  const std::size_t m = x.size();
  double sx = 0, sxx = 0;
  for (double v : x) sx += v, sxx += v * v;
  constexpr int kSteps = static_cast<int>(12.0 / kShiftStep);
  std::vector<double> r(2 * kSteps + 1, -2.0);
  for (int k = -kSteps; k <= kSteps; ++k) {
    const double turn = 15.0 * k * kShiftStep * kRad, c = std::cos(turn), s = std::sin(turn);
    double sy = 0, syy = 0, sxy = 0;
    for (std::size_t i = 0; i < m; ++i) {
      const double y = std::max(0.0, a[i] + b[i] * (cosH[i] * c - sinH[i] * s));
      sy += y, syy += y * y, sxy += x[i] * y;
    }
    const double varX = m * sxx - sx * sx, varY = m * syy - sy * sy;
    if (varX > 0 && varY > 0) r[k + kSteps] = (m * sxy - sx * sy) / std::sqrt(varX * varY);
  }
  const int best = static_cast<int>(std::max_element(r.begin(), r.end()) - r.begin());
  if (r[best] < -1.0) return result;  // no variation: nothing to fit
  double step = 0;
  if (best > 0 && best < 2 * kSteps) {
    const double lo = r[best - 1], mid = r[best], hi = r[best + 1];
    const double curve = lo - 2 * mid + hi;
    if (curve < 0) step = std::clamp(0.5 * (lo - hi) / curve, -0.5, 0.5);
  }
  result.correlation = r[best];
  result.fittedShiftHours = (best - kSteps + step) * kShiftStep;
  result.bestShiftHours = std::round(result.fittedShiftHours / kShiftRound) * kShiftRound + 0.0;
  result.warn = result.bestShiftHours != 0 || result.nightBeamFraction > kWarnNightFraction;
  return result;
}

}  // namespace halvessa::energy
