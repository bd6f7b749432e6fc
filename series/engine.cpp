// The steps below are SunPosition's and AngleOfIncidence's, numbered as there, in the same
// operation order, so that every result keeps its bits. What differs is only where a value
// comes from: a site constant, the other half of a sine and cosine pair, a table of the 360
// whole-degree azimuths, or the universal second itself instead of its calendar date.
#include "series/engine.h"

#include <cmath>
#include <cstdint>

#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "geometry/steps.h"

namespace halvessa::series {

namespace {

using geometry::kPi;
using geometry::steps::Reduce;

// DegToRad, inline.
inline double Rad(double x) { return x * kPi / 180.0; }

// The sine and the cosine of x degrees in one library call; the same bits as SinD and CosD.
inline void SinCosD(double x, double& s, double& c) { ::sincos(Rad(x), &s, &c); }

// The Julian day at 0 h of a day serial's date: 1899-12-30 (serial 0) is Julian day
// 2415018.5, and both count whole days from there, so the sum is the calendar's Julian day
// exactly, without the calendar date.
constexpr double kJulianDayOfSerialZero = 2415018.5;

// The sine and cosine of every whole-degree azimuth, as AngleOfIncidence takes them.
struct AzimuthTable {
  std::array<double, 360> sinAlpha;
  std::array<double, 360> cosAlpha;
  AzimuthTable() {
    for (int a = 0; a < 360; ++a) {
      const double alpha = Rad(a);
      sinAlpha[a] = std::sin(alpha);
      cosAlpha[a] = std::cos(alpha);
    }
  }
};

const AzimuthTable& Azimuths() {
  static const AzimuthTable table;
  return table;
}

}  // namespace

std::unique_ptr<Block> MakeBlock() { return std::make_unique<Block>(); }

SeriesEngine::SeriesEngine(double latitude, double longitude,
                           const std::array<PanelGeometry, kPanelCount>& panels)
    : Longitude_(longitude),
      sinLatitude_(std::sin(Rad(latitude))),
      cosLatitude_(std::cos(Rad(latitude))) {
  for (int p = 0; p < kPanelCount; ++p) {
    inUse_[p] = InUse(panels[p]);
    const double gamma = Rad(panels[p].Azimuth);
    const double beta = Rad(panels[p].Tilt);
    const double sinBeta = std::sin(beta);
    panel_[p] = {std::sin(gamma) * sinBeta, std::cos(gamma) * sinBeta, std::cos(beta)};
  }
  Azimuths();
}

namespace {

// N moments side by side: each step is taken for every lane before the next step, so that
// the lanes' library calls do not wait on each other.
template <int N>
void SunLanes(const std::int64_t* UniversalSecond, double Longitude, double sinLatitude,
              double cosLatitude, double* Azimuth, double* Elevation) {
  double JD[N];
  for (int k = 0; k < N; ++k) {
    // 1. and 2. Universal time is given: its day and its second of the day.
    std::int64_t days = UniversalSecond[k] / 86400;
    std::int64_t seconds = UniversalSecond[k] % 86400;
    if (seconds < 0) {
      seconds += 86400;
      days -= 1;
    }
    const double day = kUnixEpochSerial + static_cast<double>(days);
    if (!InCalendarRange(day)) throw CalendarRangeError();
    const int h = static_cast<int>(seconds / 3600);
    const int mi = static_cast<int>(seconds / 60 % 60);
    const int s = static_cast<int>(seconds % 60);
    // 3. Julian day at 0 h, plus the time of day: minutes, hours, then seconds.
    const double JD0 = day + kJulianDayOfSerialZero;
    JD[k] = JD0 + (mi / 60.0 + h + s / 3600.0) / 24.0;
  }

  double d[N], L[N], g[N], sinG[N], sin2G[N];
  for (int k = 0; k < N; ++k) {
    // 4. to 6. Days from J2000.0, mean longitude, mean anomaly.
    d[k] = JD[k] - 2451545.0;
    L[k] = Reduce(d[k] * 0.9856474 + 280.46);
    g[k] = Reduce(d[k] * 0.9856003 + 357.528);
  }
  for (int k = 0; k < N; ++k) sinG[k] = std::sin(Rad(g[k]));
  for (int k = 0; k < N; ++k) sin2G[k] = std::sin(Rad(2.0 * g[k]));

  double sinLambda[N], cosLambda[N], sinEpsilon[N], cosEpsilon[N];
  for (int k = 0; k < N; ++k) {
    // 7. Ecliptic longitude, 8. obliquity.
    const double lambda = Reduce(1.915 * sinG[k] + L[k] + 0.02 * sin2G[k]);
    const double epsilon = 23.439 - 0.0000004 * d[k];
    SinCosD(lambda, sinLambda[k], cosLambda[k]);
    SinCosD(epsilon, sinEpsilon[k], cosEpsilon[k]);
  }

  double alpha[N], delta[N];
  for (int k = 0; k < N; ++k) {
    // 9. Right ascension, 10. declination.
    alpha[k] = Reduce(geometry::ATan2D(sinLambda[k] * cosEpsilon[k], cosLambda[k]));
    delta[k] = geometry::ASinD(sinLambda[k] * sinEpsilon[k]);
  }

  double H[N];
  for (int k = 0; k < N; ++k) {
    // 11. Greenwich mean sidereal time, 12. local sidereal time, 13. hour angle.
    const double T = d[k] / 36525.0;
    double theta = d[k] * 360.98564736629 + 280.46061837 + 0.000387933 * std::pow(T, 2) -
                   std::pow(T, 3) / 38710000.0;
    theta = Reduce(theta);
    const double thetaL = Reduce(theta + Longitude);
    H[k] = thetaL - alpha[k];
    if (H[k] < -180.0) {
      H[k] = H[k] + 360.0;
    } else if (H[k] > 180.0) {
      H[k] = H[k] - 360.0;
    }
  }

  double sinH[N], cosH[N], sinDelta[N], cosDelta[N], tanDelta[N];
  for (int k = 0; k < N; ++k) {
    SinCosD(H[k], sinH[k], cosH[k]);
    SinCosD(delta[k], sinDelta[k], cosDelta[k]);
  }
  for (int k = 0; k < N; ++k) tanDelta[k] = geometry::TanD(delta[k]);

  for (int k = 0; k < N; ++k) {
    // 14. Elevation, 15. azimuth to the whole degree.
    Elevation[k] = geometry::ASinD(cosLatitude * cosDelta[k] * cosH[k] + sinLatitude * sinDelta[k]);
    const double A = geometry::ATan2D(-sinH[k], tanDelta[k] * cosLatitude - sinLatitude * cosH[k]);
    Azimuth[k] = geometry::WholeAzimuth(A);
  }
}

}  // namespace

void SeriesEngine::sunPositions(const std::int64_t* universalSecond, std::size_t n,
                                double* azimuth, double* elevation) const {
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    SunLanes<4>(universalSecond + i, Longitude_, sinLatitude_, cosLatitude_, azimuth + i,
                elevation + i);
  }
  for (; i < n; ++i) {
    SunLanes<1>(universalSecond + i, Longitude_, sinLatitude_, cosLatitude_, azimuth + i,
                elevation + i);
  }
}

void SeriesEngine::compute(Block& block) const {
  sunPositions(block.universalSecond.data(), block.size, block.azimuth.data(),
               block.elevation.data());
  panels(block);
}

void SeriesEngine::panels(Block& block, std::size_t from, std::size_t to) const {
  const AzimuthTable& table = Azimuths();
  for (std::size_t i = from; i < to; ++i) {
    const double SunAzimuth = block.azimuth[i];
    const double SunElevation = block.elevation[i];
    // 1. and 2. of AngleOfIncidence: the sun's azimuth is a whole degree, so its sine and
    // cosine come from the table.
    double sinAlpha;
    double cosAlpha;
    const auto whole = static_cast<int>(SunAzimuth);
    if (SunAzimuth >= 0.0 && SunAzimuth < 360.0 && whole == SunAzimuth) {
      sinAlpha = table.sinAlpha[whole];
      cosAlpha = table.cosAlpha[whole];
    } else {
      sinAlpha = std::sin(Rad(SunAzimuth));
      cosAlpha = std::cos(Rad(SunAzimuth));
    }
    double sinEta;
    double cosEta;
    ::sincos(Rad(SunElevation), &sinEta, &cosEta);
    const bool sunUp = SunAboveHorizon(SunElevation);

    for (int p = 0; p < kPanelCount; ++p) {
      if (!inUse_[p]) continue;
      const PanelConstants& c = panel_[p];
      double S = (sinAlpha * cosEta) * c.sinGammaSinBeta + (cosAlpha * cosEta) * c.cosGammaSinBeta +
                 sinEta * c.cosBeta;
      // 3. and 4.
      S = geometry::Clamp(S, -1.0, 1.0);
      const double AOI = geometry::ACosD(S);
      block.aoi[p][i] = AOI;
      // The production of AOIToProduction while the sun is up; the cosine is kept for the
      // beam on the panel's plane.
      if (sunUp && AOI < 90.0) {
        const double cosAoi = std::cos(Rad(AOI));
        block.cosAoi[p][i] = cosAoi;
        block.production[p][i] = 100.0 * std::pow(cosAoi, 1.5);
      } else {
        block.cosAoi[p][i] = 0.0;
        block.production[p][i] = 0.0;
      }
    }
  }
}

}  // namespace halvessa::series
