// From the light on a panel's plane to AC power: the model chain of PVWatts version 5 as its
// technical reference documents it (A. P. Dobos, "PVWatts Version 5 Manual", NREL/TP-6A20-62641,
// 2014), for one hour of one panel. Plain functions: no Qt, no I/O; the one value an hour
// hands to the next (the module's temperature) goes in and out as ThermalState.
//
// The chain, per hour:
//   1. the cover's transmittance of the beam by its angle of incidence (CoverTransmittance);
//      the sky diffuse and ground-reflected parts pass as they are (the reference corrects
//      only the beam): transmitted POA = beam f(AOI) + sky + ground;
//   2. the cell temperature by Fuentes' thermal model from the plane's incident light, the
//      air's temperature and the wind, with the installed NOCT of the mount (CellTemperature);
//   3. DC power Pdc = Itr / 1000 Pdc0 (1 + gamma (Tcell - 25)), less the system losses;
//   4. AC power through the inverter's part-load efficiency, clipped at its AC rating
//      Pac0 = Pdc0 / (DC-to-AC ratio) (InverterAc).
// With no light on the plane (night) the cell is at the air's temperature and there is no
// power.
#pragma once

#include <limits>

namespace halvessa::energy {

enum class Module { standard, premium, thinFilm };
enum class Mount { openRack, roof };

// The reference's module types: temperature coefficient of power, per C (standard -0.47 %/C,
// premium -0.35 %/C, thin film -0.20 %/C).
double TemperatureCoefficient(Module module);

// The installed nominal operating cell temperature of a mount, C: 45 for an open rack, 49
// for a roof mount (less air behind the modules).
double InstalledNoct(Mount mount);

// The cover's transmittance of beam light at an angle of incidence (degrees), relative to
// normal incidence, by the physical model of a glass cover (Snell's and Fresnel's laws and
// Bouguer's absorption; J. A. Duffie and W. A. Beckman, Solar Engineering of Thermal
// Processes, ch. 5; W. De Soto et al., Solar Energy 80, 2006, 78-88) with the reference's
// index of refraction n = 1.526, extinction coefficient K = 4 /m and thickness L = 2 mm:
//   theta_r = asin(sin theta / n),
//   tau(theta) = exp(-K L / cos theta_r)
//                [1 - (sin^2(theta_r - theta) / sin^2(theta_r + theta)
//                      + tan^2(theta_r - theta) / tan^2(theta_r + theta)) / 2],
//   tau(0) = exp(-K L) [1 - ((n - 1) / (n + 1))^2],   f = tau(theta) / tau(0).
// 1 at normal incidence, 0 at 90 degrees and beyond (and for NaN).
double CoverTransmittance(double aoi);
// The same from cos(AOI), without trigonometry (sin r = sin theta / n and the sum and
// difference formulas); 0 for a cosine not above 0.
double CoverTransmittanceCos(double cosAoi);

// The module temperature carried from one hour to the next, C; NaN before the first hour.
struct ThermalState {
  double moduleTemperature = std::numeric_limits<double>::quiet_NaN();
};

// Fuentes' thermal model (M. K. Fuentes, "A simplified thermal model for flat-plate
// photovoltaic arrays", Sandia SAND85-0330, 1987), with the reference's fixed parameters:
// absorptance 0.83, emissivity 0.84, module at 5 m with the wind measured at 9.144 m (wind
// profile exponent 0.2), hydraulic length 0.5 m, tilt 30 for free convection, thermal
// capacity 11000 J/(m2 K) (more for an INOCT above 48 C: times 1 + (INOCT - 48) / 12).
// The module's heat balance, with the back's share of the front's heat transfer (backrat)
// calibrated once so that 800 W/m2, 20 C and 1 m/s give the installed NOCT:
//   C dT/dt = alpha G - h_conv (1 + backrat)(T - Ta) - h_sky (T - Tsky)
//             - backrat h_ground (T - Ta),
// forced convection h = 0.86 Re^-0.5 rho V cp Pr^-0.67 (turbulent above Re = 1.2e5:
// 0.0282 Re^-0.2 rho V cp Pr^-0.4), free convection h = 0.21 (Gr Pr)^0.32 k / L, the two
// combined as (h_free^3 + h_forced^3)^(1/3); the sky at Tsky = 0.68 (0.0552 Ta^1.5)
// + 0.32 Ta (kelvin), the ground at the air's temperature; radiative coefficients
// eps sigma (T^2 + Ts^2)(T + Ts). Over a step of `hours` the linear balance is solved
// exactly from the previous temperature, its coefficients refined until it settles.
// poa in W/m2, temperatures in C, wind in m/s; returns the new module (cell) temperature.
double CellTemperature(double poa, double airTemperature, double windSpeed, double inoct,
                       double previousTemperature, double hours = 1.0);

// The system of one panel (or of several on one inverter, their kWp summed).
struct System {
  double kwp = 1.0;                 // DC rating at 1000 W/m2 and 25 C, kW
  Module module = Module::standard;
  Mount mount = Mount::openRack;
  double lossesPercent = 14.08;     // system losses, applied to DC
  double inverterPercent = 96.0;    // nominal inverter efficiency
  double dcAcRatio = 1.2;
};

inline constexpr double kInverterReferenceEfficiency = 0.9637;  // eta_ref

// DC power, W, after the system losses: Itr / 1000 Pdc0 (1 + gamma (Tcell - 25))
// (1 - losses); 0 when the transmitted light is not above 0.
double DcPower(double transmittedPoa, double cellTemperature, const System& system);

// AC power, W, of an inverter rated Pac0 = Pdc0 / ratio AC with nominal efficiency eta_nom:
//   zeta = Pdc / (Pac0 / eta_nom),
//   eta = eta_nom / eta_ref (-0.0162 zeta - 0.0059 / zeta + 0.9858),
//   Pac = min(eta Pdc, Pac0), and 0 for Pdc (or eta Pdc) not above 0.
double InverterAc(double dcPower, double acRating, double nominalEfficiency);

// The plane's light in its three parts, W/m2.
struct PlaneLight {
  double beam = 0;    // DNI cos(AOI), 0 with the sun behind the plane
  double sky = 0;     // sky diffuse (Perez or isotropic)
  double ground = 0;  // ground-reflected
  double total() const { return beam + sky + ground; }
};

struct HourResult {
  double transmitted = 0;      // POA through the cover, W/m2
  double cellTemperature = 0;  // C
  double dc = 0;               // W
  double ac = 0;               // W
  ThermalState state;          // for the next hour
};

// One hour (or a step of `hours`) of one panel: the cosine of the beam's angle of incidence,
// the plane's light, the air's temperature (C) and wind speed (m/s), the state the previous
// step left.
HourResult Hour(double cosAoi, const PlaneLight& light, double airTemperature, double windSpeed,
                const ThermalState& previous, const System& system, double hours = 1.0);

}  // namespace halvessa::energy
