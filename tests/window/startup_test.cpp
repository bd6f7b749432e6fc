#include <QDir>

#include "tests/window/form_fixture.h"

namespace halvessa::window::testing {
namespace {

using StartUp = FormTest;

std::vector<int> StartedIntervals(const FakePlatform& p) {
  std::vector<int> intervals;
  for (const auto& e : p.timerEvents) {
    if (e.started) intervals.push_back(e.intervalMs);
  }
  return intervals;
}

TEST_F(StartUp, StateAtCreation) {
  EXPECT_EQ(model.chkNow.Value(), 1);
  EXPECT_TRUE(model.btnRunning.Visible());
  EXPECT_FALSE(model.btnPause.Visible());
  EXPECT_EQ(model.btnRefresh.Caption(), "Refresh");
  for (int i = 1; i <= 5; ++i) {
    EXPECT_FALSE(model.Panelchk(i).Visible());
    EXPECT_TRUE(model.txtAOI(i).Text().isEmpty());
    EXPECT_TRUE(model.txtProd(i).Text().isEmpty());
  }
  EXPECT_TRUE(model.txtSunAzimuth.Text().isEmpty());
  EXPECT_TRUE(model.txtSunrise.Text().isEmpty());
  // Timer1 is enabled at Interval 0: attached but silent.
  EXPECT_TRUE(model.Timer1.Enabled());
  EXPECT_EQ(model.Timer1.Interval(), 0);
  EXPECT_EQ(platform.timerCount(), 1);
  EXPECT_FALSE(platform.msUntilNextTick());
}

TEST_F(StartUp, WithoutSettingsFileAt101542) {
  platform.setLocalTime(2025, 7, 24, 10, 15, 42, 700);
  form->frmHalvessa_Form_Load();

  EXPECT_EQ(model.txtDate.Text(), "2025-07-24");
  EXPECT_EQ(model.txtTime.Text(), "10:15");
  EXPECT_EQ(model.chkNow.Value(), 1);
  EXPECT_EQ(model.IsRunning, 0);
  // 18000 ms to the next minute first, then replaced by 60000.
  EXPECT_EQ(StartedIntervals(platform), (std::vector<int>{18000, 60000}));
  EXPECT_EQ(model.Timer1.Interval(), 60000);
  EXPECT_TRUE(model.Timer1.Enabled());

  // Stored panel defaults: all five in use, angles shown, no production yet.
  const double az[] = {151, 151, 331, 151, 331};
  const double tilt[] = {45, 20, 20, 70, 70};
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(model.PanelGeom(i).Azimuth, az[i - 1]);
    EXPECT_EQ(model.PanelGeom(i).Tilt, tilt[i - 1]);
    EXPECT_FALSE(model.txtAOI(i).Text().isEmpty()) << i;
    EXPECT_TRUE(model.txtProd(i).Text().isEmpty()) << i;
    EXPECT_FALSE(model.txtProd(i).hasColours()) << i;
  }
  EXPECT_FALSE(model.txtSunAzimuth.Text().isEmpty());
  EXPECT_TRUE(model.txtSunrise.Text().isEmpty());
  EXPECT_TRUE(model.txtSunset.Text().isEmpty());
  EXPECT_TRUE(model.message.Text().isEmpty());

  // The first tick comes 60 s after start-up, not at 10:16:00.
  EXPECT_EQ(platform.msUntilNextTick(), 60000);
  platform.advance(59999);
  EXPECT_TRUE(platform.ticks.empty());
  platform.advance(1);
  ASSERT_EQ(platform.ticks.size(), 1u);
  EXPECT_EQ(model.txtTime.Text(), "10:16");
  EXPECT_FALSE(model.txtSunrise.Text().isEmpty());
  EXPECT_FALSE(model.txtProd(1).Text().isEmpty());
}

TEST_F(StartUp, AtSecondZeroTheFirstIntervalIsAFullMinute) {
  platform.setLocalTime(2025, 7, 24, 14, 0, 0);
  form->frmHalvessa_Form_Load();
  EXPECT_EQ(StartedIntervals(platform), (std::vector<int>{60000, 60000}));

  // 14:00:00 is the worked example: the instant view shows its sun and angles.
  EXPECT_EQ(model.txtSunAzimuth.Text(), "189.0");
  EXPECT_EQ(model.txtSunElevation.Text(), "63.3");
  const char* aoi[] = {"28.1", "16.2", "44.1", "50.3", "91.6"};
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(model.txtAOI(i).Text(), aoi[i - 1]) << i;
}

TEST_F(StartUp, TimeOfDayIsTakenToTheSecond) {
  // 10:15:59.9 is still 10:15 on the clock; the minute does not round up.
  platform.setLocalTime(2025, 7, 24, 10, 15, 59, 900);
  form->frmHalvessa_Form_Load();
  EXPECT_EQ(model.txtTime.Text(), "10:15");
  EXPECT_EQ(StartedIntervals(platform).front(), 1000);
}

TEST_F(StartUp, SettingsFileFillsSiteAndPanels) {
  writeSettings("47.5\r\n8.25\r\n 151 / 45 \r\n\r\n/45\r\n10/20/30\r\n331/70\r\n90/90\r\n");
  form->frmHalvessa_Form_Load();

  EXPECT_EQ(model.txtLat.Text(), "47.5");
  EXPECT_EQ(model.txtLon.Text(), "8.25");
  EXPECT_EQ(model.txtTz.Text(), "2");
  EXPECT_EQ(model.txtAz(1).Text(), " 151 ");
  EXPECT_EQ(model.txtTilt(1).Text(), " 45 ");
  EXPECT_EQ(model.PanelGeom(1).Azimuth, 151);
  EXPECT_EQ(model.PanelGeom(1).Tilt, 45);
  // A blank line and a line with two "/" leave their panels empty and not in use.
  for (int i : {2, 4}) {
    EXPECT_TRUE(model.txtAz(i).Text().isEmpty()) << i;
    EXPECT_TRUE(model.txtTilt(i).Text().isEmpty()) << i;
    EXPECT_TRUE(model.txtAOI(i).Text().isEmpty()) << i;
  }
  // "/45": azimuth 0, tilt 45, in use.
  EXPECT_EQ(model.txtAz(3).Text(), "");
  EXPECT_EQ(model.txtTilt(3).Text(), "45");
  EXPECT_FALSE(model.txtAOI(3).Text().isEmpty());
  // Line 7 is the last one read.
  EXPECT_EQ(model.txtAz(5).Text(), "331");
  EXPECT_EQ(model.txtTilt(5).Text(), "70");
}

TEST_F(StartUp, ShortSettingsFileEmptiesThePanels) {
  writeSettings("47.5\r\n8.25\r\n");
  form->frmHalvessa_Form_Load();
  EXPECT_EQ(model.txtLat.Text(), "47.5");
  EXPECT_EQ(model.txtLon.Text(), "8.25");
  for (int i = 1; i <= 5; ++i) {
    EXPECT_TRUE(model.txtAz(i).Text().isEmpty());
    EXPECT_TRUE(model.txtAOI(i).Text().isEmpty());
  }
  EXPECT_FALSE(model.txtSunAzimuth.Text().isEmpty());
}

TEST_F(StartUp, FolderNamedLikeTheSettingsFileKeepsDefaults) {
  ASSERT_TRUE(QDir().mkdir(settingsPath()));
  EXPECT_FALSE(form->FileExists(settingsPath()));
  form->frmHalvessa_Form_Load();
  EXPECT_EQ(model.txtLat.Text(), "46.205556");
  EXPECT_EQ(model.txtAz(3).Text(), "331");
  EXPECT_EQ(model.txtTilt(5).Text(), "70");
  EXPECT_FALSE(model.txtAOI(5).Text().isEmpty());
}

TEST_F(StartUp, LenientSiteValuesNeverStopStartUp) {
  // "46,2" reads as 46 and letters as 0; both compute.
  writeSettings("46,2\r\nsomewhere\r\n151/45\r\n");
  form->frmHalvessa_Form_Load();
  EXPECT_FALSE(model.txtSunElevation.Text().isEmpty());
  EXPECT_FALSE(model.txtAOI(1).Text().isEmpty());
  EXPECT_TRUE(model.message.Text().isEmpty());
}

TEST_F(StartUp, CalendarErrorInTheInstantViewIsReported) {
  // Lenient, but the time zone moves universal time out of the calendar.
  model.txtTz.setText(QStringLiteral("100000000"));
  form->frmHalvessa_Form_Load();
  EXPECT_FALSE(model.message.Text().isEmpty());
  EXPECT_TRUE(model.txtSunAzimuth.Text().isEmpty());
  for (int i = 1; i <= 5; ++i) EXPECT_TRUE(model.txtAOI(i).Text().isEmpty());
  // Start-up still armed the live clock.
  EXPECT_EQ(model.Timer1.Interval(), 60000);
  EXPECT_TRUE(model.Timer1.ticking());
}

TEST_F(StartUp, OverflowingLatitudeIsReportedNotShownAsNaN) {
  model.txtLat.setText(QStringLiteral("1e999"));
  form->frmHalvessa_Form_Load();
  EXPECT_TRUE(model.message.Text().startsWith("Latitude:")) << model.message.Text().toStdString();
  EXPECT_TRUE(model.txtLat.marked());
  EXPECT_TRUE(model.txtSunAzimuth.Text().isEmpty());
}

}  // namespace
}  // namespace halvessa::window::testing
