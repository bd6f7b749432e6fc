#include <tuple>

#include "geometry/module1.h"
#include "tests/window/form_fixture.h"

namespace halvessa::window::testing {
namespace {

using StartUp = FormTest;

TEST_F(StartUp, StateAtCreationAndAfterStartUpAt101542AndAtSecondZero) {
  EXPECT_TRUE(model.chkNow.Value() == 1 && model.btnRunning.Visible() && !model.btnPause.Visible());
  EXPECT_FALSE(model.Panelchk(1).Visible() || platform.msUntilNextTick());
  EXPECT_TRUE(model.txtSunAzimuth.Text().isEmpty());
  EXPECT_TRUE(model.Timer1.Enabled() && model.Timer1.Interval() == 0);  // attached but silent

  platform.setLocalTime(2025, 7, 24, 10, 15, 42, 700);
  form->frmHalvessa_Form_Load();
  EXPECT_EQ(model.txtDate.Text() + ' ' + model.txtTime.Text(), "2025-07-24 10:15");
  EXPECT_EQ(model.btnRefresh.Caption(), "Refresh");
  EXPECT_EQ(platform.starts, (std::vector<int>{18000, 60000}));
  // The instant view: the sun and the angles; no production, sunrise or sunset yet.
  EXPECT_TRUE(!model.txtSunAzimuth.Text().isEmpty() && model.txtSunrise.Text().isEmpty());
  for (int i = 1; i <= 5; ++i) {
    EXPECT_FALSE(model.txtAOI(i).Text().isEmpty()) << i;
    EXPECT_TRUE(model.txtProd(i).Text().isEmpty() && !model.txtProd(i).hasColours()) << i;
  }
  // The first tick comes 60 s after start-up, not at 10:16:00.
  platform.advance(59999);
  EXPECT_TRUE(platform.msUntilNextTick() == 1 && model.txtTime.Text() == "10:15");
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
  EXPECT_EQ(shown.join(' '), "189.0 63.3 28.1 16.2 44.1 50.3 91.6");
}

TEST_F(StartUp, SettingsFile) {
  // bytes (empty: no file); latitude; "azimuth/tilt" of the panels; the panels computed; the
  // message line
  const struct { QByteArray bytes; const char *lat, *panels, *inUse, *message; } cases[] = {
      {"", "46.205556", "151/45|151/20|331/20|151/70|331/70", "11111", ""},
      // A blank line and a line with two "/" leave their panels empty; line 7 is the last.
      {"47.5\r\n8.25\r\n 151 / 45 \r\n\r\n/45\r\n10/20/30\r\n331/70\r\n90/90\r\n", "47.5",
       " 151 / 45 |/|/45|/|331/70", "10101",
       "Kelvarine.ini: line 6 is not azimuth/tilt and was skipped."},
      {"46,2\r\nsomewhere\r\n151/45\r\n", "46,2", "151/45|/|/|/|/", "10000", ""},  // leniently
      {"1e999\r\n6\r\n151/45\r\n", "1e999", "151/45|/|/|/|/", "00000",
       "Latitude: \"1e999\" is outside -90 to 90."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes.toStdString());
    FormModel fresh;
    Form startUp(fresh, platform);
    QFile::remove("Kelvarine.ini");
    if (!c.bytes.isEmpty()) WriteFile("Kelvarine.ini", c.bytes);
    startUp.frmHalvessa_Form_Load();
    EXPECT_EQ(fresh.txtLat.Text(), c.lat);
    QStringList panels;
    QString inUse;
    for (int i = 1; i <= 5; ++i) {
      panels << fresh.txtAz(i).Text() + '/' + fresh.txtTilt(i).Text();
      inUse += fresh.txtAOI(i).Text().isEmpty() ? '0' : '1';
    }
    EXPECT_EQ(panels.join('|') + ' ' + inUse, QString(c.panels) + ' ' + c.inUse);
    EXPECT_EQ(fresh.message.Text(), c.message);
    EXPECT_EQ(fresh.txtSunElevation.Text().isEmpty(), c.inUse == std::string("00000"));
    EXPECT_TRUE(fresh.Timer1.ticking());  // the live clock starts whatever happened
  }
}

class LiveClock : public FormTest {
 protected:
  void startUp() {  // at 10:15:42: the first tick is due at 10:16:42
    platform.setLocalTime(2025, 7, 24, 10, 15, 42);
    form->frmHalvessa_Form_Load();
  }
};

TEST_F(LiveClock, CheckingNowComputesNothingAndTicksAtTheNextMinute) {
  for (const int second : {59, 0, 5}) {
    SCOPED_TRACE(second);
    startUp();
    model.chkNow.setValue(0);  // a program write runs the Click before it returns
    EXPECT_EQ(model.btnRefresh.Caption(), "Calculate");
    EXPECT_FALSE(model.Timer1.Enabled() || platform.msUntilNextTick());
    platform.setLocalTime(2025, 7, 24, 10, 20, second);
    model.txtSunset.setText("");
    const QString before = Results(model);
    model.chkNow.userClicked();
    EXPECT_EQ(model.btnRefresh.Caption(), "Refresh");
    EXPECT_EQ(platform.msUntilNextTick(), (60 - second) * 1000);
    platform.advance((60 - second) * 1000 - 1);
    EXPECT_EQ(Results(model), before);
    platform.advance(1);
    EXPECT_TRUE(model.txtTime.Text() == "10:21" && !model.txtSunset.Text().isEmpty());
    EXPECT_EQ(platform.msUntilNextTick(), 60000);
    const auto starts = platform.starts.size();
    model.chkNow.setValue(1);  // the same value runs nothing
    EXPECT_EQ(platform.starts.size(), starts);
  }
}

TEST_F(LiveClock, IntervalIsReadFromTheRefreshBoxAtEveryTick) {
  // ms 0: the timer stays enabled but silent
  for (const auto& [text, ms] :
       {std::pair{"2.5", 2500}, {"65.535", 65535}, {"0", 0}, {"-4e-4", 0}}) {
    SCOPED_TRACE(text);
    const auto next = ms ? std::optional<std::int64_t>(ms) : std::nullopt;
    startUp();
    model.refresshInt.setText(text);
    EXPECT_EQ(platform.msUntilNextTick(), 60000);  // the pending tick keeps the old interval
    platform.advance(60000);
    EXPECT_TRUE(model.Timer1.Interval() == ms && model.Timer1.Enabled());
    EXPECT_EQ(model.message.Text(), "");
    EXPECT_EQ(platform.msUntilNextTick(), next);
    platform.advance(ms);
    EXPECT_EQ(platform.msUntilNextTick(), next);
  }
}

TEST_F(LiveClock, BadRefreshIntervalIsReportedAndKeepsThePreviousOne) {
  for (const char* text : {"abc", "-1", "70", "1e308"}) {
    SCOPED_TRACE(text);
    startUp();
    model.refresshInt.setText("30");
    platform.advance(60000);  // 10:16:42, interval now 30000
    const QString before = Results(model);
    model.refresshInt.setText(text);
    platform.advance(30000);
    const QString quoted = QStringLiteral("Refresh interval (Update every (s)): \"%1\"").arg(text);
    EXPECT_EQ(messageHead(quoted), quoted);
    EXPECT_TRUE(model.refresshInt.marked());
    // Nothing else of the tick ran; live mode goes on at the previous interval.
    EXPECT_EQ(Results(model), before);
    EXPECT_TRUE(platform.msUntilNextTick() == 30000 && model.chkNow.Value() == 1);
    model.refresshInt.setText("20");
    platform.advance(30000);  // 10:17:42
    EXPECT_EQ(model.message.Text() + model.txtTime.Text(), "10:17");
    EXPECT_TRUE(!model.refresshInt.marked() && platform.msUntilNextTick() == 20000);
  }
}

TEST_F(LiveClock, TickWithNowUncheckedOrAfterClosingChangesNothing) {
  startUp();
  goManual();
  const QString before = Results(model);
  form->frmHalvessa_Timer1_Timer();
  EXPECT_TRUE(Results(model) == before && platform.starts.size() == 2u);
  model.chkNow.setValue(1);
  form->windowClosed();
  platform.advance(24LL * 3600 * 1000);
  form->frmHalvessa_Timer1_Timer();  // a tick already queued
  EXPECT_EQ(Results(model), before);
}

using Refresh = FormTest;

TEST_F(Refresh, GenevaTypedIn) {
  goManual();
  platform.setLocalTime(2031, 1, 1, 3, 0, 0);  // the clock plays no part
  int written = 0;  // at each angle written, the previous panel's box is already coloured
  for (int i = 2; i <= 5; ++i) {
    model.txtAOI(i).viewUpdate = [this, i, &written] {
      EXPECT_TRUE(model.txtProd(i - 1).hasColours()) << i;
      ++written;
    };
  }
  clickRefresh();
  EXPECT_EQ(written, 4);
  EXPECT_EQ(Results(model).section('|', 0, 15), "2025-07-24|14:00|189.0|63.3|06:08:13|21:14:53|"
                                                "28.1|83%|16.2|94%|44.1|61%|50.3|51%|91.6|0%");
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(model.txtProd(i).BackColor(), i < 5 ? kGreen : kRed) << i;
    EXPECT_EQ(model.txtProd(i).ForeColor(), i < 5 ? kBlack : kWhite) << i;
  }
  EXPECT_NEAR(model.PanelAOI(1), 28.099, 1e-3);  // unrounded
  EXPECT_NEAR(model.PanelProd(1), 82.852, 1e-3);

  // A panel is in use unless both its values are 0; one not in use keeps its results.
  auto panel = [this](int i) {
    return std::tuple(model.txtAOI(i).Text(), model.txtProd(i).Text(), model.PanelAOI(i),
                      model.PanelProd(i));
  };
  const auto panel2 = panel(2), panel4 = panel(4);
  model.txtAz(2).setText("");
  model.txtTilt(2).setText("");
  model.txtAz(4).setText("0");
  model.txtTilt(4).setText("zero");
  model.txtTilt(3).setText("0");  // flat: sees the sun at 90 minus its elevation
  clickRefresh();
  EXPECT_EQ(model.txtAOI(3).Text(), "26.7");
  EXPECT_TRUE(panel(2) == panel2 && panel(4) == panel4);
  EXPECT_TRUE(model.PanelGeom(4).Azimuth == 0 && model.PanelGeom(4).Tilt == 0);
}

TEST_F(Refresh, ProductionBoxColourFollowsItsText) {
  const struct { const char* text; Colour back, fore; } cases[] = {
      {"0%", kRed, kWhite}, {"", kRed, kWhite}, {"37", kGreen, kBlack}, {"abc", kRed, kWhite},
      {"0.4", kGreen, kBlack}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    model.txtProd(3).setText(c.text);     // coloured before setText returns
    model.txtProd(1).userEdited(c.text);  // the user's typing does the same
    for (int i : {1, 3}) {
      EXPECT_TRUE(model.txtProd(i).BackColor() == c.back && model.txtProd(i).ForeColor() == c.fore);
    }
    EXPECT_FALSE(model.txtProd(2).hasColours() || model.txtProd(4).hasColours());
  }
}

TEST_F(Refresh, BadInputChangesNothingAndIsReported) {
  form->frmHalvessa_Form_Load();
  platform.setLocalTime(2025, 7, 24, 18, 30, 37, 900);  // a live refresh would rewrite the time
  // typed: a moment typed in, computed with Now unchecked.
  const struct { TextBox FormModel::*box; const char* text; bool typed; const char* message; }
      cases[] = {
          {&FormModel::txtLat, "abc", false, "Latitude: \"abc\""},
          {&FormModel::txtLon, "6.1.5", false, "Longitude: \"6.1.5\""},
          {&FormModel::txtTz, "", false, "Time zone: \"\""},
          {&FormModel::txtLon, "1e306", false, "Longitude: \"1e306\" is outside -180 to 180."},
          {&FormModel::txtTz, "-24", false, "Time zone: \"-24\" is outside -23:59 to +23:59"},
          {&FormModel::txtTime, "25:00", true, "Time: \"25:00\""},
          {&FormModel::txtDate, "2025-13-01", true, "Date: \"2025-13-01\""},
          {&FormModel::txtDate, " ", true, "Date: \" \""},  // not the time alone, in 1899
          {&FormModel::txtDate, "15:00", true, "Date and time: \"15:00 14:00\""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TextBox& box = model.*c.box;
    model.chkNow.setValue(c.typed ? 0 : 1);
    const QString good = box.Text();
    box.setText(c.text);
    const QString before = Results(model);
    clickRefresh();
    EXPECT_TRUE(Results(model) == before && !model.message.Text().isEmpty());
    EXPECT_EQ(messageHead(c.message), c.message);
    EXPECT_TRUE(*c.message == 0 || box.marked());
    box.setText(good);
  }
  // The moment is in the calendar, its universal time is not: the zone is blamed.
  goManual();
  model.txtDate.setText("9999-12-31");
  model.txtTime.setText("23:30");
  model.txtTz.setText("-2");
  const QString before = Results(model);
  clickRefresh();
  EXPECT_EQ(model.message.Text(),
            "Time zone: the moment falls outside the years 100 to 9999 in universal time.");
  EXPECT_TRUE(model.txtTz.marked() && Results(model) == before);
  model.txtDate.setText("2025-07-24");
  model.txtTz.setText("2");
  // A good calculation clears the message and the mark, and takes the clock to the second.
  model.chkNow.setValue(1);
  clickRefresh();
  EXPECT_TRUE(model.message.Text().isEmpty() && !model.txtDate.marked());
  EXPECT_EQ(model.txtTime.Text(), "18:30");
  double azimuth = 0, elevation = 0;
  geometry::SunPosition(DateSerial(2025, 7, 24) + TimeSerial(18, 30, 37), 46.205556, 6.154444, 2,
                        azimuth, elevation);
  EXPECT_DOUBLE_EQ(model.PanelAOI(1), geometry::AngleOfIncidence(azimuth, elevation, 151, 45));
}

TEST_F(Refresh, CommaLocale) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  goManual();
  clickRefresh();  // the "." defaults still convert
  EXPECT_EQ(model.txtSunAzimuth.Text() + ' ' + model.txtAOI(1).Text(), "189,0 28,1");
  model.txtLat.setText("46,205556");  // the locale's own form
  model.txtSunAzimuth.setText("");
  clickRefresh();
  EXPECT_EQ(model.message.Text() + model.txtSunAzimuth.Text() + ' ' + model.txtSunElevation.Text(),
            "189,0 63,3");
}

// The present moment is the clock's universal instant expressed in the time zone of the box,
// whatever zone the computer is in; a zone name takes the zone's offset at that instant.
TEST_F(Refresh, NowIsThePresentInstantAtTheSite) {
  const struct { const char *zone, *date, *time, *elevation; } cases[] = {
      {"2", "2025-07-24", "14:00", "63.3"},             // 12:00 universal time
      {"0", "2025-07-24", "12:00", "63.3"},
      {"-10", "2025-07-24", "02:00", "63.3"},           // the site's date may differ
      {"Europe/Zurich", "2025-07-24", "14:00", "63.3"},
      {"Asia/Tokyo", "2025-07-24", "21:00", "63.3"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.zone);
    platform.setLocalTime(2025, 7, 24, 12, 0, 0, 0, 0);
    model.txtTz.setText(c.zone);
    clickRefresh();
    EXPECT_EQ(model.message.Text(), "");
    EXPECT_EQ(model.txtDate.Text() + ' ' + model.txtTime.Text() + ' ' + model.txtSunElevation.Text(),
              QString("%1 %2 %3").arg(c.date, c.time, c.elevation));
  }
  model.txtTz.setText("Mars/Olympus");
  const QString before = Results(model);
  clickRefresh();
  EXPECT_EQ(model.message.Text(),
            "Time zone: \"Mars/Olympus\" is neither hours nor a known time zone name.");
  EXPECT_TRUE(model.txtTz.marked() && Results(model) == before);
}

// With the sun at or below the horizon no panel produces, though its angle may be small.
TEST_F(Refresh, NoProductionWithTheSunDown) {
  goManual();
  model.txtTime.setText("22:30");
  clickRefresh();
  EXPECT_TRUE(model.txtSunElevation.Text().startsWith('-'));
  EXPECT_LT(model.PanelAOI(5), 90);  // panel 331/70 faces the light from below the horizon
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(model.txtProd(i).Text(), "0%") << i;
    EXPECT_EQ(model.PanelProd(i), 0) << i;
    EXPECT_EQ(model.txtProd(i).BackColor(), kRed) << i;
  }
}

// A lenient box whose text is not wholly a number says what was used; the calculation goes on.
TEST_F(Refresh, LenientBoxesSayWhatTheyRead) {
  goManual();
  const struct { TextBox FormModel::*box; const char *text, *message; } cases[] = {
      {nullptr, "", ""},
      {&FormModel::jump, "abc", ""},  // the calculation does not read the jump
      {&FormModel::Speed, " 45% ", ""},
  };
  for (const auto& c : cases) {
    if (c.box) (model.*c.box).setText(c.text);
    clickRefresh();
    EXPECT_EQ(model.message.Text(), c.message) << c.text;
  }
  model.txtTilt(1).setText("45,9");
  model.txtAz(2).setText(" 151 ");
  model.txtAz(3).setText("east");
  clickRefresh();
  EXPECT_EQ(model.message.Text(),
            "Tilt1: \"45,9\" is read as 45. Az3: \"east\" holds no number; 0 is used.");
  EXPECT_EQ(model.txtAOI(1).Text(), "28.1");  // computed with 45
  EXPECT_FALSE(model.txtTilt(1).marked());
  model.txtTilt(1).setText("45");
  model.txtAz(3).setText("331%");
  clickRefresh();
  EXPECT_EQ(model.message.Text(), "");
}

}  // namespace
}  // namespace halvessa::window::testing
