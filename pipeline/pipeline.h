// The one energy pipeline: moments -> the sun -> a sky source -> the horizon -> each panel's
// plane -> temperature -> DC -> AC, in blocks of moments handed in order to a sink (sums, rows,
// charts). Plain C++, no Qt, no I/O.
//
// Two sources of moments and light:
// - the clear sky over a grid of real-time steps: each moment is an instant, the sun there
//   (series engine), the simplified Solis sky, the isotropic plane. With a flat horizon every
//   number has the bits the engine and clearsky::PlaneIrradianceCos give, as before there was
//   a pipeline;
// - a weather file's rows: each row an interval whose mean light the file gives. The sun is
//   taken where the file says its values stand (its centreSeconds), otherwise at the middle of
//   the interval, or of its sunlit part when the sun rises or sets within it. The light on a
//   plane follows the apparent sun (geometric elevation plus refraction at the site's pressure
//   and the row's air temperature): the Perez 1990 sky (or the isotropic one), ground
//   reflection, then the PVWatts v5 chain to AC (energy/pvwatts.h).
//
// The horizon, for both: with the sun at or below the skyline's height at its azimuth, the
// beam (and Perez's circumsolar light) on every plane is 0, and each plane's isotropic sky is
// scaled by the share of it the skyline leaves (site::Horizon::skyFactor, once per panel). The
// production percentage ignores the horizon: it is the geometry's.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "clearsky/clearsky.h"
#include "energy/irradiance.h"
#include "energy/pvwatts.h"
#include "series/engine.h"
#include "series/grid.h"
#include "site/horizon.h"
#include "site/site.h"
#include "site/weather.h"
#include "site/zone_rule.h"

namespace halvessa::pipeline {

using series::kBlock;

enum class Transposition { perez, isotropic };

// How the panels turn light into AC: shared by all panels but their kWp.
struct SystemOptions {
  energy::Module module = energy::Module::standard;
  energy::Mount mount = energy::Mount::openRack;
  double lossesPercent = 14.08;
  double inverterPercent = 96.0;
  double dcAcRatio = 1.2;
  bool oneInverter = false;  // all panels on one inverter, rated by their kWp summed
};

inline constexpr double kDefaultKwp = 1.0;

// The values the calculator's options and the window's System dialog accept: each within
// [low, high] (the kWp above low).
struct Range {
  double low, high;
  bool holds(double v) const { return v >= low && v <= high; }
};
inline constexpr Range kKwpRange{0, 100000};
inline constexpr Range kLossesRange{0, 99};
inline constexpr Range kInverterRange{50, 100};
inline constexpr Range kDcAcRange{0.1, 10};
inline constexpr Range kWeatherShiftRange{-24, 24};  // hours
inline constexpr Range kAltitudeRange{-500, 9000};    // metres
// A panel's kWp: above kKwpRange.low, at most its high.
inline bool KwpHolds(double kwp) { return kwp > kKwpRange.low && kwp <= kKwpRange.high; }

struct Setup {
  double latitude = 0;   // degrees, -90..90
  double longitude = 0;  // degrees, -180..180
  std::array<PanelGeometry, kPanelCount> panels{};
  std::array<double, kPanelCount> kwp{kDefaultKwp, kDefaultKwp, kDefaultKwp, kDefaultKwp,
                                      kDefaultKwp};
  clearsky::Atmosphere atmosphere{};  // the clear sky's; its pressure is the refraction's too
  double albedo = energy::kDefaultAlbedo;  // unless a weather row gives its own
  site::Horizon horizon{};
  Transposition transposition = Transposition::perez;  // weather only: the clear sky is isotropic
  SystemOptions system{};
};

// The kWp of the panels in use, summed.
double KwpInUse(const Setup& setup);

// The air's pressure from the altitude a weather file states (kAltitudeRange), when it
// states one: the refraction of its sun.
void PressureFromWeather(Setup& setup, const site::Weather& weather);

// A block of moments through every stage, as structures of arrays. About 400 KB: make it once
// (MakeBlock) and reuse it.
struct Block {
  series::Block sun;     // the moments, the sun, each panel's AOI and production
  series::SkyBlock sky;  // GHI, DNI, DHI and each panel's plane irradiance (before the cover)
  // The seconds each moment stands for: the grid's step, or the weather row's interval.
  std::array<std::int32_t, kBlock> seconds;
  // Weather only.
  std::array<std::int64_t, kBlock> startSecond;  // the row's interval start, universal
  std::array<double, kBlock> tempAir;            // C, as used (absent: kDefaultAir)
  std::array<double, kBlock> windSpeed;          // m/s, as used (absent: kDefaultWind)
  std::array<bool, kBlock> lightMissing;         // the row's light was absent: taken as 0
  std::array<double, kBlock> apparentElevation;  // degrees, with refraction
  std::array<double, kBlock> extraterrestrial;   // W/m2, normal
  std::array<double, kBlock> albedo;             // as used
  // The plane's light by part, W/m2 (plain doubles: energy::PlaneLight's initialisers would
  // have every block zeroed when made, though only weather uses them).
  std::array<std::array<double, kBlock>, kPanelCount> beam;
  std::array<std::array<double, kBlock>, kPanelCount> diffuse;
  std::array<std::array<double, kBlock>, kPanelCount> ground;
  std::array<std::array<double, kBlock>, kPanelCount> cosIncidence;  // of the beam, 0 if hidden
  std::array<std::array<double, kBlock>, kPanelCount> cell;  // C
  std::array<std::array<double, kBlock>, kPanelCount> dc;    // W, after the system losses
  std::array<std::array<double, kBlock>, kPanelCount> ac;    // W (one inverter: its share)
  std::array<double, kBlock> systemAc;                       // W, all panels
};

std::unique_ptr<Block> MakeBlock();

// What stands for a weather row's absent air temperature and wind: the conditions a module's
// nominal operating cell temperature is defined at.
inline constexpr double kDefaultAir = 20.0;
inline constexpr double kDefaultWind = 1.0;

// What a weather run computes besides the moments, the sun and the light on the planes.
struct WeatherStages {
  bool geometry = true;  // each panel's angle of incidence and production (sun.aoi, ...)
  bool power = true;     // cell temperature, DC, AC and the system's AC
};

using BlockSink = std::function<void(const Block&)>;
using Progress = std::function<void(double)>;

class Pipeline {
 public:
  explicit Pipeline(const Setup& setup);

  const Setup& setup() const { return setup_; }
  bool inUse(int panel) const { return inUse_[panel]; }
  const std::array<bool, kPanelCount>& inUse() const { return inUse_; }
  const series::SeriesEngine& engine() const { return engine_; }
  // Each panel's share of its isotropic sky that the horizon leaves (1 with a flat horizon).
  double skyFactor(int panel) const { return skyFactor_[panel]; }

  // The clear sky of a block whose sun.size and sun.universalSecond are filled: the sun and
  // every panel, then (with sky) the sky and the planes, the horizon applied.
  void clearSky(Block& block, bool sky = true) const { clearSky(block.sun, block.sky, sky); }
  void clearSky(series::Block& sun, series::SkyBlock& skyBlock, bool sky = true) const;
  // The same from the sun the block already holds (sun.azimuth and sun.elevation).
  void clearSkyOfSun(Block& block, bool sky = true) const { clearSkyOfSun(block.sun, block.sky, sky); }
  void clearSkyOfSun(series::Block& sun, series::SkyBlock& skyBlock, bool sky = true) const;

  // Every moment of the grid, in blocks handed to sink in order, on both cores. sink runs on
  // the calling thread. Throws CalendarRangeError as the engine does, and what sink throws.
  void runGrid(const series::TimeGrid& grid, const site::ZoneRule& zone, const BlockSink& sink,
               bool sky = true, const Progress& progress = {}) const;

  // Every row of the weather, its times moved by shiftSeconds, in blocks handed to sink in
  // order: the sun, the light (the missing one of GHI, DNI, DHI derived, GHI alone split by
  // Erbs), the horizon, the planes, the cell temperature (carried from row to row, started
  // anew after a gap), DC and AC. display gives the local time the rows show.
  // stages: what is computed besides the light (the rest of the block is left as it was).
  // Runs on both cores; sink runs on the calling thread. Throws CalendarRangeError as the
  // engine does, and what sink throws.
  void runWeather(const site::Weather& weather, double shiftSeconds, const site::ZoneRule& display,
                  const BlockSink& sink, const Progress& progress = {},
                  WeatherStages stages = {}) const;

 private:
  // The weather's stages for a block whose first row is first: the moments and the sun of
  // rows [from, to) (each panel's geometry too); their light; one panel's temperature, DC
  // and AC; the system's AC.
  void weatherSun(const site::Weather& weather, std::int64_t shift, const site::ZoneRule& display,
                  std::size_t first, Block& block, std::size_t from, std::size_t to,
                  bool geometry) const;
  void weatherLight(const site::WeatherRow* rows, Block& block, std::size_t from,
                    std::size_t to) const;
  void weatherPower(Block& block, int panel, energy::ThermalState& thermal,
                    std::int64_t& expectedStart) const;
  void weatherSystem(Block& block) const;

  Setup setup_;
  series::SeriesEngine engine_;
  clearsky::SolisModel model_;
  std::array<bool, kPanelCount> inUse_{};
  std::array<clearsky::PlaneFactors, kPanelCount> factors_{};
  std::array<energy::Plane, kPanelCount> planes_{};
  std::array<double, kPanelCount> skyFactor_{};
  std::array<energy::System, kPanelCount> systems_{};
  energy::System oneSystem_{};
};

}  // namespace halvessa::pipeline
