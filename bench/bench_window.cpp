// One Refresh of the window in live mode with the Qt window attached, offscreen: the
// calculation, every box written through to its widget, and (second case) the repaint.
#include <QApplication>

#include <benchmark/benchmark.h>

#include "window/form.h"
#include "window/form_model.h"
#include "window/qt_platform.h"
#include "window/qt_window.h"

namespace {

using halvessa::window::Form;
using halvessa::window::FormModel;
using halvessa::window::HalvessaWindow;
using halvessa::window::QtPlatform;

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

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  HalvessaWindow::setApplicationFont();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
