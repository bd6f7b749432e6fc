#include "window/sky.h"

#include <algorithm>
#include <cmath>

#include "geometry/calendar.h"
#include "series/engine.h"
#include "series/grid.h"
#include "summary/summary.h"
#include "text/convert.h"
#include "window/views.h"

namespace halvessa::window {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

QString Number(double v) { return QString::number(v, 'g', 10); }

QString DayLabel(double day) {
  const DateParts parts = SerialToParts(day);
  return QStringLiteral("%1 %2").arg(parts.day).arg(text::MonthAbbreviation(parts.month));
}

class Sky {
 public:
  Sky(const Calculated& c, const site::Horizon* horizon)
      : engine_(c.latitude, c.longitude, c.panels), horizon_(horizon) {}

  void at(const std::vector<std::int64_t>& universal, std::vector<SkySun>& out) const {
    std::vector<double> azimuth(universal.size());
    std::vector<double> elevation(universal.size());
    engine_.sunPositions(universal.data(), universal.size(), azimuth.data(), elevation.data());
    out.clear();
    out.reserve(universal.size());
    for (std::size_t i = 0; i < universal.size(); ++i) out.push_back(place(azimuth[i], elevation[i]));
  }

  SkySun place(double azimuth, double elevation) const {
    const bool below = !SunAboveHorizon(elevation);
    const bool hidden = horizon_ != nullptr ? horizon_->blocks(azimuth, elevation) : below;
    return {azimuth, elevation, below, hidden};
  }

 private:
  series::SeriesEngine engine_;
  const site::Horizon* horizon_;
};

// The whole hours of the local day's clock, in time order: an hour the clocks skip is left
// out, one they repeat comes twice. Handles one change of offset within the day.
std::vector<std::pair<std::int64_t, int>> WholeHours(const site::ZoneRule& rule, double day) {
  const std::int64_t midnight = SecondOfDay(day);
  const std::int64_t from = rule.universalOf(midnight);
  const std::int64_t to = rule.universalOf(midnight + kSecondsPerDay);
  std::vector<std::pair<std::int64_t, int>> hours;
  for (int h = 0; h < 24; ++h) {
    const std::int64_t local = midnight + h * std::int64_t{3600};
    for (const std::int64_t offset : {rule.offsetSecondsAt(from), rule.offsetSecondsAt(to - 1)}) {
      const std::int64_t u = local - offset;
      if (u >= from && u < to && u + rule.offsetSecondsAt(u) == local &&
          std::find(hours.begin(), hours.end(), std::pair{u, h}) == hours.end()) {
        hours.emplace_back(u, h);
      }
    }
  }
  std::sort(hours.begin(), hours.end());
  return hours;
}

SkyPath PathOf(const Sky& sky, const site::ZoneRule& rule, double day, std::int64_t step) {
  SkyPath path;
  path.day = day;
  path.label = DayLabel(day);
  const series::TimeGrid grid = summary::LocalDaysGrid(rule, day, day + 1, step);
  std::vector<std::int64_t> universal;
  universal.reserve(static_cast<std::size_t>(grid.count) + 1);
  for (std::int64_t k = 0; k < grid.count; ++k) universal.push_back(grid.universalAt(k));
  universal.push_back(rule.universalOf(SecondOfDay(day + 1)));  // the path's end
  sky.at(universal, path.points);

  const std::vector<std::pair<std::int64_t, int>> hours = WholeHours(rule, day);
  universal.clear();
  for (const auto& [u, h] : hours) universal.push_back(u);
  std::vector<SkySun> places;
  sky.at(universal, places);
  for (std::size_t i = 0; i < hours.size(); ++i) {
    const double at = static_cast<double>(hours[i].first - grid.fromUniversal) / static_cast<double>(step);
    path.hours.push_back({places[i], hours[i].second, at});
  }
  return path;
}

QString Caption(const Calculated& c, double day) {
  const QString zone = c.zone.isNamed() ? c.zone.name() : Number(c.zone.offsetAtUniversal(0));
  return QStringLiteral("Sun paths at %1, %2 on %3, local time of zone %4")
      .arg(Number(c.latitude), Number(c.longitude), text::FormatIsoDate(day), zone);
}

}  // namespace

SkyXY SkyPoint(double azimuth, double elevation) {
  const double r = (90.0 - elevation) / 90.0;
  const double a = azimuth * kRadiansPerDegree;
  return {r * std::sin(a), r * std::cos(a)};
}

SkyDiagram ComputeSky(const Calculated& c, const site::Horizon* horizon, std::int64_t stepSeconds) {
  SkyDiagram d;
  d.stepSeconds = stepSeconds;
  const double day = std::floor(c.moment);
  for (int p = 0; p < kPanelCount; ++p) {
    if (!InUse(c.panels[p])) continue;
    // A negative tilt leans the panel the other way: the same plane as |tilt| facing back.
    const double tilt = c.panels[p].Tilt;
    double azimuth = std::fmod(c.panels[p].Azimuth + (tilt < 0 ? 180.0 : 0.0), 360.0);
    if (azimuth < 0) azimuth += 360.0;
    d.panels.push_back({p + 1, QString::number(p + 1), c.panels[p], azimuth, 90.0 - std::abs(tilt)});
  }
  if (horizon != nullptr && !horizon->flat()) {
    for (int a = 0; a < 360; ++a) d.horizon.push_back({double(a), horizon->heightAt(a)});
    for (const site::Horizon::Point& p : horizon->points()) {
      if (p.azimuth != std::floor(p.azimuth)) d.horizon.push_back(p);
    }
    std::sort(d.horizon.begin(), d.horizon.end(),
              [](const auto& a, const auto& b) { return a.azimuth < b.azimuth; });
  }
  try {
    d.caption = Caption(c, day);
    const int year = SerialToParts(day).year;
    const Sky sky(c, horizon);
    const site::ZoneRule rule = c.zone.ruleAround(DateSerial(year, 1, 1), DateSerial(year, 12, 31) + 1);
    d.day = PathOf(sky, rule, day, stepSeconds);
    for (std::size_t s = 0; s < kSeasonDays.size(); ++s) {
      d.seasons[s] = PathOf(sky, rule, DateSerial(year, kSeasonDays[s][0], kSeasonDays[s][1]), stepSeconds);
    }
    const auto local = static_cast<std::int64_t>(
        std::llround((c.moment - kUnixEpochSerial) * static_cast<double>(kSecondsPerDay)));
    std::vector<SkySun> now;
    sky.at({rule.universalOf(local)}, now);
    d.sun = now.front();
    d.time = text::FormatHourMinute(c.moment);
  } catch (const CalendarRangeError&) {
    d = SkyDiagram{};
    d.stepSeconds = stepSeconds;
    d.problem = DayOutsideCalendarText();
  }
  return d;
}

}  // namespace halvessa::window
