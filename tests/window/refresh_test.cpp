#include <QStringList>

#include "geometry/module1.h"
#include "text/convert.h"
#include "tests/window/form_fixture.h"

namespace halvessa::window::testing {
namespace {

using Refresh = FormTest;

const char* const kAoi[] = {"28.1", "16.2", "44.1", "50.3", "91.6"};
const char* const kProd[] = {"83%", "94%", "61%", "51%", "0%"};

void ExpectGeneva(const FormModel& m) {
  EXPECT_EQ(m.txtSunAzimuth.Text(), "189.0");
  EXPECT_EQ(m.txtSunElevation.Text(), "63.3");
  EXPECT_EQ(m.txtSunrise.Text(), "06:08:13");
  EXPECT_EQ(m.txtSunset.Text(), "21:14:53");
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(m.txtAOI(i).Text(), kAoi[i - 1]) << i;
    EXPECT_EQ(m.txtProd(i).Text(), kProd[i - 1]) << i;
  }
}

TEST_F(Refresh, GenevaTypedIn) {
  goManual();
  EXPECT_EQ(model.btnRefresh.Caption(), "Calculate");
  platform.setLocalTime(2031, 1, 1, 3, 0, 0);  // the clock plays no part
  clickRefresh();

  ExpectGeneva(model);
  EXPECT_EQ(model.txtDate.Text(), "2025-07-24");
  EXPECT_EQ(model.txtTime.Text(), "14:00");
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(model.txtProd(i).BackColor(), kGreen) << i;
    EXPECT_EQ(model.txtProd(i).ForeColor(), kBlack) << i;
  }
  EXPECT_EQ(model.txtProd(5).BackColor(), kRed);
  EXPECT_EQ(model.txtProd(5).ForeColor(), kWhite);
  EXPECT_NEAR(model.PanelAOI(1), 28.099, 1e-3);
  EXPECT_NEAR(model.PanelProd(1), 82.852, 1e-3);
  EXPECT_NEAR(model.PanelAOI(5), 91.573, 1e-3);
  EXPECT_EQ(model.PanelProd(5), 0.0);
  EXPECT_EQ(form->AOIToProduction(60), geometry::AOIToProduction(60));
}

TEST_F(Refresh, ResultsAreWrittenInOrder) {
  goManual();
  QStringList writes;
  auto watch = [&writes](TextBox& box, const QString& name) {
    box.viewUpdate = [&writes, &box, name, last = box.Text()]() mutable {
      if (box.Text() == last) return;  // a colour change, not a write of the text
      last = box.Text();
      writes << name;
    };
  };
  watch(model.txtSunAzimuth, "azimuth");
  watch(model.txtSunElevation, "elevation");
  watch(model.txtSunrise, "sunrise");
  watch(model.txtSunset, "sunset");
  for (int i = 1; i <= 5; ++i) {
    watch(model.txtAOI(i), QStringLiteral("aoi%1").arg(i));
    watch(model.txtProd(i), QStringLiteral("prod%1").arg(i));
  }
  // Each production write colours its box before the next panel is computed.
  int coloured = 0;
  for (int i = 1; i <= 5; ++i) {
    model.txtProd(i).onChange = [this, i, &coloured, &writes] {
      form->frmHalvessa_txtProd_Change(i);
      EXPECT_EQ(writes.last(), QStringLiteral("prod%1").arg(i));
      ++coloured;
    };
  }
  clickRefresh();
  EXPECT_EQ(writes, QStringList({"azimuth", "elevation", "sunrise", "sunset", "aoi1", "prod1",
                                 "aoi2", "prod2", "aoi3", "prod3", "aoi4", "prod4", "aoi5",
                                 "prod5"}));
  EXPECT_EQ(coloured, 5);
}

TEST_F(Refresh, PanelsNotInUseKeepTheirResults) {
  goManual();
  clickRefresh();
  const Results before = Results::Of(model);

  model.txtAz(2).setText("");
  model.txtTilt(2).setText("");
  model.txtAz(4).setText("0");
  model.txtTilt(4).setText("zero");
  model.txtTime.setText("16:00");
  clickRefresh();

  EXPECT_NE(model.txtSunAzimuth.Text(), before.sunAzimuth);
  for (int i : {2, 4}) {
    const auto k = static_cast<std::size_t>(i - 1);
    EXPECT_EQ(model.txtAOI(i).Text(), before.aoi[k]) << i;
    EXPECT_EQ(model.txtProd(i).Text(), before.prod[k]) << i;
    EXPECT_EQ(model.PanelAOI(i), before.panelAoi[k]) << i;
    EXPECT_EQ(model.PanelProd(i), before.panelProd[k]) << i;
    EXPECT_EQ(model.PanelGeom(i).Azimuth, 0.0) << i;
    EXPECT_EQ(model.PanelGeom(i).Tilt, 0.0) << i;
  }
  EXPECT_NE(model.txtAOI(1).Text(), before.aoi[0]);
}

TEST_F(Refresh, PanelInUseWhenEitherValueIsNonzero) {
  goManual();
  model.txtAz(1).setText("0");
  model.txtTilt(1).setText("30");
  model.txtAz(2).setText("151");
  model.txtTilt(2).setText("0");
  model.txtAz(3).setText("151 degrees");
  model.txtTilt(3).setText("45");
  clickRefresh();
  EXPECT_FALSE(model.txtAOI(1).Text().isEmpty());
  // A flat panel sees the sun at 90 minus its elevation, whatever its azimuth.
  EXPECT_EQ(model.txtAOI(2).Text(), "26.7");
  // "151 degrees" reads as 151: the same as the stored first panel, 151/45.
  EXPECT_EQ(model.txtAOI(3).Text(), "28.1");
  EXPECT_EQ(model.PanelGeom(3).Azimuth, 151.0);
}

TEST_F(Refresh, ProductionBoxColourFollowsItsText) {
  struct Case {
    const char* text;
    Colour back;
    Colour fore;
  };
  const Case cases[] = {{"0%", kRed, kWhite},  {"", kRed, kWhite},     {"37", kGreen, kBlack},
                        {"-3%", kGreen, kBlack}, {"abc", kRed, kWhite}, {"0.4", kGreen, kBlack}};
  for (const Case& c : cases) {
    // A program write colours member 3 before setText returns, and no other member.
    model.txtProd(3).setText(QString::fromLatin1(c.text));
    EXPECT_EQ(model.txtProd(3).BackColor(), c.back) << c.text;
    EXPECT_EQ(model.txtProd(3).ForeColor(), c.fore) << c.text;
    EXPECT_FALSE(model.txtProd(2).hasColours());
    EXPECT_FALSE(model.txtProd(4).hasColours());
  }
  // The user's typing does the same.
  model.txtProd(1).userEdited(QStringLiteral("37"));
  EXPECT_EQ(model.txtProd(1).BackColor(), kGreen);
  model.txtProd(1).userEdited(QString());
  EXPECT_EQ(model.txtProd(1).BackColor(), kRed);
  EXPECT_EQ(model.txtProd(1).ForeColor(), kWhite);
}

TEST_F(Refresh, LiveModeUsesTheClockToTheSecond) {
  form->frmHalvessa_Form_Load();
  model.txtDate.setText("1999-01-01");
  model.txtTime.setText("03:00");
  platform.setLocalTime(2025, 7, 24, 14, 0, 37, 900);
  clickRefresh();

  EXPECT_EQ(model.txtDate.Text(), "2025-07-24");
  EXPECT_EQ(model.txtTime.Text(), "14:00");
  // The moment is 14:00:37: the fraction of a second is dropped, the seconds are kept.
  const double moment = DateSerial(2025, 7, 24) + TimeSerial(14, 0, 37);
  double azimuth = 0;
  double elevation = 0;
  geometry::SunPosition(moment, 46.205556, 6.154444, 2, azimuth, elevation);
  EXPECT_DOUBLE_EQ(model.PanelAOI(1), geometry::AngleOfIncidence(azimuth, elevation, 151, 45));
}

TEST_F(Refresh, BadInputChangesNothingAndIsReported) {
  form->frmHalvessa_Form_Load();
  platform.setLocalTime(2025, 7, 24, 18, 30, 0);  // a live refresh would rewrite the time
  struct Case {
    TextBox* box;
    QString text;
    QString messageStart;
  };
  const Case cases[] = {
      {&model.txtLat, "abc", "Latitude: \"abc\""},
      {&model.txtLon, "6.1.5", "Longitude: \"6.1.5\""},
      {&model.txtTz, "", "Time zone: \"\""},
  };
  for (const Case& c : cases) {
    const QString good = c.box->Text();
    const Results before = Results::Of(model);
    c.box->setText(c.text);
    clickRefresh();
    EXPECT_EQ(Results::Of(model), before) << c.messageStart.toStdString();
    EXPECT_TRUE(model.message.Text().startsWith(c.messageStart))
        << model.message.Text().toStdString();
    EXPECT_TRUE(c.box->marked());
    c.box->setText(good);
  }

  // The sun's position computes, but sunrise would fall outside the calendar: still nothing
  // is written.
  const Results before = Results::Of(model);
  model.txtLon.setText("1e306");
  clickRefresh();
  EXPECT_EQ(Results::Of(model), before);
  EXPECT_FALSE(model.message.Text().isEmpty());
  model.txtLon.setText("6.154444");

  // The window stays usable: a good calculation clears the message and the mark.
  clickRefresh();
  EXPECT_TRUE(model.message.Text().isEmpty());
  EXPECT_FALSE(model.txtTz.marked());
  EXPECT_EQ(model.txtTime.Text(), "18:30");
}

TEST_F(Refresh, BadTypedMomentMarksTheBoxAtFault) {
  goManual();
  const Results before = Results::Of(model);

  model.txtTime.setText("25:00");
  clickRefresh();
  EXPECT_TRUE(model.message.Text().startsWith("Time: \"25:00\""))
      << model.message.Text().toStdString();
  EXPECT_TRUE(model.txtTime.marked());
  EXPECT_FALSE(model.txtDate.marked());

  model.txtTime.setText("14:00");
  model.txtDate.setText("2025-13-01");
  clickRefresh();
  EXPECT_TRUE(model.message.Text().startsWith("Date: \"2025-13-01\""))
      << model.message.Text().toStdString();
  EXPECT_TRUE(model.txtDate.marked());
  EXPECT_FALSE(model.txtTime.marked());

  // Each converts alone, but not together: the pair is named.
  model.txtDate.setText("15:00");
  clickRefresh();
  EXPECT_TRUE(model.message.Text().startsWith("Date and time: \"15:00 14:00\""))
      << model.message.Text().toStdString();
  EXPECT_EQ(Results::Of(model).sunAzimuth, before.sunAzimuth);
  EXPECT_EQ(Results::Of(model).aoi, before.aoi);

  // In range locally, but universal time falls before year 100.
  model.txtDate.setText("0100-01-01");
  model.txtTime.setText("00:30");
  clickRefresh();
  EXPECT_FALSE(model.message.Text().isEmpty());
  EXPECT_TRUE(model.txtSunAzimuth.Text().isEmpty());
  EXPECT_TRUE(model.PanelAOI(1) == 0.0);

  model.txtDate.setText("2025-07-24");
  model.txtTime.setText("14:00");
  clickRefresh();
  EXPECT_TRUE(model.message.Text().isEmpty());
  EXPECT_FALSE(model.txtDate.marked());
  ExpectGeneva(model);
}

TEST_F(Refresh, CommaLocale) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

  // The plain "." defaults still convert.
  goManual();
  clickRefresh();
  EXPECT_EQ(model.txtSunAzimuth.Text(), "189,0");
  EXPECT_EQ(model.txtSunElevation.Text(), "63,3");
  EXPECT_EQ(model.txtAOI(1).Text(), "28,1");
  EXPECT_EQ(model.txtProd(1).Text(), "83%");
  EXPECT_EQ(model.txtSunrise.Text(), "06:08:13");

  // The locale's own form works for the strict conversion...
  model.txtLat.setText("46,205556");
  model.txtSunAzimuth.setText("");
  clickRefresh();
  EXPECT_TRUE(model.message.Text().isEmpty()) << model.message.Text().toStdString();
  EXPECT_EQ(model.txtSunAzimuth.Text(), "189,0");
  EXPECT_EQ(model.txtSunElevation.Text(), "63,3");

  // ...while start-up's lenient parse stops at the comma and reads 46.
  model.chkNow.setValue(1);
  form->frmHalvessa_Form_Load();
  double azimuth = 0;
  double elevation = 0;
  geometry::SunPosition(DateSerial(2025, 7, 24) + TimeSerial(14, 0, 0), 46, 6.154444, 2, azimuth,
                        elevation);
  EXPECT_EQ(model.txtSunElevation.Text(), text::FormatOneDecimal(elevation));
  EXPECT_EQ(model.PanelAOI(1), geometry::AngleOfIncidence(azimuth, elevation, 151, 45));
}

}  // namespace
}  // namespace halvessa::window::testing
