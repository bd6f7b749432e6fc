#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <cmath>

#include "geometry/calendar.h"
#include "geometry/module1.h"
#include "text/convert.h"
#include "tests/window/form_fixture.h"

namespace halvessa::window::testing {
namespace {

// The file's bytes; empty when it does not exist.
QByteArray ReadLog(const char* name) {
  QFile f(QDir::current().filePath(QString::fromLatin1(name)));
  if (!f.exists()) return {};
  if (!f.open(QIODevice::ReadOnly)) return QByteArrayLiteral("<unreadable>");
  return f.readAll();
}
bool Exists(const char* name) { return QFile::exists(QDir::current().filePath(name)); }

// What a step at this moment writes for the sun and for panel (azimuth, tilt) at Geneva.
struct Expected {
  QString azimuth, elevation, aoi, prod;
};
Expected At(double moment, double panelAzimuth, double panelTilt) {
  double azimuth = 0;
  double elevation = 0;
  geometry::SunPosition(moment, 46.205556, 6.154444, 2, azimuth, elevation);
  const double aoi = geometry::AngleOfIncidence(azimuth, elevation, panelAzimuth, panelTilt);
  const double prod = aoi < 90 ? geometry::AOIToProduction(aoi) : 0.0;
  return {text::FormatOneDecimal(azimuth), text::FormatOneDecimal(elevation),
          text::FormatOneDecimal(aoi), text::FormatWhole(prod) + QStringLiteral("%")};
}
QByteArray Line(const QStringList& values) { return (values.join('\t') + "\r\n").toLocal8Bit(); }

using PositionLogs = RunTest;

TEST_F(PositionLogs, SolarchkShowsTheBoxesOfThePanelsInUse) {
  // The last calculation found panel 4 unused; its box was shown earlier and stays so.
  model.PanelGeom(4) = PanelRecord{};
  model.PanelGeom(5) = PanelRecord{};
  model.Panelchk(4).setVisible(true);
  model.Panelchk(2).setValue(1);

  model.Solarchk.userClicked();
  for (int i : {1, 2, 3, 4}) EXPECT_TRUE(model.Panelchk(i).Visible()) << i;
  EXPECT_FALSE(model.Panelchk(5).Visible());

  model.Solarchk.userClicked();
  for (int i = 1; i <= 5; ++i) EXPECT_FALSE(model.Panelchk(i).Visible()) << i;
  EXPECT_EQ(model.Panelchk(2).Value(), 1);
}

TEST_F(PositionLogs, NothingIsWrittenUnlessSolarchkIsOnAndNowOff) {
  for (int i = 1; i <= 5; ++i) model.Panelchk(i).setValue(1);
  form->log();  // Solarchk off
  model.Solarchk.setValue(1);
  ASSERT_EQ(model.chkNow.Value(), 1);
  form->log();  // Now on
  EXPECT_TRUE(QDir::current().entryList({"*.log"}, QDir::Files | QDir::Dirs).isEmpty());

  model.chkNow.setValue(0);
  form->log();
  EXPECT_TRUE(Exists("solar.log"));
  EXPECT_TRUE(Exists("panel5.log"));
}

TEST_F(PositionLogs, EachStepAppendsTheBoxesAsShown) {
  // The date and time as typed, in the locale's forms, until the run writes its own.
  model.txtDate.setText("7/24/2025");
  prepare(QStringLiteral("8:50 PM"));
  model.txtAz(3).setText("0");
  model.txtTilt(3).setText("0");
  model.txtTilt(5).setText("70 deg");
  model.Solarchk.userClicked();
  for (int i : {1, 3, 5}) model.Panelchk(i).setValue(1);
  QFile old(QDir::current().filePath("solar.log"));
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("earlier\r\n");
  old.close();
  runSteps(3);

  double sunrise = 0;
  double sunset = 0;
  const double day2 = DateSerial(2025, 7, 25);
  geometry::SunriseSunset(day2, 46.205556, 6.154444, 2, sunrise, sunset);
  const double moments[] = {DateSerial(2025, 7, 24) + TimeSerial(20, 50, 0),
                            day2 + std::round((sunrise - std::floor(sunrise)) * 86400) / 86400,
                            day2 + std::round((sunrise + 10.0 / 1440 - std::floor(sunrise)) * 86400) / 86400};
  const QString dates[] = {"7/24/2025", "2025-07-25", "2025-07-25"};
  const QString times[] = {"8:50 PM", "06:08", "06:18"};

  QByteArray solar = "earlier\r\n";
  QByteArray panel1;
  QByteArray panel5;
  for (int k = 0; k < 3; ++k) {
    const Expected p1 = At(moments[k], 151, 45);
    const Expected p5 = At(moments[k], 331, 70);
    solar += Line({dates[k], times[k], p1.azimuth, p1.elevation});
    panel1 += Line({dates[k], times[k], "151", "45", p1.aoi, p1.prod});
    panel5 += Line({dates[k], times[k], "331", "70 deg", p5.aoi, p5.prod});
  }
  EXPECT_EQ(ReadLog("solar.log"), solar);
  EXPECT_EQ(ReadLog("panel1.log"), panel1);
  EXPECT_TRUE(Exists("panel3.log"));  // checked but not in use: created, no line
  EXPECT_TRUE(ReadLog("panel3.log").isEmpty());
  EXPECT_EQ(ReadLog("panel5.log"), panel5);
  EXPECT_FALSE(Exists("panel2.log"));
  EXPECT_FALSE(Exists("panel4.log"));
}

TEST_F(PositionLogs, NowCheckedAgainDuringARunStopsTheLines) {
  prepare();
  model.Solarchk.setValue(1);
  model.Panelchk(1).setValue(1);
  onStep = [this](int n) {
    if (n == 1) user([this] { model.chkNow.userClicked(); });
    if (n == 3) user([this] { model.chkNow.userClicked(); });
  };
  runSteps(4);
  // Steps 2 and 3 ran with Now checked.
  EXPECT_EQ(ReadLog("solar.log").count("\r\n"), 2);
  EXPECT_EQ(ReadLog("panel1.log").count("\r\n"), 2);
}

TEST_F(PositionLogs, AFileThatCannotBeWrittenPausesTheRunAndResumeRetries) {
  prepare();
  model.Solarchk.setValue(1);
  for (int i = 1; i <= 5; ++i) model.Panelchk(i).setValue(1);
  ASSERT_TRUE(QDir::current().mkdir("panel2.log"));

  int pausedPolls = 0;
  QByteArray solarWhenPaused;
  platform.onProcessEvents = [&] {
    if (model.IsRunning != 0) return;
    ++pausedPolls;
    if (pausedPolls == 1) {
      EXPECT_EQ(model.message.Text(),
                "Cannot write \"panel2.log\": Is a directory. The simulation is paused.");
      EXPECT_TRUE(model.btnRunning.Visible());
      EXPECT_FALSE(model.btnPause.Visible());
      EXPECT_EQ(model.txtTime.Text(), "20:00");  // the step stopped at its log
      solarWhenPaused = ReadLog("solar.log");
      model.btnRunning.userClicked();  // nothing fixed yet: the same failure again
    } else if (pausedPolls == 2) {
      ASSERT_TRUE(QDir::current().rmdir("panel2.log"));
      model.btnRunning.userClicked();
      EXPECT_TRUE(model.message.Text().isEmpty());
    }
  };
  closeAfter = 4;  // the failing step twice, its repetition, then 20:10
  clickSimulate();

  EXPECT_EQ(pausedPolls, 2);
  // Files before the failing one had their line, files after it were not touched.
  const Expected p = At(DateSerial(2025, 7, 24) + TimeSerial(20, 0, 0), 151, 45);
  const QByteArray first = Line({"2025-07-24", "20:00", p.azimuth, p.elevation});
  EXPECT_EQ(solarWhenPaused, first);
  // Nothing written before is lost; the repeated step gives the files that had it a second
  // copy and the others their first.
  const QByteArray solar = ReadLog("solar.log");
  EXPECT_TRUE(solar.startsWith(first + first + first));
  EXPECT_EQ(solar.count("\r\n"), 4);
  EXPECT_EQ(ReadLog("panel1.log").count("\r\n"), 4);
  for (const char* name : {"panel2.log", "panel3.log", "panel4.log", "panel5.log"}) {
    const QByteArray lines = ReadLog(name);
    EXPECT_EQ(lines.count("\r\n"), 2) << name;
    EXPECT_TRUE(lines.startsWith("2025-07-24\t20:00\t")) << name;
  }
}

}  // namespace
}  // namespace halvessa::window::testing
