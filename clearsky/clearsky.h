// Clear-sky irradiance and the irradiance on a panel's plane. Plain C++, no Qt, no state
// beyond what a model computes once from its atmosphere, no I/O, no allocation.
//
// The sky is the simplified Solis model (P. Ineichen, "A broadband simplified version of the
// Solis clear sky model", Solar Energy 82 (2008) 758-762): three modified Lambert-Beer
// relations of the sun's elevation h,
//   DNI = I0' exp(-tau_b / sin(h)^b)
//   GHI = I0' exp(-tau_g / sin(h)^g) sin(h)
//   DHI = I0' exp(-tau_d / sin(h)^d)
// whose coefficients depend only on the atmosphere. The three are fitted separately, so
// DNI sin(h) + DHI is close to GHI but not equal to it.
//
// The elevation taken is the geometric one that geometry::SunPosition gives, without
// refraction; near the horizon that is a little lower than the apparent elevation the model
// was fitted against, which only errs toward less light.
#pragma once

namespace halvessa::clearsky {

// The atmosphere of a site. The model was derived for an aerosol optical depth from 0 to
// 0.45, precipitable water from 0.2 to 10 cm and pressures from 101325 down to 41000 Pa
// (sea level to 7000 m); outside those it extrapolates its fits. Precipitable water below
// 0.2 cm (0 and negative included) is taken as 0.2 cm, as the fits require. A NaN in the
// atmosphere, or a pressure not above 0, makes every irradiance above the horizon NaN.
struct Atmosphere {
  double aod700 = 0.1;              // aerosol optical depth at 700 nm
  double precipitableWater = 1.0;   // cm
  double pressure = 101325.0;       // Pa; must be positive
  double extraterrestrial = 1364.0; // W/m2, the irradiance above the atmosphere
};

// The sea-level pressure of the model, Pa.
inline constexpr double kSeaLevelPressure = 101325.0;

// The pressure at an altitude in metres above sea level, by the isothermal barometric
// formula the model's own altitude correction was fitted with:
//   p = 101325 exp(-altitude / 8434.5)
// (so ln(p / p0) = -altitude / 8434.5). Below sea level it gives more than 101325.
double PressureAtAltitude(double metres);

struct Irradiance {
  double ghi = 0;  // global horizontal, W/m2
  double dni = 0;  // direct (beam) normal, W/m2
  double dhi = 0;  // diffuse horizontal, W/m2
};

class SolisModel {
 public:
  // Works out the seven coefficients of the atmosphere once.
  explicit SolisModel(const Atmosphere& atmosphere = {});

  // The clear-sky irradiance for the sun at elevationDegrees (geometric, see above). All
  // three are 0 unless the elevation is above 0; a NaN elevation counts as not above the
  // horizon and gives 0 too. An elevation above 90 (+infinity included) is taken as 90.
  // Cheap: one sine, three powers and three exponentials, no allocation.
  Irradiance at(double elevationDegrees) const;

  const Atmosphere& atmosphere() const { return atmosphere_; }

 private:
  Atmosphere atmosphere_;
  double i0_ = 0;    // I0', the enhanced extraterrestrial irradiance
  double tauB_ = 0;  // beam optical depth and exponent
  double b_ = 0;
  double tauG_ = 0;  // global
  double g_ = 0;
  double tauD_ = 0;  // diffuse
  double d_ = 0;
};

// The plane of a fixed panel under an isotropic sky with ground reflection. A panel tilted t
// from the horizontal sees the fraction (1 + cos t) / 2 of the sky and reflects the ground's
// light in the fraction albedo (1 - cos t) / 2. Both depend only on the panel, so they are
// worked out once per panel.
struct PlaneFactors {
  double sky = 1;     // (1 + cos tilt) / 2
  double ground = 0;  // albedo (1 - cos tilt) / 2
};

// The factors for a panel tilted tiltDegrees from the horizontal (cosine as geometry::CosD).
// A flat panel (tilt 0) gets exactly sky 1 and ground 0.
PlaneFactors FactorsForTilt(double tiltDegrees, double albedo = 0.2);

// The irradiance on the panel's plane, W/m2:
//   dni cos(AOI) + dhi sky + ghi ground,
// the beam counted only for an angle of incidence below 90 degrees (a NaN angle gives no
// beam). The cosine is geometry::CosD(aoiDegrees).
double PlaneIrradiance(const Irradiance& sky, double aoiDegrees, const PlaneFactors& f);

// The same for a caller that already has cos(AOI): the beam is counted when cosAoi is above
// 0. With cosAoi = geometry::CosD(aoi) the two give the same bits for every AOI below 90 and
// every AOI whose cosine is not above 0. They differ only at and just past 90 degrees, where
// the short pi of CosD leaves a cosine of about 1.6e-15 that the degree form does not count.
double PlaneIrradianceCos(const Irradiance& sky, double cosAoi, const PlaneFactors& f);

}  // namespace halvessa::clearsky
