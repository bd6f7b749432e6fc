// The views' model: which of the day, year and sky tabs the section below the window shows,
// which day and year to show for the last computed moment, the series and figures to draw, and
// when a chart must be drawn anew. Qt Core only; the widgets (window/qt/views_section.h) only
// display what this holds.
//
// The views follow the procedures through FormModel::onCalculated. Only the view whose tab is
// shown is open; a closed one only keeps the last moment, and showing it computes. The day is drawn anew when its date, the site or a
// panel changed; otherwise only the marker of the moment moves. The year's figures and the
// best orientation take long, so they are computed apart (YearModel::Compute, thread-safe)
// and a result that no longer matches the site shown is dropped.
#pragma once

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "summary/summary.h"
#include "window/calculated.h"
#include "window/form_model.h"
#include "window/system.h"

namespace halvessa::window {

// The views, in the order of their tabs.
enum class View { kDay, kYear, kSky };
inline constexpr int kViewCount = 3;

// Which tab the views' section shows and whether the section is open. Choosing a view opens
// the section on its tab; choosing the tab it shows closes it. A view is made the first time
// its tab is shown, so that start-up makes none.
class ViewTabs {
 public:
  void choose(View view);  // View > Day / Year / Sky
  void show(View view);    // a click on a tab of the open section
  void close();
  bool isOpen() const { return open_; }
  // The tab shown, or the one the section opens on next.
  View current() const { return current_; }
  bool shows(View view) const { return open_ && current_ == view; }
  bool made(View view) const { return made_[static_cast<int>(view)]; }

 private:
  View current_ = View::kDay;
  bool open_ = false;
  std::array<bool, kViewCount> made_{};
};

// An axis from low to high in equal intervals.
struct AxisScale {
  double low = 0;
  double high = 0;
  int intervals = 1;
};

// The day chart's elevation axis for the day's lowest and highest elevations (and at least
// -10 to 10): 4 or 5 intervals of a round step with 0 on a tick, the narrowest that holds them,
// so that the production axis, 0 to 100 % in as many intervals (25 or 20 % each), shares its
// gridlines.
AxisScale ElevationScale(double lowest, double highest);

// One line of the table under the day's chart, for a panel in use.
struct DayRow {
  int panel = 0;  // 1..5
  double productionHours = 0;
  double irradiation = 0;  // clear sky on the panel's plane, kWh/m2
  double peakProduction = 0;
  QString peakTime;  // "hh:mm", local
};

struct DayChart {
  double day = 0;  // the local date, a whole day serial
  std::int64_t stepSeconds = 0;
  double hours = 24;  // 23 or 25 on a daylight saving day
  std::int64_t fromUniversal = 0;  // its midnight, seconds of universal time
  QString problem;    // why nothing can be drawn, or empty
  // Points in hours since the local midnight (real time, so a 25-hour day runs to 25).
  std::vector<double> x;
  std::vector<double> elevation;
  std::array<std::vector<double>, kPanelCount> production;
  std::array<bool, kPanelCount> inUse{};
  std::array<PanelGeometry, kPanelCount> panels{};
  // Axis ticks: hours since midnight and the local clock they stand for ("06:00").
  std::vector<std::pair<double, QString>> ticks;
  // Stretches of the day with the sun not above the horizon.
  std::vector<std::pair<double, double>> night;
  bool sunNeverRises = false;
  bool sunNeverSets = false;
  std::optional<double> sunrise;  // hours since midnight, when the day has both
  std::optional<double> sunset;
  double marker = 0;  // the moment last computed
  AxisScale elevationAxis;
  std::vector<DayRow> rows;
};

// "Panel 1 (151/45)"
QString PanelCaption(int panel, const PanelGeometry& geometry);

// The pipeline's site of a computed moment, with the sky's horizon and system when given.
summary::Site SiteOf(const Calculated& c, const SkySources* sky = nullptr);

// Why a day whose moments leave the calendar is not drawn.
QString DayOutsideCalendarText();

// Computes the chart of the moment's day: the clear sky, under the sky's horizon if given.
DayChart ComputeDay(const Calculated& c, std::int64_t stepSeconds, const SkySources* sky = nullptr);

class DayModel {
 public:
  static constexpr std::int64_t kStepSeconds = 300;  // 5 minutes
  enum class Change { kNone, kMarker, kRedraw };

  Change take(const Calculated& c);
  Change setOpen(bool open);
  // The horizon the day is drawn under (the rest of the sky is the year's).
  Change setSky(std::shared_ptr<const SkySources> sky);
  bool isOpen() const { return open_; }
  // Null until a moment has been computed with the view open.
  const DayChart* chart() const { return chart_ ? &*chart_ : nullptr; }
  const std::optional<Calculated>& last() const { return last_; }
  // The moment the chart was computed for (its marker may have moved since).
  const std::optional<Calculated>& drawn() const { return drawn_; }
  int computations() const { return computations_; }

 private:
  Change update();

  std::optional<Calculated> last_;
  std::optional<Calculated> drawn_;
  std::shared_ptr<const SkySources> sky_;
  std::shared_ptr<const SkySources> drawnSky_;
  std::optional<DayChart> chart_;
  std::optional<site::ZoneRule> rule_;  // the drawn day's
  bool open_ = false;
  int computations_ = 0;
};

struct YearRequest {
  std::uint64_t generation = 0;
  Calculated site;
  int year = 0;
  std::shared_ptr<const SkySources> sky;  // null: the clear sky, the flat horizon
};

struct YearResult {
  std::uint64_t generation = 0;
  int year = 0;
  Calculated site;  // the request's
  QString problem;  // empty when the figures are there
  std::array<PanelGeometry, kPanelCount> panels{};
  std::shared_ptr<const SkySources> sky;  // as requested
  summary::YearSummary months;            // the clear sky's, without weather
  std::optional<summary::EnergyYear> energy;  // with weather: its months' and year's energy
  summary::BestOrientation best;          // for the clear sky of the year, or the weather
  // "typical year, PVGIS TMY 45.000 8.000" or "clear sky"
  QString skyTitle() const;
};

// Thrown out of YearModel::Compute when its cancelled() answers true.
struct YearCancelled {};

class YearModel {
 public:
  static constexpr std::int64_t kStepSeconds = 600;  // 10 minutes

  // A request when the year shown no longer matches the moment (open view only).
  std::optional<YearRequest> take(const Calculated& c);
  std::optional<YearRequest> setOpen(bool open);
  std::optional<YearRequest> setSky(std::shared_ptr<const SkySources> sky);
  bool isOpen() const { return open_; }
  bool hasMoment() const { return last_.has_value(); }

  // The monthly figures and the best orientation: with weather, its energy (the months by
  // the moment's zone, as the calculator's energy command sums them) and its best
  // orientation; else the clear sky of the moment's year. Safe on any thread; polls
  // cancelled between its stages.
  static YearResult Compute(const YearRequest& request,
                            const std::function<bool()>& cancelled = {});
  // Takes the result of the latest request; false (dropped) for an older one.
  bool accept(YearResult result);
  bool busy() const { return requested_ != 0 && (!result_ || result_->generation != requested_); }
  const std::optional<YearResult>& result() const { return result_; }

  // "Panel 3 gets 71% of the best orientation's clear-sky light" (or "... light in this
  // weather"), for a panel in use.
  static QString ShareText(const YearResult& result, int panel);
  // The panel's share of the best orientation's light in whole percent.
  static long Share(const YearResult& result, int panel);

 private:
  std::optional<YearRequest> update();

  std::optional<Calculated> last_;
  std::shared_ptr<const SkySources> sky_;
  std::optional<YearRequest> requestedFor_;
  std::optional<YearResult> result_;
  std::uint64_t requested_ = 0;
  bool open_ = false;
};

// Listens to the model's procedures for the views and opens the one whose tab is shown.
class ViewsModel {
 public:
  explicit ViewsModel(FormModel& model);
  ~ViewsModel();
  ViewsModel(const ViewsModel&) = delete;
  ViewsModel& operator=(const ViewsModel&) = delete;

  // Before any moment has been told (the window opened after the start-up's instant view),
  // the moment the boxes show: the site read as the instant view reads it, the date and time
  // boxes. Reads the boxes only; nothing when they hold no moment or no site.
  void seedFromBoxes();

  // The sky and system both views compute with, from the System model.
  void setSky(std::shared_ptr<const SkySources> sky);

  // The tabs (ViewTabs), each change opening the view shown and closing the others; a view
  // that opens on a moment it has not shown computes it (onDayChange, onYearRequest).
  void choose(View view);
  void show(View view);
  void close();
  const ViewTabs& tabs() const { return tabs_; }

  DayModel day;
  YearModel year;
  std::function<void(DayModel::Change)> onDayChange;
  std::function<void(const YearRequest&)> onYearRequest;
  // Told of every computed moment, after the views (the Sky view, the remembered zone).
  std::function<void(const Calculated&)> onMoment;

 private:
  void follow();
  // Tells the views' listeners what the day and year models answered, the day's first.
  void tell(DayModel::Change change, const std::optional<YearRequest>& request);

  FormModel& model_;
  ViewTabs tabs_;
};

// Writes the day of c as a clear-sky series in CSV, one row a step from its midnight to the
// next: the columns and numbers of the calculator's series. The file is written aside and
// renamed when whole, over a regular file or a new name only (files/save_file.h). The failure,
// naming the file and the reason, or empty.
// With sky, under its horizon (as `series --clearsky --horizon`).
QString ExportDayCsv(const Calculated& c, std::int64_t stepSeconds, const QString& path,
                     const SkySources* sky = nullptr);

}  // namespace halvessa::window
