#include "pipeline/pipeline.h"

#include <algorithm>
#include <condition_variable>
#include <cmath>
#include <climits>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "pipeline/in_order.h"

namespace halvessa::pipeline {

namespace {

// Where the sun rises and sets: its centre 0.833 degrees below the horizontal (refraction and
// its half diameter), as the sunrise of the geometry takes it.
constexpr double kRiseElevation = -0.833;

// A stretch of blocks a thread computes at a time.
constexpr std::size_t kStretchBlocks = 4;

// The day of the year (1 on 1 January) of an instant's universal date; the last day's answer
// is kept, as rows come day by day.
class DayOfYear {
 public:
  int operator()(std::int64_t universalSecond) {
    const std::int64_t day = DayOfSecond(universalSecond);
    if (day != day_) {
      const double serial = kUnixEpochSerial + static_cast<double>(day);
      const DateParts d = SerialToParts(serial);
      day_ = day;
      dayOfYear_ = static_cast<int>(serial - DateSerial(d.year, 1, 1)) + 1;
    }
    return dayOfYear_;
  }

 private:
  std::int64_t day_ = INT64_MIN;
  int dayOfYear_ = 1;
};

// The instant a row that the sun may rise or set in stands for, from the sun's elevation at
// its start and end: the middle of its sunlit part (see the header).
std::int64_t SunInstant(std::int64_t start, std::int64_t length, double atStart, double atEnd) {
  double from = 0;
  double to = static_cast<double>(length);
  const double e0 = atStart - kRiseElevation;
  const double e1 = atEnd - kRiseElevation;
  if (e0 <= 0 && e1 > 0) from = to * (-e0) / (e1 - e0);
  if (e0 > 0 && e1 <= 0) to = to * e0 / (e0 - e1);
  return start + std::llround((from + to) / 2);
}

bool Absent(double v) { return std::isnan(v); }

}  // namespace

double KwpInUse(const Setup& setup) {
  double kwp = 0;
  for (int p = 0; p < kPanelCount; ++p) {
    if (InUse(setup.panels[p])) kwp += setup.kwp[p];
  }
  return kwp;
}

void PressureFromWeather(Setup& setup, const site::Weather& weather) {
  if (kAltitudeRange.holds(weather.elevation)) {
    setup.atmosphere.pressure = clearsky::PressureAtAltitude(weather.elevation);
  }
}

// Default-initialised: the arrays are written before they are read, and zeroing them would
// cost more than computing a small grid.
std::unique_ptr<Block> MakeBlock() { return std::unique_ptr<Block>(new Block); }

Pipeline::Pipeline(const Setup& setup)
    : setup_(setup),
      engine_(setup.latitude, setup.longitude, setup.panels),
      model_(setup.atmosphere) {
  for (int p = 0; p < kPanelCount; ++p) {
    inUse_[p] = InUse(setup.panels[p]);
    factors_[p] = clearsky::FactorsForTilt(setup.panels[p].Tilt, setup.albedo);
    planes_[p] = energy::PlaneOf(setup.panels[p].Tilt, setup.panels[p].Azimuth);
    skyFactor_[p] = setup.horizon.skyFactor(setup.panels[p].Azimuth, setup.panels[p].Tilt);
    energy::System& s = systems_[p];
    s.kwp = setup.kwp[p];
    s.module = setup.system.module;
    s.mount = setup.system.mount;
    s.lossesPercent = setup.system.lossesPercent;
    s.inverterPercent = setup.system.inverterPercent;
    s.dcAcRatio = setup.system.dcAcRatio;
  }
  oneSystem_ = systems_[0];
  oneSystem_.kwp = KwpInUse(setup);
}

void Pipeline::clearSky(series::Block& sun, series::SkyBlock& skyBlock, bool sky) const {
  engine_.sunPositions(sun.universalSecond.data(), sun.size, sun.azimuth.data(),
                       sun.elevation.data());
  clearSkyOfSun(sun, skyBlock, sky);
}

void Pipeline::clearSkyOfSun(series::Block& sun, series::SkyBlock& s, bool sky) const {
  engine_.panels(sun);
  if (!sky) return;
  const site::Horizon& horizon = setup_.horizon;
  const bool flat = horizon.flat();
  for (std::size_t i = 0; i < sun.size; ++i) {
    const clearsky::Irradiance irradiance = model_.at(sun.elevation[i]);
    s.ghi[i] = irradiance.ghi;
    s.dni[i] = irradiance.dni;
    s.dhi[i] = irradiance.dhi;
    if (flat) {
      // The engine's cosine is 0 where the beam misses the plane.
      for (int p = 0; p < kPanelCount; ++p) {
        if (inUse_[p]) s.poa[p][i] = clearsky::PlaneIrradianceCos(irradiance, sun.cosAoi[p][i], factors_[p]);
      }
      continue;
    }
    const bool hidden = horizon.blocks(sun.azimuth[i], sun.elevation[i]);
    for (int p = 0; p < kPanelCount; ++p) {
      if (!inUse_[p]) continue;
      const double cosAoi = sun.cosAoi[p][i];
      const double beam = !hidden && cosAoi > 0 ? irradiance.dni * cosAoi : 0.0;
      s.poa[p][i] = beam + irradiance.dhi * factors_[p].sky * skyFactor_[p] +
                    irradiance.ghi * factors_[p].ground;
    }
  }
}

void Pipeline::runGrid(const series::TimeGrid& grid, const site::ZoneRule& zone,
                       const BlockSink& sink, bool sky, const Progress& progress) const {
  const auto stretch = static_cast<std::int64_t>(kStretchBlocks * kBlock);
  const auto fill = [&](std::int64_t first, Block& block) {
    series::FillBlock(grid, zone, first, block.sun);
    block.seconds.fill(static_cast<std::int32_t>(grid.stepSeconds));
    clearSky(block, sky);
  };
  const auto report = [&](std::int64_t done) {
    if (progress) {
      progress(static_cast<double>(std::min(done, grid.count)) / static_cast<double>(grid.count));
    }
  };
  if (grid.count <= stretch) {
    auto block = MakeBlock();
    for (std::int64_t first = 0; first < grid.count; first += static_cast<std::int64_t>(kBlock)) {
      fill(first, *block);
      sink(*block);
      report(first + static_cast<std::int64_t>(block->sun.size));
    }
    return;
  }
  // Stretches of blocks made on both cores, handed to the sink in order.
  struct Part {
    std::vector<std::unique_ptr<Block>> blocks;
    std::size_t used = 0;
  };
  const std::int64_t stretches = (grid.count + stretch - 1) / stretch;
  MakeInOrder<Part>(
      stretches, 3,
      [&](std::int64_t k, Part& part, int) {
        part.used = 0;
        const std::int64_t end = std::min(grid.count, (k + 1) * stretch);
        for (std::int64_t first = k * stretch; first < end; first += static_cast<std::int64_t>(kBlock)) {
          if (part.used == part.blocks.size()) part.blocks.push_back(MakeBlock());
          fill(first, *part.blocks[part.used++]);
        }
      },
      [&](std::int64_t k, const Part& part) {
        for (std::size_t b = 0; b < part.used; ++b) sink(*part.blocks[b]);
        report((k + 1) * stretch);
      });
}

void Pipeline::weatherSun(const site::Weather& weather, std::int64_t shift,
                          const site::ZoneRule& display, std::size_t first, Block& b,
                          std::size_t from, std::size_t to, bool geometry) const {
  for (std::size_t i = from; i < to; ++i) {
    const site::WeatherRow& row = weather.rows[first + i];
    const std::int64_t start = row.start + shift;
    b.startSecond[i] = start;
    b.seconds[i] = row.length;
    b.sun.universalSecond[i] = start + (std::isfinite(weather.centreSeconds)
                                            ? std::llround(weather.centreSeconds)
                                            : row.length / 2);
    const std::int64_t offset = display.offsetSecondsAt(start);
    b.sun.offsetSecond[i] = offset;
    b.sun.localSecond[i] = start + offset;
  }
  engine_.sunPositions(b.sun.universalSecond.data() + from, to - from, b.sun.azimuth.data() + from,
                       b.sun.elevation.data() + from);
  if (!std::isfinite(weather.centreSeconds)) {
    // The rows near sunrise or sunset: the sun at their start and end, then at the middle of
    // their sunlit part. The sun moves at most 15 degrees an hour: a row whose middle has it
    // farther than that from the sunrise elevation over half its length neither sees it rise
    // nor set.
    std::array<std::size_t, kBlock> near;
    std::array<std::int64_t, 2 * kBlock> edges;
    std::array<double, 2 * kBlock> edgeAzimuth;
    std::array<double, 2 * kBlock> edgeElevation;
    std::size_t k = 0;
    for (std::size_t i = from; i < to; ++i) {
      const double reach = 15.0 * b.seconds[i] / 7200.0 + 0.5;
      if (std::abs(b.sun.elevation[i] - kRiseElevation) <= reach) near[k++] = i;
    }
    for (std::size_t j = 0; j < k; ++j) {
      edges[2 * j] = b.startSecond[near[j]];
      edges[2 * j + 1] = b.startSecond[near[j]] + b.seconds[near[j]];
    }
    engine_.sunPositions(edges.data(), 2 * k, edgeAzimuth.data(), edgeElevation.data());
    std::size_t moved = 0;
    for (std::size_t j = 0; j < k; ++j) {
      const std::size_t i = near[j];
      const std::int64_t instant =
          SunInstant(b.startSecond[i], b.seconds[i], edgeElevation[2 * j], edgeElevation[2 * j + 1]);
      if (instant == b.sun.universalSecond[i]) continue;
      b.sun.universalSecond[i] = instant;
      near[moved] = i;
      edges[moved++] = instant;
    }
    engine_.sunPositions(edges.data(), moved, edgeAzimuth.data(), edgeElevation.data());
    for (std::size_t j = 0; j < moved; ++j) {
      b.sun.azimuth[near[j]] = edgeAzimuth[j];
      b.sun.elevation[near[j]] = edgeElevation[j];
    }
  }
  if (geometry) engine_.panels(b.sun, from, to);
}

void Pipeline::runWeather(const site::Weather& weather, double shiftSeconds,
                          const site::ZoneRule& display, const BlockSink& sink,
                          const Progress& progress, WeatherStages stages) const {
  const std::int64_t shift = std::llround(shiftSeconds);
  const std::size_t n = weather.rows.size();
  const std::size_t blocks = (n + kBlock - 1) / kBlock;
  if (blocks == 0) return;
  // The work of a block: the sun and the light of each half of its rows (any order, either
  // thread), then each panel's temperature, DC and AC (in order of blocks, the module's
  // temperature running on), then the system's AC and the sink (this thread, in order).
  // Both threads take the next task that may run, a panel's before a light's, so that the
  // panels' chains, which cannot be split, overlap the next blocks' light.
  constexpr std::size_t kSlots = 3;  // blocks in work at once
  std::array<std::unique_ptr<Block>, kSlots> slots;
  for (auto& slot : slots) slot = MakeBlock();
  struct State {
    int lightTaken = 0, lightDone = 0;
    std::array<bool, kPanelCount> powerTaken{}, powerDone{};
  };
  std::vector<State> state(blocks);
  for (State& st : state) {
    for (int p = 0; p < kPanelCount; ++p) {
      st.powerTaken[p] = st.powerDone[p] = !(stages.power && inUse_[p]);
    }
  }
  std::array<energy::ThermalState, kPanelCount> thermal{};
  std::array<std::int64_t, kPanelCount> expectedStart{};
  const auto size = [&](std::size_t k) { return std::min(kBlock, n - k * kBlock); };
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t sunk = 0;       // blocks handed to the sink
  std::size_t lightNext = 0;  // the block whose light is handed out
  std::exception_ptr failure;

  struct Task {
    enum Kind { kNone, kLight, kPower } kind = kNone;
    std::size_t block = 0;
    int part = 0;  // the half of the rows, or the panel
  };
  // Under the lock: the next task that may run, marked taken.
  const auto take = [&]() -> Task {
    if (failure) return {};
    for (std::size_t k = sunk; k < lightNext; ++k) {
      State& st = state[k];
      if (st.lightDone < 2) continue;
      for (int p = 0; p < kPanelCount; ++p) {
        if (!st.powerTaken[p] && (k == 0 || state[k - 1].powerDone[p])) {
          st.powerTaken[p] = true;
          return {Task::kPower, k, p};
        }
      }
    }
    if (lightNext < blocks && lightNext < sunk + kSlots) {
      State& st = state[lightNext];
      const Task task{Task::kLight, lightNext, st.lightTaken++};
      if (st.lightTaken == 1) slots[lightNext % kSlots]->sun.size = size(lightNext);
      if (st.lightTaken == 2) ++lightNext;
      return task;
    }
    return {};
  };
  const auto run = [&](const Task& task) {
    Block& b = *slots[task.block % kSlots];
    if (task.kind == Task::kPower) {
      weatherPower(b, task.part, thermal[task.part], expectedStart[task.part]);
      return;
    }
    const std::size_t half = b.sun.size / 2;
    const std::size_t from = task.part == 0 ? 0 : half;
    const std::size_t to = task.part == 0 ? half : b.sun.size;
    weatherSun(weather, shift, display, task.block * kBlock, b, from, to, stages.geometry);
    weatherLight(weather.rows.data() + task.block * kBlock, b, from, to);
  };
  // Under the lock: the first failure is kept and ends the run on both threads.
  const auto fail = [&] {
    if (!failure) failure = std::current_exception();
    changed.notify_all();
  };
  // Runs a task, or waits; false when there is nothing left to do for this thread.
  const auto work = [&](std::unique_lock<std::mutex>& lock) {
    const Task task = take();
    if (task.kind == Task::kNone) return false;
    lock.unlock();
    try {
      run(task);
    } catch (...) {
      lock.lock();
      fail();
      return true;
    }
    lock.lock();
    State& st = state[task.block];
    if (task.kind == Task::kPower) {
      st.powerDone[task.part] = true;
    } else {
      ++st.lightDone;
    }
    changed.notify_all();
    return true;
  };
  const auto finished = [&] { return failure || sunk == blocks; };
  std::jthread helper([&] {
    std::unique_lock lock(mutex);
    while (!finished()) {
      if (!work(lock)) changed.wait(lock);
    }
  });
  {
    std::unique_lock lock(mutex);
    while (!finished()) {
      State& st = state[sunk];
      const bool ready = st.lightDone == 2 && std::all_of(st.powerDone.begin(), st.powerDone.end(),
                                                          [](bool done) { return done; });
      if (ready) {
        Block& b = *slots[sunk % kSlots];
        lock.unlock();
        try {
          if (stages.power) weatherSystem(b);
          sink(b);
          if (progress) {
            progress(static_cast<double>(sunk * kBlock + b.sun.size) / static_cast<double>(n));
          }
        } catch (...) {
          lock.lock();
          fail();
          break;
        }
        lock.lock();
        ++sunk;
        changed.notify_all();
        continue;
      }
      if (!work(lock)) changed.wait(lock);
    }
  }
  helper.join();
  if (failure) std::rethrow_exception(failure);
}

void Pipeline::weatherLight(const site::WeatherRow* rows, Block& b, std::size_t from,
                            std::size_t to) const {
  const double pressureMbar = setup_.atmosphere.pressure / 100.0;
  const site::Horizon& horizon = setup_.horizon;
  DayOfYear dayOfYear;
  for (std::size_t i = from; i < to; ++i) {
    const site::WeatherRow& row = rows[i];
    const double air = Absent(row.tempAir) ? kDefaultAir : row.tempAir;
    const double albedo = Absent(row.albedo) ? setup_.albedo : row.albedo;
    b.tempAir[i] = air;
    b.windSpeed[i] = Absent(row.windSpeed) ? kDefaultWind : row.windSpeed;

    // The apparent sun.
    const double elevation = b.sun.elevation[i];
    const double apparent = elevation + energy::Refraction(elevation, pressureMbar, air);
    const energy::SunDirection sun = energy::SunOf(90.0 - apparent, b.sun.azimuth[i]);
    const bool up = apparent > 0;
    const double cosZ = up ? sun.cosZenith : 0.0;
    const double i0 = energy::ExtraterrestrialNormal(dayOfYear(b.sun.universalSecond[i]));
    b.apparentElevation[i] = apparent;
    b.extraterrestrial[i] = i0;
    b.albedo[i] = albedo;

    // The light: what the file gives, the rest derived.
    double ghi = row.ghi;
    double dni = row.dni;
    double dhi = row.dhi;
    const bool hasG = !Absent(ghi);
    const bool hasB = !Absent(dni);
    const bool hasD = !Absent(dhi);
    b.lightMissing[i] = false;
    if (hasG && hasB && hasD) {
    } else if (hasG && hasD) {
      dni = cosZ > 0 ? std::clamp((ghi - dhi) / cosZ, 0.0, i0) : 0.0;
    } else if (hasB && hasD) {
      ghi = dhi + dni * cosZ;
    } else if (hasG && hasB) {
      dhi = std::max(0.0, ghi - dni * cosZ);
    } else if (hasG) {
      const energy::Decomposition d = energy::Erbs(ghi, up ? sun.zenith : 90.0, i0);
      dni = d.dni;
      dhi = d.dhi;
    } else {
      b.lightMissing[i] = true;
      ghi = dni = dhi = 0;
    }
    if (!up) dni = 0;  // no beam from a sun below the horizon
    b.sky.ghi[i] = ghi;
    b.sky.dni[i] = dni;
    b.sky.dhi[i] = dhi;

    const bool hidden = !up || horizon.blocks(b.sun.azimuth[i], apparent);
    const bool perez = setup_.transposition == Transposition::perez && up;
    const energy::PerezCoefficients coefficients =
        perez ? energy::PerezOf(sun, dhi, dni, i0, energy::RelativeAirMass(sun.zenith))
              : energy::PerezCoefficients{};
    for (int p = 0; p < kPanelCount; ++p) {
      if (!inUse_[p]) continue;
      const energy::Plane& plane = planes_[p];
      const double cosAoi = energy::CosIncidence(plane, sun);
      energy::PlaneLight light;
      if (!hidden) light.beam = dni * std::max(cosAoi, 0.0);
      if (perez) {
        const energy::PerezSky sky = energy::Perez(plane, sun, dhi, coefficients);
        light.sky = sky.isotropic * skyFactor_[p] + (hidden ? 0.0 : sky.circumsolar) + sky.horizon;
      } else {
        light.sky = energy::IsotropicSky(dhi, plane) * skyFactor_[p];
      }
      light.ground = energy::GroundReflected(ghi, plane, albedo);
      b.beam[p][i] = light.beam;
      b.diffuse[p][i] = light.sky;
      b.ground[p][i] = light.ground;
      b.cosIncidence[p][i] = hidden ? 0.0 : cosAoi;
      b.sky.poa[p][i] = light.total();
    }
  }
}

void Pipeline::weatherPower(Block& b, int p, energy::ThermalState& thermal,
                            std::int64_t& expectedStart) const {
  for (std::size_t i = 0; i < b.sun.size; ++i) {
    // A gap or a jump (a typical year's months) starts the module's temperature anew.
    if (b.startSecond[i] != expectedStart) thermal = {};
    expectedStart = b.startSecond[i] + b.seconds[i];
    const energy::HourResult h =
        energy::Hour(b.cosIncidence[p][i], {b.beam[p][i], b.diffuse[p][i], b.ground[p][i]},
                     b.tempAir[i], b.windSpeed[i], thermal,
                     systems_[p], static_cast<double>(b.seconds[i]) / 3600.0);
    thermal = h.state;
    b.cell[p][i] = h.cellTemperature;
    b.dc[p][i] = h.dc;
    b.ac[p][i] = h.ac;
  }
}

void Pipeline::weatherSystem(Block& b) const {
  for (std::size_t i = 0; i < b.sun.size; ++i) {
    double dcSum = 0;
    double acSum = 0;
    for (int p = 0; p < kPanelCount; ++p) {
      if (!inUse_[p]) continue;
      dcSum += b.dc[p][i];
      acSum += b.ac[p][i];
    }
    b.systemAc[i] = acSum;
    if (!setup_.system.oneInverter) continue;
    // One inverter for the DC of all: each panel gets its share of its AC by its DC.
    const double ac = energy::InverterAc(dcSum, oneSystem_.kwp * 1000.0 / oneSystem_.dcAcRatio,
                                         oneSystem_.inverterPercent / 100.0);
    b.systemAc[i] = ac;
    for (int p = 0; p < kPanelCount; ++p) {
      if (inUse_[p]) b.ac[p][i] = dcSum > 0 ? ac * b.dc[p][i] / dcSum : 0.0;
    }
  }
}

}  // namespace halvessa::pipeline
