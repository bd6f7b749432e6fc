#include "window/qt/views_section.h"

#include <QAbstractSeries>
#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QGraphicsLayout>
#include <QFileInfo>
#include <QHeaderView>
#include <QImageWriter>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSvgGenerator>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QValueAxis>

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <optional>
#include <utility>

#include "files/save_file.h"
#include "text/convert.h"
#include "window/qt/fonts.h"
#include "window/qt/sky_view.h"
#include "window/qt/system_dialog.h"
#include "window/sky.h"
#include "window/tips.h"

#ifndef HALVESSA_VERSION
#define HALVESSA_VERSION "unknown"
#endif

namespace halvessa::window {

namespace {

const QColor kPanelColours[kPanelCount] = {QColor(31, 119, 180), QColor(44, 160, 44),
                                           QColor(214, 39, 40), QColor(148, 103, 189),
                                           QColor(140, 86, 75)};
const QColor kSunColour(230, 150, 0);
const QColor kNightColour(20, 30, 90, 45);
const QColor kMarkerColour(200, 0, 0);

// Below a view's chart, the table and a line; the chart takes the rest of the view's height, at
// least kChartMinHeight, and the view scrolls when even that does not fit.
constexpr int kTableHeight = 112;
constexpr int kLineHeight = 18;
constexpr int kChartMinHeight = 200;

const char* const kTabNames[kViewCount] = {"Day", "Year", "Sky"};
const char* const kShortcuts[kViewCount] = {"Ctrl+D", "Ctrl+Y", "Ctrl+K"};

// What the tables' columns hold, as their headers' tool tips.
const QString kClearSkyTip = QStringLiteral(
    "under a clear sky (the simplified Solis model, an isotropic sky, ground albedo 0.2): the "
    "light cloudless days would bring, not the weather's");

QString Fixed(double v, int decimals) { return QString::number(v, 'f', decimals); }

// Shows or hides a series, and its legend entry with it when it has one (showing a series
// shows its entry again).
void Show(QAbstractSeries* series, bool shown, bool legend) {
  series->setVisible(shown);
  for (QLegendMarker* marker : series->chart()->legend()->markers(series)) {
    marker->setVisible(shown && legend);
  }
}

QChartView* NewChartView(QWidget* parent, const QString& name) {
  auto* chart = new QChart;
  chart->setMargins(QMargins(2, 2, 2, 2));
  chart->layout()->setContentsMargins(0, 0, 0, 0);
  chart->legend()->setAlignment(Qt::AlignBottom);
  QFont small = DefaultFont();
  small.setPointSizeF(7.5);
  chart->legend()->setFont(small);
  chart->setTitleFont(BoxFont());
  auto* view = new QChartView(chart, parent);
  view->setRenderHint(QPainter::Antialiasing);
  view->setMinimumHeight(kChartMinHeight);
  view->setAccessibleName(name);
  return view;
}

// A view's root: white, its parts stacked by a layout.
QVBoxLayout* NewRoot(QWidget* root, const char* name) {
  root->setObjectName(QString::fromLatin1(name));
  root->setAutoFillBackground(true);
  QPalette white = root->palette();
  white.setColor(QPalette::Window, Qt::white);
  root->setPalette(white);
  auto* layout = new QVBoxLayout(root);
  layout->setContentsMargins(0, 0, 0, 4);
  layout->setSpacing(0);
  return layout;
}

// A table's columns: each header's text and tool tip, the first as wide as its contents.
void SetColumns(QTableWidget* table, const std::vector<std::pair<QString, QString>>& columns) {
  table->setColumnCount(static_cast<int>(columns.size()));
  for (std::size_t k = 0; k < columns.size(); ++k) {
    auto* header = new QTableWidgetItem(columns[k].first);
    header->setToolTip(columns[k].second);
    table->setHorizontalHeaderItem(static_cast<int>(k), header);
  }
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
}

QTableWidget* NewTable(QWidget* parent, const char* name, const QString& accessible,
                       const std::vector<std::pair<QString, QString>>& columns) {
  auto* table = new QTableWidget(0, static_cast<int>(columns.size()), parent);
  table->setObjectName(QString::fromLatin1(name));
  table->setAccessibleName(accessible);
  SetColumns(table, columns);
  table->verticalHeader()->hide();
  table->verticalHeader()->setDefaultSectionSize(16);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setFont(DefaultFont());
  table->setFixedHeight(kTableHeight);
  return table;
}

// A vertical line over the elevation axis, placed later.
QLineSeries* VerticalLine(const QColor& colour, Qt::PenStyle style) {
  auto* line = new QLineSeries;
  QPen pen(colour);
  pen.setWidthF(1.5);
  pen.setStyle(style);
  line->setPen(pen);
  return line;
}

QString CannotWrite(const QString& path, const QString& reason) {
  return QStringLiteral("Cannot write \"%1\": %2").arg(QFileInfo(path).fileName(), reason);
}

}  // namespace

// --- YearWorker ------------------------------------------------------------------------

YearWorker::~YearWorker() {
  for (Job& job : jobs_) job.cancel->store(true);
  for (Job& job : jobs_) job.thread.join();
}

void YearWorker::reap() {
  for (auto it = jobs_.begin(); it != jobs_.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = jobs_.erase(it);
    } else {
      ++it;
    }
  }
}

int YearWorker::running() const { return static_cast<int>(jobs_.size()); }

void YearWorker::start(const YearRequest& request) {
  reap();
  for (Job& job : jobs_) job.cancel->store(true);
  Job job{{}, std::make_shared<std::atomic<bool>>(false), std::make_shared<std::atomic<bool>>(false)};
  const auto cancel = job.cancel;
  const auto done = job.done;
  job.thread = std::thread([this, request, cancel, done] {
    try {
      YearResult result = YearModel::Compute(request, [cancel] { return cancel->load(); });
      // Queued to the window's thread; dropped with the worker if it goes first.
      QMetaObject::invokeMethod(
          this,
          [this, result = std::move(result)]() mutable {
            reap();
            if (onResult) onResult(std::move(result));
          },
          Qt::QueuedConnection);
    } catch (const YearCancelled&) {
    } catch (const std::exception& e) {
      YearResult failed;
      failed.generation = request.generation;
      failed.problem = QString::fromLocal8Bit(e.what());
      QMetaObject::invokeMethod(
          this,
          [this, failed]() mutable {
            reap();
            if (onResult) onResult(std::move(failed));
          },
          Qt::QueuedConnection);
    }
    done->store(true);
  });
  jobs_.push_back(std::move(job));
}

// --- DayView ---------------------------------------------------------------------------

// The chart's axes and series are made once, with the view, and a new day only replaces their
// points, ranges and labels. Removing them instead would hand their drawn items to Qt's
// deferred deletion, which a simulation run, serving events from inside the Simulate click,
// never reaches: a day's items would stay behind, drawn, at every new day.
class DayView {
 public:
  DayView() : root(new QWidget) {
    QVBoxLayout* layout = NewRoot(root, "dayView");
    chart = NewChartView(root, QStringLiteral("Day chart"));
    chart->setObjectName(QStringLiteral("dayChart"));
    note = new QLabel(root);
    note->setFixedHeight(kLineHeight);
    note->setContentsMargins(8, 0, 8, 0);
    table = NewTable(
        root, "dayTable", QStringLiteral("Day table"),
        {{QStringLiteral("Panel"), QStringLiteral("The panel in use, its azimuth/tilt in degrees")},
         {QStringLiteral("Production hours"),
          QStringLiteral("Σ production/100 × step over the day: the hours of full production "
                         "that the %Prod figure adds up to (a cloudless sun's direct light only)")},
         {QStringLiteral("Clear sky kWh/m²"),
          QStringLiteral("The day's light on the panel's plane ") + kClearSkyTip},
         {QStringLiteral("Peak production"), QStringLiteral("The day's highest %Prod figure")},
         {QStringLiteral("Peak at"), QStringLiteral("When it comes, local time")}});
    layout->addWidget(chart, 1);
    layout->addWidget(note);
    layout->addWidget(table);
    build();
  }

  // sky: the light's source for the note ("clear sky", with the horizon when there is one).
  void draw(const DayChart* day, const QString& sky) {
    QChart* c = chart->chart();
    table->setRowCount(0);
    if (day == nullptr || !day->problem.isEmpty()) {
      c->setTitle(day == nullptr ? QStringLiteral("No moment computed yet") : day->problem);
      showAll(false);
      return;
    }
    c->setTitle(text::FormatIsoDate(day->day) +
                (day->sunNeverRises   ? QStringLiteral(": the sun stays below the horizon all day")
                 : day->sunNeverSets ? QStringLiteral(": the sun stays above the horizon all day")
                                     : QString()));
    note->setText(QStringLiteral("Local time; figures of the day in %1-minute steps on each "
                                 "panel's plane; %2")
                      .arg(day->stepSeconds / 60)
                      .arg(sky));

    for (const QString& label : x->categoriesLabels()) x->remove(label);
    x->setRange(0, day->hours);
    for (const auto& [at, label] : day->ticks) x->append(label, at);
    // Both value axes in as many intervals: the production's labels on the elevation's
    // gridlines.
    low = day->elevationAxis.low;
    high = day->elevationAxis.high;
    elevation->setRange(low, high);
    elevation->setTickCount(day->elevationAxis.intervals + 1);
    production->setTickCount(day->elevationAxis.intervals + 1);

    // The nights as one shaded area: its upper edge steps up to the top over each night.
    QList<QPointF> upper{{0, low}};
    for (const auto& [from, to] : day->night) {
      upper << QPointF(from, low) << QPointF(from, high) << QPointF(to, high) << QPointF(to, low);
    }
    upper << QPointF(day->hours, low);
    night->upperSeries()->replace(upper);
    night->lowerSeries()->replace({QPointF(0, low), QPointF(day->hours, low)});

    QList<QPointF> points(static_cast<qsizetype>(day->x.size()));
    for (std::size_t i = 0; i < day->x.size(); ++i) {
      points[static_cast<qsizetype>(i)] = QPointF(day->x[i], day->elevation[i]);
    }
    sun->replace(points);
    for (int p = 0; p < kPanelCount; ++p) {
      QLineSeries* s = panels[p];
      Show(s, day->inUse[p], true);
      if (!day->inUse[p]) {
        s->setName(QString());
        s->clear();
        continue;
      }
      s->setName(PanelCaption(p + 1, day->panels[p]));
      for (std::size_t i = 0; i < day->x.size(); ++i) {
        points[static_cast<qsizetype>(i)] = QPointF(day->x[i], day->production[p][i]);
      }
      s->replace(points);
    }
    placeVertical(sunrise, day->sunrise);
    placeVertical(sunset, day->sunset);
    placeVertical(marker, day->marker);
    showAll(true);

    table->setRowCount(static_cast<int>(day->rows.size()));
    for (std::size_t r = 0; r < day->rows.size(); ++r) {
      const DayRow& row = day->rows[r];
      const QString cells[] = {PanelCaption(row.panel, day->panels[row.panel - 1]),
                               Fixed(row.productionHours, 2), Fixed(row.irradiation, 2),
                               Fixed(row.peakProduction, 1) + QLatin1Char('%'),
                               row.peakTime.isEmpty() ? QStringLiteral("-") : row.peakTime};
      for (int k = 0; k < 5; ++k) {
        auto* item = new QTableWidgetItem(cells[k]);
        if (k == 0) item->setForeground(kPanelColours[row.panel - 1]);
        table->setItem(static_cast<int>(r), k, item);
      }
    }
  }

  void moveMarker(double at) { placeVertical(marker, at); }

  QWidget* root;
  QChartView* chart;
  QLabel* note;
  QTableWidget* table;

 private:
  // The axes and series, each attached to the time axis and one of the value axes.
  void build() {
    QChart* c = chart->chart();
    x = new QCategoryAxis;
    x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    x->setTitleText(QStringLiteral("Local time"));
    elevation = new QValueAxis;
    elevation->setTitleText(QStringLiteral("Sun elevation (°)"));
    elevation->setLabelFormat(QStringLiteral("%d"));
    production = new QValueAxis;
    production->setRange(0, 100);
    production->setTitleText(QStringLiteral("Production (%)"));
    production->setLabelFormat(QStringLiteral("%d"));
    production->setGridLineVisible(false);
    production->setTickCount(5);
    c->addAxis(x, Qt::AlignBottom);
    c->addAxis(elevation, Qt::AlignLeft);
    c->addAxis(production, Qt::AlignRight);
    const auto add = [&](QAbstractSeries* s, QAbstractAxis* y, bool legend) {
      c->addSeries(s);
      s->attachAxis(x);
      s->attachAxis(y);
      Show(s, true, legend);
    };

    // The area series owns its edges, so that the chart deletes them with it.
    night = new QAreaSeries;
    night->setUpperSeries(new QLineSeries(night));
    night->setLowerSeries(new QLineSeries(night));
    night->setBrush(kNightColour);
    night->setPen(Qt::NoPen);
    add(night, elevation, false);
    sun = new QLineSeries;
    sun->setName(QStringLiteral("Sun elevation"));
    QPen sunPen(kSunColour);
    sunPen.setWidth(2);
    sun->setPen(sunPen);
    add(sun, elevation, true);
    for (int p = 0; p < kPanelCount; ++p) {
      panels[p] = new QLineSeries;
      panels[p]->setPen(QPen(kPanelColours[p], 1.5));
      add(panels[p], production, true);
    }
    sunrise = VerticalLine(kSunColour, Qt::DashLine);
    add(sunrise, elevation, false);
    sunset = VerticalLine(kSunColour, Qt::DashLine);
    add(sunset, elevation, false);
    marker = VerticalLine(kMarkerColour, Qt::SolidLine);
    add(marker, elevation, false);
    showAll(false);
  }

  // The line from the bottom to the top of the elevation axis at `at`; hidden without one.
  void placeVertical(QLineSeries* line, std::optional<double> at) {
    Show(line, at.has_value(), false);
    if (at) line->replace({QPointF(*at, low), QPointF(*at, high)});
  }

  // Shows or hides the axes and the series that are always there (a panel not in use stays
  // hidden, and so do the sunrise and sunset lines on a day without them).
  void showAll(bool shown) {
    for (QAbstractAxis* axis : chart->chart()->axes()) axis->setVisible(shown);
    Show(night, shown, false);
    Show(sun, shown, true);
    Show(marker, shown, false);
    if (shown) return;
    for (QLineSeries* s : panels) Show(s, false, true);
    Show(sunrise, false, false);
    Show(sunset, false, false);
  }

  QCategoryAxis* x = nullptr;
  QValueAxis* elevation = nullptr;
  QValueAxis* production = nullptr;
  QAreaSeries* night = nullptr;
  QLineSeries* sun = nullptr;
  std::array<QLineSeries*, kPanelCount> panels{};
  QLineSeries* sunrise = nullptr;
  QLineSeries* sunset = nullptr;
  QLineSeries* marker = nullptr;
  double low = -20;
  double high = 20;
};

// --- YearView --------------------------------------------------------------------------

// The year table's columns: for the clear sky, and from weather.
const std::vector<std::pair<QString, QString>>& ClearSkyColumns() {
  static const std::vector<std::pair<QString, QString>> columns = {
      {QStringLiteral("Panel"), QStringLiteral("The panel in use, its azimuth/tilt in degrees")},
      {QStringLiteral("Clear sky kWh/m²"),
       QStringLiteral("The year's light on the panel's plane in 10-minute steps ") + kClearSkyTip},
      {QStringLiteral("Share of the best orientation"),
       QStringLiteral("The panel's clear-sky light over the year as a share of what the best "
                      "orientation gets")}};
  return columns;
}

const std::vector<std::pair<QString, QString>>& WeatherColumns() {
  static const std::vector<std::pair<QString, QString>> columns = {
      {QStringLiteral("Panel"), QStringLiteral("The panel in use, its azimuth/tilt in degrees, or the system")},
      {QStringLiteral("kWh/m²"),
       QStringLiteral("The weather's light on the panel's plane over its year: the Perez sky (or "
                      "the isotropic one), ground reflection and the horizon")},
      {QStringLiteral("AC kWh"),
       QStringLiteral("The energy out of the inverter over the weather's year (PVWatts version 5: "
                      "the cover's loss, the cells' temperature, the losses, the inverter)")},
      {QStringLiteral("kWh/kWp"), QStringLiteral("Specific yield: AC energy per kWp of DC rating")},
      {QStringLiteral("PR"),
       QStringLiteral("Performance ratio: AC energy over kWp times the plane's irradiation at 1 kW/m²")},
      {QStringLiteral("Best share"),
       QStringLiteral("The panel's light over the weather's year as a share of what the best "
                      "orientation gets")}};
  return columns;
}

const QColor kSystemColour(110, 110, 110);

class YearView {
 public:
  YearView() : root(new QWidget) {
    QVBoxLayout* layout = NewRoot(root, "yearView");
    chart = NewChartView(root, QStringLiteral("Year chart"));
    chart->setObjectName(QStringLiteral("yearChart"));
    figures = new QLabel(root);
    figures->setObjectName(QStringLiteral("yearFigures"));
    figures->setTextFormat(Qt::PlainText);
    figures->setContentsMargins(8, 0, 8, 0);
    busy = new QProgressBar(root);
    busy->setObjectName(QStringLiteral("yearBusy"));
    busy->setAccessibleName(QStringLiteral("Computing the year"));
    busy->setRange(0, 0);  // no figure, only motion
    busy->setFixedSize(120, 14);
    busy->setTextVisible(false);
    busy->hide();
    table = NewTable(root, "yearTable", QStringLiteral("Year table"), ClearSkyColumns());
    auto* line = new QHBoxLayout;
    line->setContentsMargins(0, 0, 10, 0);
    line->addWidget(figures, 1);
    line->addWidget(busy);
    layout->addWidget(chart, 1);
    layout->addLayout(line);
    layout->addWidget(table);
    figures->setFixedHeight(kLineHeight);
    build();
  }

  // sky: what the figures come from, for the title (the clear sky or the weather, and the
  // horizon).
  void draw(const YearResult* result, bool searching, const QString& sky) {
    busy->setVisible(searching);
    QChart* c = chart->chart();
    if (result == nullptr) {
      c->setTitle(QStringLiteral("By month, ") + sky);
      figures->setText(QStringLiteral("Computing the year and the best orientation…"));
      table->setRowCount(0);
      return;
    }
    table->setRowCount(0);
    if (!result->problem.isEmpty()) {
      c->setTitle(QString::number(result->year));
      figures->setText(result->problem);
      show(false);
      return;
    }
    const bool weather = result->energy.has_value();
    c->setTitle(weather ? QStringLiteral("AC energy by month, ") + sky
                        : QStringLiteral("%1: irradiation on each panel's plane by month, ")
                                  .arg(result->year) + sky);
    value->setTitleText(weather ? QStringLiteral("AC kWh") : QStringLiteral("Clear sky kWh/m²"));
    SetColumns(table, weather ? WeatherColumns() : ClearSkyColumns());
    // The bars of the panels in use (and the system's, from weather); a set is taken out or
    // put back only when that changes.
    QList<QBarSet*> shown;
    for (int p = 0; p < kPanelCount; ++p) {
      if (InUse(result->panels[p])) shown << sets[p];
    }
    if (weather) shown << system;
    if (bars->barSets() != shown) {
      for (QBarSet* set : bars->barSets()) bars->take(set);
      bars->append(shown);
    }
    // The site the figures are of, for the yields and ratios.
    const pipeline::Setup setup = SiteOf(result->site, result->sky.get());
    double highest = 0;
    const auto bar = [&highest](QBarSet* set, int month, double v) {
      set->replace(month, v);
      highest = std::max(highest, v);
    };
    for (int p = 0; p < kPanelCount; ++p) {
      if (!InUse(result->panels[p])) continue;
      sets[p]->setLabel(PanelCaption(p + 1, result->panels[p]));
      for (int m = 0; m < 12; ++m) {
        bar(sets[p], m, weather ? result->energy->months[m].panels[p].ac
                                : result->months.months[m].panels[p].irradiation);
      }
      const QString share = QStringLiteral("%1%").arg(YearModel::Share(*result, p + 1));
      if (weather) {
        const summary::EnergyTotals& y = result->energy->year;
        addRow(p, {PanelCaption(p + 1, result->panels[p]), Fixed(y.panels[p].poa, 1),
                   Fixed(y.panels[p].ac, 1), Fixed(summary::PanelSpecificYield(setup, y, p), 1),
                   Percent(summary::PanelPerformanceRatio(setup, y, p)), share},
               YearModel::ShareText(*result, p + 1));
      } else {
        addRow(p, {PanelCaption(p + 1, result->panels[p]),
                   Fixed(result->months.year.panels[p].irradiation, 0), share},
               YearModel::ShareText(*result, p + 1));
      }
    }
    if (weather) {
      for (int m = 0; m < 12; ++m) bar(system, m, result->energy->months[m].ac);
      const summary::EnergyTotals& y = result->energy->year;
      addRow(-1, {QStringLiteral("System"), QString(), Fixed(y.ac, 1),
                  Fixed(summary::SpecificYield(setup, y), 1),
                  Percent(summary::PerformanceRatio(setup, y)), QString()}, QString());
    }
    const double step = weather ? 100 : 50;
    value->setRange(0, std::max(1.0, std::ceil(highest / step) * step));
    show(true);
    const PanelGeometry& best = result->best.best;
    figures->setText(QStringLiteral("Best orientation %1/%2 (azimuth/tilt): %3 kWh/m² over the %4")
                         .arg(Fixed(best.Azimuth, 0), Fixed(best.Tilt, 0),
                              Fixed(result->best.irradiation, 0),
                              weather ? QStringLiteral("weather's year") : QStringLiteral("year")));
  }

  QWidget* root;
  QChartView* chart;
  QLabel* figures;
  QProgressBar* busy;
  QTableWidget* table;

 private:
  static QString Percent(double ratio) { return QString::number(100 * ratio, 'f', 1) + QStringLiteral(" %"); }

  // A row of the table; panel -1 for the system's.
  void addRow(int panel, const QStringList& cells, const QString& shareTip) {
    const int row = table->rowCount();
    table->insertRow(row);
    for (int k = 0; k < cells.size(); ++k) {
      auto* item = new QTableWidgetItem(cells[k]);
      if (k == 0) item->setForeground(panel >= 0 ? kPanelColours[panel] : kSystemColour);
      if (k == cells.size() - 1 && !shareTip.isEmpty()) item->setToolTip(shareTip);
      table->setItem(row, k, item);
    }
  }

  // The axes, the series and a set of bars for each panel and the system, made once as in
  // the day view.
  void build() {
    QChart* c = chart->chart();
    bars = new QBarSeries;
    const auto make = [this](const QColor& colour, const QString& label) {
      auto* set = new QBarSet(label, bars);  // the series' own, in it or not
      set->setColor(colour);
      set->setBorderColor(colour);
      for (int m = 0; m < 12; ++m) *set << 0.0;
      return set;
    };
    for (int p = 0; p < kPanelCount; ++p) sets[p] = make(kPanelColours[p], QString());
    system = make(kSystemColour, QStringLiteral("System"));
    c->addSeries(bars);
    auto* months = new QBarCategoryAxis;
    for (int m = 1; m <= 12; ++m) months->append(text::MonthAbbreviation(m));
    value = new QValueAxis;
    value->setLabelFormat(QStringLiteral("%d"));
    value->setTitleText(QStringLiteral("Clear sky kWh/m²"));
    c->addAxis(months, Qt::AlignBottom);
    c->addAxis(value, Qt::AlignLeft);
    bars->attachAxis(months);
    bars->attachAxis(value);
    show(false);
  }

  void show(bool shown) {
    for (QAbstractAxis* axis : chart->chart()->axes()) axis->setVisible(shown);
    bars->setVisible(shown);
  }

  QBarSeries* bars = nullptr;
  std::array<QBarSet*, kPanelCount> sets{};
  QBarSet* system = nullptr;
  QValueAxis* value = nullptr;
};

// --- ViewsSection ----------------------------------------------------------------------

ViewsSection::ViewsSection(FormModel& model, SystemModel& system, Host host)
    : model_(model), system_(system), host_(std::move(host)), window_(*host_.window), viewsModel_(model) {
  chooseFile = [this](const QString& caption, const QString& suggested, const QString& filter) {
    return QFileDialog::getSaveFileName(&window_, caption, suggested, filter);
  };
  chooseOpenFile = [this](const QString& caption, const QString& filter) {
    return QFileDialog::getOpenFileName(&window_, caption, QString(), filter);
  };
  runDialog = [](SystemDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
  makeSky = [](QWidget* parent) { return new SkyView(parent); };

  menu_ = new QMenuBar(&window_);
  menu_->setObjectName(QStringLiteral("menuBar"));
  menu_->setNativeMenuBar(false);
  menu_->setGeometry(0, 0, kWidth, kMenuHeight);
  // The platform's own colours, not the window's dark teal.
  QPalette face = menu_->palette();
  face.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
  face.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::ButtonText));
  menu_->setPalette(face);
  menu_->setAutoFillBackground(true);
  QMenu* file = menu_->addMenu(QStringLiteral("&File"));
  openWeatherAction_ = file->addAction(QStringLiteral("Open weather file…"));
  QObject::connect(openWeatherAction_, &QAction::triggered, &window_, [this] {
    openWeather(chooseOpenFile(QStringLiteral("Open weather file"), WeatherFilter()));
  });
  openHorizonAction_ = file->addAction(QStringLiteral("Open horizon…"));
  QObject::connect(openHorizonAction_, &QAction::triggered, &window_, [this] {
    openHorizon(chooseOpenFile(QStringLiteral("Open horizon"), HorizonFilter()));
  });
  file->addSeparator();
  QAction* exportDayAction = file->addAction(QStringLiteral("Export day as CSV…"));
  QObject::connect(exportDayAction, &QAction::triggered, &window_, [this] {
    exportDay(chooseFile(QStringLiteral("Export day as CSV"), QStringLiteral("day.csv"),
                         QStringLiteral("CSV (*.csv)")));
  });
  exportChartAction_ = file->addAction(QStringLiteral("Export chart…"));
  exportChartAction_->setEnabled(false);  // until a view is shown
  QObject::connect(exportChartAction_, &QAction::triggered, &window_, [this] {
    const QString name = QString::fromLatin1(kTabNames[static_cast<int>(current())]).toLower();
    exportChart(chooseFile(QStringLiteral("Export chart as PNG or SVG"), name + QStringLiteral(".png"),
                           QStringLiteral("Images (*.png *.svg)")));
  });
  file->addSeparator();
  QAction* quit = file->addAction(QStringLiteral("Quit"));
  quit->setShortcut(QKeySequence::Quit);
  QObject::connect(quit, &QAction::triggered, &window_, [this] { window_.close(); });

  QMenu* edit = menu_->addMenu(QStringLiteral("&Edit"));
  systemAction_ = edit->addAction(QStringLiteral("System…"));
  QObject::connect(systemAction_, &QAction::triggered, &window_, [this] { editSystem(); });

  QMenu* view = menu_->addMenu(QStringLiteral("&View"));
  for (int v = 0; v < kViewCount; ++v) {
    QAction* action = view->addAction(QString::fromLatin1(kTabNames[v]));
    action->setCheckable(true);
    action->setShortcut(QKeySequence(QString::fromLatin1(kShortcuts[v])));
    QObject::connect(action, &QAction::triggered, &window_,
                     [this, v] { choose(static_cast<View>(v)); });
    // The shortcuts work wherever the focus is in the window.
    window_.addAction(action);
    viewActions_[v] = action;
  }
  window_.addAction(quit);

  QMenu* help = menu_->addMenu(QStringLiteral("&Help"));
  QObject::connect(help->addAction(QStringLiteral("About Halvessa")), &QAction::triggered,
                   &window_, [this] {
                     QMessageBox::about(
                         &window_, QStringLiteral("About Halvessa"),
                         QStringLiteral(
                             "<p><b>Halvessa %1</b></p>"
                             "<p>Where the sun stands for a site and a moment, and how squarely "
                             "its light falls on up to five fixed solar panels.</p>"
                             "<p>Sun position: the program's low-precision solar ephemeris and "
                             "sunrise equation. Clear sky: the simplified Solis model (Ineichen "
                             "2008). On the panels' planes: isotropic sky, ground albedo 0.2.</p>"
                             "<p>Licence GPL-3.0-or-later. Built with Qt and Qt Charts.</p>")
                             .arg(QStringLiteral(HALVESSA_VERSION)));
                   });

  viewsModel_.onDayChange = [this](DayModel::Change change) { showDay(change); };
  viewsModel_.onMoment = [this](const Calculated&) {
    // The zone box's text that has just served a computation is the one to start with.
    const QString failure = system_.rememberZone(model_.txtTz.Text());
    if (!failure.isEmpty()) report(failure);
    showSky();
  };
  viewsModel_.setSky(system_.sources());
  system_.onChanged = [this] {
    viewsModel_.setSky(system_.sources());
    showSky();
  };
  viewsModel_.onYearRequest = [this](const YearRequest& request) {
    worker_.start(request);
    showYear();
  };
  worker_.onResult = [this](YearResult result) {
    if (viewsModel_.year.accept(std::move(result))) showYear();
  };
}

ViewsSection::~ViewsSection() {
  // The views go before the model they show; the worker's threads end with it.
  viewsModel_.onDayChange = nullptr;
  viewsModel_.onYearRequest = nullptr;
  delete tabs_;
}

int ViewsSection::height() const {
  if (!isOpen() || tabs_ == nullptr) return 0;
  const int wanted = tabs_->tabBar()->sizeHint().height() + kViewHeight;
  return std::max(0, std::min(wanted, host_.room()));
}

QWidget* ViewsSection::viewWidget(View view) const {
  switch (view) {
    case View::kDay:
      return day_ ? day_->root : nullptr;
    case View::kYear:
      return year_ ? year_->root : nullptr;
    case View::kSky:
      return sky_;
  }
  return nullptr;
}
QChartView* ViewsSection::dayChart() const { return day_ ? day_->chart : nullptr; }
QChartView* ViewsSection::yearChart() const { return year_ ? year_->chart : nullptr; }
QTableWidget* ViewsSection::dayTable() const { return day_ ? day_->table : nullptr; }
QTableWidget* ViewsSection::yearTable() const { return year_ ? year_->table : nullptr; }

void ViewsSection::choose(View view) {
  viewsModel_.choose(view);
  apply();
}

void ViewsSection::showTab(View view) {
  viewsModel_.show(view);
  apply();
}

void ViewsSection::close() {
  viewsModel_.close();
  apply();
}

// Makes what the tabs now show, and shows it.
void ViewsSection::apply() {
  const ViewTabs& tabs = viewsModel_.tabs();
  if (tabs.isOpen() && tabs_ == nullptr) {
    tabs_ = new QTabWidget(&window_);
    tabs_->setObjectName(QStringLiteral("views"));
    tabs_->setAccessibleName(QStringLiteral("Views"));
    tabs_->tabBar()->setAccessibleName(QStringLiteral("View tabs"));
    tabs_->setDocumentMode(true);
    // The platform's colours, not the window's dark teal.
    QPalette plain = tabs_->palette();
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText, QPalette::Button,
                                           QPalette::ButtonText, QPalette::Base, QPalette::Text}) {
      plain.setColor(role, QApplication::palette().color(role));
    }
    tabs_->setPalette(plain);
    tabs_->setAutoFillBackground(true);
    for (int v = 0; v < kViewCount; ++v) {
      auto* page = new QScrollArea;
      page->setFrameShape(QFrame::NoFrame);
      page->setWidgetResizable(true);
      page->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      const QString name = QString::fromLatin1(kTabNames[v]);
      tabs_->addTab(page, name);
      tabs_->tabBar()->setAccessibleTabName(v, name + QStringLiteral(" view"));
      tabs_->setTabToolTip(v, QStringLiteral("%1 (%2)").arg(name, QString::fromLatin1(kShortcuts[v])));
      pages_[v] = page;
    }
    QObject::connect(tabs_, &QTabWidget::currentChanged, &window_, [this](int index) {
      if (index >= 0 && index < kViewCount && isOpen()) showTab(static_cast<View>(index));
    });
  }
  if (tabs.isOpen()) {
    makeView(tabs.current());
    const QSignalBlocker block(tabs_);
    tabs_->setCurrentIndex(static_cast<int>(tabs.current()));
    showSky();
  }
  if (tabs_ != nullptr) tabs_->setVisible(tabs.isOpen());
  for (int v = 0; v < kViewCount; ++v) viewActions_[v]->setChecked(tabs.shows(static_cast<View>(v)));
  exportChartAction_->setEnabled(tabs.isOpen());
  place();
}

// The view the first time its tab is shown, drawn with what the model holds.
void ViewsSection::makeView(View view) {
  QScrollArea* page = pages_[static_cast<int>(view)];
  if (page->widget() != nullptr) return;
  switch (view) {
    case View::kDay:
      day_ = std::make_unique<DayView>();
      page->setWidget(day_->root);
      day_->draw(viewsModel_.day.chart(), skyText(View::kDay));
      break;
    case View::kYear:
      year_ = std::make_unique<YearView>();
      page->setWidget(year_->root);
      showYear();
      break;
    case View::kSky:
      sky_ = makeSky(page);
      if (sky_->accessibleName().isEmpty()) sky_->setAccessibleName(QStringLiteral("Sky view"));
      page->setWidget(sky_);
      break;
  }
}

void ViewsSection::place() {
  if (tabs_ != nullptr) tabs_->setGeometry(0, host_.viewsTop(), kWidth, height());
  host_.resized();
}

void ViewsSection::showDay(DayModel::Change change) {
  if (!day_) return;
  const DayChart* chart = viewsModel_.day.chart();
  if (change == DayModel::Change::kMarker && chart) {
    day_->moveMarker(chart->marker);
  } else {
    day_->draw(chart, skyText(View::kDay));
  }
}

void ViewsSection::showYear() {
  if (!year_) return;
  const std::optional<YearResult>& result = viewsModel_.year.result();
  year_->draw(result ? &*result : nullptr, viewsModel_.year.busy(), skyText(View::kYear));
}

void ViewsSection::report(const QString& text) { model_.message.setText(text); }

std::pair<double, double> ViewsSection::site() const {
  if (const std::optional<Calculated>& last = viewsModel_.day.last()) {
    return {last->latitude, last->longitude};
  }
  try {
    return {text::StrictNumber(model_.txtLat.Text()), text::StrictNumber(model_.txtLon.Text())};
  } catch (const text::ConversionError&) {
    return {0, 0};
  }
}

void ViewsSection::reportOpened(const QString& path, const FileOpened& read, bool weather) {
  if (!read.message.isEmpty()) {
    report(read.message);
  } else if (weather) {
    report(QStringLiteral("Weather \"%1\" opened: %2.").arg(QFileInfo(path).fileName(), system_.sources()->title));
  } else {
    report(QStringLiteral("Horizon \"%1\" opened.").arg(QFileInfo(path).fileName()));
  }
}

void ViewsSection::openWeather(const QString& path) {
  if (path.isEmpty()) return;
  const auto [latitude, longitude] = site();
  reportOpened(path, system_.openWeather(path, latitude, longitude), true);
}

void ViewsSection::openHorizon(const QString& path) {
  if (path.isEmpty()) return;
  reportOpened(path, system_.openHorizon(path), false);
}

void ViewsSection::openDropped(const QString& path) {
  const auto [latitude, longitude] = site();
  const FileOpened weather = system_.openWeather(path, latitude, longitude);
  if (weather.opened) return reportOpened(path, weather, true);
  const FileOpened horizon = system_.openHorizon(path);
  if (horizon.opened) return reportOpened(path, horizon, false);
  report(QStringLiteral("%1 is neither a weather file (%2) nor a horizon file.")
             .arg(QFileInfo(path).fileName(), weather.message.section(QStringLiteral(": "), 1)));
}

void ViewsSection::editSystem() {
  SystemDialog dialog(system_.settings(), &window_);
  if (!runDialog(dialog)) return;
  const auto [latitude, longitude] = site();
  report(system_.change(dialog.settings(), latitude, longitude));
}

QString ViewsSection::skyText(View view) const {
  const auto horizonOf = [](const SkySources* sky) {
    return sky && !sky->horizon.flat()
               ? QStringLiteral(", horizon ") + QFileInfo(sky->settings.horizonFile).fileName()
               : QString();
  };
  if (view == View::kYear) {
    if (const std::optional<YearResult>& result = viewsModel_.year.result()) {
      return result->skyTitle() + horizonOf(result->sky.get());
    }
  }
  const std::shared_ptr<const SkySources> sky = system_.sources();
  if (view == View::kSky) {
    const QString horizon = horizonOf(sky.get());
    return horizon.isEmpty() ? QStringLiteral("flat horizon") : horizon.mid(2);
  }
  return (view == View::kYear ? sky->title : QStringLiteral("clear sky")) + horizonOf(sky.get());
}

void ViewsSection::showSky() {
  auto* view = dynamic_cast<SkyView*>(sky_);
  if (view == nullptr || !viewsModel_.tabs().shows(View::kSky)) return;
  viewsModel_.seedFromBoxes();
  const std::optional<Calculated>& last = viewsModel_.day.last();
  if (!last) return;
  const std::shared_ptr<const SkySources> sky = system_.sources();
  view->setDiagram(ComputeSky(*last, sky->horizon.flat() ? nullptr : &sky->horizon));
}

void ViewsSection::exportDay(const QString& path) {
  if (path.isEmpty()) return;
  viewsModel_.seedFromBoxes();
  const std::optional<Calculated>& last = viewsModel_.day.last();
  if (!last) {
    report(CannotWrite(path, QStringLiteral("no moment has been computed yet")));
    return;
  }
  const QString failure = ExportDayCsv(*last, DayModel::kStepSeconds, path, system_.sources().get());
  report(failure.isEmpty()
             ? QStringLiteral("Day written to \"%1\".").arg(QFileInfo(path).fileName())
             : failure);
}

namespace {

// The title block's lines above the view, the view below them, on white, in the view's own
// coordinates whatever the painter's device: a chart is drawn from its scene, sharp at any size.
class ExportPainting {
 public:
  ExportPainting(QWidget& view, QString block) : view_(view), block_(std::move(block)) {
    font_ = DefaultFont();
    font_.setPointSizeF(9);
    const int lines = block_.isEmpty() ? 0 : static_cast<int>(block_.count(QLatin1Char('\n'))) + 1;
    blockHeight_ = lines == 0 ? 0 : lines * QFontMetrics(font_).lineSpacing() + 10;
  }
  QSize size() const { return {view_.width(), view_.height() + blockHeight_}; }

  void paint(QPainter& painter) const {
    painter.fillRect(QRect(QPoint(0, 0), size()), Qt::white);
    painter.setPen(Qt::black);
    painter.setFont(font_);
    painter.drawText(QRect(8, 5, view_.width() - 16, blockHeight_), Qt::AlignLeft | Qt::AlignTop,
                     block_);
    const QRect target(0, blockHeight_, view_.width(), view_.height());
    if (auto* chart = qobject_cast<QChartView*>(&view_)) {
      chart->render(&painter, target, chart->viewport()->rect());
    } else {
      painter.save();
      painter.translate(target.topLeft());
      view_.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
      painter.restore();
    }
  }

 private:
  QWidget& view_;
  QString block_;
  QFont font_;
  int blockHeight_ = 0;
};

}  // namespace

void ViewsSection::exportChart(const QString& path) {
  if (path.isEmpty()) return;
  const View shown = current();
  QWidget* view = !isOpen()                ? nullptr
                  : shown == View::kDay   ? static_cast<QWidget*>(dayChart())
                  : shown == View::kYear  ? static_cast<QWidget*>(yearChart())
                                          : sky_;
  if (view == nullptr) {
    report(CannotWrite(path, QStringLiteral("open the day, year or sky view first")));
    return;
  }
  const std::optional<YearResult>& year = viewsModel_.year.result();
  const std::optional<Calculated>& site = shown == View::kDay ? viewsModel_.day.drawn()
                                          : shown == View::kYear && year
                                              ? std::optional<Calculated>(year->site)
                                              : viewsModel_.day.last();
  const bool weather = shown == View::kYear && year && year->energy;
  const QString block = site ? TitleBlock(*site, shown, skyText(shown), weather) : QString();
  const ExportPainting painting(*view, block);
  const QString suffix = QFileInfo(path).suffix().toLower();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (suffix == QLatin1String("svg")) {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(painting.size());
    svg.setViewBox(QRect(QPoint(0, 0), painting.size()));
    svg.setTitle(block.section(QLatin1Char('\n'), 0, 0));
    QPainter painter(&svg);
    painting.paint(painter);
  } else if (suffix == QLatin1String("png")) {
    // Twice the pixels the view takes on the screen.
    const qreal scale = 2 * view->devicePixelRatioF();
    QImage image(painting.size() * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    {
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      painter.setRenderHint(QPainter::TextAntialiasing);
      painting.paint(painter);
    }
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) {
      report(CannotWrite(path, writer.errorString()));
      return;
    }
  } else {
    report(CannotWrite(path, QStringLiteral("the name must end in .png or .svg")));
    return;
  }
  const std::optional<QString> failure = files::SaveFile(path, bytes);
  report(failure ? *failure
                 : QStringLiteral("Chart written to \"%1\".").arg(QFileInfo(path).fileName()));
}

}  // namespace halvessa::window
