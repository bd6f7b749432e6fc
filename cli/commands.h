// The calculator's commands over many moments: series, day, year and best.
#pragma once

#include "cli/environment.h"
#include "cli/options.h"

namespace halvessa::cli {

// Runs o.command (not Command::kMoment) and returns the exit status. Throws UsageError for a
// bad value and files::OutputError when the output cannot be written.
int RunCommand(const Options& o, const Environment& env);

}  // namespace halvessa::cli
