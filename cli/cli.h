// halvessa-cli: the headless calculator. Run() holds the whole program apart from the
// process's own input and output, so that main() stays a thin shell around it.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

#include "cli/environment.h"

namespace halvessa::cli {

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
