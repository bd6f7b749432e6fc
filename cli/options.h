// The calculator's options: the command line read into its values as typed, and those values
// converted and checked. Every bad option or value is reported as a UsageError.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

#include "site/site.h"
#include "text/time_zone.h"

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

// What the calculator is asked for: one moment (no command word), or a command.
enum class Command { kMoment, kSeries, kDay, kYear, kBest, kEnergy };

// The command line as given: each value still as typed, nothing converted yet.
struct Options {
  Command command = Command::kMoment;
  QString commandName;  // as typed, empty for the moment
  std::optional<QString> date;
  std::optional<QString> time;
  std::optional<QString> lat;
  std::optional<QString> lon;
  std::optional<QString> tz;
  QStringList panels;  // at most kPanelCount
  // The commands' own.
  std::optional<QString> from;
  std::optional<QString> to;
  std::optional<QString> step;
  std::optional<QString> format;
  std::optional<QString> digits;
  std::optional<QString> year;
  std::optional<QString> altitude;
  std::optional<QString> fixTilt;
  std::optional<QString> fixAzimuth;
  // Weather, horizon and the system.
  std::optional<QString> weather;
  std::optional<QString> weatherShift;
  std::optional<QString> horizon;
  std::optional<QString> module;
  std::optional<QString> mount;
  std::optional<QString> losses;
  std::optional<QString> inverter;
  std::optional<QString> dcAc;
  std::optional<QString> transposition;
  bool oneInverter = false;
  bool clearsky = false;
  bool force = false;
  bool json = false;
  bool help = false;
  bool version = false;
};

// Reads the arguments (without the program name): a command word first, if any ("series",
// "day", "year", "best", "energy"), then the options. Throws UsageError for an unknown option or one
// the command does not take, a missing value, a value given to a flag, an option other than
// --panel given twice, more than kPanelCount panels, or an argument that is no option; "--"
// ends the options.
Options ParseOptions(const QStringList& args);

// The site of a calculation: where, its time zone, and the panels.
struct SiteInputs {
  double latitude = 0;
  double longitude = 0;
  text::SiteZone zone = text::SiteZone::Fixed(0);
  std::vector<PanelGeometry> panels;  // the given ones, or the stored defaults
  std::vector<double> kwp;            // each panel's kWp, 1 when not given
  std::array<PanelGeometry, kPanelCount> panelArray() const;
  std::array<double, kPanelCount> kwpArray() const;
};

// Converts and checks latitude, longitude, time zone and panels, in this order.
SiteInputs ConvertSite(const Options& options);

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

// A local date with an optional time of day ("2025-03-30", "2025-03-30 12:00",
// "2025-03-30T12:00:30"), as a day serial. Throws UsageError naming the option.
double LocalMomentOf(const QString& option, const QString& text);

// A step of real time in seconds: a positive whole number with its unit s, m, h or d ("30s",
// "10m", "1h"), at most 366 days. Throws UsageError naming the option, also for a number
// without a unit.
std::int64_t StepOf(const QString& option, const QString& text);

// A strict number for an option. Throws UsageError naming the option.
double NumberOf(const QString& option, const QString& text);

// The --help text, with the stored defaults and the site's ranges.
QString HelpText();

}  // namespace halvessa::cli
