// What the calculator does with the process's terminal: the progress line on standard error,
// and the end of the run when standard output's reader has gone.
#pragma once

#include <chrono>
#include <functional>
#include <string_view>

namespace halvessa::cli {

// Whether long work shows its progress: standard error is a terminal, and not the terminal
// standard output writes to (where the line would mix with the output).
bool ShowsProgress(int outFd, int errFd);

// "working:  42%" once the work has taken a second, at most ten times a second, each drawn
// over the last; cleared at the end of the work and by clear().
class ProgressLine {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  explicit ProgressLine(std::function<void(std::string_view)> write,
                        Clock now = &std::chrono::steady_clock::now);

  void operator()(double fraction);
  // Takes the line away if it is shown: before an error line, and before the process ends.
  void clear();

 private:
  std::function<void(std::string_view)> write_;
  Clock now_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_;
  bool shown_ = false;
};

// Ends the process quietly as the default action of SIGPIPE does, also when SIGPIPE is
// ignored or blocked: for a write that failed with EPIPE (standard output's reader has gone,
// as with "| head").
[[noreturn]] void EndOnBrokenPipe();

}  // namespace halvessa::cli
