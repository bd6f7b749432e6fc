// The plane of array: isotropic sky, ground reflection, the beam by the cosine of the angle
// of incidence.
#include "clearsky/clearsky.h"
#include "geometry/module1.h"

namespace halvessa::clearsky {

PlaneFactors FactorsForTilt(double tiltDegrees, double albedo) {
  const double c = geometry::CosD(tiltDegrees);
  return {(1.0 + c) / 2.0, albedo * (1.0 - c) / 2.0};
}

double PlaneIrradianceCos(const Irradiance& sky, double cosAoi, const PlaneFactors& f) {
  const double beam = cosAoi > 0 ? sky.dni * cosAoi : 0.0;
  return beam + sky.dhi * f.sky + sky.ghi * f.ground;
}

double PlaneIrradiance(const Irradiance& sky, double aoiDegrees, const PlaneFactors& f) {
  return PlaneIrradianceCos(sky, aoiDegrees < 90 ? geometry::CosD(aoiDegrees) : 0.0, f);
}

}  // namespace halvessa::clearsky
