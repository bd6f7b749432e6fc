// The System dialog shows the settings it is given and gives back what its fields hold; its
// fields take only values within their ranges; its Open… button puts the chosen file.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "window/qt/system_dialog.h"

namespace halvessa::window {
namespace {

TEST(SystemDialogTest, ShowsAndGivesTheSettingsWithinTheirRanges) {
  SystemSettings s;
  s.kwp = {4, 2.5, 1, 1, 0.3};
  s.options.module = energy::Module::thinFilm;
  s.options.mount = energy::Mount::roof;
  s.options.lossesPercent = 10;
  s.options.oneInverter = true;
  s.transposition = pipeline::Transposition::isotropic;
  s.weatherFile = QStringLiteral("/data/pvgis.csv");
  SystemDialog dialog(s);
  EXPECT_EQ(dialog.kwpBox(1)->value(), 2.5);
  EXPECT_EQ(dialog.moduleBox()->currentText(), "Thin film (-0.20 %/C)");
  EXPECT_TRUE(dialog.oneInverterBox()->isChecked());
  EXPECT_EQ(dialog.weatherBox()->text(), "/data/pvgis.csv");
  const SystemSettings same = dialog.settings();
  EXPECT_EQ(same.kwp, s.kwp);
  EXPECT_TRUE(same.options.module == s.options.module && same.options.mount == s.options.mount &&
              same.transposition == s.transposition && same.options.oneInverter);
  EXPECT_EQ(same.options.lossesPercent, 10);
  EXPECT_EQ(same.horizonFile, "");

  dialog.lossesBox()->setValue(150);  // held to 99
  dialog.kwpBox(4)->setValue(0);      // held above 0
  dialog.dcAcBox()->setValue(1.35);
  dialog.chooseFile = [](const QString&, const QString&) { return QStringLiteral("/data/hills.csv"); };
  QList<QPushButton*> opens;
  for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
    if (b->text() == "Open…") opens << b;
  }
  ASSERT_EQ(opens.size(), 2);
  opens[1]->click();  // the horizon's
  for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
    if (b->text() == "None" && b->accessibleName().startsWith("Open weather")) b->click();
  }
  const SystemSettings changed = dialog.settings();
  EXPECT_EQ(changed.options.lossesPercent, 99);
  EXPECT_GT(changed.kwp[4], 0);
  EXPECT_EQ(changed.options.dcAcRatio, 1.35);
  EXPECT_EQ(changed.horizonFile, "/data/hills.csv");
  EXPECT_EQ(changed.weatherFile, "");
}

}  // namespace
}  // namespace halvessa::window
