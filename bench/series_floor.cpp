// The series path against its floor, in one run. A year of minutes (525,600 rows, the five
// default panels, Geneva, zone +1) written as CSV to a file, three ways:
// - the executable, `halvessa-cli series` started as a process with its standard output on the
//   file, against the floor: the same doubles, computed beforehand, each turned into text by
//   std::to_chars (the shortest form that reads back, or fixed to --digits decimals),
//   separated by commas, rows ended by CR LF, gathered into 1 MB and written with large
//   writes, on two threads. The floor leaves out the process's start, the computation and the
//   time column;
// - in this process, the path `series` takes once its options are read (files::WriteSeries
//   with the engine and the clear sky on both cores) against the same floor computing each
//   block first as that path does;
// - formatting alone on one thread: the year's blocks, computed beforehand, through
//   files::SeriesWriter into a sink that counts, against std::to_chars of the same numbers.
// Full precision, --clearsky and --digits 3, each run 11 times, the ways alternating; with
// --clearsky also the executable under the horizon of tests/data against it without.
//   halvessa_bench_series_floor [--cli PATH] [FILE]
// PATH defaults to halvessa-cli beside this program, FILE to a temporary file.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "clearsky/clearsky.h"
#include "files/series_export.h"
#include "series/engine.h"
#include "series/grid.h"
#include "summary/summary.h"

extern char** environ;

namespace {

using namespace halvessa;
using Clock = std::chrono::steady_clock;

constexpr double kLatitude = 46.205556;
constexpr double kLongitude = 6.154444;
const std::array<PanelGeometry, kPanelCount> kPanels{
    {{151, 45}, {151, 20}, {331, 20}, {151, 70}, {331, 70}}};
constexpr std::int64_t kFrom = 1735686000;  // 2025-01-01T00:00+01:00
constexpr std::int64_t kRows = 525600;
constexpr int kRuns = 11;

std::string g_file;

int OpenFile() {
  const int fd = ::open(g_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    std::perror(g_file.c_str());
    std::exit(1);
  }
  return fd;
}

void WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::perror("write");
      std::exit(1);
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

// A year's blocks, computed, and the numbers of every row in the columns' order.
struct Year {
  std::vector<std::unique_ptr<series::Block>> blocks;
  std::vector<std::unique_ptr<series::SkyBlock>> skies;
  std::vector<double> numbers;
};

// The computation, as `series` makes it: fill a block with the grid's rows from first, the
// engine, the clear sky when asked.
struct Computer {
  bool clearSky;
  pipeline::Pipeline pipeline{summary::Site{kLatitude, kLongitude, kPanels}};
  series::TimeGrid grid{kFrom, 60, kRows};
  site::ZoneRule zone = site::ZoneRule::Fixed(1);

  void operator()(std::int64_t first, series::Block& block, series::SkyBlock& sky) const {
    const std::size_t wanted = block.size;
    series::FillBlock(grid, zone, first, block);
    block.size = std::min(block.size, wanted);
    pipeline.clearSky(block, sky, clearSky);
  }
};

Year YearOf(bool clearSky) {
  const Computer compute{clearSky};
  Year year;
  std::vector<double>& out = year.numbers;
  for (std::int64_t first = 0; first < kRows; first += series::kBlock) {
    auto& block = *year.blocks.emplace_back(series::MakeBlock());
    auto& sky = *year.skies.emplace_back(std::make_unique<series::SkyBlock>());
    block.size = series::kBlock;
    compute(first, block, sky);
    for (std::size_t i = 0; i < block.size; ++i) {
      out.push_back(block.azimuth[i]);
      out.push_back(block.elevation[i]);
      for (int p = 0; p < kPanelCount; ++p) {
        out.push_back(block.aoi[p][i]);
        out.push_back(block.production[p][i]);
      }
      if (!clearSky) continue;
      for (const double v : {sky.ghi[i], sky.dni[i], sky.dhi[i]}) out.push_back(v);
      for (int p = 0; p < kPanelCount; ++p) out.push_back(sky.poa[p][i]);
    }
  }
  return year;
}

// Counts what it is given.
class CountingSink : public files::OutputSink {
 public:
  void write(std::string_view text) override { bytes += text.size(); }
  std::size_t bytes = 0;
};

// Formatting alone, on one thread: the year's computed blocks through the series writer, and
// the floor's to_chars of the same numbers into a buffer. Seconds.
double WriterAlone(const Year& year, bool clearSky, int digits) {
  files::SeriesLayout layout;
  layout.panels = kPanels;
  layout.clearSky = clearSky;
  layout.digits = digits;
  CountingSink sink;
  const auto start = Clock::now();
  files::SeriesWriter writer(layout, sink);
  for (std::size_t b = 0; b < year.blocks.size(); ++b) writer.rows(*year.blocks[b], year.skies[b].get());
  writer.finish();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double FloorAlone(const Year& year, int digits) {
  const std::size_t perRow = year.numbers.size() / kRows;
  std::string buffer(1 << 20 | 4096, '\0');
  std::size_t bytes = 0;
  const auto start = Clock::now();
  char* out = buffer.data();
  for (std::size_t r = 0; r < kRows; ++r) {
    const double* v = year.numbers.data() + r * perRow;
    for (std::size_t k = 0; k < perRow; ++k) {
      *out++ = ',';
      out = (digits < 0 ? std::to_chars(out, out + 64, v[k])
                        : std::to_chars(out, out + 64, v[k], std::chars_format::fixed, digits))
                .ptr;
    }
    *out++ = '\r';
    *out++ = '\n';
    if (out - buffer.data() >= 1 << 20) {
      bytes += static_cast<std::size_t>(out - buffer.data());
      out = buffer.data();
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (bytes == 0) std::printf("?");
  return seconds;
}

struct Time {
  double wall;
  double cpu;  // user and system, all threads
};

double Cpu(const rusage& u) {
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

double SelfCpu() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return Cpu(u);
}

// The floor on two threads, each taking half of the blocks: the numbers computed beforehand,
// or (computing) each block computed again first, as the series path computes it.
Time Floor(const Year& year, bool clearSky, int digits, bool computing) {
  const std::size_t perRow = year.numbers.size() / kRows;
  const Computer compute{clearSky};
  const int fd = OpenFile();
  std::mutex writing;
  const double cpu = SelfCpu();
  const auto start = Clock::now();
  const auto work = [&](std::size_t fromBlock, std::size_t toBlock) {
    std::string buffer(1 << 20 | 4096, '\0');
    auto block = series::MakeBlock();
    auto sky = std::make_unique<series::SkyBlock>();
    std::vector<double> numbers(perRow * series::kBlock);
    char* out = buffer.data();
    for (std::size_t b = fromBlock; b < toBlock; ++b) {
      const double* v = year.numbers.data() + b * series::kBlock * perRow;
      std::size_t rows = year.blocks[b]->size;
      if (computing) {
        block->size = series::kBlock;
        compute(static_cast<std::int64_t>(b * series::kBlock), *block, *sky);
        double* n = numbers.data();
        for (std::size_t i = 0; i < block->size; ++i) {
          *n++ = block->azimuth[i];
          *n++ = block->elevation[i];
          for (int p = 0; p < kPanelCount; ++p) *n++ = block->aoi[p][i], *n++ = block->production[p][i];
          if (!clearSky) continue;
          *n++ = sky->ghi[i], *n++ = sky->dni[i], *n++ = sky->dhi[i];
          for (int p = 0; p < kPanelCount; ++p) *n++ = sky->poa[p][i];
        }
        v = numbers.data();
        rows = block->size;
      }
      for (std::size_t r = 0; r < rows; ++r, v += perRow) {
        for (std::size_t k = 0; k < perRow; ++k) {
          *out++ = ',';
          out = (digits < 0 ? std::to_chars(out, out + 64, v[k])
                            : std::to_chars(out, out + 64, v[k], std::chars_format::fixed, digits))
                    .ptr;
        }
        *out++ = '\r';
        *out++ = '\n';
        if (out - buffer.data() >= 1 << 20 || (b + 1 == toBlock && r + 1 == rows)) {
          const std::lock_guard lock(writing);
          WriteAll(fd, std::string_view(buffer.data(), static_cast<std::size_t>(out - buffer.data())));
          out = buffer.data();
        }
      }
    }
  };
  const std::size_t blocks = year.blocks.size();
  std::thread second(work, blocks / 2, blocks);
  work(0, blocks / 2);
  second.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const Time time{seconds, SelfCpu() - cpu};
  ::close(fd);
  return time;
}

class FileSink : public files::OutputSink {
 public:
  explicit FileSink(int fd) : fd_(fd) {}
  void write(std::string_view text) override { WriteAll(fd_, text); }

 private:
  int fd_;
};

// The path `series` takes once its options are read, in this process: files::WriteSeries with
// the computation on both cores, to the file.
Time InProcess(bool clearSky, int digits) {
  files::SeriesLayout layout;
  layout.panels = kPanels;
  layout.clearSky = clearSky;
  layout.digits = digits;
  layout.timeZone = 1;
  layout.latitude = kLatitude;
  layout.longitude = kLongitude;
  layout.stepSeconds = 60;
  const Computer compute{clearSky};
  const int fd = OpenFile();
  FileSink sink(fd);
  const double cpu = SelfCpu();
  const auto start = Clock::now();
  files::WriteSeries(layout, sink, kRows, compute);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const Time time{seconds, SelfCpu() - cpu};
  ::close(fd);
  return time;
}

std::vector<std::string> Args(const std::string& program, const std::vector<std::string>& extra) {
  std::vector<std::string> args{program, "series", "--from", "2025-01-01", "--to", "2026-01-01",
                                "--step", "1m", "--tz", "1"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

Time Process(const std::string& program, const std::vector<std::string>& extra) {
  const int fd = OpenFile();
  std::vector<std::string> words = Args(program, extra);
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fd, STDOUT_FILENO);
  const auto start = Clock::now();
  pid_t pid = 0;
  int status = 0;
  rusage usage{};
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0 ||
      wait4(pid, &status, 0, &usage) != pid || status != 0) {
    std::fprintf(stderr, "%s failed\n", program.c_str());
    std::exit(1);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  ::close(fd);
  return {seconds, Cpu(usage)};
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Least(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

std::vector<Time> Walls(const std::vector<double>& seconds) {
  std::vector<Time> out;
  for (const double s : seconds) out.push_back({s, s});
  return out;
}

void Compare(const char* what, const std::vector<Time>& ours, const std::vector<Time>& floor) {
  std::vector<double> a, b, ac, bc;
  for (const Time& t : ours) a.push_back(t.wall), ac.push_back(t.cpu);
  for (const Time& t : floor) b.push_back(t.wall), bc.push_back(t.cpu);
  std::printf("  %-55s %.3f s vs %.3f s: %.2f (fastest %.3f vs %.3f: %.2f; CPU %.3f vs %.3f: %.2f)\n",
              what, Median(a), Median(b), Median(a) / Median(b), Least(a), Least(b),
              Least(a) / Least(b), Median(ac), Median(bc), Median(ac) / Median(bc));
}

}  // namespace

int main(int argc, char** argv) {
  std::string program;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--cli") == 0 && i + 1 < argc) {
      program = argv[++i];
    } else {
      g_file = argv[i];
    }
  }
  if (program.empty()) {
    const std::string self = argv[0];
    program = self.substr(0, self.find_last_of('/') + 1) + "halvessa-cli";
  }
  char temp[] = "/tmp/halvessa-series-floor-XXXXXX";
  const bool ownFile = g_file.empty();
  if (ownFile) {
    const int fd = ::mkstemp(temp);
    if (fd < 0) return 1;
    ::close(fd);
    g_file = temp;
  }
  struct Case {
    const char* name;
    std::vector<std::string> options;
    bool clearSky;
    int digits;
  };
  const Case cases[] = {{"full precision", {}, false, -1},
                        {"--clearsky", {"--clearsky"}, true, -1},
                        {"--digits 3", {"--digits", "3"}, false, 3}};
  std::printf("A year of minutes, 525,600 rows, five panels, CSV to a file; %d runs each, "
              "alternating; medians of the wall times and their ratio, the fastest, the medians "
              "of the CPU times (all threads)\n",
              kRuns);
  for (const Case& c : cases) {
    const Year year = YearOf(c.clearSky);
    std::vector<Time> ours, floor, inProcess, computingFloor;
    std::vector<double> writer, floorAlone;
    std::vector<Time> shaded;  // --clearsky --horizon
    std::vector<std::string> withHorizon = c.options;
    withHorizon.insert(withHorizon.end(), {"--horizon", HALVESSA_TEST_DATA "/horizon-45.000-8.000.csv"});
    for (int run = 0; run < kRuns; ++run) {
      ours.push_back(Process(program, c.options));
      if (c.clearSky) shaded.push_back(Process(program, withHorizon));
      floor.push_back(Floor(year, c.clearSky, c.digits, false));
      inProcess.push_back(InProcess(c.clearSky, c.digits));
      computingFloor.push_back(Floor(year, c.clearSky, c.digits, true));
      writer.push_back(WriterAlone(year, c.clearSky, c.digits));
      floorAlone.push_back(FloorAlone(year, c.digits));
    }
    std::printf("%s (%zu numbers a row)\n", c.name, year.numbers.size() / kRows);
    Compare("the executable vs the floor", ours, floor);
    if (c.clearSky) Compare("the executable with --horizon vs without", shaded, ours);
    Compare("in process, computing: WriteSeries vs the floor", inProcess, computingFloor);
    Compare("formatting alone, one thread: the writer vs to_chars", Walls(writer), Walls(floorAlone));
    std::fflush(stdout);
  }
  if (ownFile) ::unlink(g_file.c_str());
  return 0;
}
