// The calculator's sky and system: the weather and horizon files its options name, read and
// checked, and the options of the panels' system, converted into what the pipeline computes
// with. Every bad file or value is a UsageError naming its option.
#pragma once

#include <QString>

#include <optional>

#include "cli/options.h"
#include "pipeline/pipeline.h"
#include "site/weather.h"

namespace halvessa::cli {

struct WeatherInput {
  site::Weather weather;
  QString name;             // as given
  double shiftSeconds = 0;  // --weather-shift
  double shiftHours = 0;
};

// --weather read (and --weather-shift converted), or nothing without --weather. A
// --weather-shift without --weather is refused.
std::optional<WeatherInput> WeatherOf(const Options& o);

// The site for the pipeline: the converted site, --altitude (else sea level) for the air's
// pressure, --horizon, the panels' kWp, --transposition and the system's options.
pipeline::Setup SetupOf(const Options& o, const SiteInputs& site);

// The site's latitude and longitude from the weather file's header when --lat and --lon are
// not given and the file states them, and without --altitude the air's pressure from its
// elevation: in site and in the setup made of it.
void SiteFromWeather(const Options& o, const WeatherInput& weather, SiteInputs& site,
                     pipeline::Setup& setup);

// The line warning that the weather's light and the sun disagree at this site, or empty.
QString AlignmentWarningOf(const WeatherInput& weather, double latitude, double longitude);

// Names for the report: "standard", "open rack", "Perez".
QString ModuleName(energy::Module module);
QString MountName(energy::Mount mount);
QString TranspositionName(pipeline::Transposition transposition);

}  // namespace halvessa::cli
