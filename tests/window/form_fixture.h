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

#include <array>
#include <memory>
#include <ostream>

#include "tests/window/fake_platform.h"
#include "window/form.h"
#include "window/form_model.h"

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

}  // namespace halvessa::window::testing
