// halvessa-cli: the headless calculator. Run() holds the whole program apart from the
// process's own input and output, so that main() stays a thin shell around it.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

#include "files/series_export.h"

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

// What the calculator runs in: the clock, standard output, and a progress report for long work.
struct Environment {
  // The present instant in universal time as a day serial.
  std::function<double()> nowUt;
  // Standard output. Its OutputError ends the run with kExitFailure and one error line.
  files::OutputSink* out = nullptr;
  // Called now and then during long work with the fraction done (0 to 1); may be empty.
  std::function<void(double)> progress;
};

// Runs the calculator on the command-line arguments (without the program name), writing its
// output to env.out; the outcome's out stays empty. Never throws for any argument list.
Outcome Run(const QStringList& args, const Environment& env);

// Runs the calculator on the command-line arguments (without the program name). nowUt gives
// the present instant in universal time as a day serial; the calculator moves it into the
// site's time zone. It is called only when the moment is not fully given by --date and
// --time. Never throws for any argument list.
Outcome Run(const QStringList& args, const std::function<double()>& nowUt);

// The present instant by the computer's clock, to the millisecond, as a day serial of
// universal time. Not range checked.
double ClockNowUt();

}  // namespace halvessa::cli
