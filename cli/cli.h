// halvessa-cli: the headless calculator. Run() holds the whole program apart from the
// process's own input and output, so that main() stays a thin shell around it.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

namespace halvessa::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the output could not be written
inline constexpr int kExitUsage = 2;    // bad options or values

struct Outcome {
  int status = kExitOk;
  std::string out;  // for standard output, UTF-8
  std::string err;  // for standard error: empty or exactly one line ending in "\n"
};

// Runs the calculator on the command-line arguments (without the program name). now gives
// the present local date and time as a day serial; it is called only when the moment is
// not fully given by --date and --time. Never throws for any argument list.
Outcome Run(const QStringList& args, const std::function<double()>& now);

// The present local date and time by the computer's clock, to the millisecond, as a day
// serial. Throws halvessa::CalendarRangeError for a clock outside years 100 to 9999.
double ClockNow();

}  // namespace halvessa::cli
