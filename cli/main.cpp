// halvessa-cli: the sun's position, sunrise and sunset and the panels' angles of incidence
// for one moment, without a window. See cli.h and the --help text.
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/cli.h"

namespace {

bool Write(std::FILE* stream, const std::string& text) {
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stream) != text.size()) {
    return false;
  }
  return std::fflush(stream) == 0 && !std::ferror(stream);
}

}  // namespace

int main(int argc, char* argv[]) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);

  const halvessa::cli::Outcome outcome = halvessa::cli::Run(args, &halvessa::cli::ClockNowUt);

  errno = 0;
  if (!Write(stdout, outcome.out)) {
    const int error = errno;
    std::fprintf(stderr, "halvessa-cli: cannot write the output: %s\n",
                 error != 0 ? std::strerror(error) : "write error");
    return halvessa::cli::kExitFailure;
  }
  Write(stderr, outcome.err);
  return outcome.status;
}
