// Long simulation runs on the window model and the tests' fake clock, in a temporary directory.
//
//   halvessa_soak [steps]            (100000 by default)
// Every log on and no delay: prints the resident memory after a tenth of the steps and after
// all of them, and the lines in solar.log and panel1.log to panel5.log. Exits with 1 when a
// step left other than one whole line in each log, or the run stopped on a message.
//
//   halvessa_soak --day-view [days]  (1000 by default)
// The Qt window attached (offscreen unless QT_QPA_PLATFORM says otherwise) with the day view
// open, jumps of 600 minutes, so that the view draws a new day at every day's sunrise and the
// window's events are served at each step: prints the resident memory after a tenth of the
// days and after all of them. Exits with 1 when the run stopped on a message or the memory
// grew by more than a tenth between the two.
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "testing/fake_platform.h"
#include "window/form.h"
#include "window/form_model.h"
#include "window/qt/qt_window.h"
#include "window/qt/views_section.h"

namespace {

using halvessa::window::Form;
using halvessa::window::FormModel;
using halvessa::window::testing::FakePlatform;

long long ResidentKiB() {
  long long size = 0;
  long long resident = 0;
  std::ifstream("/proc/self/statm") >> size >> resident;
  return resident * 4;
}

// The log's line count, or -1 when it is missing or its last line is torn.
long long Lines(const QString& name) {
  QFile file(name);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  const QByteArray bytes = file.readAll();
  if (!bytes.isEmpty() && !bytes.endsWith("\r\n")) return -1;
  return bytes.count("\r\n");
}

void Stopped(const FormModel& model) {
  if (!model.message.Text().isEmpty()) {
    std::fprintf(stderr, "stopped: %s\n", qPrintable(model.message.Text()));
  }
}

int LoggedRun(long long steps) {
  FakePlatform platform;
  platform.setLocalTime(2025, 7, 24, 14, 0, 0);
  FormModel model;
  Form form(model, platform);
  form.frmHalvessa_Form_Load();
  model.txtTime.setText(QStringLiteral("20:00"));
  model.txtSunset.setText(QStringLiteral("20:58"));
  model.Speed.setText(QStringLiteral("0"));
  model.Solarchk.setValue(1);
  for (int i = 1; i <= 5; ++i) model.Panelchk(i).setValue(1);

  long long done = 0;
  model.txtSunElevation.viewUpdate = [&] {
    ++done;
    if (done == steps / 10 || done == steps) {
      std::printf("resident after %lld steps: %lld KiB\n", done, ResidentKiB());
    }
    if (done == steps) form.windowClosed();  // seen at the step's next event point, after its log
  };
  model.btnSimulate.userClicked();

  bool whole = done == steps && model.message.Text().isEmpty();
  std::printf("lines:");
  for (const char* name : {"solar", "panel1", "panel2", "panel3", "panel4", "panel5"}) {
    const long long lines = Lines(QString::fromLatin1(name) + QStringLiteral(".log"));
    std::printf(" %s.log %lld", name, lines);
    whole = whole && lines == steps;
  }
  std::printf("\n");
  Stopped(model);
  return whole ? 0 : 1;
}

int DayViewRun(long long days) {
  FakePlatform platform;
  platform.setLocalTime(2025, 7, 24, 14, 0, 0);
  platform.onProcessEvents = [] { QCoreApplication::processEvents(); };
  FormModel model;
  Form form(model, platform);
  halvessa::window::HalvessaWindow window(model);
  form.frmHalvessa_Form_Load();
  window.show();
  window.views().choose(halvessa::window::View::kDay);
  model.txtTime.setText(QStringLiteral("06:00"));
  model.txtSunset.setText(QStringLiteral("21:14"));
  model.Speed.setText(QStringLiteral("0"));
  model.jump.setText(QStringLiteral("600"));

  long long done = 0;
  long long atTenth = 0;
  bool flat = false;
  model.txtSunrise.viewUpdate = [&] {  // written once a day, at the rollover
    ++done;
    if (done == days / 10 || done == days) {
      const long long kib = ResidentKiB();
      if (done == days / 10) atTenth = kib;
      std::printf("resident after %lld days: %lld KiB (%lld series on the chart)\n", done, kib,
                  static_cast<long long>(window.views().dayChart()->chart()->series().size()));
      if (done == days) {
        flat = kib <= atTenth + atTenth / 10;
        std::printf("%s\n", flat ? "flat" : "growing");
        form.windowClosed();
      }
    }
  };
  model.btnSimulate.userClicked();
  Stopped(model);
  return flat && model.message.Text().isEmpty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const bool dayView = argc > 1 && std::strcmp(argv[1], "--day-view") == 0;
  const char* count = argc > (dayView ? 2 : 1) ? argv[dayView ? 2 : 1] : nullptr;
  const long long n = count ? std::atoll(count) : dayView ? 1000 : 100000;
  if (dayView && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  std::unique_ptr<QCoreApplication> app = dayView ? std::make_unique<QApplication>(argc, argv)
                                                  : std::make_unique<QCoreApplication>(argc, argv);
  if (dayView) halvessa::window::HalvessaWindow::setApplicationFont();
  QTemporaryDir dir;
  if (n < 10 || !dir.isValid() || !QDir::setCurrent(dir.path())) {
    std::fprintf(stderr,
                 "usage: halvessa_soak [steps >= 10] | --day-view [days >= 10], in a writable "
                 "temporary folder\n");
    return 2;
  }
  return dayView ? DayViewRun(n) : LoggedRun(n);
}
