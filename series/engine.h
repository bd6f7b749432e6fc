// The series engine: the sun's position and every panel's angle of incidence and production
// for many moments of one site. Each result has the same bits as the one-moment routines
// (geometry::SunPosition, geometry::AngleOfIncidence, MomentProduction) give for that moment;
// the engine only does the work faster: the site's and the panels' constants once, sines and
// cosines in pairs, the calendar step straight from the day serial, and four moments side by
// side so that their independent library calls overlap.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "site/site.h"

namespace halvessa::series {

// Moments are worked in blocks of this many.
inline constexpr std::size_t kBlock = 1024;

// One block of moments and their results, as structures of arrays. The caller fills size and
// universalSecond (FillBlock also fills the local second and offset the rows show);
// SeriesEngine::compute fills the rest for the first size moments. About 200 KB: allocate it
// once (MakeBlock) and reuse it.
struct Block {
  std::size_t size = 0;
  // The instants: seconds of universal time since 1970-01-01 00:00.
  std::array<std::int64_t, kBlock> universalSecond;
  // As a series shows them: seconds since 1970-01-01 00:00 of local time, and the offset in
  // seconds. The engine does not read them.
  std::array<std::int64_t, kBlock> localSecond;
  std::array<std::int64_t, kBlock> offsetSecond;
  std::array<double, kBlock> azimuth;    // whole degrees 0..359
  std::array<double, kBlock> elevation;  // degrees, geometric
  // Per panel in use (the others are left as they are).
  std::array<std::array<double, kBlock>, kPanelCount> aoi;         // degrees 0..180
  // cos of the AOI, 0 with the sun down or an AOI of 90 or more (no beam on the plane)
  std::array<std::array<double, kBlock>, kPanelCount> cosAoi;
  std::array<std::array<double, kBlock>, kPanelCount> production;  // percent, 0 with the sun down
};

std::unique_ptr<Block> MakeBlock();

// The clear sky of a block's moments (W/m2): global, direct normal and diffuse horizontal
// irradiance, and the irradiance on each panel's plane.
struct SkyBlock {
  std::array<double, kBlock> ghi;
  std::array<double, kBlock> dni;
  std::array<double, kBlock> dhi;
  std::array<std::array<double, kBlock>, kPanelCount> poa;
};

class SeriesEngine {
 public:
  // A site (latitude -90..90, longitude -180..180, degrees) and its panels; panels not in
  // use are skipped.
  SeriesEngine(double latitude, double longitude,
               const std::array<PanelGeometry, kPanelCount>& panels);

  // The results for block.universalSecond[0, size): the same bits as SunPosition gives for
  // the local time of that instant under any zone. Throws CalendarRangeError, as SunPosition
  // does, when a moment leaves years 100 to 9999; the results before that moment's group of
  // four are then filled, the rest are not.
  void compute(Block& block) const;

  // Every panel's angle of incidence and production from the sun the block already holds
  // (azimuth and elevation of its first size moments, or of [from, to)): the second half of
  // compute.
  void panels(Block& block) const { panels(block, 0, block.size); }
  void panels(Block& block, std::size_t from, std::size_t to) const;

  // The sun's position alone, for n moments.
  void sunPositions(const std::int64_t* universalSecond, std::size_t n, double* azimuth,
                    double* elevation) const;

  bool inUse(int panel) const { return inUse_[panel]; }

 private:
  struct PanelConstants {
    double sinGammaSinBeta;
    double cosGammaSinBeta;
    double cosBeta;
  };

  double Longitude_;
  double sinLatitude_;
  double cosLatitude_;
  std::array<bool, kPanelCount> inUse_{};
  std::array<PanelConstants, kPanelCount> panel_{};
};

}  // namespace halvessa::series
