#include "cli/commands.h"

#include <cmath>
#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>
#include <thread>

#include "files/series_export.h"
#include "geometry/calendar.h"
#include "series/engine.h"
#include "series/grid.h"
#include "series/zone_rule.h"
#include "text/convert.h"

namespace halvessa::cli {

namespace {

constexpr std::int64_t kMaxRowsWithoutForce = 10'000'000;
constexpr std::int64_t kSecondsPerDay = 86400;

// The second of a local day serial, counted from 1970-01-01 00:00 local time.
std::int64_t LocalSecondOf(double serial) {
  const double day = std::floor(serial);
  return series::SecondOfDay(day) + std::llround((serial - day) * 86400.0);
}

QString Required(const std::optional<QString>& value, const char* option, const QString& command) {
  if (!value) {
    throw UsageError(QLatin1String(option),
                     QStringLiteral("missing; the ") + command + QStringLiteral(" command needs it"));
  }
  return *value;
}

// Checks that every moment of the grid can be computed: the first and the last (the zone's
// offsets move between them monotonically enough that the ends decide).
void CheckGridInCalendar(const series::SeriesEngine& engine, const series::TimeGrid& grid,
                         const series::ZoneRule& rule) {
  auto block = series::MakeBlock();
  for (const std::int64_t k : {std::int64_t{0}, grid.count - 1}) {
    series::FillBlock(grid, rule, k, *block);
    block->size = 1;
    try {
      engine.compute(*block);
    } catch (const CalendarRangeError&) {
      throw UsageError(k == 0 ? QStringLiteral("--from") : QStringLiteral("--to"),
                       QStringLiteral("the series reaches outside the years 100 to 9999 in "
                                      "universal time"));
    }
  }
}

int RunSeries(const Options& o, const Environment& env) {
  const SiteInputs site = ConvertSite(o);
  const QString command = QStringLiteral("series");
  const QString fromText = Required(o.from, "--from", command);
  const QString toText = Required(o.to, "--to", command);
  const std::int64_t fromLocal = LocalSecondOf(LocalMomentOf(QStringLiteral("--from"), fromText));
  const std::int64_t toLocal = LocalSecondOf(LocalMomentOf(QStringLiteral("--to"), toText));
  const std::int64_t step = o.step ? StepOf(QStringLiteral("--step"), *o.step) : 600;

  files::SeriesLayout layout;
  if (o.format) {
    const QString format = o.format->trimmed().toLower();
    if (format == QLatin1String("json")) {
      layout.format = files::SeriesFormat::kJson;
    } else if (format != QLatin1String("csv")) {
      throw UsageError(QStringLiteral("--format"),
                       text::Quoted(*o.format) + QStringLiteral(" is neither csv nor json"));
    }
  }
  if (o.digits) {
    const double digits = NumberOf(QStringLiteral("--digits"), *o.digits);
    if (!(digits >= 0 && digits <= 17) || digits != std::floor(digits)) {
      throw UsageError(QStringLiteral("--digits"),
                       text::Quoted(*o.digits) + QStringLiteral(" is not a whole number from 0 to 17"));
    }
    layout.digits = static_cast<int>(digits);
  }

  // The zone's offsets over the whole span (a day's margin either way covers any offset).
  const series::ZoneRule rule =
      site.zone.ruleBetween(fromLocal - 2 * kSecondsPerDay, toLocal + 2 * kSecondsPerDay);
  const std::int64_t fromUt = rule.universalOf(fromLocal);
  const std::int64_t toUt = rule.universalOf(toLocal);
  if (toUt <= fromUt) {
    throw UsageError(QStringLiteral("--to"), text::Quoted(toText) +
                                                 QStringLiteral(" is not after --from ") +
                                                 text::Quoted(fromText));
  }
  const series::TimeGrid grid = series::GridBetween(fromUt, toUt, step);
  if (grid.count > kMaxRowsWithoutForce && !o.force) {
    throw UsageError(QStringLiteral("--step"),
                     QStringLiteral("%1 rows from --from to --to, more than %2; add --force to "
                                    "write them anyway")
                         .arg(grid.count)
                         .arg(kMaxRowsWithoutForce));
  }

  layout.panels = site.panelArray();
  layout.clearSky = o.clearsky;
  layout.latitude = site.latitude;
  layout.longitude = site.longitude;
  layout.timeZone = site.zone.isNamed() ? 0 : site.zone.offsetAtUniversal(0);
  layout.zoneName = site.zone.name().toStdString();
  layout.stepSeconds = step;

  const series::SeriesEngine engine(site.latitude, site.longitude, layout.panels);
  CheckGridInCalendar(engine, grid, rule);

  // Two workers, one on each core, each computing and formatting every other stretch of
  // blocks into its own buffer; the buffers go out in order.
  files::SeriesWriter head(layout, *env.out);
  head.flush();
  struct Worker {
    files::StringSink text;
    std::unique_ptr<series::Block> block = series::MakeBlock();
    std::exception_ptr failure;
  };
  Worker workers[2];
  files::SeriesWriter part0(layout, workers[0].text, files::SeriesWriter::Part::kContinuation);
  files::SeriesWriter part1(layout, workers[1].text, files::SeriesWriter::Part::kContinuation);
  files::SeriesWriter* parts[2] = {&part0, &part1};
  constexpr auto kStretch = static_cast<std::int64_t>(8 * series::kBlock);
  const auto work = [&](int w, std::int64_t from) {
    try {
      const std::int64_t end = std::min(grid.count, from + kStretch);
      for (std::int64_t first = from; first < end;
           first += static_cast<std::int64_t>(series::kBlock)) {
        series::FillBlock(grid, rule, first, *workers[w].block);
        workers[w].block->size =
            static_cast<std::size_t>(std::min<std::int64_t>(workers[w].block->size, end - first));
        engine.compute(*workers[w].block);
        parts[w]->rows(*workers[w].block, nullptr);
      }
      parts[w]->flush();
    } catch (...) {
      workers[w].failure = std::current_exception();
    }
  };
  part0.startSeries();  // its first row is the series' first
  for (std::int64_t first = 0; first < grid.count; first += 2 * kStretch) {
    std::thread second(work, 1, first + kStretch);
    work(0, first);
    second.join();
    for (Worker& w : workers) {
      if (w.failure) std::rethrow_exception(w.failure);
      env.out->write(w.text.text());
      w.text.clear();
    }
    if (env.progress) {
      env.progress(static_cast<double>(std::min(grid.count, first + 2 * kStretch)) /
                   static_cast<double>(grid.count));
    }
  }
  head.finish();
  return kExitOk;
}

}  // namespace

int RunCommand(const Options& o, const Environment& env) {
  switch (o.command) {
    case Command::kSeries:
      return RunSeries(o, env);
    default:
      throw UsageError(QString(), QStringLiteral("the ") + o.commandName +
                                      QStringLiteral(" command is not available in this build"));
  }
}

}  // namespace halvessa::cli
