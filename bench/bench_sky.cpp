// Drawing the Sky view, offscreen: the diagram computed (the date's path and the four seasons'
// in 5-minute steps, their whole hours, the sun, the horizon of tests/data) and painted into a
// 602x400 image, at most 16 ms; each half alone; and beside them the floor, QPainter alone
// drawing as many antialiased line segments (the paths' and the profile's) into the same image.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "files/horizon.h"
#include "geometry/calendar.h"
#include "window/qt/qt_window.h"
#include "window/qt/sky_view.h"
#include "window/sky.h"

namespace {

using halvessa::window::ComputeSky;
using halvessa::window::SkyDiagram;
using halvessa::window::SkyView;

const halvessa::site::Horizon& TestHorizon() {
  static const halvessa::site::Horizon horizon = [] {
    const halvessa::files::HorizonRead read =
        halvessa::files::ReadHorizon(QStringLiteral(HALVESSA_TEST_DATA "/horizon-45.000-8.000.csv"));
    if (!read.horizon) std::fprintf(stderr, "%s\n", qPrintable(read.error));
    return read.horizon.value_or(halvessa::site::Horizon());
  }();
  return horizon;
}

halvessa::window::Calculated Moment(int day) {
  halvessa::window::Calculated c;
  c.latitude = 46.205556;
  c.longitude = 6.154444;
  c.zone = halvessa::text::SiteZone::Named("Europe/Zurich");
  c.moment = halvessa::DateSerial(2025, 7, 1) + day % 28 + 14.0 / 24;  // a new day each time
  c.panels = {{{151, 45}, {151, 20}, {331, 20}, {151, 70}, {331, 70}}};
  return c;
}

QImage Canvas() { return QImage(602, 400, QImage::Format_ARGB32_Premultiplied); }

void BM_SkyComputedAndPainted(benchmark::State& state) {
  SkyView view;
  QImage image = Canvas();
  int day = 0;
  for (auto _ : state) {
    view.setDiagram(ComputeSky(Moment(day++), &TestHorizon()));
    QPainter painter(&image);
    view.paint(painter, QRectF(image.rect()));
  }
}
BENCHMARK(BM_SkyComputedAndPainted)->Unit(benchmark::kMillisecond)->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_SkyComputed(benchmark::State& state) {
  int day = 0;
  for (auto _ : state) benchmark::DoNotOptimize(ComputeSky(Moment(day++), &TestHorizon()));
}
BENCHMARK(BM_SkyComputed)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_SkyPainted(benchmark::State& state) {
  SkyView view;
  view.setDiagram(ComputeSky(Moment(0), &TestHorizon()));
  QImage image = Canvas();
  for (auto _ : state) {
    QPainter painter(&image);
    view.paint(painter, QRectF(image.rect()));
  }
}
BENCHMARK(BM_SkyPainted)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The floor: QPainter alone drawing the same polylines' worth of antialiased segments (one a
// path, one the profile), each as a circle's arc, into the same image.
void BM_FloorSegments(benchmark::State& state) {
  const SkyDiagram d = ComputeSky(Moment(0), &TestHorizon());
  std::vector<std::size_t> counts{d.day.points.size(), d.horizon.size()};
  for (const auto& s : d.seasons) counts.push_back(s.points.size());
  std::vector<QPolygonF> lines;
  std::size_t segments = 0;
  for (const std::size_t n : counts) {
    QPolygonF line;
    const double r = 30 + 28 * static_cast<double>(lines.size());
    for (std::size_t i = 0; i < n; ++i) {
      const double a = 6.2831853 * static_cast<double>(i) / static_cast<double>(n);
      line << QPointF(200 + r * std::sin(a), 200 - r * std::cos(a));
    }
    segments += n - 1;
    lines.push_back(line);
  }
  QImage image = Canvas();
  for (auto _ : state) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(image.rect(), Qt::white);
    painter.setPen(QPen(Qt::darkBlue, 1.5));
    for (const QPolygonF& line : lines) painter.drawPolyline(line);
  }
  state.counters["segments"] = static_cast<double>(segments);
}
BENCHMARK(BM_FloorSegments)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  halvessa::window::HalvessaWindow::setApplicationFont();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
