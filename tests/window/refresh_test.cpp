#include <tuple>

#include "geometry/module1.h"
#include "tests/window/form_fixture.h"

namespace halvessa::window::testing {
namespace {

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
  EXPECT_NEAR(model.PanelAOI(1), 28.099, 1e-3);
  EXPECT_NEAR(model.PanelProd(1), 82.852, 1e-3);
  EXPECT_NEAR(model.PanelAOI(5), 91.573, 1e-3);
  EXPECT_EQ(model.PanelProd(5), 0.0);

  // A panel is in use unless both its values are 0; one not in use keeps its results.
  auto panel = [this](int i) {
    return std::tuple(model.txtAOI(i).Text(), model.txtProd(i).Text(), model.PanelAOI(i),
                      model.PanelProd(i));
  };
  const auto panel2 = panel(2);
  const auto panel4 = panel(4);
  model.txtAz(2).setText("");
  model.txtTilt(2).setText("");
  model.txtAz(4).setText("0");
  model.txtTilt(4).setText("zero");
  model.txtTilt(3).setText("0");  // flat: sees the sun at 90 minus its elevation
  clickRefresh();
  EXPECT_EQ(model.txtAOI(3).Text(), "26.7");
  EXPECT_EQ(panel(2), panel2);
  EXPECT_EQ(panel(4), panel4);
  EXPECT_TRUE(model.PanelGeom(4).Azimuth == 0 && model.PanelGeom(4).Tilt == 0);
}

TEST_F(Refresh, ProductionBoxColourFollowsItsText) {
  struct Case { const char* text; Colour back, fore; };
  const Case cases[] = {{"0%", kRed, kWhite}, {"", kRed, kWhite}, {"37", kGreen, kBlack},
                        {"abc", kRed, kWhite}, {"0.4", kGreen, kBlack}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    model.txtProd(3).setText(c.text);     // coloured before setText returns
    model.txtProd(1).userEdited(c.text);  // the user's typing does the same
    for (int i : {1, 3}) {
      EXPECT_EQ(model.txtProd(i).BackColor(), c.back) << i;
      EXPECT_EQ(model.txtProd(i).ForeColor(), c.fore) << i;
    }
    EXPECT_FALSE(model.txtProd(2).hasColours() || model.txtProd(4).hasColours());
  }
}

TEST_F(Refresh, BadInputChangesNothingAndIsReported) {
  form->frmHalvessa_Form_Load();
  platform.setLocalTime(2025, 7, 24, 18, 30, 37, 900);  // a live refresh would rewrite the time
  // typed: a moment typed in, computed with Now unchecked.
  struct Case { TextBox FormModel::*box; const char* text; bool typed; const char* message; };
  const Case cases[] = {
      {&FormModel::txtLat, "abc", false, "Latitude: \"abc\""},
      {&FormModel::txtLon, "6.1.5", false, "Longitude: \"6.1.5\""},
      {&FormModel::txtTz, "", false, "Time zone: \"\""},
      // The sun computes, but sunrise falls outside the calendar: nothing is half-written.
      {&FormModel::txtLon, "1e306", false, ""},
      {&FormModel::txtTime, "25:00", true, "Time: \"25:00\""},
      {&FormModel::txtDate, "2025-13-01", true, "Date: \"2025-13-01\""},
      {&FormModel::txtDate, " ", true, "Date: \" \""},  // not the time alone, in 1899
      {&FormModel::txtDate, "15:00", true, "Date and time: \"15:00 14:00\""},  // not together
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TextBox& box = model.*c.box;
    model.chkNow.setValue(c.typed ? 0 : 1);
    const QString good = box.Text();
    box.setText(c.text);
    const QString before = Results(model);
    clickRefresh();
    EXPECT_EQ(Results(model), before);
    EXPECT_FALSE(model.message.Text().isEmpty());
    EXPECT_EQ(messageHead(c.message), c.message);
    EXPECT_TRUE(*c.message == 0 || box.marked());
    box.setText(good);
  }
  // A good calculation clears the message and the mark, and takes the clock to the second.
  model.chkNow.setValue(1);
  clickRefresh();
  EXPECT_TRUE(model.message.Text().isEmpty());
  EXPECT_FALSE(model.txtDate.marked());
  EXPECT_EQ(model.txtTime.Text(), "18:30");
  double azimuth = 0;
  double elevation = 0;
  geometry::SunPosition(DateSerial(2025, 7, 24) + TimeSerial(18, 30, 37), 46.205556, 6.154444, 2,
                        azimuth, elevation);
  EXPECT_DOUBLE_EQ(model.PanelAOI(1), geometry::AngleOfIncidence(azimuth, elevation, 151, 45));
}

TEST_F(Refresh, CommaLocale) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  goManual();
  clickRefresh();  // the "." defaults still convert
  EXPECT_EQ(model.txtSunAzimuth.Text(), "189,0");
  EXPECT_EQ(model.txtAOI(1).Text(), "28,1");
  EXPECT_EQ(model.txtProd(1).Text(), "83%");

  model.txtLat.setText("46,205556");  // the locale's own form
  model.txtSunAzimuth.setText("");
  clickRefresh();
  EXPECT_EQ(model.message.Text(), "");
  EXPECT_EQ(model.txtSunAzimuth.Text() + ' ' + model.txtSunElevation.Text(), "189,0 63,3");
}

}  // namespace
}  // namespace halvessa::window::testing
