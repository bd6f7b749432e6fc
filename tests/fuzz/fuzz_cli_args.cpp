// Fuzz target: the calculator run on arbitrary command lines, the input split at NUL bytes
// into arguments as main() receives them. Whatever the arguments, Run returns instead of
// throwing, with status 0 and some output, or status 2 and exactly one error line.
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "cli/cli.h"
#include "geometry/calendar.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QStringList args;
  const char* begin = reinterpret_cast<const char*>(data);
  const char* const end = begin + size;
  while (begin != end) {
    const char* const nul = std::find(begin, end, '\0');
    args << QString::fromLocal8Bit(begin, nul - begin);
    begin = nul == end ? end : nul + 1;
  }

  // The clock reads 2025-07-24 12:00:00 universal time.
  const halvessa::cli::Outcome outcome = halvessa::cli::Run(
      args, [] { return halvessa::SerialFromUnixMilliseconds(1753358400000); });

  const auto lines = std::count(outcome.err.begin(), outcome.err.end(), '\n');
  const bool done = outcome.status == halvessa::cli::kExitOk && outcome.err.empty() &&
                    !outcome.out.empty();
  const bool refused = outcome.status == halvessa::cli::kExitUsage && outcome.out.empty() &&
                       lines == 1 && outcome.err.back() == '\n';
  if (!done && !refused) __builtin_trap();
  return 0;
}
