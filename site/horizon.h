// A site's horizon: the height of the skyline (degrees above the horizontal) by azimuth
// (degrees from north toward east), from hills, trees and buildings. Plain data and pure
// geometry: the files layer reads it, the energy computation asks it whether the sun is hidden
// and how much of a panel's isotropic sky it leaves.
#pragma once

#include <vector>

namespace halvessa::site {

class Horizon {
 public:
  struct Point {
    double azimuth;  // degrees from north clockwise, 0 <= azimuth < 360
    double height;   // degrees above the horizontal
  };

  // The flat horizon: height 0 in every direction.
  Horizon() = default;
  // points sorted by azimuth, each azimuth once, all values finite (the reader sees to it).
  // Heights are interpolated linearly between neighbouring points, and between the last point
  // and the first one around 360; a single point is the same height in every direction.
  explicit Horizon(std::vector<Point> points);

  const std::vector<Point>& points() const { return points_; }
  // No point above the horizontal: the horizon hides neither the sun nor any of the sky.
  bool flat() const { return flat_; }

  // The height at an azimuth in degrees, any value (taken modulo 360); 0 for a non-finite one.
  double heightAt(double azimuth) const;

  // The sun is hidden when it stands at or below the horizon's height at its azimuth: its beam
  // and the circumsolar part of the diffuse light are 0 then. With the flat horizon this is
  // the rule of geometry/site.h (sun up only with an elevation above 0).
  bool blocks(double sunAzimuth, double sunElevation) const {
    return !(sunElevation > heightAt(sunAzimuth));
  }

  // The factor that scales the isotropic sky diffuse light on a plane facing panelAzimuth
  // (degrees from north clockwise) tilted by tilt degrees from the horizontal (-180 to 180):
  // the cosine-weighted part of the sky it sees above this horizon, divided by the part it sees
  // above the horizontal, (1 + cos tilt) / 2 of the whole. 1 with a flat horizon; cos^2 h for a
  // horizontal plane under a uniform horizon of height h. Heights below 0 hide no sky (the
  // isotropic sky ends at the horizontal); they still let the sun's beam through lower down.
  //
  // The sky is integrated over azimuth in kSkySteps equal sectors (midpoint rule; the
  // horizon's height taken at each sector's middle) and exactly over elevation: for one
  // azimuth a the cosine of incidence at elevation e is A cos e + B sin e (A = sin tilt
  // cos(a - panelAzimuth), B = cos tilt), and its integral against cos e de from the
  // horizon's height to the zenith, over the part where it is positive, is in closed form.
  // The factor is the ratio of two such sums, with and without the horizon, so that it never
  // exceeds 1 and is exactly 1 when nothing stands above the horizontal. Worked out once per
  // panel, from the sectors' heights worked out once per horizon; about 20 us.
  double skyFactor(double panelAzimuth, double tilt) const;

  static constexpr int kSkySteps = 1440;  // a quarter of a degree each

 private:
  // Each sector's height above the horizontal (0 for one below it), radians, with its sine
  // and cosine; empty when flat.
  struct Sector {
    double low, sinLow, cosLow;
  };
  std::vector<Point> points_;
  std::vector<Sector> sectors_;
  bool flat_ = true;
};

}  // namespace halvessa::site
