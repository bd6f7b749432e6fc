// The calculator's options: the command line read into its values as typed, and those values
// converted and checked. Every bad option or value is reported as a UsageError.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

#include "geometry/site.h"

namespace halvessa::cli {

// A bad option or value: the text after "halvessa-cli: " on the one error line.
class UsageError : public std::runtime_error {
 public:
  // option names the option at fault ("--lat"); empty when none is.
  UsageError(const QString& option, const QString& message);
  const QString& line() const { return line_; }

 private:
  QString line_;
};

// The command line as given: each value still as typed, nothing converted yet.
struct Options {
  std::optional<QString> date;
  std::optional<QString> time;
  std::optional<QString> lat;
  std::optional<QString> lon;
  std::optional<QString> tz;
  QStringList panels;  // at most kPanelCount
  bool json = false;
  bool help = false;
  bool version = false;
};

// Reads the arguments (without the program name). Throws UsageError for an unknown option, a
// missing value, a value given to a flag, an option other than --panel given twice, more than
// kPanelCount panels, or an argument that is no option; "--" ends the options.
Options ParseOptions(const QStringList& args);

// The values the calculation runs on.
struct Inputs {
  double latitude = 0;
  double longitude = 0;
  double timeZone = 0;                // hours east of universal time at the moment
  QString zoneName;                   // the zone's name when --tz named one, else empty
  std::vector<PanelGeometry> panels;  // the given ones, or the stored defaults
  double moment = 0;                  // local date and time at the site, a day serial
};

// Converts and checks the values in the order latitude, longitude, time zone, panels, moment;
// an absent value takes its stored default. nowUt gives the present instant in universal time
// as a day serial; it is called only when --date and --time are not both given. Throws
// UsageError naming the option of the first bad value.
Inputs ConvertOptions(const Options& options, const std::function<double()>& nowUt);

// The --help text, with the stored defaults and the site's ranges.
QString HelpText();

}  // namespace halvessa::cli
