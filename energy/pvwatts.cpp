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
// module v (m/s) and module-air difference dT (K).
double Convection(double tave, double v, double dT) {
  const double density = 0.003484 * 101325.0 / tave;               // kg/m3
  const double viscosity = 0.24237e-6 * std::pow(tave, 0.76) / density;  // m2/s, kinematic
  const double conductivity = 2.1695e-4 * std::pow(tave, 0.84);    // W/(m K)
  const double reynolds = v * kHydraulicLength / viscosity;
  double forced = 0.0;
  if (reynolds > 1.2e5)
    forced = 0.0282 / std::pow(reynolds, 0.2) * density * v * kCpAir / std::pow(kPrandtl, 0.4);
  else if (reynolds > 0.0)
    forced = 0.8600 / std::sqrt(reynolds) * density * v * kCpAir / std::pow(kPrandtl, 0.67);
  const double grashof = 9.8 / tave * std::abs(dT) * std::pow(kHydraulicLength, 3) /
                         (viscosity * viscosity) * kSinTilt;
  const double free = 0.21 * std::pow(grashof * kPrandtl, 0.32) * conductivity / kHydraulicLength;
  return std::cbrt(free * free * free + forced * forced * forced);
}

double SkyTemperature(double ta) { return 0.68 * (0.0552 * std::pow(ta, 1.5)) + 0.32 * ta; }

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

double CoverTransmittance(double aoi) {
  if (!(aoi < 90.0)) return 0.0;
  const double tau0 = std::exp(-kK * kL) * (1.0 - std::pow((kN - 1.0) / (kN + 1.0), 2));
  const double theta = std::max(aoi, 0.0) * kRad;
  if (theta < 1e-6) return 1.0;
  const double thetaR = std::asin(std::sin(theta) / kN);
  const double s = std::sin(thetaR - theta) / std::sin(thetaR + theta);
  const double t = std::tan(thetaR - theta) / std::tan(thetaR + theta);
  const double tau = std::exp(-kK * kL / std::cos(thetaR)) * (1.0 - (s * s + t * t) / 2.0);
  return tau / tau0;
}

double CellTemperature(double poa, double airTemperature, double windSpeed, double inoct,
                       double previousTemperature, double hours) {
  const double tinoct = inoct + kKelvin;
  const double backrat = BackRatio(tinoct);
  const double capacity =
      tinoct > 321.15 ? kCapacity * (1.0 + (tinoct - 321.15) / 12.0) : kCapacity;
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
    t = steady + (t0 - steady) * std::exp(-H * hours * 3600.0 / capacity);
  }
  return t - kKelvin;
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

HourResult Hour(double aoi, const PlaneLight& light, double airTemperature, double windSpeed,
                const ThermalState& previous, const System& system) {
  HourResult r;
  const double incident = light.total();
  if (!(incident > 0.0)) {
    r.cellTemperature = airTemperature;
    r.state.moduleTemperature = airTemperature;
    return r;
  }
  r.transmitted = light.beam * CoverTransmittance(aoi) + light.sky + light.ground;
  r.cellTemperature = CellTemperature(incident, airTemperature, windSpeed,
                                      InstalledNoct(system.mount), previous.moduleTemperature);
  r.state.moduleTemperature = r.cellTemperature;
  r.dc = DcPower(r.transmitted, r.cellTemperature, system);
  r.ac = InverterAc(r.dc, system.kwp * 1000.0 / system.dcAcRatio, system.inverterPercent / 100.0);
  return r;
}

}  // namespace halvessa::energy
