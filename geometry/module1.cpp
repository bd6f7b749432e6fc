// The solar geometry. Each routine follows its algorithm step by step, with the steps
// numbered in the comments and every quantity named as the algorithm names it. The order
// of the floating-point operations is part of the result (the last digits, and the whole
// degree the azimuth rounds to), so expressions are written in exactly that order and are
// not to be "simplified".
#include "geometry/module1.h"

#include <cmath>

#include "geometry/calendar.h"
#include "geometry/steps.h"

namespace halvessa::geometry {

using steps::Int;
using steps::Reduce;
using steps::Sgn;
using steps::WholeRemainder360;

// --- Degree trigonometry ---------------------------------------------------------------

double DegToRad(const double& x) { return x * kPi / 180.0; }

double RadToDeg(const double& x) { return x * 180.0 / kPi; }

double SinD(const double& x) { return std::sin(DegToRad(x)); }

double CosD(const double& x) { return std::cos(DegToRad(x)); }

double TanD(const double& x) { return std::tan(DegToRad(x)); }

double ASinD(const double& x) {
  // 1. and 2. Saturate at the ends, so that 1 - x*x stays positive below.
  if (x <= -1.0) return -90.0;
  if (x >= 1.0) return 90.0;
  // 3. x*x, then 1 - x*x, then its square root, then x divided by it.
  return RadToDeg(std::atan(x / std::sqrt(1.0 - x * x)));
}

double ACosD(const double& x) {
  // 1. and 2. Saturate at the ends.
  if (x <= -1.0) return 180.0;
  if (x >= 1.0) return 0.0;
  // 3. The quarter turn is the library's 2 * atan(1), a full-precision value that differs
  // from the conversion constant in the last digits: ACosD(0) comes out slightly above 90.
  const double quarter = 2.0 * std::atan(1.0);
  return RadToDeg(std::atan(-x / std::sqrt(1.0 - x * x)) + quarter);
}

double ATan2D(const double& y, const double& x) {
  // 1. Right half-plane.
  if (x > 0) return RadToDeg(std::atan(y / x));
  // 2. Left half-plane: half a turn toward the sign of y, none for y = 0.
  if (x < 0) return RadToDeg(std::atan(y / x)) + Sgn(y) * 180.0;
  // 3. On the vertical axis.
  if (y == 0) return 0.0;
  return Sgn(y) * 90.0;
}

// --- Sun position ----------------------------------------------------------------------

double JulianDay(int Y, int M, int D) {
  // 3.1. January and February count as months 13 and 14 of the year before.
  if (M <= 2) {
    Y = Y - 1;
    M = M + 12;
  }
  // 3.2. Century correction, with divisions truncating toward zero, for every date.
  const int A = Y / 100;
  const int B = 2 - A + A / 4;
  // 3.3. The two Int terms, the day, B and the offset, added in this order. The year and
  // month are widened first so that no integer sum can overflow.
  return Int(365.25 * (static_cast<double>(Y) + 4716.0)) +
         Int(30.6001 * (static_cast<double>(M) + 1.0)) + D + B - 1524.5;
}

void SunPosition(const double& LocalTime, const double& Latitude, const double& Longitude,
                 const double& TimeZone, double& Azimuth, double& Elevation) {
  // 1. Universal time: the local time less the zone's offset, to the second.
  const double UT = UniversalOfLocal(LocalTime, TimeZone);

  // 2. Calendar parts of UT, the time of day taken to the nearest second.
  const DateParts parts = SerialToParts(UT);
  const int Y = parts.year;
  const int M = parts.month;
  const int D = parts.day;
  const int h = parts.hour;
  const int mi = parts.minute;
  const int s = parts.second;

  // 3.1 to 3.3. Julian day at 0 h UT.
  const double JD0 = JulianDay(Y, M, D);
  // 3.4. Plus the time of day: minutes, hours, then seconds.
  const double JD = JD0 + (mi / 60.0 + h + s / 3600.0) / 24.0;

  // 4. Days from the epoch J2000.0.
  const double d = JD - 2451545.0;

  // 5. Mean longitude.
  const double L = Reduce(d * 0.9856474 + 280.46);

  // 6. Mean anomaly.
  const double g = Reduce(d * 0.9856003 + 357.528);

  // 7. Ecliptic longitude.
  const double lambda = Reduce(1.915 * SinD(g) + L + 0.02 * SinD(2.0 * g));

  // 8. Obliquity of the ecliptic (not reduced).
  const double epsilon = 23.439 - 0.0000004 * d;

  // 9. Right ascension. Each sine and cosine below is taken once and reused where the
  // algorithm needs it again: the same call gives the same bits, at half the cost.
  const double sinLambda = SinD(lambda);
  const double alpha = Reduce(ATan2D(sinLambda * CosD(epsilon), CosD(lambda)));

  // 10. Declination.
  const double delta = ASinD(sinLambda * SinD(epsilon));

  // 11. Greenwich mean sidereal time: three terms in order, the cubic term last.
  const double T = d / 36525.0;
  double theta = d * 360.98564736629 + 280.46061837 + 0.000387933 * std::pow(T, 2) -
                 std::pow(T, 3) / 38710000.0;
  theta = Reduce(theta);

  // 12. Local sidereal time.
  const double thetaL = Reduce(theta + Longitude);

  // 13. Hour angle, brought into [-180, 180].
  double H = thetaL - alpha;
  if (H < -180.0) {
    H = H + 360.0;
  } else if (H > 180.0) {
    H = H - 360.0;
  }

  // 14. Elevation.
  const double sinLatitude = SinD(Latitude);
  const double cosLatitude = CosD(Latitude);
  const double cosH = CosD(H);
  const double elevation =
      ASinD(cosLatitude * CosD(delta) * cosH + sinLatitude * SinD(delta));

  // 15. Azimuth from north toward east, then A + 360 rounded half to even and reduced to a
  // whole degree from 0 to 359.
  const double A = ATan2D(-SinD(H), TanD(delta) * cosLatitude - sinLatitude * cosH);
  const double azimuth = WholeAzimuth(A);

  // Every input has been read: the outputs may share a variable with one of them.
  Elevation = elevation;
  Azimuth = azimuth;
}

double WholeAzimuth(const double& A) { return WholeRemainder360(RoundHalfEven(A + 360.0)); }

// --- Angle of incidence and panel output -------------------------------------------------

double Clamp(const double& Value, const double& Low, const double& High) {
  // 1. to 3., tested in this order.
  if (Value < Low) return Low;
  if (Value > High) return High;
  return Value;
}

double AngleOfIncidence(const double& SunAzimuth, const double& SunElevation,
                        const double& PanelAzimuth, const double& PanelTilt) {
  // 1. Everything in radians: alpha the sun's azimuth, eta its elevation, gamma the panel's
  // azimuth and beta its tilt.
  const double alpha = DegToRad(SunAzimuth);
  const double eta = DegToRad(SunElevation);
  const double gamma = DegToRad(PanelAzimuth);
  const double beta = DegToRad(PanelTilt);

  // 2. The cosine of the angle: the scalar product of the sun's direction and the panel's
  // normal, the two horizontal products added first.
  const double cosEta = std::cos(eta);
  const double sinBeta = std::sin(beta);
  double S = (std::sin(alpha) * cosEta) * (std::sin(gamma) * sinBeta) +
             (std::cos(alpha) * cosEta) * (std::cos(gamma) * sinBeta) +
             std::sin(eta) * std::cos(beta);

  // 3. Rounding may carry it just past +-1.
  S = Clamp(S, -1.0, 1.0);

  // 4. The angle itself.
  return ACosD(S);
}

double AOIToProduction(const double& AOI) {
  // 1. Nothing once the sun is in or behind the panel's plane.
  if (AOI >= 90.0) return 0.0;
  // 2. The cosine raised to 1.5, then scaled to percent.
  return 100.0 * std::pow(std::cos(DegToRad(AOI)), 1.5);
}

// --- Sunrise and sunset ----------------------------------------------------------------

double EquationOfTime(const double& DayOfYear) {
  // 1. The day's angle in radians: 81 subtracted first, then the product divided by 364.
  const double B = (DayOfYear - 81.0) * 6.28318 / 364.0;
  // 2. The three terms in this order, in minutes.
  return 9.87 * std::sin(2.0 * B) - 7.53 * std::cos(B) - 1.5 * std::sin(B);
}

double SunriseDayOfYear(const double& LocalTime, const double& TimeZone) {
  // 1. Universal date, as in SunPosition; only Y, M and D are used.
  const DateParts parts = SerialToParts(UniversalOfLocal(LocalTime, TimeZone));
  const int Y = parts.year;
  const int M = parts.month;
  const int D = parts.day;

  // 2. Julian day of that date at 0 h.
  const double JD0 = JulianDay(Y, M, D);

  // 3. Julian day of 1 January of the same year, month 1 taken as month 13 of the year
  // before.
  const int Y1 = Y - 1;
  const int A1 = Y1 / 100;
  const int B1 = 2 - A1 + A1 / 4;
  const double JDJan1 =
      Int(365.25 * (static_cast<double>(Y1) + 4716.0)) + Int(30.6001 * 14.0) + 1 + B1 - 1524.5;

  // 4. Day of the year, 1 on 1 January.
  return JD0 - JDJan1 + 1.0;
}

void SunriseSunset(const double& LocalTime, const double& Latitude, const double& Longitude,
                   const double& TimeZone, double& Sunrise, double& Sunset) {
  // 1. to 4. Day of the year of the universal date.
  const double n = SunriseDayOfYear(LocalTime, TimeZone);

  // 5. Mean anomaly in whole degrees, 0 to 359.
  const double Ma = WholeRemainder360(RoundHalfEven(n * 0.98560028 + 357.5291));

  // 6. Equation of centre, summed in this order.
  const double Cn = 0.02 * SinD(2.0 * Ma) + 1.9148 * SinD(Ma) + 0.0003 * SinD(3.0 * Ma);

  // 7. Ecliptic longitude in whole degrees, 0 to 359.
  const double lambda = WholeRemainder360(RoundHalfEven(Ma + 102.9372 + Cn + 180.0));

  // 8. Declination, with a fixed obliquity.
  const double delta = ASinD(SinD(lambda) * SinD(23.44));

  // 9. Hour angle of sunrise for the sun's centre 0.833 degrees below the horizon; the
  // saturation of ACosD gives 0 in polar night and 180 in polar day.
  const double omega = ACosD(CosD(90.833) / (CosD(delta) * CosD(Latitude)) -
                             TanD(delta) * TanD(Latitude));

  // 10. Equation of time, in minutes.
  const double E = EquationOfTime(n);

  // 11. Solar noon, in hours of universal time.
  const double N = (720.0 - 4.0 * Longitude - E) / 60.0;

  // 12. Sunrise and sunset, in hours of universal time.
  const double R = N - omega / 15.0;
  const double S = omega / 15.0 + N;

  // 13. On the local day of LocalTime, with the unrounded TimeZone. Both results are
  // checked before either is written, so that a failure leaves the caller's values as
  // they were.
  const double day = Int(LocalTime);
  const double sunrise = CheckedSerial(day + (R + TimeZone) / 24.0);
  const double sunset = CheckedSerial(day + (S + TimeZone) / 24.0);
  Sunrise = sunrise;
  Sunset = sunset;
}

}  // namespace halvessa::geometry
