// A Form on a fake platform, run in a temporary working directory (where a test may put a
// settings file) under an English locale, both restored afterwards.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

#include "tests/window/fake_platform.h"
#include "window/form.h"
#include "window/form_model.h"

// Readable texts in test failures.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace halvessa::window::testing {

// Everything the calculations write, to tell "nothing changed" from a partial update.
struct Results {
  QString date, time, sunAzimuth, sunElevation, sunrise, sunset;
  std::array<QString, 5> aoi, prod;
  std::array<Colour, 5> prodBack{}, prodFore{};
  std::array<double, 5> geomAz{}, geomTilt{}, panelAoi{}, panelProd{};

  static Results Of(const FormModel& m) {
    Results r;
    r.date = m.txtDate.Text();
    r.time = m.txtTime.Text();
    r.sunAzimuth = m.txtSunAzimuth.Text();
    r.sunElevation = m.txtSunElevation.Text();
    r.sunrise = m.txtSunrise.Text();
    r.sunset = m.txtSunset.Text();
    for (int i = 1; i <= 5; ++i) {
      const auto k = static_cast<std::size_t>(i - 1);
      r.aoi[k] = m.txtAOI(i).Text();
      r.prod[k] = m.txtProd(i).Text();
      r.prodBack[k] = m.txtProd(i).BackColor();
      r.prodFore[k] = m.txtProd(i).ForeColor();
      r.geomAz[k] = m.PanelGeom(i).Azimuth;
      r.geomTilt[k] = m.PanelGeom(i).Tilt;
      r.panelAoi[k] = m.PanelAOI(i);
      r.panelProd[k] = m.PanelProd(i);
    }
    return r;
  }
  bool operator==(const Results&) const = default;

  friend void PrintTo(const Results& r, std::ostream* os) {
    *os << r.date.toStdString() << ' ' << r.time.toStdString() << " sun "
        << r.sunAzimuth.toStdString() << '/' << r.sunElevation.toStdString() << ' '
        << r.sunrise.toStdString() << '-' << r.sunset.toStdString();
    for (std::size_t k = 0; k < 5; ++k) {
      *os << " | " << r.geomAz[k] << '/' << r.geomTilt[k] << ' ' << r.aoi[k].toStdString() << ' '
          << r.prod[k].toStdString() << " (" << r.panelAoi[k] << ", " << r.panelProd[k] << ')';
    }
  }
};

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousLocale_ = QLocale();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    previousDir_ = QDir::currentPath();
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(QDir::setCurrent(dir_.path()));
    platform.setLocalTime(2025, 7, 24, 14, 0, 0);
    form = std::make_unique<Form>(model, platform);
  }
  void TearDown() override {
    form.reset();
    QDir::setCurrent(previousDir_);
    QLocale::setDefault(previousLocale_);
  }

  void writeSettings(const QByteArray& bytes) {
    QFile f(dir_.filePath(QStringLiteral("Kelvarine.ini")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
  }
  QString settingsPath() const { return dir_.filePath(QStringLiteral("Kelvarine.ini")); }

  // Live mode off: the calculation uses the typed date and time.
  void goManual() { model.chkNow.setValue(0); }
  void clickRefresh() { model.btnRefresh.userClicked(); }

  FakePlatform platform;
  FormModel model;
  std::unique_ptr<Form> form;

 private:
  QTemporaryDir dir_;
  QString previousDir_;
  QLocale previousLocale_;
};

// A FormTest with a scripted user for simulation runs. The user acts only where a run lets
// the window's events run: at processEvents() and at the start of a wait(), which then
// moves the fake clock as usual. A run never ends by itself; a test ends it by closing the
// window, and stepLimit closes it (and fails the test) should a run go on unexpectedly.
class RunTest : public FormTest {
 public:
  // What the boxes showed when a step had written the sun's position.
  struct Step {
    QString date, time, azimuth, elevation;
  };

 protected:
  // One point where the run let events run: "events" or "wait <ms>".
  std::vector<QString> points;

  void SetUp() override {
    FormTest::SetUp();
    // Start-up in live mode at 2025-07-24 14:00: the clock's timer runs at 60000 ms.
    form->frmHalvessa_Form_Load();
    model.txtSunElevation.viewUpdate = [this] {
      steps.push_back({model.txtDate.Text(), model.txtTime.Text(), model.txtSunAzimuth.Text(),
                       model.txtSunElevation.Text()});
      const int n = static_cast<int>(steps.size());
      if (onStep) onStep(n);
      if (n == closeAfter) user([this] { form->windowClosed(); });
      if (n == stepLimit) {
        ADD_FAILURE() << "the run went on past " << stepLimit << " steps";
        user([this] { form->windowClosed(); });
      }
    };
    platform.onProcessEvents = [this] {
      points.push_back(QStringLiteral("events"));
      eventPoint();
    };
    platform.onWait = [this](int ms, const std::function<bool()>& interrupted) {
      points.push_back(QStringLiteral("wait %1").arg(ms));
      eventPoint();
      platform.advanceWaiting(ms, interrupted);
    };
  }

  // The user does action at the event point after `skip` further ones (0: the next one).
  void user(std::function<void()> action, int skip = 0) {
    pending_.push_back({skip, std::move(action)});
  }
  // Steps 20:00 to 20:50 on 2025-07-24 at Geneva, the sunset box at 20:58, 10 minutes a
  // step, one second between steps.
  void prepare(const QString& time = QStringLiteral("20:00"),
               const QString& sunset = QStringLiteral("20:58"),
               const QString& jump = QStringLiteral("10")) {
    model.txtTime.setText(time);
    model.txtSunset.setText(sunset);
    model.jump.setText(jump);
  }
  void clickSimulate() { model.btnSimulate.userClicked(); }
  // Runs from the boxes until step n has written its results, then closes the window at the
  // next event point.
  void runSteps(int n) {
    closeAfter = n;
    clickSimulate();
  }
  QStringList stepTimes() const {
    QStringList times;
    for (const Step& s : steps) times << s.time;
    return times;
  }

  std::vector<Step> steps;
  std::function<void(int)> onStep;  // after step n (1 first) has written the sun's position
  int closeAfter = 0;   // the window closes at the first event point after this step
  int stepLimit = 2000;
  int deepestRunLoops = 0;  // run loops in progress, at the deepest event point

 private:
  struct Pending {
    int skip;
    std::function<void()> action;
  };
  void eventPoint() {
    deepestRunLoops = std::max(deepestRunLoops, form->activeRunLoops());
    std::deque<Pending> now;
    now.swap(pending_);
    for (Pending& p : now) {
      if (p.skip > 0) {
        --p.skip;
        pending_.push_back(std::move(p));
      } else {
        p.action();
      }
    }
  }
  std::deque<Pending> pending_;
};

}  // namespace halvessa::window::testing
