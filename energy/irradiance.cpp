#include "energy/irradiance.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace halvessa::energy {

namespace {

constexpr double kRad = std::numbers::pi / 180.0;

double Cos(double degrees) { return std::cos(degrees * kRad); }

// Perez et al. 1990, Table 6: the all-sites composite coefficients f11, f12, f13, f21, f22,
// f23 for the eight sky-clearness bins, whose lower bounds of epsilon are kEpsilonBound.
constexpr std::array<double, 8> kEpsilonBound = {1.0, 1.065, 1.230, 1.500,
                                                 1.950, 2.800, 4.500, 6.200};
constexpr std::array<std::array<double, 6>, 8> kF = {{
    {-0.008, 0.588, -0.062, -0.060, 0.072, -0.022},
    {0.130, 0.683, -0.151, -0.019, 0.066, -0.029},
    {0.330, 0.487, -0.221, 0.055, -0.064, -0.026},
    {0.568, 0.187, -0.295, 0.109, -0.152, -0.014},
    {0.873, -0.392, -0.362, 0.226, -0.462, 0.001},
    {1.132, -1.237, -0.412, 0.288, -0.823, 0.056},
    {1.060, -1.600, -0.359, 0.264, -1.127, 0.131},
    {0.678, -0.327, -0.250, 0.156, -1.377, 0.251},
}};

}  // namespace

double ExtraterrestrialNormal(int dayOfYear) {
  const double Gamma = 2.0 * std::numbers::pi * (dayOfYear - 1) / 365.0;
  const double E0 = 1.000110 + 0.034221 * std::cos(Gamma) + 0.001280 * std::sin(Gamma) +
                    0.000719 * std::cos(2.0 * Gamma) + 0.000077 * std::sin(2.0 * Gamma);
  return kSolarConstant * E0;
}

double RelativeAirMass(double zenith) {
  if (!(zenith <= 90.0)) return std::nan("");
  return 1.0 / (Cos(zenith) + 0.50572 * std::pow(96.07995 - zenith, -1.6364));
}

double Refraction(double elevation, double pressureMbar, double temperature) {
  if (!(elevation >= -(0.26667 + 0.5667))) return 0.0;
  return (pressureMbar / 1010.0) * (283.0 / (273.0 + temperature)) * 1.02 /
         (60.0 * std::tan((elevation + 10.3 / (elevation + 5.11)) * kRad));
}

double ErbsDiffuseFraction(double kt) {
  if (kt <= 0.22) return 1.0 - 0.09 * kt;
  if (kt <= 0.80)
    return 0.9511 - 0.1604 * kt + 4.388 * kt * kt - 16.638 * kt * kt * kt +
           12.336 * kt * kt * kt * kt;
  return 0.165;
}

Decomposition Erbs(double ghi, double zenith, double extraterrestrial) {
  const double cosZ = Cos(zenith);
  if (!(ghi > 0.0) || !(cosZ > 0.0)) return {0.0, 0.0, std::max(ghi, 0.0)};
  const double kt = std::min(ghi / (extraterrestrial * cosZ), 1.0);
  const double dhi = ghi * ErbsDiffuseFraction(kt);
  return {kt, std::max((ghi - dhi) / cosZ, 0.0), dhi};
}

Plane PlaneOf(double tilt, double surfaceAzimuth) {
  return {tilt, Cos(tilt), std::sin(tilt * kRad), Cos(surfaceAzimuth),
          std::sin(surfaceAzimuth * kRad)};
}

SunDirection SunOf(double zenith, double sunAzimuth) {
  return {zenith, Cos(zenith), std::sin(zenith * kRad), Cos(sunAzimuth),
          std::sin(sunAzimuth * kRad)};
}

// cos theta = cos z cos beta + sin z sin beta cos(sun azimuth - surface azimuth).
double CosIncidence(const Plane& plane, const SunDirection& sun) {
  return sun.cosZenith * plane.cosTilt +
         sun.sinZenith * plane.sinTilt *
             (sun.cosAzimuth * plane.cosAzimuth + sun.sinAzimuth * plane.sinAzimuth);
}

double CosIncidence(double tilt, double surfaceAzimuth, double zenith, double sunAzimuth) {
  return CosIncidence(PlaneOf(tilt, surfaceAzimuth), SunOf(zenith, sunAzimuth));
}

double IsotropicSky(double dhi, const Plane& plane) { return dhi * (1.0 + plane.cosTilt) / 2.0; }

double IsotropicSky(double dhi, double tilt) { return dhi * (1.0 + Cos(tilt)) / 2.0; }

double GroundReflected(double ghi, const Plane& plane, double albedo) {
  return ghi * albedo * (1.0 - plane.cosTilt) / 2.0;
}

double GroundReflected(double ghi, double tilt, double albedo) {
  return ghi * albedo * (1.0 - Cos(tilt)) / 2.0;
}

PerezCoefficients PerezOf(const SunDirection& sun, double dhi, double dni, double extraterrestrial,
                          double airMass) {
  PerezCoefficients c;
  if (!(dhi > 0.0) || !(sun.zenith < 90.0)) return c;
  const double Z = sun.zenith * kRad;
  const double kappaZ3 = 1.041 * Z * Z * Z;
  const double epsilon = ((dhi + dni) / dhi + kappaZ3) / (1.0 + kappaZ3);
  const double Delta = dhi * airMass / extraterrestrial;
  int bin = 0;
  while (bin < 7 && epsilon >= kEpsilonBound[bin + 1]) ++bin;
  const auto& f = kF[bin];
  static const double cos85 = Cos(85.0);
  c.F1 = std::max(0.0, f[0] + f[1] * Delta + f[2] * Z);
  c.F2 = f[3] + f[4] * Delta + f[5] * Z;
  c.b = std::max(cos85, sun.cosZenith);
  c.bin = bin + 1;
  return c;
}

PerezSky Perez(const Plane& plane, const SunDirection& sun, double dhi, double dni,
               double extraterrestrial, double airMass) {
  return Perez(plane, sun, dhi, PerezOf(sun, dhi, dni, extraterrestrial, airMass));
}

PerezSky Perez(const Plane& plane, const SunDirection& sun, double dhi,
               const PerezCoefficients& c) {
  PerezSky sky;
  if (!(dhi > 0.0)) return sky;
  if (!(sun.zenith < 90.0)) {
    sky.isotropic = IsotropicSky(dhi, plane);
    return sky;
  }
  const double a = std::max(0.0, CosIncidence(plane, sun));
  sky.isotropic = dhi * (1.0 - c.F1) * (1.0 + plane.cosTilt) / 2.0;
  sky.circumsolar = dhi * c.F1 * a / c.b;
  sky.horizon = dhi * c.F2 * plane.sinTilt;
  sky.bin = c.bin;
  return sky;
}

PerezSky Perez(double tilt, double surfaceAzimuth, double dhi, double dni,
               double extraterrestrial, double zenith, double sunAzimuth, double airMass) {
  return Perez(PlaneOf(tilt, surfaceAzimuth), SunOf(zenith, sunAzimuth), dhi, dni,
               extraterrestrial, airMass);
}

}  // namespace halvessa::energy
