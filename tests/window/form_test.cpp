// The expected sun and panel texts are worked out by expected_steps.py.
#include <tuple>

#include "tests/window/form_fixture.h"

namespace halvessa::window::testing {
namespace {

using StartUp = FormTest;

TEST_F(StartUp, AtSecond42AndAtSecondZero) {
  platform.setLocalTime(2025, 7, 24, 10, 15, 42, 700);
  form->frmHalvessa_Form_Load();
  EXPECT_EQ(model.txtDate.Text() + ' ' + model.txtTime.Text(), "2025-07-24 10:15");
  EXPECT_EQ(platform.starts, (std::vector<int>{18000, 60000}));
  // The instant view: the sun and the angles; no production, sunrise or sunset yet.
  EXPECT_TRUE(!model.txtAOI(5).Text().isEmpty() && model.txtSunrise.Text().isEmpty());
  // The first tick comes 60 s after start-up, not at 10:16:00.
  platform.advance(59999);
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
  EXPECT_EQ(shown.join(' '), "189.0 63.3 28.1 16.2 44.1 50.3 91.6");
}

TEST_F(StartUp, TheSettingsFileFillsTheBoxesAndItsNoticeComesAfterAnError) {
  // bytes; "lat lon"; "azimuth/tilt" of the panels; the panels computed; the message line
  const struct { QByteArray bytes; const char *site, *panels, *inUse, *message; } cases[] = {
      // Read leniently: "46,2" is 46. A blank line and a line with two "/" leave panels empty.
      {"46,2\r\n8.25\r\n 151 / 45 \r\n\r\n/45\r\n10/20/30\r\n331/70\r\n90/90\r\n", "46,2 8.25",
       " 151 / 45 |/|/45|/|331/70", "10101",
       "Kelvarine.ini: line 6 is not azimuth/tilt and was skipped."},
      {"1e999\r\n6\r\n151/45\r\nx/y/z\r\n", "1e999 6", "151/45|/|/|/|/", "00000",
       "Latitude: \"1e999\" is outside -90 to 90."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.site);
    model.message.setText("");
    WriteFile("Kelvarine.ini", c.bytes);
    form->frmHalvessa_Form_Load();
    QStringList panels;
    QString inUse;
    for (int i = 1; i <= 5; ++i) {
      panels << model.txtAz(i).Text() + '/' + model.txtTilt(i).Text();
      inUse += model.txtAOI(i).Text().isEmpty() ? '0' : '1';
      model.txtAOI(i).setText("");
    }
    EXPECT_EQ(model.txtLat.Text() + ' ' + model.txtLon.Text(), c.site);
    EXPECT_EQ(panels.join('|') + ' ' + inUse, QString(c.panels) + ' ' + c.inUse);
    EXPECT_EQ(model.message.Text(), c.message);
    EXPECT_TRUE(model.Timer1.ticking());  // the live clock starts whatever happened
  }
}

class LiveClock : public FormTest {
 protected:
  void startUp() {  // at 10:15:42: the first tick is due at 10:16:42
    platform.setLocalTime(2025, 7, 24, 10, 15, 42);
    form->frmHalvessa_Form_Load();
  }
};

TEST_F(LiveClock, NowOffStopsTheClockNowOnTicksAtTheNextMinuteAndClosingStopsIt) {
  startUp();
  model.chkNow.setValue(0);  // a program write runs the Click before it returns
  EXPECT_EQ(model.btnRefresh.Caption(), "Calculate");
  EXPECT_FALSE(model.Timer1.Enabled() || platform.msUntilNextTick());
  QString before = Results(model);
  form->frmHalvessa_Timer1_Timer();  // a tick already queued does nothing with Now off
  EXPECT_TRUE(Results(model) == before && platform.starts.size() == 2u);
  platform.setLocalTime(2025, 7, 24, 10, 20, 59);
  model.txtSunset.setText("");
  before = Results(model);
  model.chkNow.userClicked();
  EXPECT_EQ(model.btnRefresh.Caption(), "Refresh");
  EXPECT_EQ(platform.msUntilNextTick(), 1000);
  EXPECT_EQ(Results(model), before);  // nothing is computed before the tick
  platform.advance(1000);
  EXPECT_TRUE(model.txtTime.Text() == "10:21" && !model.txtSunset.Text().isEmpty());
  EXPECT_EQ(platform.msUntilNextTick(), 60000);
  form->windowClosed();
  before = Results(model);
  platform.advance(24LL * 3600 * 1000);
  form->frmHalvessa_Timer1_Timer();  // a tick already queued
  EXPECT_TRUE(Results(model) == before && !platform.msUntilNextTick());
}

TEST_F(LiveClock, EachTickReadsItsIntervalAndABadOneKeepsThePrevious) {
  // text; the interval taken, or -1 for the start of the message. 0 ms: enabled but silent.
  const std::pair<const char*, int> cases[] = {
      {"2.5", 2500}, {"65.535", 65535}, {"0", 0}, {"-4e-4", 0}, {"abc", -1}, {"-1", -1},
      {"70", -1}};
  for (const auto& [text, ms] : cases) {
    SCOPED_TRACE(text);
    startUp();
    const QString before = Results(model);
    model.refresshInt.setText(text);
    platform.advance(60000);  // the tick at 10:16:42
    EXPECT_EQ(model.refresshInt.marked(), ms < 0);
    if (ms >= 0) {
      EXPECT_TRUE(model.message.Text().isEmpty() && model.Timer1.Enabled());
      EXPECT_EQ(model.Timer1.Interval(), ms);
      EXPECT_EQ(platform.msUntilNextTick(), ms ? std::optional<std::int64_t>(ms) : std::nullopt);
      continue;
    }
    // Nothing else of the tick ran; live mode goes on at the previous interval.
    const QString quoted = QStringLiteral("Refresh interval (Update every (s)): \"%1\"").arg(text);
    EXPECT_TRUE(model.message.Text().startsWith(quoted)) << model.message.Text().toStdString();
    EXPECT_EQ(Results(model), before);
    EXPECT_TRUE(platform.msUntilNextTick() == 60000 && model.chkNow.Value() == 1);
    model.refresshInt.setText("20");
    platform.advance(60000);  // 10:17:42
    EXPECT_EQ(model.message.Text() + model.txtTime.Text(), "10:17");
    EXPECT_TRUE(!model.refresshInt.marked() && platform.msUntilNextTick() == 20000);
  }
}

using Refresh = FormTest;

TEST_F(Refresh, GenevaTypedIn) {
  model.chkNow.setValue(0);
  platform.setLocalTime(2031, 1, 1, 3, 0, 0);  // the clock plays no part
  model.btnRefresh.userClicked();
  EXPECT_EQ(Results(model).section('|', 0, 15), "2025-07-24|14:00|189.0|63.3|06:08:13|21:14:53|"
                                                "28.1|83%|16.2|94%|44.1|61%|50.3|51%|91.6|0%");
  EXPECT_NEAR(model.PanelAOI(1), 28.099, 1e-3);  // unrounded
  EXPECT_NEAR(model.PanelProd(1), 82.852, 1e-3);

  // A panel is in use unless both its values are 0; one not in use keeps its results. A box
  // not wholly a number says what was used, and the calculation goes on.
  auto panel = [this](int i) {
    return std::tuple(model.txtAOI(i).Text(), model.txtProd(i).Text(), model.PanelAOI(i),
                      model.PanelProd(i));
  };
  const auto panel2 = panel(2), panel4 = panel(4);
  model.txtTilt(1).setText("45,9");
  model.txtAz(2).setText("");
  model.txtTilt(2).setText("");
  model.txtTilt(3).setText("0");  // flat: sees the sun at 90 minus its elevation
  model.txtAz(4).setText("none");
  model.txtTilt(4).setText("0,0");
  model.txtAz(5).setText(" 331% ");
  model.btnRefresh.userClicked();
  EXPECT_EQ(model.message.Text(), "Tilt1: \"45,9\" is read as 45. Az4: \"none\" holds no number; 0 "
                                  "is used. Tilt4: \"0,0\" is read as 0.");
  EXPECT_EQ(model.txtAOI(1).Text() + ' ' + model.txtAOI(3).Text(), "28.1 26.7");
  EXPECT_TRUE(panel(2) == panel2 && panel(4) == panel4 && !model.txtTilt(1).marked());
  EXPECT_TRUE(model.PanelGeom(4).Azimuth == 0 && model.PanelGeom(4).Tilt == 0);

  // With the sun at or below the horizon no panel produces, though its angle may be small.
  model.txtTime.setText("22:30");
  model.btnRefresh.userClicked();
  EXPECT_EQ(model.txtSunElevation.Text() + ' ' + model.txtAOI(5).Text(), "-11.1 34.9");
  for (int i : {1, 3, 5}) {
    EXPECT_TRUE(model.txtProd(i).Text() == "0%" && model.PanelProd(i) == 0) << i;
  }
}

TEST_F(Refresh, ProductionBoxColourFollowsItsText) {
  const struct { const char* text; Colour back, fore; } cases[] = {
      {"0%", kRed, kWhite}, {"37", kGreen, kBlack}, {"abc", kRed, kWhite}, {"0.4", kGreen, kBlack}};
  for (const auto& c : cases) {
    model.txtProd(3).setText(c.text);  // coloured before setText returns
    EXPECT_TRUE(model.txtProd(3).BackColor() == c.back && model.txtProd(3).ForeColor() == c.fore)
        << c.text;
  }
}

TEST_F(Refresh, BadInputChangesNothingAndIsReported) {
  form->frmHalvessa_Form_Load();
  platform.setLocalTime(2025, 7, 24, 18, 30, 37, 900);  // a live refresh would rewrite the time
  // typed: a moment typed in, computed with Now unchecked.
  const struct { TextBox FormModel::*box; const char* text; bool typed; const char* message; }
      cases[] = {
          {&FormModel::txtLat, "abc", false, "Latitude: \"abc\" is not a number."},
          {&FormModel::txtTz, "", false, "Time zone: \"\" is neither hours nor a known"},
          {&FormModel::txtLon, "1e306", false, "Longitude: \"1e306\" is outside -180 to 180."},
          {&FormModel::txtTz, "-24", false, "Time zone: \"-24\" is outside -23:59 to +23:59"},
          {&FormModel::txtTime, "25:00", true, "Time: \"25:00\" is not a date or time."},
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
    model.btnRefresh.userClicked();
    EXPECT_EQ(Results(model), before);
    EXPECT_TRUE(model.message.Text().startsWith(c.message)) << model.message.Text().toStdString();
    EXPECT_TRUE(box.marked());
    box.setText(good);
  }
  // The moment is in the calendar, its universal time is not: the zone is blamed.
  model.chkNow.setValue(0);
  model.txtDate.setText("9999-12-31");
  model.txtTime.setText("23:30");
  model.txtTz.setText("-2");
  const QString before = Results(model);
  model.btnRefresh.userClicked();
  EXPECT_EQ(model.message.Text(),
            "Time zone: the moment falls outside the years 100 to 9999 in universal time.");
  EXPECT_TRUE(model.txtTz.marked() && Results(model) == before);
  // The sunrise of the first day of the calendar falls before it: the date is blamed.
  model.txtDate.setText("0100-01-01");
  model.txtTime.setText("12:00");
  model.txtTz.setText("-12");
  const QString typed = Results(model);
  model.btnRefresh.userClicked();
  EXPECT_EQ(model.message.Text(), "Date: the sunrise or sunset of this day falls outside the "
                                  "years 100 to 9999.");
  EXPECT_TRUE(model.txtDate.marked() && !model.txtTz.marked() && Results(model) == typed);
  // A good calculation clears the message and the mark, and takes the clock to the second.
  model.txtDate.setText("2025-07-24");
  model.txtTz.setText("2");
  model.chkNow.setValue(1);
  model.btnRefresh.userClicked();
  EXPECT_TRUE(model.message.Text().isEmpty() && !model.txtDate.marked());
  EXPECT_EQ(model.txtTime.Text(), "18:30");
  EXPECT_NEAR(model.PanelAOI(1), 90.76601031515493, 1e-9);  // 90.681 at 18:30:00
}

TEST_F(Refresh, CommaLocale) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  model.chkNow.setValue(0);
  model.btnRefresh.userClicked();  // the "." defaults still convert
  EXPECT_EQ(model.txtSunAzimuth.Text() + ' ' + model.txtAOI(1).Text(), "189,0 28,1");
  model.txtLat.setText("46,205556");  // the locale's own form
  model.txtSunAzimuth.setText("");
  model.btnRefresh.userClicked();
  EXPECT_EQ(model.message.Text() + model.txtSunAzimuth.Text() + ' ' + model.txtSunElevation.Text(),
            "189,0 63,3");
}

// The present moment is the clock's universal instant expressed in the time zone of the box,
// whatever zone the computer is in; a zone name takes the zone's offset at that instant.
TEST_F(Refresh, NowIsThePresentInstantAtTheSite) {
  for (const auto& [zone, shown] : {std::pair{"-10", "2025-07-24 02:00 63.3"},  // 12:00 UT
                                    {"Asia/Tokyo", "2025-07-24 21:00 63.3"}}) {
    platform.setLocalTime(2025, 7, 24, 12, 0, 0, 0, 0);
    model.txtTz.setText(zone);
    model.btnRefresh.userClicked();
    EXPECT_EQ(model.message.Text() + model.txtDate.Text() + ' ' + model.txtTime.Text() + ' ' +
                  model.txtSunElevation.Text(),
              shown);
  }
}

}  // namespace
}  // namespace halvessa::window::testing
