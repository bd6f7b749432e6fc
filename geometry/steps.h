// The small steps the solar geometry's algorithms share: Int, Sgn, the reduction of an angle
// into [0, 360) and the remainder of a whole number of degrees. Inline, so that the one-moment
// routines and the series engine take exactly the same steps.
#pragma once

#include <cmath>

namespace halvessa::geometry::steps {

// Int(v): the greatest integer not above v.
inline double Int(double v) { return std::floor(v); }

// Sgn(v): -1, 0 or +1.
inline double Sgn(double v) {
  if (v < 0) return -1.0;
  if (v > 0) return 1.0;
  return 0.0;
}

// Reduce an angle into [0, 360): subtract the whole turns counted by the floor, then lift a
// negative remainder by one turn. A value strictly between 0 and 360 has no whole turn to
// lose (v / 360 rounds to below 1) and comes back unchanged, so it skips the division; zero
// takes the full path, which turns -0 into +0.
inline double Reduce(double v) {
  if (v > 0.0 && v < 360.0) return v;
  v = v - 360.0 * Int(v / 360.0);
  if (v < 0) v = v + 360.0;
  return v;
}

// The remainder of a whole number divided by 360, with the sign of the dividend. Worked on
// the double so that a NaN stays a NaN instead of going through an integer conversion. The
// callers' values lie within two turns, where one exact subtraction is the whole answer.
inline double WholeRemainder360(double whole) {
  if (whole >= 0.0 && whole < 360.0) return whole;
  if (whole >= 360.0 && whole < 720.0) return whole - 360.0;
  return std::fmod(whole, 360.0);
}

}  // namespace halvessa::geometry::steps
