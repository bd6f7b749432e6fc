#include "energy/pvwatts.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace halvessa::energy {

namespace {

constexpr double kRad = std::numbers::pi / 180.0;
constexpr double kKelvin = 273.15;

// The cover: index of refraction, extinction coefficient (1/m), thickness (m).
constexpr double kN = 1.526;
constexpr double kK = 4.0;
constexpr double kL = 0.002;

// Fuentes' fixed parameters as the reference sets them.
constexpr double kAbsorptance = 0.83;
constexpr double kEmissivity = 0.84;
constexpr double kSigma = 5.669e-8;         // Stefan-Boltzmann, W/(m2 K4), as Fuentes takes it
constexpr double kHydraulicLength = 0.5;    // m
constexpr double kSinTilt = 0.5;            // sin 30: the tilt taken for free convection
constexpr double kCapacity = 11000.0;       // J/(m2 K)
constexpr double kPrandtl = 0.71;
constexpr double kCpAir = 1007.0;           // J/(kg K)
const double kWindAtModule = std::pow(5.0 / 9.144, 0.2);

// Convective coefficient of one face, from the air's properties as powers of the film
// temperature tave (K):
//   density rho = 0.003484 * 101325 / tave (kg/m3), kinematic viscosity
//   nu = 0.24237e-6 tave^0.76 / rho (m2/s), conductivity k = 2.1695e-4 tave^0.84 (W/(m K)),
//   Re = v L / nu, Gr = 9.8 / tave |dT| L^3 / nu^2 sin(tilt),
// forced 0.86 Re^-0.5 rho v cp Pr^-0.67 (turbulent above Re = 1.2e5: 0.0282 Re^-0.2 rho v cp
// Pr^-0.4), free 0.21 (Gr Pr)^0.32 k / L, combined as (free^3 + forced^3)^(1/3). Each is a
// constant times powers of v, |dT| and tave, so the work is done on their logarithms:
// logT = ln tave, logV = ln v (v the wind at the module, m/s), dT the module less the air.
constexpr double kRhoT = 0.003484 * 101325.0;  // rho tave
constexpr double kNuT = 0.24237e-6 / kRhoT;    // nu / tave^1.76

// The coefficient h and its derivative with respect to the module's temperature t, whose
// film temperature is tave = (t + Ta) / 2.
struct Coefficient {
  double h, dh;
};

Coefficient Convection(double tave, double logV, double dT) {
  const double L = kHydraulicLength;
  // ln of the constants: forced laminar 0.86 cp Pr^-0.67 rhoT (nuT / L)^0.5 v^0.5 tave^-0.12,
  // turbulent 0.0282 cp Pr^-0.4 rhoT (nuT / L)^0.2 v^0.8 tave^-0.648, free
  // 0.21 k0 / L (9.8 L^3 sin(tilt) Pr / nuT^2)^0.32 |dT|^0.32 tave^(0.84 - 0.32 * 4.52).
  static const double laminar =
      std::log(0.86 * kCpAir * std::pow(kPrandtl, -0.67) * kRhoT * std::sqrt(kNuT / L));
  static const double turbulent =
      std::log(0.0282 * kCpAir * std::pow(kPrandtl, -0.4) * kRhoT * std::pow(kNuT / L, 0.2));
  static const double free0 = std::log(
      0.21 * 2.1695e-4 / L * std::pow(9.8 * L * L * L * kSinTilt * kPrandtl / (kNuT * kNuT), 0.32));
  static const double logReynolds0 = std::log(L / kNuT);
  constexpr double kNone = -1e300;  // ln 0
  constexpr double kFreeT = 0.84 - 0.32 * 4.52;
  const double logT = std::log(tave);
  const double dLogT = 1.0 / (2.0 * tave);  // d ln tave / dt
  double forced = kNone, dForced = 0.0;     // ln of the coefficient, its derivative
  if (logV > kNone) {
    const double logReynolds = logReynolds0 + logV - 1.76 * logT;
    const double p = logReynolds > std::log(1.2e5) ? -0.648 : -0.12;
    forced = (p == -0.648 ? turbulent + 0.8 * logV : laminar + 0.5 * logV) + p * logT;
    dForced = p * dLogT;
  }
  double free = kNone, dFree = 0.0;
  if (dT != 0.0) {
    free = free0 + 0.32 * std::log(std::abs(dT)) + kFreeT * logT;
    dFree = 0.32 / dT + kFreeT * dLogT;
  }
  const bool forcedHigh = forced >= free;
  const double high = forcedHigh ? forced : free, low = forcedHigh ? free : forced;
  if (high == kNone) return {0.0, 0.0};
  // (e^3high + e^3low)^(1/3) = e^high (1 + e^(3(low - high)))^(1/3); the weights of the two
  // in the derivative are their shares of the sum of cubes.
  const double e = std::exp(3.0 * (low - high));
  const double h = std::exp(high + std::log1p(e) / 3.0);
  const double dHigh = forcedHigh ? dForced : dFree, dLow = forcedHigh ? dFree : dForced;
  return {h, h * (dHigh + e * dLow) / (1.0 + e)};
}

double SkyTemperature(double ta) { return 0.68 * (0.0552 * ta * std::sqrt(ta)) + 0.32 * ta; }

double Radiative(double t, double ts) {
  return kEmissivity * kSigma * (t * t + ts * ts) * (t + ts);
}

// Its derivative with respect to t.
double RadiativeSlope(double t, double ts) {
  return kEmissivity * kSigma * (3.0 * t * t + 2.0 * t * ts + ts * ts);
}

// The back's share of the front's heat transfer, from the steady balance at INOCT under
// 800 W/m2, 20 C and 1 m/s.
double BackRatio(double tinoct) {
  const double ta = 20.0 + kKelvin;
  const double hconv = Convection((tinoct + ta) / 2.0, std::log(kWindAtModule), tinoct - ta).h;
  const double tsky = SkyTemperature(ta);
  const double hsky = Radiative(tinoct, tsky);
  const double hground = Radiative(tinoct, ta);
  return (kAbsorptance * 800.0 - hconv * (tinoct - ta) - hsky * (tinoct - tsky)) /
         ((hconv + hground) * (tinoct - ta));
}

struct MountConstants {
  double backrat;
  double capacity;  // J/(m2 K)
};

MountConstants ConstantsOf(double inoct) {
  const double tinoct = inoct + kKelvin;
  return {BackRatio(tinoct),
          tinoct > 321.15 ? kCapacity * (1.0 + (tinoct - 321.15) / 12.0) : kCapacity};
}

// The module's temperature (K) at the end of a step from t0, with the heat-transfer
// coefficients taken at module temperature t: the linear balance solved exactly,
//   F(t) = S + (t0 - S) exp(-H seconds / C),  S = N / H,
//   N = alpha G + (h_conv (1 + backrat) + backrat h_ground) Ta + h_sky Tsky,
//   H = h_conv (1 + backrat) + h_sky + backrat h_ground,
// and its derivative dF/dt.
struct Balance {
  const MountConstants& mount;
  double poa, ta, tsky, logV, t0, rate;  // rate: the step's seconds / C

  struct Value {
    double F, dF;
  };

  Value operator()(double t) const {
    const double br = mount.backrat;
    const Coefficient c = Convection((t + ta) / 2.0, logV, t - ta);
    const double hs = Radiative(t, tsky), dhs = RadiativeSlope(t, tsky);
    const double hg = Radiative(t, ta), dhg = RadiativeSlope(t, ta);
    const double N = kAbsorptance * poa + (c.h * (1.0 + br) + br * hg) * ta + hs * tsky;
    const double dN = (c.dh * (1.0 + br) + br * dhg) * ta + dhs * tsky;
    const double H = c.h * (1.0 + br) + hs + br * hg;
    const double dH = c.dh * (1.0 + br) + dhs + br * dhg;
    const double S = N / H, dS = (dN - S * dH) / H;
    const double E = std::exp(-H * rate);
    const double dE = -E * rate * dH;
    return {S + (t0 - S) * E, dS * (1.0 - E) + (t0 - S) * dE};
  }
};

// The step: the temperature t at which the balance with coefficients at t gives t again
// (the model's coefficients refined until they agree with the temperature they give). Found
// by Newton's method on F(t) - t from the previous temperature (about 2.2 evaluations an
// hour where the plain iteration t = F(t) takes 4 to 10): a correction below 0.03 K is the
// last (over the Denver year of the tests the result is then within 0.001 K of the exact
// point). Should Newton's method not settle in eight steps (a
// derivative near 1 without wind), the plain iteration t = F(t) finishes.
double Step(const MountConstants& mount, double poa, double airTemperature, double windSpeed,
            double previousTemperature, double hours) {
  const double ta = airTemperature + kKelvin;
  const double t0 = (std::isnan(previousTemperature) ? airTemperature : previousTemperature) +
                    kKelvin;
  const double v = std::max(windSpeed, 0.0) * kWindAtModule;
  const Balance F{mount, poa, ta, SkyTemperature(ta), v > 0.0 ? std::log(v) : -1e300, t0,
                  hours * 3600.0 / mount.capacity};
  double t = t0;
  for (int i = 0; i < 8; ++i) {
    const Balance::Value f = F(t);
    const double step = (f.F - t) / (1.0 - f.dF);
    if (!std::isfinite(step)) break;
    t += step;
    if (std::abs(step) < 0.03) return t - kKelvin;
  }
  t = t0;
  for (int i = 0; i < 100; ++i) {
    const double next = F(t).F;
    const bool settled = std::abs(next - t) < 1e-6;
    t = next;
    if (settled) break;
  }
  return t - kKelvin;
}

}  // namespace

double TemperatureCoefficient(Module module) {
  switch (module) {
    case Module::premium: return -0.0035;
    case Module::thinFilm: return -0.0020;
    case Module::standard: break;
  }
  return -0.0047;
}

double InstalledNoct(Mount mount) { return mount == Mount::roof ? 49.0 : 45.0; }

double CoverTransmittanceCos(double cosAoi) {
  if (!(cosAoi > 0.0)) return 0.0;
  if (cosAoi >= 1.0) return 1.0;
  // theta the angle of incidence, r the refracted angle; sines and cosines only:
  // sin r = sin theta / n, and the sum and difference formulas for r -/+ theta.
  const double cosT = cosAoi;
  const double sinT = std::sqrt(1.0 - cosT * cosT);
  const double sinR = sinT / kN;
  const double cosR = std::sqrt(1.0 - sinR * sinR);
  const double sinMinus = sinR * cosT - cosR * sinT;
  const double sinPlus = sinR * cosT + cosR * sinT;
  const double cosMinus = cosR * cosT + sinR * sinT;
  const double cosPlus = cosR * cosT - sinR * sinT;
  if (sinPlus == 0.0) return 1.0;  // normal incidence to the last bit
  const double s = sinMinus / sinPlus;
  const double t = (sinMinus * cosPlus) / (cosMinus * sinPlus);
  static const double tau0 =
      std::exp(-kK * kL) * (1.0 - std::pow((kN - 1.0) / (kN + 1.0), 2));
  const double tau = std::exp(-kK * kL / cosR) * (1.0 - (s * s + t * t) / 2.0);
  return tau / tau0;
}

double CoverTransmittance(double aoi) {
  if (!(aoi < 90.0)) return 0.0;
  return CoverTransmittanceCos(std::cos(std::max(aoi, 0.0) * kRad));
}

double CellTemperature(double poa, double airTemperature, double windSpeed, double inoct,
                       double previousTemperature, double hours) {
  return Step(ConstantsOf(inoct), poa, airTemperature, windSpeed, previousTemperature, hours);
}

double DcPower(double transmittedPoa, double cellTemperature, const System& system) {
  if (!(transmittedPoa > 0.0)) return 0.0;
  const double pdc0 = system.kwp * 1000.0;
  return transmittedPoa / 1000.0 * pdc0 *
         (1.0 + TemperatureCoefficient(system.module) * (cellTemperature - 25.0)) *
         (1.0 - system.lossesPercent / 100.0);
}

double InverterAc(double dcPower, double acRating, double nominalEfficiency) {
  if (!(dcPower > 0.0)) return 0.0;
  const double zeta = dcPower / (acRating / nominalEfficiency);
  const double eta = nominalEfficiency / kInverterReferenceEfficiency *
                     (-0.0162 * zeta - 0.0059 / zeta + 0.9858);
  return std::clamp(eta * dcPower, 0.0, acRating);
}

HourResult Hour(double cosAoi, const PlaneLight& light, double airTemperature, double windSpeed,
                const ThermalState& previous, const System& system, double hours) {
  HourResult r;
  const double incident = light.total();
  if (!(incident > 0.0)) {
    r.cellTemperature = airTemperature;
    r.state.moduleTemperature = airTemperature;
    return r;
  }
  r.transmitted = light.beam * CoverTransmittanceCos(cosAoi) + light.sky + light.ground;
  // The two mounts' constants, worked out once.
  static const MountConstants rack = ConstantsOf(InstalledNoct(Mount::openRack));
  static const MountConstants roof = ConstantsOf(InstalledNoct(Mount::roof));
  r.cellTemperature = Step(system.mount == Mount::roof ? roof : rack, incident, airTemperature,
                           windSpeed, previous.moduleTemperature, hours);
  r.state.moduleTemperature = r.cellTemperature;
  r.dc = DcPower(r.transmitted, r.cellTemperature, system);
  r.ac = InverterAc(r.dc, system.kwp * 1000.0 / system.dcAcRatio, system.inverterPercent / 100.0);
  return r;
}

}  // namespace halvessa::energy
