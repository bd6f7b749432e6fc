// halvessa-cli: the sun's position, sunrise and sunset and the panels' angles of incidence
// for one moment or many, without a window. See cli.h and the --help text.
#include <QString>
#include <QStringList>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "cli/cli.h"
#include "cli/terminal.h"
#include "files/series_export.h"

namespace {

// The progress line on standard error, unbuffered there.
halvessa::cli::ProgressLine progress([](std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
});

// Standard output, written with large writes straight to the descriptor. When its reader has
// gone the process ends quietly, as by SIGPIPE, whether or not SIGPIPE is ignored.
class StandardOutput : public halvessa::files::OutputSink {
 public:
  void write(std::string_view text) override {
    while (!text.empty()) {
      const ssize_t n = ::write(STDOUT_FILENO, text.data(), text.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EPIPE) {
        progress.clear();
        halvessa::cli::EndOnBrokenPipe();
      }
      if (n <= 0) throw halvessa::files::OutputError(n < 0 ? std::strerror(errno) : "write error");
      text.remove_prefix(static_cast<std::size_t>(n));
    }
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);

  StandardOutput out;
  halvessa::cli::Environment env{&halvessa::cli::ClockNowUt, &out, {}, {}};
  if (halvessa::cli::ShowsProgress(STDOUT_FILENO, STDERR_FILENO)) {
    env.progress = [](double f) { progress(f); };
  }

  const halvessa::cli::Outcome outcome = halvessa::cli::Run(args, env);
  progress.clear();
  if (!outcome.err.empty()) std::fputs(outcome.err.c_str(), stderr);
  return outcome.status;
}
