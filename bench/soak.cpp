// A long simulation run with every log on and no delay, on the window model and the tests'
// fake clock, in a temporary directory: prints the resident memory after 10,000 and 100,000
// steps and the lines in solar.log and panel1.log to panel5.log. Exits with 1 when a step left
// other than one whole line in each log, or the run stopped on a message.
//
//   halvessa_soak [steps]      (100000 by default; memory is also shown at a tenth of it)
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "testing/fake_platform.h"
#include "window/form.h"
#include "window/form_model.h"

namespace {

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

}  // namespace

int main(int argc, char** argv) {
  using namespace halvessa::window;
  QCoreApplication app(argc, argv);
  const long long steps = argc > 1 ? std::atoll(argv[1]) : 100000;
  QTemporaryDir dir;
  if (steps < 10 || !dir.isValid() || !QDir::setCurrent(dir.path())) {
    std::fprintf(stderr, "usage: halvessa_soak [steps >= 10], in a writable temporary folder\n");
    return 2;
  }

  testing::FakePlatform platform;
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
  if (!model.message.Text().isEmpty()) {
    std::fprintf(stderr, "stopped: %s\n", qPrintable(model.message.Text()));
  }
  return whole ? 0 : 1;
}
