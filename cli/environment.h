// What a run of the calculator gives back and what it runs in: its exit statuses and outcome,
// the clock, standard output and the progress report.
#pragma once

#include <QString>

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
  // A warning that does not stop the work (a weather file's times that do not fit the sun),
  // for standard error; may be empty.
  std::function<void(const QString&)> warning;
};

}  // namespace halvessa::cli
