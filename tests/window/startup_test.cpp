#include "tests/window/form_fixture.h"

namespace halvessa::window::testing {
namespace {

using StartUp = FormTest;

TEST_F(StartUp, StateAtCreationAndAfterStartUpAt101542AndAtSecondZero) {
  EXPECT_TRUE(model.chkNow.Value() == 1 && model.btnRunning.Visible() && !model.btnPause.Visible());
  EXPECT_FALSE(model.Panelchk(1).Visible());
  EXPECT_TRUE(model.txtSunAzimuth.Text().isEmpty());
  // Timer1 is enabled at Interval 0: attached but silent.
  EXPECT_TRUE(model.Timer1.Enabled() && model.Timer1.Interval() == 0);
  EXPECT_FALSE(platform.msUntilNextTick());

  platform.setLocalTime(2025, 7, 24, 10, 15, 42, 700);
  form->frmHalvessa_Form_Load();
  EXPECT_EQ(model.txtDate.Text() + ' ' + model.txtTime.Text(), "2025-07-24 10:15");
  EXPECT_EQ(model.IsRunning, 0);
  EXPECT_EQ(model.btnRefresh.Caption(), "Refresh");
  EXPECT_EQ(platform.starts, (std::vector<int>{18000, 60000}));
  // The instant view: the sun and the angles; no production, sunrise or sunset yet.
  EXPECT_FALSE(model.txtSunAzimuth.Text().isEmpty());
  EXPECT_TRUE(model.txtSunrise.Text().isEmpty());
  for (int i = 1; i <= 5; ++i) {
    EXPECT_FALSE(model.txtAOI(i).Text().isEmpty()) << i;
    EXPECT_TRUE(model.txtProd(i).Text().isEmpty() && !model.txtProd(i).hasColours()) << i;
  }
  // The first tick comes 60 s after start-up, not at 10:16:00.
  platform.advance(59999);
  EXPECT_EQ(platform.msUntilNextTick(), 1);
  EXPECT_EQ(model.txtTime.Text(), "10:15");
  platform.advance(1);
  EXPECT_EQ(model.txtTime.Text(), "10:16");
  EXPECT_FALSE(model.txtSunrise.Text().isEmpty() || model.txtProd(1).Text().isEmpty());

  // At second 0 the first interval is a full minute. 14:00:00 is the worked example.
  platform.starts.clear();
  platform.setLocalTime(2025, 7, 24, 14, 0, 0);
  form->frmHalvessa_Form_Load();
  EXPECT_EQ(platform.starts, (std::vector<int>{60000, 60000}));
  QStringList shown{model.txtSunAzimuth.Text(), model.txtSunElevation.Text()};
  for (int i = 1; i <= 5; ++i) shown << model.txtAOI(i).Text();
  EXPECT_EQ(shown, QStringList({"189.0", "63.3", "28.1", "16.2", "44.1", "50.3", "91.6"}));
}

TEST_F(StartUp, SettingsFile) {
  const char* defaults = "151/45|151/20|331/20|151/70|331/70";
  struct Case {
    QByteArray bytes;  // empty: no file; "/": a folder of that name
    const char* lat;
    const char* panels;  // "azimuth/tilt" of each panel's boxes
    const char* inUse;   // the panels whose angle is shown
  };
  const Case cases[] = {
      {"", "46.205556", defaults, "11111"},
      // A blank line and a line with two "/" leave their panels empty; line 7 is the last.
      {"47.5\r\n8.25\r\n 151 / 45 \r\n\r\n/45\r\n10/20/30\r\n331/70\r\n90/90\r\n", "47.5",
       " 151 / 45 |/|/45|/|331/70", "10101"},
      {"47.5\r\n8.25\r\n", "47.5", "/|/|/|/|/", "00000"},
      // Read leniently: "46,2" is 46, letters 0.
      {"46,2\r\nsomewhere\r\n151/45\r\n", "46,2", "151/45|/|/|/|/", "10000"},
      // Reported, never shown as NaN.
      {"1e999\r\n6\r\n151/45\r\n", "1e999", "151/45|/|/|/|/", "00000"},
      {"/", "46.205556", defaults, "11111"},
  };
  const QString name = QStringLiteral("Kelvarine.ini");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes.toStdString());
    FormModel fresh;
    Form startUp(fresh, platform);
    QFile::remove(name);
    if (c.bytes == "/") {
      ASSERT_TRUE(QDir().mkdir(name));
    } else if (!c.bytes.isEmpty()) {
      writeFile(name, c.bytes);
    }
    startUp.frmHalvessa_Form_Load();
    EXPECT_EQ(fresh.txtLat.Text(), c.lat);
    QStringList panels;
    QString inUse;
    for (int i = 1; i <= 5; ++i) {
      panels << fresh.txtAz(i).Text() + '/' + fresh.txtTilt(i).Text();
      inUse += fresh.txtAOI(i).Text().isEmpty() ? '0' : '1';
    }
    EXPECT_EQ(panels.join('|'), c.panels);
    EXPECT_EQ(inUse, c.inUse);
    const bool computes = fresh.message.Text().isEmpty();
    EXPECT_EQ(computes, c.lat != std::string("1e999")) << fresh.message.Text().toStdString();
    EXPECT_EQ(fresh.txtSunElevation.Text().isEmpty(), !computes);
    EXPECT_TRUE(fresh.Timer1.ticking());  // the live clock starts whatever happened
  }
}

}  // namespace
}  // namespace halvessa::window::testing
