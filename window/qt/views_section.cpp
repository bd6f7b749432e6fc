#include "window/qt/views_section.h"

#include <QAbstractSeries>
#include <QAction>
#include <QApplication>
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
#include <QSignalBlocker>
#include <QSvgGenerator>
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

constexpr int kDayHeight = 380;
constexpr int kDayChartHeight = 250;
constexpr int kYearHeight = 360;
constexpr int kYearChartHeight = 240;

QString Fixed(double v, int decimals) { return QString::number(v, 'f', decimals); }

// Shows or hides a series, and its legend entry with it when it has one (showing a series
// shows its entry again).
void Show(QAbstractSeries* series, bool shown, bool legend) {
  series->setVisible(shown);
  for (QLegendMarker* marker : series->chart()->legend()->markers(series)) {
    marker->setVisible(shown && legend);
  }
}

QChartView* NewChartView(QWidget* parent, int height) {
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
  view->setGeometry(0, 0, ViewsSection::kWidth, height);
  return view;
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
  explicit DayView(QWidget* parent) : root(new QWidget(parent)) {
    root->setObjectName(QStringLiteral("dayView"));
    root->setAutoFillBackground(true);
    QPalette white = root->palette();
    white.setColor(QPalette::Window, Qt::white);
    root->setPalette(white);
    root->resize(ViewsSection::kWidth, kDayHeight);
    chart = NewChartView(root, kDayChartHeight);
    chart->setObjectName(QStringLiteral("dayChart"));
    note = new QLabel(root);
    note->setGeometry(8, kDayChartHeight, ViewsSection::kWidth - 16, 18);
    table = new QTableWidget(0, 5, root);
    table->setObjectName(QStringLiteral("dayTable"));
    table->setGeometry(4, kDayChartHeight + 18, ViewsSection::kWidth - 8,
                       kDayHeight - kDayChartHeight - 22);
    table->setHorizontalHeaderLabels({QStringLiteral("Panel"), QStringLiteral("Production hours"),
                                      QStringLiteral("Clear sky kWh/m²"),
                                      QStringLiteral("Peak production"), QStringLiteral("Peak at")});
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(16);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setFont(DefaultFont());
    build();
  }
  ~DayView() { delete root; }

  void draw(const DayChart* day) {
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
    note->setText(QStringLiteral("Local time; figures of the day in %1-minute steps, clear sky "
                                 "on each panel's plane")
                      .arg(day->stepSeconds / 60));

    for (const QString& label : x->categoriesLabels()) x->remove(label);
    x->setRange(0, day->hours);
    for (const auto& [at, label] : day->ticks) x->append(label, at);
    const auto [lowest, highest] = std::minmax_element(day->elevation.begin(), day->elevation.end());
    low = std::min(-20.0, std::floor(*lowest / 20) * 20);
    high = std::max(20.0, std::ceil(*highest / 20) * 20);
    elevation->setRange(low, high);
    elevation->setTickCount(static_cast<int>(std::lround((high - low) / 20)) + 1);

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
    auto* production = new QValueAxis;
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

class YearView {
 public:
  explicit YearView(QWidget* parent) : root(new QWidget(parent)) {
    root->setObjectName(QStringLiteral("yearView"));
    root->setAutoFillBackground(true);
    QPalette white = root->palette();
    white.setColor(QPalette::Window, Qt::white);
    root->setPalette(white);
    root->resize(ViewsSection::kWidth, kYearHeight);
    chart = NewChartView(root, kYearChartHeight);
    chart->setObjectName(QStringLiteral("yearChart"));
    figures = new QLabel(root);
    figures->setObjectName(QStringLiteral("yearFigures"));
    figures->setGeometry(8, kYearChartHeight + 2, ViewsSection::kWidth - 16,
                         kYearHeight - kYearChartHeight - 4);
    figures->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    figures->setTextFormat(Qt::PlainText);
    busy = new QProgressBar(root);
    busy->setObjectName(QStringLiteral("yearBusy"));
    busy->setRange(0, 0);  // no figure, only motion
    busy->setGeometry(ViewsSection::kWidth - 130, kYearHeight - 22, 120, 14);
    busy->setTextVisible(false);
    busy->hide();
    build();
  }
  ~YearView() { delete root; }

  void draw(const YearResult* result, bool searching) {
    busy->setVisible(searching);
    QChart* c = chart->chart();
    if (result == nullptr) {
      c->setTitle(QStringLiteral("Clear-sky irradiation by month"));
      figures->setText(QStringLiteral("Searching for the best orientation…"));
      return;
    }
    if (!result->problem.isEmpty()) {
      c->setTitle(QString::number(result->year));
      figures->setText(result->problem);
      show(false);
      return;
    }
    c->setTitle(QStringLiteral("%1: clear-sky irradiation on each panel's plane by month (kWh/m²)")
                    .arg(result->year));
    // The bars of the panels in use; a set is taken out or put back only when that changes.
    QList<QBarSet*> inUse;
    for (int p = 0; p < kPanelCount; ++p) {
      if (InUse(result->panels[p])) inUse << sets[p];
    }
    if (bars->barSets() != inUse) {
      for (QBarSet* set : bars->barSets()) bars->take(set);
      bars->append(inUse);
    }
    double highest = 0;
    QStringList lines;
    QStringList totals;
    for (int p = 0; p < kPanelCount; ++p) {
      if (!InUse(result->panels[p])) continue;
      QBarSet* set = sets[p];
      set->setLabel(PanelCaption(p + 1, result->panels[p]));
      for (std::size_t m = 0; m < result->months.months.size(); ++m) {
        const double value = result->months.months[m].panels[p].irradiation;
        set->replace(static_cast<qsizetype>(m), value);
        highest = std::max(highest, value);
      }
      totals << QStringLiteral("%1: %2").arg(p + 1).arg(
                    Fixed(result->months.year.panels[p].irradiation, 0));
      lines << YearModel::ShareText(*result, p + 1);
    }
    value->setRange(0, std::max(1.0, std::ceil(highest / 50) * 50));
    show(true);
    const PanelGeometry& best = result->best.best;
    figures->setText(
        QStringLiteral("Year's totals, kWh/m² (panel: total): %1\n"
                       "Best orientation %2/%3 (azimuth/tilt): %4 kWh/m² over the year\n")
            .arg(totals.join(QStringLiteral(", ")), Fixed(best.Azimuth, 0), Fixed(best.Tilt, 0),
                 Fixed(result->best.irradiation, 0)) +
        lines.join(QLatin1Char('\n')));
  }

  QWidget* root;
  QChartView* chart;
  QLabel* figures;
  QProgressBar* busy;

 private:
  // The axes, the series and a set of bars for each panel, made once as in the day view.
  void build() {
    QChart* c = chart->chart();
    bars = new QBarSeries;
    for (int p = 0; p < kPanelCount; ++p) {
      sets[p] = new QBarSet(QString(), bars);  // the series' own, in it or not
      sets[p]->setColor(kPanelColours[p]);
      sets[p]->setBorderColor(kPanelColours[p]);
      for (int m = 0; m < 12; ++m) *sets[p] << 0.0;
    }
    c->addSeries(bars);
    auto* months = new QBarCategoryAxis;
    months->append({QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"),
                    QStringLiteral("Apr"), QStringLiteral("May"), QStringLiteral("Jun"),
                    QStringLiteral("Jul"), QStringLiteral("Aug"), QStringLiteral("Sep"),
                    QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")});
    value = new QValueAxis;
    value->setLabelFormat(QStringLiteral("%d"));
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
  QValueAxis* value = nullptr;
};

// --- ViewsSection ----------------------------------------------------------------------

ViewsSection::ViewsSection(FormModel& model, Host host)
    : model_(model), host_(std::move(host)), window_(*host_.window), viewsModel_(model) {
  chooseFile = [this](const QString& caption, const QString& suggested, const QString& filter) {
    return QFileDialog::getSaveFileName(&window_, caption, suggested, filter);
  };

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
  QAction* exportDayAction = file->addAction(QStringLiteral("Export day as CSV…"));
  QObject::connect(exportDayAction, &QAction::triggered, &window_, [this] {
    exportDay(chooseFile(QStringLiteral("Export day as CSV"), QStringLiteral("day.csv"),
                         QStringLiteral("CSV (*.csv)")));
  });
  QAction* exportChartAction = file->addAction(QStringLiteral("Export chart as PNG or SVG…"));
  QObject::connect(exportChartAction, &QAction::triggered, &window_, [this] {
    exportChart(chooseFile(QStringLiteral("Export chart as PNG or SVG"),
                           dayOpen() || !yearOpen() ? QStringLiteral("day.png")
                                                    : QStringLiteral("year.png"),
                           QStringLiteral("Images (*.png *.svg)")));
  });
  file->addSeparator();
  QAction* quit = file->addAction(QStringLiteral("Quit"));
  quit->setShortcut(QKeySequence::Quit);
  QObject::connect(quit, &QAction::triggered, &window_, [this] { window_.close(); });

  QMenu* view = menu_->addMenu(QStringLiteral("&View"));
  dayAction_ = view->addAction(QStringLiteral("Day"));
  dayAction_->setCheckable(true);
  dayAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
  QObject::connect(dayAction_, &QAction::toggled, &window_, [this](bool on) { setDayOpen(on); });
  yearAction_ = view->addAction(QStringLiteral("Year"));
  yearAction_->setCheckable(true);
  yearAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Y")));
  QObject::connect(yearAction_, &QAction::toggled, &window_, [this](bool on) { setYearOpen(on); });
  // The shortcuts work wherever the focus is in the window.
  window_.addAction(dayAction_);
  window_.addAction(yearAction_);
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
}

int ViewsSection::height() const {
  return (dayOpen() ? kDayHeight : 0) + (yearOpen() ? kYearHeight : 0);
}

bool ViewsSection::dayOpen() const { return viewsModel_.day.isOpen(); }
bool ViewsSection::yearOpen() const { return viewsModel_.year.isOpen(); }

QWidget* ViewsSection::dayWidget() const { return day_ ? day_->root : nullptr; }
QWidget* ViewsSection::yearWidget() const { return year_ ? year_->root : nullptr; }
QChartView* ViewsSection::dayChart() const { return day_ ? day_->chart : nullptr; }
QChartView* ViewsSection::yearChart() const { return year_ ? year_->chart : nullptr; }
QTableWidget* ViewsSection::dayTable() const { return day_ ? day_->table : nullptr; }

void ViewsSection::place() {
  int top = host_.viewsTop();
  if (day_) {
    day_->root->move(0, top);
    day_->root->setVisible(dayOpen());
    if (dayOpen()) top += kDayHeight;
  }
  if (year_) {
    year_->root->move(0, top);
    year_->root->setVisible(yearOpen());
  }
  host_.resized();
}

void ViewsSection::setDayOpen(bool open) {
  if (open == dayOpen()) return;
  if (open && !day_) day_ = std::make_unique<DayView>(&window_);
  if (open) viewsModel_.seedFromBoxes();
  {
    const QSignalBlocker block(dayAction_);
    dayAction_->setChecked(open);
  }
  const DayModel::Change change = viewsModel_.day.setOpen(open);
  if (open) showDay(change == DayModel::Change::kNone ? DayModel::Change::kRedraw : change);
  place();
}

void ViewsSection::setYearOpen(bool open) {
  if (open == yearOpen()) return;
  if (open && !year_) year_ = std::make_unique<YearView>(&window_);
  if (open) viewsModel_.seedFromBoxes();
  {
    const QSignalBlocker block(yearAction_);
    yearAction_->setChecked(open);
  }
  if (const std::optional<YearRequest> request = viewsModel_.year.setOpen(open)) {
    worker_.start(*request);
  }
  if (open) showYear();
  place();
}

void ViewsSection::showDay(DayModel::Change change) {
  if (!day_) return;
  const DayChart* chart = viewsModel_.day.chart();
  if (change == DayModel::Change::kMarker && chart) {
    day_->moveMarker(chart->marker);
  } else {
    day_->draw(chart);
  }
}

void ViewsSection::showYear() {
  if (!year_) return;
  const std::optional<YearResult>& result = viewsModel_.year.result();
  year_->draw(result ? &*result : nullptr, viewsModel_.year.busy());
}

void ViewsSection::report(const QString& text) { model_.message.setText(text); }

void ViewsSection::exportDay(const QString& path) {
  if (path.isEmpty()) return;
  viewsModel_.seedFromBoxes();
  const std::optional<Calculated>& last = viewsModel_.day.last();
  if (!last) {
    report(CannotWrite(path, QStringLiteral("no moment has been computed yet")));
    return;
  }
  const QString failure = ExportDayCsv(*last, DayModel::kStepSeconds, path);
  report(failure.isEmpty()
             ? QStringLiteral("Day written to \"%1\".").arg(QFileInfo(path).fileName())
             : failure);
}

void ViewsSection::exportChart(const QString& path) {
  if (path.isEmpty()) return;
  QChartView* view = dayOpen() ? dayChart() : yearOpen() ? yearChart() : nullptr;
  if (view == nullptr) {
    report(CannotWrite(path, QStringLiteral("open the day or the year view first")));
    return;
  }
  const QString suffix = QFileInfo(path).suffix().toLower();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (suffix == QLatin1String("svg")) {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(view->size());
    svg.setViewBox(QRect(QPoint(0, 0), view->size()));
    svg.setTitle(view->chart()->title());
    QPainter painter(&svg);
    view->render(&painter);
  } else if (suffix == QLatin1String("png")) {
    QImageWriter writer(&buffer, "png");
    if (!writer.write(view->grab().toImage())) {
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
