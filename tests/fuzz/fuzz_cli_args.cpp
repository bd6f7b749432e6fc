// Fuzz target: the calculator run on arbitrary command lines, the input split at NUL bytes
// into arguments as main() receives them. Whatever the arguments, Run returns instead of
// throwing, with status 0 and some output, status 2 and exactly one error line, or status 1
// and one line when standard output fills up. tests/fuzz/seeds/cli_args holds inputs that
// once found faults (a command word alone, command words chained); the tests replay them.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "cli/cli.h"
#include "geometry/calendar.h"

namespace {

struct CappedOutput : halvessa::files::OutputSink {
  std::size_t taken = 0;
  void write(std::string_view text) override {
    taken += text.size();
    if (taken > 65536) throw halvessa::files::OutputError("No space left on device");
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QStringList args;
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (!bytes.isEmpty()) {
    for (const QByteArray& arg : bytes.split('\0')) args << QString::fromLocal8Bit(arg);
  }

  // The clock reads 2025-07-24 12:00:00 universal time. Standard output takes 64 KB and
  // then fails as a full disk would, so that a long series ends soon; long work (a year, the
  // best orientation) ends the same way at its first progress report, once every argument has
  // been read and checked: the sums themselves are the unit tests' concern.
  CappedOutput out;
  const halvessa::cli::Outcome outcome = halvessa::cli::Run(
      args, halvessa::cli::Environment{
                [] { return halvessa::SerialFromUnixMilliseconds(1753358400000); }, &out,
                [](double) { throw halvessa::files::OutputError("No space left on device"); },
                {}});

  const auto lines = std::count(outcome.err.begin(), outcome.err.end(), '\n');
  const bool done = outcome.status == halvessa::cli::kExitOk && outcome.err.empty() &&
                    out.taken > 0;
  const bool full = outcome.status == halvessa::cli::kExitFailure && lines == 1 &&
                    outcome.err.find("cannot write the output") != std::string::npos;
  const bool refused = outcome.status == halvessa::cli::kExitUsage && out.taken == 0 &&
                       lines == 1 && outcome.err.back() == '\n';
  if (!done && !refused && !full) __builtin_trap();
  return 0;
}
