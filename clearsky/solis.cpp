// The simplified Solis model. The coefficient fits are written as the paper gives them, in
// the water vapour w (cm), the aerosol optical depth at 700 nm and ln(p / p0).
#include <algorithm>
#include <cmath>

#include "clearsky/clearsky.h"
#include "geometry/module1.h"

namespace halvessa::clearsky {

namespace {
// The fits were made for at least this much precipitable water, cm; ln(w) needs w > 0.
constexpr double kLeastWater = 0.2;
// Scale height of the barometric formula, m.
constexpr double kScaleHeight = 8434.5;
}  // namespace

double PressureAtAltitude(double metres) {
  return kSeaLevelPressure * std::exp(-metres / kScaleHeight);
}

SolisModel::SolisModel(const Atmosphere& atmosphere) : atmosphere_(atmosphere) {
  const double aod = atmosphere.aod700;
  const double aod2 = aod * aod;
  const double w = std::max(atmosphere.precipitableWater, kLeastWater);
  const double lnW = std::log(w);
  const double lnW2 = lnW * lnW;
  const double lnP = std::log(atmosphere.pressure / kSeaLevelPressure);

  // I0': the extraterrestrial irradiance enhanced so that the relations hold at air mass 0.
  const double i00 = 1.08 * std::pow(w, 0.0051);
  const double i01 = 0.97 * std::pow(w, 0.032);
  const double i02 = 0.12 * std::pow(w, 0.56);
  i0_ = atmosphere.extraterrestrial * (i02 * aod2 + i01 * aod + i00 + 0.071 * lnP);

  // Beam.
  const double tb1 = 1.82 + 0.056 * lnW + 0.0071 * lnW2;
  const double tb0 = 0.33 + 0.045 * lnW + 0.0096 * lnW2;
  const double tbp = 0.0089 * w + 0.13;
  tauB_ = tb1 * aod + tb0 + tbp * lnP;
  const double b1 = 0.00925 * aod2 + 0.0148 * aod - 0.0172;
  const double b0 = -0.7565 * aod2 + 0.5057 * aod + 0.4557;
  b_ = b1 * lnW + b0;

  // Global.
  const double tg1 = 1.24 + 0.047 * lnW + 0.0061 * lnW2;
  const double tg0 = 0.27 + 0.043 * lnW + 0.0090 * lnW2;
  const double tgp = 0.0079 * w + 0.1;
  tauG_ = tg1 * aod + tg0 + tgp * lnP;
  g_ = -0.0147 * lnW - 0.3079 * aod2 + 0.2846 * aod + 0.3798;

  // Diffuse: a polynomial in the aerosol optical depth, fitted apart for very clear skies.
  double td4, td3, td2, td1, td0, tdp;
  if (aod < 0.05) {
    td4 = 86.0 * w - 13800.0;
    td3 = -3.11 * w + 79.4;
    td2 = -0.23 * w + 74.8;
    td1 = 0.092 * w - 8.86;
    td0 = 0.0042 * w + 3.12;
    tdp = -0.83 * std::pow(1.0 + aod, -17.2);
  } else {
    td4 = -0.21 * w + 11.6;
    td3 = 0.27 * w - 20.7;
    td2 = -0.134 * w + 15.5;
    td1 = 0.0554 * w - 5.71;
    td0 = 0.0057 * w + 2.94;
    tdp = -0.71 * std::pow(1.0 + aod, -15.0);
  }
  tauD_ = td4 * aod2 * aod2 + td3 * aod2 * aod + td2 * aod2 + td1 * aod + td0 + tdp * lnP;
  const double dp = 1.0 / (18.0 + 152.0 * aod);
  d_ = -0.337 * aod2 + 0.63 * aod + 0.116 + dp * lnP;
}

Irradiance SolisModel::at(double elevationDegrees) const {
  if (!(elevationDegrees > 0)) return {};  // below the horizon, or NaN
  const double s = geometry::SinD(std::min(elevationDegrees, 90.0));
  // An elevation so small that its sine underflows to 0 is the horizon.
  if (!(s > 0)) return {};
  Irradiance out;
  out.dni = i0_ * std::exp(-tauB_ / std::pow(s, b_));
  out.ghi = i0_ * std::exp(-tauG_ / std::pow(s, g_)) * s;
  out.dhi = i0_ * std::exp(-tauD_ / std::pow(s, d_));
  return out;
}

}  // namespace halvessa::clearsky
