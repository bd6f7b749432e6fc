// halvessa-cli: the sun's position, sunrise and sunset and the panels' angles of incidence
// for one moment or many, without a window. See cli.h and the --help text.
#include <QString>
#include <QStringList>

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "cli/cli.h"
#include "files/series_export.h"

namespace {

// Standard output, written with large writes straight to the descriptor.
class StandardOutput : public halvessa::files::OutputSink {
 public:
  void write(std::string_view text) override {
    while (!text.empty()) {
      const ssize_t n = ::write(STDOUT_FILENO, text.data(), text.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw halvessa::files::OutputError(n < 0 ? std::strerror(errno) : "write error");
      text.remove_prefix(static_cast<std::size_t>(n));
    }
  }
};

// "series: 42%" on a terminal's standard error, once the work has taken a second, at most
// ten times a second; the line is cleared at the end.
class ProgressLine {
 public:
  void operator()(double fraction) {
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < std::chrono::seconds(1)) return;
    if (fraction >= 1.0) {
      if (shown_) std::fputs("\r\033[K", stderr);
      return;
    }
    if (shown_ && now - last_ < std::chrono::milliseconds(100)) return;
    std::fprintf(stderr, "\rworking: %3d%%", static_cast<int>(fraction * 100));
    std::fflush(stderr);
    shown_ = true;
    last_ = now;
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_;
  bool shown_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);

  StandardOutput out;
  halvessa::cli::Environment env{&halvessa::cli::ClockNowUt, &out, {}};
  ProgressLine progress;
  if (::isatty(STDERR_FILENO)) env.progress = [&progress](double f) { progress(f); };

  const halvessa::cli::Outcome outcome = halvessa::cli::Run(args, env);
  if (!outcome.err.empty()) std::fputs(outcome.err.c_str(), stderr);
  return outcome.status;
}
