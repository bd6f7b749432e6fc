// The window's speed with the Qt window attached, offscreen.
//
// Refresh: one calculation on demand in live mode, every box written through to its widget,
// and (second case) the repaint.
//
// Step: one step of a simulation run with no delay: the sun, the five panels, the boxes and, with
// logging on, six appends (solar.log and panel1.log to panel5.log) in a temporary directory.
// First on the bare window model with the tests' fake platform, then with the Qt window
// attached offscreen, where the step's two event points serve Qt's pending events.
//
// Day redraw: a calculation on demand of a new day with the day view open: the day's chart and
// table computed (5-minute steps, the summary included) and the chart and table rebuilt, then
// painted. Year view: opened on a new site, from the click to the search's result shown,
// the window's event loop served meanwhile; and the search alone on its thread's side.
//
// Tab switch: with the three views made, a switch to the next tab with its events and its
// repaint, beside the floor in the same run: a bare QTabWidget of three empty pages of the same
// size, switched and painted the same way.
//
// The run is started once per benchmark call and never returns by itself: the iterations are
// counted at each step's second event point (KeepRunning), and the window is closed when they
// are done, which ends the run.
#include <QApplication>
#include <QChartView>
#include <QDir>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "testing/fake_platform.h"
#include "window/form.h"
#include "window/form_model.h"
#include "window/platform.h"
#include "window/qt/qt_platform.h"
#include "window/qt/qt_window.h"
#include "window/qt/views_section.h"
#include "window/views.h"

namespace {

using halvessa::window::Form;
using halvessa::window::FormModel;
using halvessa::window::HalvessaWindow;
using halvessa::window::PeriodicTimer;
using halvessa::window::Platform;
using halvessa::window::QtPlatform;
using halvessa::window::testing::FakePlatform;

// Passes everything to another platform and calls atStepEnd at every second processEvents():
// with no delay a step has exactly two event points.
class CountingPlatform : public Platform {
 public:
  explicit CountingPlatform(Platform& inner) : inner_(inner) {}
  double nowUniversal() override { return inner_.nowUniversal(); }
  std::unique_ptr<PeriodicTimer> createTimer(std::function<void()> onTick) override {
    return inner_.createTimer(std::move(onTick));
  }
  void processEvents() override {
    inner_.processEvents();
    if (++calls_ % 2 == 0 && atStepEnd) atStepEnd();
  }
  void wait(int ms, const std::function<bool()>& interrupted) override {
    inner_.wait(ms, interrupted);
  }
  std::function<void()> atStepEnd;

 private:
  Platform& inner_;
  long long calls_ = 0;
};

// Runs the working directory in a fresh temporary one for as long as it lives.
class InTemporaryDir {
 public:
  InTemporaryDir() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
  ~InTemporaryDir() { QDir::setCurrent(previous_); }
  InTemporaryDir(const InTemporaryDir&) = delete;
  InTemporaryDir& operator=(const InTemporaryDir&) = delete;
  bool valid() const { return dir_.isValid(); }

 private:
  QTemporaryDir dir_;
  QString previous_;
};

struct LiveWindow {
  LiveWindow() : form(model, platform), window(model) {
    form.frmHalvessa_Form_Load();
    window.show();
    QCoreApplication::processEvents();
  }
  FormModel model;
  QtPlatform platform;
  Form form;
  HalvessaWindow window;
};

void BM_Refresh(benchmark::State& state) {
  LiveWindow live;
  for (auto _ : state) {
    live.form.frmHalvessa_btnRefresh_Click();
    benchmark::DoNotOptimize(live.model.txtSunAzimuth.Text());
  }
}
BENCHMARK(BM_Refresh)->Unit(benchmark::kMicrosecond);

void BM_RefreshAndRepaint(benchmark::State& state) {
  LiveWindow live;
  for (auto _ : state) {
    live.form.frmHalvessa_btnRefresh_Click();
    live.window.repaint();  // paints every child now, as the next event loop turn would
  }
}
BENCHMARK(BM_RefreshAndRepaint)->Unit(benchmark::kMicrosecond);

void Prepare(FormModel& model, bool logging) {
  model.txtDate.setText(QStringLiteral("2025-07-24"));
  model.txtTime.setText(QStringLiteral("06:00"));
  model.txtSunset.setText(QStringLiteral("21:14:53"));
  model.Speed.setText(QStringLiteral("0"));
  model.jump.setText(QStringLiteral("10"));
  if (logging) {
    model.Solarchk.setValue(1);
    for (int i = 1; i <= 5; ++i) model.Panelchk(i).setValue(1);
  }
}

// Starts the run and lets it step until the benchmark has its iterations.
void Run(benchmark::State& state, FormModel& model, Form& form, CountingPlatform& platform) {
  platform.atStepEnd = [&state, &form] {
    if (!state.KeepRunning()) form.windowClosed();
  };
  form.frmHalvessa_btnSimulate_Click();
  if (!model.message.Text().isEmpty()) state.SkipWithError(qPrintable(model.message.Text()));
}

// One run on the given platform, with the Qt window attached when withWindow.
void StepRun(benchmark::State& state, Platform& inner, bool withWindow) {
  InTemporaryDir dir;
  if (!dir.valid()) {
    state.SkipWithError("no temporary directory");
    return;
  }
  CountingPlatform platform(inner);
  FormModel model;
  Form form(model, platform);
  form.frmHalvessa_Form_Load();
  std::optional<HalvessaWindow> window;
  if (withWindow) {
    window.emplace(model);
    window->show();
    QCoreApplication::processEvents();
  }
  Prepare(model, state.range(0) != 0);
  Run(state, model, form, platform);
}

void StepArguments(benchmark::internal::Benchmark* b) {
  b->ArgName("logs")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
  b->Repetitions(5)->ReportAggregatesOnly(true);
}

void BM_StepOnTheModel(benchmark::State& state) {
  FakePlatform fake;
  fake.setLocalTime(2025, 7, 24, 6, 0, 0);
  StepRun(state, fake, false);
}
BENCHMARK(BM_StepOnTheModel)->Apply(StepArguments);

void BM_StepWithTheWindow(benchmark::State& state) {
  QtPlatform qt;
  StepRun(state, qt, true);
}
BENCHMARK(BM_StepWithTheWindow)->Apply(StepArguments);

void BM_DayRedraw(benchmark::State& state) {
  FakePlatform fake;
  FormModel model;
  Form form(model, fake);
  HalvessaWindow window(model);
  window.show();
  window.views().choose(halvessa::window::View::kDay);
  model.chkNow.setValue(0);
  model.txtTime.setText(QStringLiteral("12:00"));
  int day = 1;
  for (auto _ : state) {
    // A new day each time, so the whole chart is drawn again.
    model.txtDate.setText(QStringLiteral("2025-03-%1").arg(day % 28 + 1, 2, 10, QLatin1Char('0')));
    ++day;
    model.btnRefresh.userClicked();
    if (state.range(0) == 1) window.views().dayChart()->repaint();
  }
}
BENCHMARK(BM_DayRedraw)->ArgName("paint")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)
    ->Repetitions(5)->ReportAggregatesOnly(true);

void BM_YearViewOpened(benchmark::State& state) {
  FakePlatform fake;
  FormModel model;
  Form form(model, fake);
  double latitude = 40;
  for (auto _ : state) {
    HalvessaWindow window(model);
    window.show();
    model.chkNow.setValue(0);
    model.txtLat.setText(QString::number(latitude));
    latitude += 0.5;  // a new site each time
    model.btnRefresh.userClicked();
    window.views().choose(halvessa::window::View::kYear);
    while (window.views().yearBusy()) QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
}
BENCHMARK(BM_YearViewOpened)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)
    ->ReportAggregatesOnly(true);

void BM_YearSearchAlone(benchmark::State& state) {
  halvessa::window::YearRequest request;
  request.year = 2025;
  request.site.latitude = 46.205556;
  request.site.longitude = 6.154444;
  request.site.zone = halvessa::text::SiteZone::Fixed(2);
  request.site.panels = {{{151, 45}, {151, 20}, {331, 20}, {151, 70}, {331, 70}}};
  for (auto _ : state) {
    benchmark::DoNotOptimize(halvessa::window::YearModel::Compute(request));
  }
}
BENCHMARK(BM_YearSearchAlone)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)
    ->ReportAggregatesOnly(true);

// The window on a computed moment with its year view shown and drawn.
struct YearShown {
  YearShown() {
    window.show();
    model.chkNow.setValue(0);
    model.btnRefresh.userClicked();
    window.views().choose(halvessa::window::View::kYear);
    while (window.views().yearBusy()) QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  FakePlatform fake;
  FormModel model;
  Form form{model, fake};
  HalvessaWindow window{model};
};

// A weather file opened with the year view shown, until the year from it and its best
// orientation are drawn: the whole wait, and the longest the window's events waited meanwhile
// (the file is read on the window's thread, the year beside it).
void BM_WeatherOpenedYearShown(benchmark::State& state) {
  YearShown shown;
  halvessa::window::ViewsSection& views = shown.window.views();
  const QString files[] = {QStringLiteral(HALVESSA_TEST_DATA "/pvgis-tmy-45.000-8.000.csv"),
                           QStringLiteral(HALVESSA_TEST_DATA "/pvgis-tmy-45.000-8.000.epw")};
  double longest = 0;
  int k = 0;
  for (auto _ : state) {
    QElapsedTimer blocked;
    blocked.start();
    views.openWeather(files[k++ % 2]);  // another file each time: a new year
    do {
      longest = std::max(longest, static_cast<double>(blocked.nsecsElapsed()) / 1e6);
      QApplication::processEvents(QEventLoop::AllEvents, 5);
      blocked.restart();
    } while (views.yearBusy());
  }
  state.counters["longest_blocked_ms"] = longest;
}
BENCHMARK(BM_WeatherOpenedYearShown)->Unit(benchmark::kMillisecond)->Iterations(6)->Repetitions(3)
    ->ReportAggregatesOnly(true);

void BM_TabSwitch(benchmark::State& state) {
  using halvessa::window::View;
  YearShown shown;
  halvessa::window::ViewsSection& views = shown.window.views();
  views.showTab(View::kSky);
  views.showTab(View::kDay);
  QApplication::processEvents();
  int next = 0;
  for (auto _ : state) {
    next = (next + 1) % halvessa::window::kViewCount;
    views.showTab(static_cast<View>(next));
    QApplication::processEvents();
    views.tabs()->repaint();
  }
}
BENCHMARK(BM_TabSwitch)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_BareTabSwitch(benchmark::State& state) {
  QTabWidget tabs;
  tabs.resize(halvessa::window::ViewsSection::kWidth, halvessa::window::ViewsSection::kViewHeight + 24);
  for (const char* name : {"Day", "Year", "Sky"}) tabs.addTab(new QWidget, QString::fromLatin1(name));
  tabs.show();
  QApplication::processEvents();
  int next = 0;
  for (auto _ : state) {
    next = (next + 1) % 3;
    tabs.setCurrentIndex(next);
    QApplication::processEvents();
    tabs.repaint();
  }
}
BENCHMARK(BM_BareTabSwitch)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The window remembers its zone and files: in a configuration of its own here.
  const QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  QApplication app(argc, argv);
  HalvessaWindow::setApplicationFont();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
