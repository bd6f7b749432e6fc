// The series path against its floor, in one run. A year of minutes (525,600 rows, the five
// default panels, Geneva, zone +1) written as CSV to a file:
// - ours: the executable, `halvessa-cli series` (the engine, the clear sky when asked, the
//   writer, both cores), started as a process with its standard output on the file;
// - the floor: the same doubles, computed beforehand, each turned into text by std::to_chars
//   (the shortest form that reads back, or fixed to --digits decimals), separated by commas,
//   rows ended by CR LF, gathered into 1 MB and written with large writes, on two threads.
// The floor leaves out the time column and the computation; it is what no writer of these
// numbers can beat by much. Then formatting alone on one thread: the year's blocks, computed
// beforehand, through files::SeriesWriter into a sink that counts, against the floor's
// std::to_chars of the same numbers into a buffer. Each case runs 11 times, the runs alternating; the medians and the
// fastest of the wall times, the medians of the CPU times and their ratios are printed, for
// full precision, --clearsky and --digits 3.
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

Year YearOf(bool clearSky) {
  const series::SeriesEngine engine(kLatitude, kLongitude, kPanels);
  const summary::Site site{kLatitude, kLongitude, kPanels};
  const clearsky::SolisModel model(site.atmosphere);
  const auto planes = summary::PlanesOf(site);
  const auto inUse = summary::InUseOf(site);
  const series::TimeGrid grid{kFrom, 60, kRows};
  const auto zone = site::ZoneRule::Fixed(1);
  Year year;
  std::vector<double>& out = year.numbers;
  for (std::int64_t first = 0; first < kRows; first += series::kBlock) {
    auto& block = *year.blocks.emplace_back(series::MakeBlock());
    auto& sky = *year.skies.emplace_back(std::make_unique<series::SkyBlock>());
    series::FillBlock(grid, zone, first, block);
    engine.compute(block);
    if (clearSky) summary::ComputeSky(block, model, planes, inUse, sky);
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

Time Floor(const std::vector<double>& numbers, int digits) {
  const std::size_t perRow = numbers.size() / kRows;
  const int fd = OpenFile();
  std::mutex writing;
  const double cpu = SelfCpu();
  const auto start = Clock::now();
  const auto work = [&](std::size_t fromRow, std::size_t toRow) {
    std::string buffer(1 << 20 | 4096, '\0');
    char* out = buffer.data();
    for (std::size_t r = fromRow; r < toRow; ++r) {
      const double* v = numbers.data() + r * perRow;
      for (std::size_t k = 0; k < perRow; ++k) {
        *out++ = ',';
        out = (digits < 0 ? std::to_chars(out, out + 64, v[k])
                          : std::to_chars(out, out + 64, v[k], std::chars_format::fixed, digits))
                  .ptr;
      }
      *out++ = '\r';
      *out++ = '\n';
      if (out - buffer.data() >= 1 << 20 || r + 1 == toRow) {
        const std::lock_guard lock(writing);
        WriteAll(fd, std::string_view(buffer.data(), static_cast<std::size_t>(out - buffer.data())));
        out = buffer.data();
      }
    }
  };
  std::thread second(work, kRows / 2, kRows);
  work(0, kRows / 2);
  second.join();
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
              "alternating: median and fastest wall time, median CPU time (all threads)\n",
              kRuns);
  for (const Case& c : cases) {
    const Year year = YearOf(c.clearSky);
    const std::vector<double>& numbers = year.numbers;
    std::vector<double> ours, floor, oursCpu, floorCpu, writer, floorAlone;
    for (int run = 0; run < kRuns; ++run) {
      writer.push_back(WriterAlone(year, c.clearSky, c.digits));
      floorAlone.push_back(FloorAlone(year, c.digits));
      const Time o = Process(program, c.options);
      const Time f = Floor(numbers, c.digits);
      ours.push_back(o.wall);
      oursCpu.push_back(o.cpu);
      floor.push_back(f.wall);
      floorCpu.push_back(f.cpu);
    }
    std::printf("%-15s ours %.3f s (fastest %.3f, CPU %.3f), floor %.3f s (fastest %.3f, CPU "
                "%.3f; %zu numbers a row): ratio %.2f (fastest %.2f, CPU %.2f)\n",
                c.name, Median(ours), Least(ours), Median(oursCpu), Median(floor), Least(floor),
                Median(floorCpu), numbers.size() / kRows, Median(ours) / Median(floor),
                Least(ours) / Least(floor), Median(oursCpu) / Median(floorCpu));
    std::printf("%-15s formatting alone, one thread: the writer %.3f s (fastest %.3f), to_chars "
                "%.3f s (fastest %.3f): ratio %.2f (fastest %.2f)\n",
                "", Median(writer), Least(writer), Median(floorAlone), Least(floorAlone),
                Median(writer) / Median(floorAlone), Least(writer) / Least(floorAlone));
    std::fflush(stdout);
  }
  if (ownFile) ::unlink(g_file.c_str());
  return 0;
}
