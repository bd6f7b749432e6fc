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

// Convective coefficient of one face at mean film temperature tave (K), wind speed at the
// module v (m/s) and module-air difference dT (K), from the air's properties as powers of tave:
//   density rho = 0.003484 * 101325 / tave (kg/m3), kinematic viscosity
//   nu = 0.24237e-6 tave^0.76 / rho (m2/s), conductivity k = 2.1695e-4 tave^0.84 (W/(m K)),
//   Re = v L / nu, Gr = 9.8 / tave |dT| L^3 / nu^2 sin(tilt).
// Forced: 0.86 Re^-0.5 rho v cp Pr^-0.67 (turbulent above Re = 1.2e5: 0.0282 Re^-0.2 rho v cp
// Pr^-0.4); free: 0.21 (Gr Pr)^0.32 k / L. Their powers of tave are gathered into one
// exponent each, so that a coefficient costs one logarithm and a few exponentials.
double Convection(double tave, double v, double dT) {
  constexpr double rhoT = 0.003484 * 101325.0;  // rho tave
  constexpr double nuT = 0.24237e-6 / rhoT;     // nu / tave^1.76
  const double logT = std::log(tave);
  const double nu = nuT * std::exp(1.76 * logT);
  const double rho = rhoT / tave;
  const double reynolds = v * kHydraulicLength / nu;
  double forced = 0.0;
  if (reynolds > 1.2e5)
    forced = 0.0282 * std::exp(-0.2 * std::log(reynolds)) * rho * v * kCpAir /
             std::pow(kPrandtl, 0.4);
  else if (reynolds > 0.0)
    forced = 0.8600 / std::sqrt(reynolds) * rho * v * kCpAir / std::pow(kPrandtl, 0.67);
  double free = 0.0;
  if (dT != 0.0) {
    // (Gr Pr)^0.32 k / L with Gr = 9.8 L^3 sin(tilt) |dT| / (nuT^2 tave^4.52) and
    // k = 2.1695e-4 tave^0.84: C |dT|^0.32 tave^(0.84 - 1.4464).
    static const double c = 0.21 * 2.1695e-4 / kHydraulicLength *
                     std::pow(9.8 * kHydraulicLength * kHydraulicLength * kHydraulicLength *
                                  kSinTilt * kPrandtl / (nuT * nuT),
                              0.32);
    free = c * std::exp(0.32 * std::log(std::abs(dT)) + (0.84 - 0.32 * 4.52) * logT);
  }
  return std::cbrt(free * free * free + forced * forced * forced);
}

double SkyTemperature(double ta) { return 0.68 * (0.0552 * ta * std::sqrt(ta)) + 0.32 * ta; }

double Radiative(double t, double ts) {
  return kEmissivity * kSigma * (t * t + ts * ts) * (t + ts);
}

// The back's share of the front's heat transfer, from the steady balance at INOCT under
// 800 W/m2, 20 C and 1 m/s.
double BackRatio(double tinoct) {
  const double ta = 20.0 + kKelvin;
  const double hconv = Convection((tinoct + ta) / 2.0, kWindAtModule, tinoct - ta);
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

// The balance over a step; the coefficients are refined until the temperature moves less
// than 1e-3 K (at most ten times; three or four suffice in practice).
double Step(const MountConstants& mount, double poa, double airTemperature, double windSpeed,
            double previousTemperature, double hours) {
  const double backrat = mount.backrat;
  const double ta = airTemperature + kKelvin;
  const double tsky = SkyTemperature(ta);
  const double v = std::max(windSpeed, 0.0) * kWindAtModule;
  const double t0 = (std::isnan(previousTemperature) ? airTemperature : previousTemperature) +
                    kKelvin;
  double t = t0;
  for (int i = 0; i < 10; ++i) {
    const double hconv = Convection((t + ta) / 2.0, v, t - ta);
    const double hsky = Radiative(t, tsky);
    const double hground = Radiative(t, ta);
    const double H = hconv * (1.0 + backrat) + hsky + backrat * hground;
    const double steady =
        (kAbsorptance * poa + (hconv * (1.0 + backrat) + backrat * hground) * ta + hsky * tsky) /
        H;
    const double next = steady + (t0 - steady) * std::exp(-H * hours * 3600.0 / mount.capacity);
    const bool settled = std::abs(next - t) < 1e-3;
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
                const ThermalState& previous, const System& system) {
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
                           windSpeed, previous.moduleTemperature, 1.0);
  r.state.moduleTemperature = r.cellTemperature;
  r.dc = DcPower(r.transmitted, r.cellTemperature, system);
  r.ac = InverterAc(r.dc, system.kwp * 1000.0 / system.dcAcRatio, system.inverterPercent / 100.0);
  return r;
}

}  // namespace halvessa::energy
