// A Form on a fake platform, in a temporary working directory under an English locale (both
// restored afterwards), and RunTest, which adds a scripted user for simulation runs.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <map>
#include <memory>
#include <ostream>

#include "testing/fake_platform.h"
#include "window/form.h"
#include "window/form_model.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace halvessa::window::testing {

// Everything the calculations write, to tell "nothing changed" from a partial update.
inline QString Results(const FormModel& m) {
  QStringList all{m.txtDate.Text(), m.txtTime.Text(), m.txtSunAzimuth.Text(),
                  m.txtSunElevation.Text(), m.txtSunrise.Text(), m.txtSunset.Text()};
  for (int i = 1; i <= 5; ++i) all << m.txtAOI(i).Text() << m.txtProd(i).Text();
  for (int i = 1; i <= 5; ++i) {
    for (double v : {m.PanelGeom(i).Azimuth, m.PanelGeom(i).Tilt, m.PanelAOI(i), m.PanelProd(i),
                     double(m.txtProd(i).BackColor()), double(m.txtProd(i).ForeColor())}) {
      all << QString::number(v, 'g', 17);
    }
  }
  return all.join('|');
}

inline void WriteFile(const QString& name, const QByteArray& bytes) {
  QFile f(name);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}
inline QByteArray ReadFile(const QString& name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
// The lines in solar.log and panel1.log to panel5.log, "-" for a missing file.
inline QString LineCounts() {
  QStringList counts;
  for (const QString name : {"solar", "panel1", "panel2", "panel3", "panel4", "panel5"}) {
    counts << (QFile::exists(name + ".log") ? QString::number(ReadFile(name + ".log").count("\r\n"))
                                            : "-");
  }
  return counts.join(' ');
}

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_TRUE(dir_.isValid() && QDir::setCurrent(dir_.path()));
    platform.setLocalTime(2025, 7, 24, 14, 0, 0);
    form = std::make_unique<Form>(model, platform);
  }
  void TearDown() override {
    form.reset();
    QDir::setCurrent(previousDir_);
    QLocale::setDefault(previousLocale_);
  }
  // Calculate, live mode off, at a typed moment.
  void calculate(const QString& date, const QString& time) {
    model.chkNow.setValue(0);
    model.txtDate.setText(date);
    model.txtTime.setText(time);
    model.btnRefresh.userClicked();
  }

  FakePlatform platform;
  FormModel model;
  std::unique_ptr<Form> form;

 private:
  QTemporaryDir dir_;
  QString previousDir_ = QDir::currentPath();
  QLocale previousLocale_;
};

// The user acts where a run lets the window's events run: at processEvents() and at the start
// of a wait(). The window closes at the first event point after step closeAfter, or after 2000
// steps, failing the test.
class RunTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->frmHalvessa_Form_Load();  // live mode at 2025-07-24 14:00
    model.txtSunElevation.viewUpdate = [this] {
      steps << QStringList{model.txtDate.Text(), model.txtTime.Text(), model.txtSunAzimuth.Text(),
                           model.txtSunElevation.Text()}.join('|');
      const qsizetype n = steps.size();
      if (onStep) onStep(n);
      EXPECT_LT(n, 2000) << "the run went on";
      if (n == closeAfter || n == 2000) user([this] { form->windowClosed(); });
    };
    platform.onProcessEvents = [this] { eventPoint("events"); };
    platform.beforeWait = [this](int ms) { eventPoint(QStringLiteral("wait %1").arg(ms)); };
  }
  // The user does action at the event point after `skip` further ones (0: the next one).
  void user(const std::function<void()>& action, int skip = 0) {
    due_.emplace(points.size() + 1 + skip, action);
  }
  // Geneva on 2025-07-24, steps of 10 minutes from 20:00 to the sunset box at 20:58.
  void prepare(const QString& time = "20:00", const QString& jump = "10") {
    model.txtTime.setText(time);
    model.txtSunset.setText("20:58");
    model.jump.setText(jump);
  }
  void runSteps(int n) {
    closeAfter = n;
    model.btnSimulate.userClicked();
  }
  QString stepTimes() const {
    QStringList times;
    for (const QString& s : steps) times << s.section('|', 1, 1);
    return times.join(' ');
  }
  // IsRunning, the one run button showing, live mode, and the message.
  QString runState() const {
    const bool pause = model.btnPause.Visible(), both = pause == model.btnRunning.Visible();
    return QString::number(model.IsRunning) + (both ? " both?" : pause ? " Pause" : " Resume") +
           (model.chkNow.Value() ? " live: " : " manual: ") + model.message.Text();
  }

  QStringList points;  // every event point: "events" or "wait <ms>"
  QStringList steps;   // "date|time|azimuth|elevation" as each step had written the sun
  std::function<void(qsizetype)> onStep;
  qsizetype closeAfter = 0;

 private:
  void eventPoint(const QString& what) {
    points << what;
    const qsizetype n = points.size();  // what an action schedules comes later
    for (auto a = due_.lower_bound(n); a != due_.end() && a->first == n; ++a) a->second();
  }
  std::multimap<qsizetype, std::function<void()>> due_;  // the user's actions by event point
};

}  // namespace halvessa::window::testing
