// Irradiance models for weather data: the sun's light above the atmosphere, the air mass, the
// split of global horizontal light into beam and diffuse (Erbs), and the light on a tilted
// plane (isotropic sky, Perez 1990 sky, ground reflection). Plain functions: no Qt, no
// state, no I/O. Angles are in degrees, irradiances in W/m2; each quantity is named as its
// reference names it.
#pragma once

namespace halvessa::energy {

// The solar constant the extraterrestrial irradiance is scaled from, W/m2.
inline constexpr double kSolarConstant = 1367.0;
// The ground's reflectance when nothing else is known.
inline constexpr double kDefaultAlbedo = 0.2;

// Extraterrestrial normal irradiance on day of year dayOfYear (1 = 1 January), by Spencer's
// Fourier series of the Earth-Sun distance (J. W. Spencer, "Fourier series representation of
// the position of the sun", Search 2(5), 1971, 172), with the day angle
//   Gamma = 2 pi (n - 1) / 365,
//   E0 = 1.000110 + 0.034221 cos Gamma + 0.001280 sin Gamma + 0.000719 cos 2Gamma
//        + 0.000077 sin 2Gamma,   I0 = 1367 E0.
double ExtraterrestrialNormal(int dayOfYear);

// Relative optical air mass at a zenith angle, by F. Kasten and A. T. Young, "Revised optical
// air mass tables and approximation formula", Applied Optics 28(22), 1989, 4735-4738:
//   AM = 1 / (cos z + 0.50572 (96.07995 - z)^-1.6364),  z in degrees.
// The formula was fitted to the apparent (refracted) zenith. NaN for a zenith above 90 (the
// sun below the horizon) and for NaN.
double RelativeAirMass(double zenith);

// Atmospheric refraction to add to a geometric elevation e0 for the apparent one, degrees,
// as the NREL solar position algorithm takes it (I. Reda and A. Andreas, "Solar position
// algorithm for solar radiation applications", Solar Energy 76(5), 2004, 577-589, eq. 42):
//   de = (P / 1010) (283 / (273 + T)) 1.02 / (60 tan(e0 + 10.3 / (e0 + 5.11))),
// P in mbar, T in C; 0 when e0 is below -(0.26667 + 0.5667), the sun wholly below the
// apparent horizon.
double Refraction(double elevation, double pressureMbar = 1010.0, double temperature = 10.0);

// Erbs' decomposition (D. G. Erbs, S. A. Klein and J. A. Duffie, "Estimation of the diffuse
// radiation fraction for hourly, daily and monthly-average global radiation", Solar Energy
// 28(4), 1982, 293-302). The hourly clearness index is kt = GHI / (I0 cos z) and the diffuse
// fraction Id/I is
//   1.0 - 0.09 kt                                                  for kt <= 0.22,
//   0.9511 - 0.1604 kt + 4.388 kt^2 - 16.638 kt^3 + 12.336 kt^4    for 0.22 < kt <= 0.80,
//   0.165                                                          for kt > 0.80.
double ErbsDiffuseFraction(double kt);

struct Decomposition {
  double kt = 0;   // clearness index
  double dni = 0;  // beam normal, (GHI - DHI) / cos z
  double dhi = 0;  // diffuse horizontal, GHI Id/I
};

// GHI split at a zenith angle and an extraterrestrial normal irradiance. With the sun at or
// below the horizon (cos z <= 0), or no light, all light is diffuse and kt is 0; kt is
// capped at 1 (a cloud-edge hour can exceed it), and the beam is never negative.
Decomposition Erbs(double ghi, double zenith, double extraterrestrial);

// A plane and the sun's direction with their sines and cosines worked out once, for the
// forms below that take them (a plane's once per panel, the sun's once per moment for every
// panel): the same results as the degree forms, without trigonometry per call.
struct Plane {
  double tilt = 0, cosTilt = 1, sinTilt = 0, cosAzimuth = -1, sinAzimuth = 0;
};
Plane PlaneOf(double tilt, double surfaceAzimuth);

struct SunDirection {
  double zenith = 0, cosZenith = 1, sinZenith = 0, cosAzimuth = 1, sinAzimuth = 0;
};
SunDirection SunOf(double zenith, double sunAzimuth);

double CosIncidence(const Plane& plane, const SunDirection& sun);
double IsotropicSky(double dhi, const Plane& plane);
double GroundReflected(double ghi, const Plane& plane, double albedo = kDefaultAlbedo);

// cos of the angle of incidence of the beam on a plane of tilt beta and azimuth (both from
// north toward east, degrees), for the sun at zenith z and azimuth; may be negative.
double CosIncidence(double tilt, double surfaceAzimuth, double zenith, double sunAzimuth);

// Isotropic sky diffuse on a tilted plane: DHI (1 + cos beta) / 2.
double IsotropicSky(double dhi, double tilt);

// Ground-reflected light on a tilted plane: GHI albedo (1 - cos beta) / 2.
double GroundReflected(double ghi, double tilt, double albedo = kDefaultAlbedo);

// The Perez sky diffuse (R. Perez, P. Ineichen, R. Seals, J. Michalsky and R. Stewart,
// "Modeling daylight availability and irradiance components from direct and global
// irradiance", Solar Energy 44(5), 1990, 271-289) in its three parts, so that a horizon can
// drop the circumsolar part when it hides the sun and scale the isotropic part:
//   isotropic   DHI (1 - F1) (1 + cos beta) / 2
//   circumsolar DHI F1 a / b,   a = max(0, cos theta), b = max(cos 85, cos z)
//   horizon     DHI F2 sin beta   (horizon brightening; negative when F2 is)
// with F1 = max(0, f11 + f12 Delta + f13 Z), F2 = f21 + f22 Delta + f23 Z (Z the zenith in
// radians), the sky's brightness Delta = DHI AM / I0 and its clearness
//   epsilon = ((DHI + DNI) / DHI + kappa Z^3) / (1 + kappa Z^3),  kappa = 1.041,
// which picks one of eight rows of the 1990 all-sites composite coefficients (Table 6).
struct PerezSky {
  double isotropic = 0;
  double circumsolar = 0;
  double horizon = 0;
  int bin = 0;  // the sky-clearness bin, 1..8 (0 when there is no diffuse light)
  double total() const { return isotropic + circumsolar + horizon; }
};

// The plane-independent part of the model: the brightening coefficients F1 and F2 and the
// circumsolar divisor b of a sky (F1 = F2 = 0 and b = 1 with no diffuse light or the sun down).
struct PerezCoefficients {
  double F1 = 0, F2 = 0, b = 1;
  int bin = 0;
};
PerezCoefficients PerezOf(const SunDirection& sun, double dhi, double dni, double extraterrestrial,
                          double airMass);

// zenith is the sun's apparent zenith (the model was fitted to it), airMass the relative air
// mass at it (RelativeAirMass). With DHI not above 0 every part is 0; with the sun at or
// below the horizon (zenith >= 90) the sky is taken as isotropic (F1 = F2 = 0).
PerezSky Perez(double tilt, double surfaceAzimuth, double dhi, double dni,
               double extraterrestrial, double zenith, double sunAzimuth, double airMass);
PerezSky Perez(const Plane& plane, const SunDirection& sun, double dhi, double dni,
               double extraterrestrial, double airMass);
// The same with the sky's coefficients worked out once for every plane (PerezOf).
PerezSky Perez(const Plane& plane, const SunDirection& sun, double dhi,
               const PerezCoefficients& coefficients);

}  // namespace halvessa::energy
