// A long run on the fake platform with every log on and no delay: the memory stays flat
// and every step leaves exactly one line in each log.
#include <QByteArray>
#include <QDir>
#include <QFile>

#include <fstream>

#include "tests/window/form_fixture.h"

namespace halvessa::window::testing {
namespace {

#ifdef HALVESSA_SANITIZED
// Slower under the sanitizers, whose quarantine of freed memory also makes the resident size
// meaningless; LeakSanitizer checks the memory there instead.
constexpr int kSteps = 20000;
constexpr bool kCompareMemory = false;
#else
constexpr int kSteps = 100000;
constexpr bool kCompareMemory = true;
#endif
constexpr int kSettled = kSteps / 10;

// The process's resident size in bytes.
long long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long long size = 0;
  long long resident = 0;
  statm >> size >> resident;
  return resident * 4096;
}

qsizetype LinesOf(const char* name) {
  QFile f(QDir::current().filePath(QString::fromLatin1(name)));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QByteArray bytes = f.readAll();
  if (!bytes.isEmpty() && !bytes.endsWith("\r\n")) return -2;  // a torn last line
  return bytes.count("\r\n");
}

using Soak = FormTest;

TEST_F(Soak, ALongLoggedRunKeepsItsMemoryAndWritesOneLinePerStep) {
  form->frmHalvessa_Form_Load();
  model.txtTime.setText("20:00");
  model.txtSunset.setText("20:58");
  model.Speed.setText("0");
  model.Solarchk.setValue(1);
  for (int i = 1; i <= 5; ++i) model.Panelchk(i).setValue(1);

  int steps = 0;
  long long settled = 0;
  long long last = 0;
  model.txtSunElevation.viewUpdate = [&] {
    ++steps;
    if (steps == kSettled) settled = ResidentBytes();
    if (steps == kSteps) {
      last = ResidentBytes();
      form->windowClosed();  // seen at the step's next event point, after its log
    }
  };
  model.btnSimulate.userClicked();

  ASSERT_EQ(steps, kSteps);
  EXPECT_TRUE(model.message.Text().isEmpty()) << model.message.Text().toStdString();
  EXPECT_EQ(LinesOf("solar.log"), kSteps);
  for (const char* name : {"panel1.log", "panel2.log", "panel3.log", "panel4.log", "panel5.log"}) {
    EXPECT_EQ(LinesOf(name), kSteps) << name;
  }
  if (kCompareMemory) {
    constexpr long long kSlack = 1024LL * 1024;
    EXPECT_LE(last, settled + kSlack) << "after " << kSettled << " steps: " << settled
                                      << " bytes; after " << kSteps << ": " << last;
  }
  RecordProperty("resident_after_settling", std::to_string(settled));
  RecordProperty("resident_at_end", std::to_string(last));
}

}  // namespace
}  // namespace halvessa::window::testing
