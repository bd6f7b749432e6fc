#include "cli/terminal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <utility>

namespace halvessa::cli {

bool ShowsProgress(int outFd, int errFd) {
  if (!::isatty(errFd)) return false;
  struct stat out {};
  struct stat err {};
  if (::fstat(outFd, &out) != 0 || ::fstat(errFd, &err) != 0) return true;
  return !(out.st_dev == err.st_dev && out.st_ino == err.st_ino);
}

ProgressLine::ProgressLine(std::function<void(std::string_view)> write, Clock now)
    : write_(std::move(write)), now_(std::move(now)), start_(now_()) {}

void ProgressLine::operator()(double fraction) {
  if (fraction >= 1.0) {
    clear();
    return;
  }
  const auto now = now_();
  if (now - start_ < std::chrono::seconds(1)) return;
  if (shown_ && now - last_ < std::chrono::milliseconds(100)) return;
  char text[32];
  std::snprintf(text, sizeof text, "\rworking: %3d%%", static_cast<int>(fraction * 100));
  write_(text);
  shown_ = true;
  last_ = now;
}

void ProgressLine::clear() {
  if (shown_) write_("\r\033[K");
  shown_ = false;
}

void EndOnBrokenPipe() {
  std::signal(SIGPIPE, SIG_DFL);
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  sigprocmask(SIG_UNBLOCK, &pipe, nullptr);
  std::raise(SIGPIPE);
  _exit(128 + SIGPIPE);  // not reached
}

}  // namespace halvessa::cli
