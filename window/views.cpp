#include "window/views.h"


#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>

#include "clearsky/clearsky.h"
#include "files/save_file.h"
#include "files/series_export.h"
#include "geometry/calendar.h"
#include "series/grid.h"
#include "text/convert.h"
#include "text/weather_text.h"

namespace halvessa::window {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

QString Number(double v) { return QString::number(v, 'g', 10); }

// Same site, zone and panels.
bool SameSite(const Calculated& a, const Calculated& b) {
  if (a.latitude != b.latitude || a.longitude != b.longitude) return false;
  if (a.zone.isNamed() != b.zone.isNamed() || a.zone.name() != b.zone.name()) return false;
  if (!a.zone.isNamed() && a.zone.offsetAtUniversal(0) != b.zone.offsetAtUniversal(0)) {
    return false;
  }
  for (int p = 0; p < kPanelCount; ++p) {
    if (a.panels[p].Azimuth != b.panels[p].Azimuth || a.panels[p].Tilt != b.panels[p].Tilt) {
      return false;
    }
  }
  return true;
}

double LocalDay(const Calculated& c) { return std::floor(c.moment); }

int YearOf(const Calculated& c) { return SerialToParts(std::floor(c.moment)).year; }

// Hours since the day's midnight of a local moment.
double HoursSince(const site::ZoneRule& rule, std::int64_t fromUniversal, double localSerial) {
  const auto local = static_cast<std::int64_t>(
      std::llround((localSerial - kUnixEpochSerial) * static_cast<double>(kSecondsPerDay)));
  return static_cast<double>(rule.universalOf(local) - fromUniversal) / 3600.0;
}

QString ClockText(std::int64_t localSecond) {
  std::int64_t s = localSecond % kSecondsPerDay;
  if (s < 0) s += kSecondsPerDay;
  return QStringLiteral("%1:%2")
      .arg(s / 3600, 2, 10, QLatin1Char('0'))
      .arg((s / 60) % 60, 2, 10, QLatin1Char('0'));
}

void Ticks(DayChart& chart, const site::ZoneRule& rule, std::int64_t fromUniversal) {
  const auto whole = static_cast<int>(std::lround(chart.hours));
  for (int k = 0; k <= whole; ++k) {
    const std::int64_t u = fromUniversal + k * std::int64_t{3600};
    const std::int64_t local = u + rule.offsetSecondsAt(u);
    const std::int64_t hourOfDay = (local - SecondOfDay(chart.day)) / 3600;
    if (k == whole) {
      chart.ticks.emplace_back(chart.hours, QStringLiteral("24:00"));
    } else if (hourOfDay % 3 == 0) {
      chart.ticks.emplace_back(static_cast<double>(k), ClockText(local));
    }
  }
}

// The night from the points: where the sun crosses the horizon, by linear interpolation.
void Night(DayChart& chart) {
  const std::size_t n = chart.x.size();
  bool anyUp = false;
  bool anyDown = false;
  for (double e : chart.elevation) (e > 0 ? anyUp : anyDown) = true;
  chart.sunNeverRises = !anyUp;
  chart.sunNeverSets = !anyDown;
  const auto crossing = [&](std::size_t i) {  // between points i - 1 and i
    const double e0 = chart.elevation[i - 1];
    const double e1 = chart.elevation[i];
    const double f = e1 != e0 ? e0 / (e0 - e1) : 0.5;
    return chart.x[i - 1] + f * (chart.x[i] - chart.x[i - 1]);
  };
  bool inNight = false;
  double from = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const bool down = !(chart.elevation[i] > 0);
    if (down && !inNight) {
      inNight = true;
      from = i == 0 ? 0.0 : crossing(i);
    } else if (!down && inNight) {
      inNight = false;
      chart.night.emplace_back(from, i == 0 ? 0.0 : crossing(i));
    }
  }
  if (inNight) chart.night.emplace_back(from, chart.hours);
}

class SavedFileSink : public files::OutputSink {
 public:
  explicit SavedFileSink(files::SavedFile& file) : file_(file) {}
  void write(std::string_view text) override {
    if (file_.write(text)) throw files::OutputError("write");  // the file keeps the message
  }

 private:
  files::SavedFile& file_;
};

}  // namespace

void NotifyCalculated(FormModel& model, Calculated::Kind kind, double latitude, double longitude,
                      const text::SiteZone& zone, double moment) {
  if (!model.onCalculated) return;
  Calculated c;
  c.kind = kind;
  c.latitude = latitude;
  c.longitude = longitude;
  c.zone = zone;
  c.moment = moment;
  for (int i = 1; i <= kPanelCount; ++i) {
    c.panels[i - 1] = {model.PanelGeom(i).Azimuth, model.PanelGeom(i).Tilt};
  }
  try {
    model.onCalculated(c);
  } catch (const std::exception&) {
    // A view that cannot show the moment shows its own problem; the procedure goes on.
  }
}

// --- ViewTabs --------------------------------------------------------------------------

void ViewTabs::choose(View view) {
  if (shows(view)) {
    close();
    return;
  }
  open_ = true;
  show(view);
}

void ViewTabs::show(View view) {
  current_ = view;
  if (open_) made_[static_cast<int>(view)] = true;
}

void ViewTabs::close() { open_ = false; }

AxisScale ElevationScale(double lowest, double highest) {
  // Intervals and steps, by the span they cover; four of 45 hold any elevation.
  static constexpr std::pair<int, double> kScales[] = {{4, 10}, {5, 10}, {4, 15}, {4, 20},
                                                       {5, 20}, {4, 30}, {5, 30}, {4, 45}};
  const double from = std::min(lowest, -10.0);
  const double to = std::max(highest, 10.0);
  for (const auto& [intervals, step] : kScales) {
    const double low = std::floor(from / step) * step;
    if (low + intervals * step >= to) return {low, low + intervals * step, intervals};
  }
  return {-90, 90, 4};
}

QString PanelCaption(int panel, const PanelGeometry& geometry) {
  return QStringLiteral("Panel %1 (%2/%3)")
      .arg(panel)
      .arg(Number(geometry.Azimuth), Number(geometry.Tilt));
}

summary::Site SiteOf(const Calculated& c, const SkySources* sky) {
  if (sky != nullptr) return sky->setup(c.latitude, c.longitude, c.panels);
  summary::Site site;
  site.latitude = c.latitude;
  site.longitude = c.longitude;
  site.panels = c.panels;
  return site;
}

QString DayOutsideCalendarText() {
  return QStringLiteral("This day lies outside the years 100 to 9999 in universal time.");
}

DayChart ComputeDay(const Calculated& c, std::int64_t stepSeconds, const SkySources* sky) {
  DayChart chart;
  chart.day = LocalDay(c);
  chart.stepSeconds = stepSeconds;
  chart.panels = c.panels;
  for (int p = 0; p < kPanelCount; ++p) chart.inUse[p] = InUse(c.panels[p]);
  try {
    const site::ZoneRule rule = c.zone.ruleAround(chart.day, chart.day + 1);
    const summary::Site site = SiteOf(c, sky);
    // One pass: the day's sums and the chart's points from the same moments.
    const summary::DaySummary day =
        summary::SummarizeDay(site, rule, chart.day, stepSeconds, [&chart](const pipeline::Block& b) {
          for (std::size_t i = 0; i < b.sun.size; ++i) {
            const auto k = static_cast<double>(chart.x.size());
            chart.x.push_back(k * static_cast<double>(chart.stepSeconds) / 3600.0);
            chart.elevation.push_back(b.sun.elevation[i]);
            for (int p = 0; p < kPanelCount; ++p) {
              if (chart.inUse[p]) chart.production[p].push_back(b.sun.production[p][i]);
            }
          }
        });
    chart.hours = day.hours;
    chart.fromUniversal = day.fromUniversal;
    const series::TimeGrid grid =
        summary::LocalDaysGrid(rule, chart.day, chart.day + 1, stepSeconds);
    Ticks(chart, rule, grid.fromUniversal);
    Night(chart);
    const auto [lowest, highest] = std::minmax_element(chart.elevation.begin(), chart.elevation.end());
    chart.elevationAxis = ElevationScale(*lowest, *highest);
    if (!chart.sunNeverRises && !chart.sunNeverSets) {
      const double rise = HoursSince(rule, grid.fromUniversal, chart.day + (day.sunrise - std::floor(day.sunrise)));
      const double set = HoursSince(rule, grid.fromUniversal, chart.day + (day.sunset - std::floor(day.sunset)));
      if (std::isfinite(rise) && rise >= 0 && rise <= chart.hours) chart.sunrise = rise;
      if (std::isfinite(set) && set >= 0 && set <= chart.hours) chart.sunset = set;
    }
    chart.marker = HoursSince(rule, grid.fromUniversal, c.moment);
    for (int p = 0; p < kPanelCount; ++p) {
      if (!chart.inUse[p]) continue;
      const summary::PanelTotals& t = day.totals.panels[p];
      chart.rows.push_back({p + 1, t.productionHours, t.irradiation, t.peakProduction,
                            t.peakProduction > 0 ? ClockText(t.peakLocalSecond) : QString()});
    }
  } catch (const CalendarRangeError&) {
    chart = DayChart{};
    chart.day = LocalDay(c);
    chart.stepSeconds = stepSeconds;
    chart.problem = DayOutsideCalendarText();
  }
  return chart;
}

// --- DayModel --------------------------------------------------------------------------

DayModel::Change DayModel::take(const Calculated& c) {
  last_ = c;
  return update();
}

DayModel::Change DayModel::setOpen(bool open) {
  open_ = open;
  return update();
}

DayModel::Change DayModel::setSky(std::shared_ptr<const SkySources> sky) {
  sky_ = std::move(sky);
  return update();
}

DayModel::Change DayModel::update() {
  if (!open_ || !last_) return Change::kNone;
  if (chart_ && drawn_ && sky_ == drawnSky_ && LocalDay(*drawn_) == LocalDay(*last_) && SameSite(*drawn_, *last_)) {
    drawn_ = last_;
    if (!chart_->problem.isEmpty()) return Change::kNone;
    const double marker = HoursSince(*rule_, chart_->fromUniversal, last_->moment);
    if (marker == chart_->marker) return Change::kNone;
    chart_->marker = marker;
    return Change::kMarker;
  }
  chart_ = ComputeDay(*last_, kStepSeconds, sky_.get());
  rule_ = last_->zone.ruleAround(chart_->day, chart_->day + 1);
  drawn_ = last_;
  drawnSky_ = sky_;
  ++computations_;
  return Change::kRedraw;
}

// --- YearModel -------------------------------------------------------------------------

std::optional<YearRequest> YearModel::take(const Calculated& c) {
  last_ = c;
  return update();
}

std::optional<YearRequest> YearModel::setOpen(bool open) {
  open_ = open;
  return update();
}

std::optional<YearRequest> YearModel::setSky(std::shared_ptr<const SkySources> sky) {
  sky_ = std::move(sky);
  return update();
}

std::optional<YearRequest> YearModel::update() {
  if (!open_ || !last_) return std::nullopt;
  // A weather's year is the file's, whatever the moment's.
  const bool weather = sky_ && sky_->weather;
  if (requestedFor_ && requestedFor_->sky == sky_ && (weather || requestedFor_->year == YearOf(*last_)) &&
      SameSite(requestedFor_->site, *last_)) {
    return std::nullopt;
  }
  YearRequest request{++requested_, *last_, YearOf(*last_), sky_};
  requestedFor_ = request;
  return request;
}

YearResult YearModel::Compute(const YearRequest& request, const std::function<bool()>& cancelled) {
  YearResult result;
  result.generation = request.generation;
  result.year = request.year;
  result.site = request.site;
  result.panels = request.site.panels;
  result.sky = request.sky;
  const auto poll = [&cancelled](double) {
    if (cancelled && cancelled()) throw YearCancelled{};
  };
  try {
    const summary::Site site = SiteOf(request.site, request.sky.get());
    if (request.sky && request.sky->weather) {
      const site::Weather& weather = *request.sky->weather;
      const double shift = request.sky->settings.weatherShiftHours * 3600.0;
      result.energy = summary::SumWeather(site, weather, shift, text::ZoneRuleOver(request.site.zone, weather, shift), poll);
      poll(0);
      result.best = summary::FindBestWeather(site, weather, shift, std::nan(""), std::nan(""), poll);
      return result;
    }
    const double first = DateSerial(request.year, 1, 1);
    const site::ZoneRule rule = request.site.zone.ruleAround(first, first + 366);
    result.months = summary::SummarizeYear(site, rule, request.year, kStepSeconds, poll);
    poll(0);
    result.best = summary::FindBest(site, rule, request.year, kStepSeconds, std::nan(""),
                                    std::nan(""), poll);
  } catch (const CalendarRangeError&) {
    result.problem = QStringLiteral("This year lies outside the years 100 to 9999 in universal time.");
  }
  return result;
}

bool YearModel::accept(YearResult result) {
  if (result.generation != requested_) return false;
  result_ = std::move(result);
  return true;
}

long YearModel::Share(const YearResult& result, int panel) {
  const double best = result.best.irradiation;
  return std::lround(best > 0 ? 100.0 * result.best.panelIrradiation[panel - 1] / best : 0.0);
}

QString YearModel::ShareText(const YearResult& result, int panel) {
  return QStringLiteral("Panel %1 gets %2% of the best orientation's %3")
      .arg(panel)
      .arg(Share(result, panel))
      .arg(result.energy ? QStringLiteral("light in this weather") : QStringLiteral("clear-sky light"));
}

QString YearResult::skyTitle() const {
  return sky ? sky->title : text::SkyTitle(nullptr, {});
}

// --- ViewsModel ------------------------------------------------------------------------

ViewsModel::ViewsModel(FormModel& model) : model_(model) {
  model_.onCalculated = [this](const Calculated& c) {
    const DayModel::Change change = day.take(c);
    tell(change, year.take(c));
    if (onMoment) onMoment(c);
  };
}

void ViewsModel::tell(DayModel::Change change, const std::optional<YearRequest>& request) {
  if (change != DayModel::Change::kNone && onDayChange) onDayChange(change);
  if (request && onYearRequest) onYearRequest(*request);
}

ViewsModel::~ViewsModel() { model_.onCalculated = nullptr; }

void ViewsModel::setSky(std::shared_ptr<const SkySources> sky) {
  const DayModel::Change change = day.setSky(sky);
  tell(change, year.setSky(std::move(sky)));
}

void ViewsModel::choose(View view) {
  tabs_.choose(view);
  follow();
}

void ViewsModel::show(View view) {
  tabs_.show(view);
  follow();
}

void ViewsModel::close() {
  tabs_.close();
  follow();
}

void ViewsModel::follow() {
  if (tabs_.isOpen()) seedFromBoxes();
  const DayModel::Change change = day.setOpen(tabs_.shows(View::kDay));
  tell(change, year.setOpen(tabs_.shows(View::kYear)));
}

void ViewsModel::seedFromBoxes() {
  if (day.last() || year.hasMoment()) return;
  Calculated c;
  c.kind = Calculated::Kind::kInstantView;
  try {
    c.latitude = text::StrictNumber(model_.txtLat.Text());
    c.longitude = text::StrictNumber(model_.txtLon.Text());
  } catch (const text::ConversionError&) {
    return;
  }
  c.zone = text::SiteZone::Fixed(text::LenientNumber(model_.txtTz.Text()));
  try {
    c.zone = text::StrictTimeZone(model_.txtTz.Text());
  } catch (const text::ConversionError&) {
  }
  try {
    c.moment = RoundToSecond(
        text::StrictDate(model_.txtDate.Text() + QLatin1Char(' ') + model_.txtTime.Text()));
  } catch (const text::ConversionError&) {
    return;
  }
  if (!LatitudeInRange(c.latitude) || !LongitudeInRange(c.longitude) || !c.zone.inSiteRange()) {
    return;
  }
  for (int i = 1; i <= kPanelCount; ++i) {
    c.panels[i - 1] = {text::LenientNumber(model_.txtAz(i).Text()),
                       text::LenientNumber(model_.txtTilt(i).Text())};
  }
  day.take(c);
  year.take(c);
}

// --- Export ----------------------------------------------------------------------------

QString ExportDayCsv(const Calculated& c, std::int64_t stepSeconds, const QString& path,
                     const SkySources* sky) {
  const double day = LocalDay(c);
  files::SeriesLayout layout;
  layout.setSite(c.latitude, c.longitude, c.zone, c.panels);
  layout.clearSky = true;
  layout.stepSeconds = stepSeconds;

  files::SavedFile file(path);
  if (const std::optional<QString> failed = file.open()) return *failed;
  try {
    const site::ZoneRule rule = c.zone.ruleAround(day, day + 1);
    const series::TimeGrid grid = summary::LocalDaysGrid(rule, day, day + 1, stepSeconds);
    const pipeline::Pipeline pipeline(SiteOf(c, sky));
    SavedFileSink sink(file);
    files::SeriesWriter writer(layout, sink);
    pipeline.runGrid(grid, rule, [&writer](const pipeline::Block& b) { writer.rows(b.sun, &b.sky); });
    writer.finish();
  } catch (const files::OutputError&) {
    return file.failed().value_or(QString());
  } catch (const CalendarRangeError&) {
    return file.failure(QStringLiteral("the day lies outside the years 100 to 9999"));
  }
  return file.commit().value_or(QString());
}

}  // namespace halvessa::window
