#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "window/form.h"
#include "window/form_model.h"
#include "window/qt/qt_platform.h"
#include "window/qt/qt_window.h"

namespace halvessa::window {
namespace {

class WindowTest : public ::testing::Test {
 protected:
  template <typename W = QWidget>
  W* child(const QString& name) {
    W* widget = window->findChild<W*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
  }
  QLineEdit* box(const QString& name) { return child<QLineEdit>(name); }
  void showAndActivate() {
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  FormModel model;
  std::unique_ptr<HalvessaWindow> window = std::make_unique<HalvessaWindow>(model);
};

TEST_F(WindowTest, ControlsStartAtTheirPlacesWithTheirDefaults) {
  using W = HalvessaWindow;
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Halvessa"));
  EXPECT_EQ(window->size(), QSize(602, W::kMenuHeight + 336 + W::kMessageHeight));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_EQ(box("txtAz3")->geometry(), QRect(81, 153, 40, 20));  // 15 twips to a pixel
  const struct { const char* name; int l, t, w, h; } layout[] = {
      {"txtTime", 3740, 240, 615, 315},          {"chkNow", 4460, 250, 735, 255},
      {"txtSunset", 7920, 240, 960, 285},        {"lblTz", 5280, 680, 1200, 285},
      {"txtSunElevation", 7920, 1080, 960, 285}, {"Panelchk3", 300, 2330, 225, 255},
      {"lblAOI2", 3960, 1905, 555, 300},         {"txtProd5", 6405, 3100, 700, 300},
      {"refresshInt", 7440, 3705, 360, 285},     {"Label4", 2160, 3960, 1215, 255},
      {"btnPause", 660, 4320, 1200, 400},        {"btnRunning", 660, 4320, 1200, 400}};
  for (const auto& c : layout) {
    EXPECT_EQ(child(c.name)->geometry(), QRect(W::Px(c.l), W::Px(c.t), W::Px(c.w), W::Px(c.h)))
        << c.name;
  }
  // 33 labels and the message area, 32 boxes, 7 check boxes, 4 buttons.
  EXPECT_EQ(window->findChildren<QLabel*>().size(), 34);
  EXPECT_EQ(window->findChildren<QLineEdit*>().size(), 32);
  EXPECT_EQ(window->findChildren<QCheckBox*>().size(), 7);
  EXPECT_EQ(window->findChildren<QPushButton*>().size(), 4);
  // Resume shown where Pause hides, panel check boxes hidden.
  EXPECT_TRUE(!child("btnRunning")->isHidden() && child("btnPause")->isHidden());
  for (int i = 1; i <= 5; ++i) {
    EXPECT_TRUE(child(QStringLiteral("Panelchk%1").arg(i))->isHidden()) << i;
    EXPECT_TRUE(box(QStringLiteral("txtProd%1").arg(i))->text().isEmpty()) << i;
  }
  EXPECT_TRUE(child<QCheckBox>("chkNow")->isChecked());
  EXPECT_EQ(box("txtAz3")->text() + ' ' + box("refresshInt")->text(), QStringLiteral("331 60"));
}

TEST_F(WindowTest, ModelWritesShowInTheWidgetsAndMarksAsARedFrame) {
  int changes = 0;
  model.txtSunAzimuth.onChange = [&] { ++changes; };
  model.txtSunAzimuth.setText(QStringLiteral("123.4"));
  EXPECT_EQ(box("txtSunAzimuth")->text(), QStringLiteral("123.4"));
  EXPECT_EQ(changes, 1);  // not echoed back by the widget
  model.btnRefresh.setCaption(QStringLiteral("Calculate"));
  EXPECT_EQ(child<QPushButton>("btnRefresh")->text(), QStringLiteral("Calculate"));
  model.btnPause.setVisible(true);
  model.btnRunning.setVisible(false);
  model.Panelchk(2).setVisible(true);
  model.chkNow.setValue(0);
  EXPECT_TRUE(!child("btnPause")->isHidden() && child("btnRunning")->isHidden());
  EXPECT_FALSE(child("Panelchk2")->isHidden() || child<QCheckBox>("chkNow")->isChecked());

  // Colours are stored red in the low byte: 0x0080FF is orange.
  model.txtProd(1).setBackColor(0x0080FF);
  model.txtProd(1).setForeColor(kWhite);
  EXPECT_EQ(box("txtProd1")->palette().color(QPalette::Base), QColor(255, 128, 0));
  EXPECT_EQ(box("txtProd1")->palette().color(QPalette::Text), QColor(255, 255, 255));
  EXPECT_EQ(box("txtProd2")->palette().color(QPalette::Base),
            box("txtLat")->palette().color(QPalette::Base));

  // A message carries the user's text: plain text, never markup.
  model.message.setText(QStringLiteral("Latitude: \"<b>x</b>\" is not a number."));
  EXPECT_EQ(window->messageArea()->text(), model.message.Text());
  EXPECT_EQ(window->messageArea()->textFormat(), Qt::PlainText);

  const auto edgeIsRed = [lat = box("txtLat")] {
    const QImage image = lat->grab().toImage();
    const QColor edge = image.pixelColor(1, image.height() / 2);
    return edge.red() > 180 && edge.green() < 60 && edge.blue() < 60;
  };
  EXPECT_FALSE(edgeIsRed());
  model.txtLat.setMarked(true);
  EXPECT_TRUE(edgeIsRed());
  model.txtLat.setMarked(false);
  EXPECT_FALSE(edgeIsRed());
}

TEST_F(WindowTest, UserActionsReachTheModel) {
  showAndActivate();
  QLineEdit* lat = box("txtLat");
  lat->setFocus();
  lat->selectAll();
  QTest::keyClicks(lat, QStringLiteral("12.5"));
  EXPECT_EQ(model.txtLat.Text(), QStringLiteral("12.5"));

  // Typing into a production box runs its Change, whose recolouring shows at once.
  int changes = 0;
  model.txtProd(3).onChange = [&] {
    ++changes;
    model.txtProd(3).setBackColor(kRed);
  };
  QLineEdit* prod = box("txtProd3");
  prod->setFocus();
  QTest::keyClicks(prod, QStringLiteral("0%"));
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(model.txtProd(3).Text(), QStringLiteral("0%"));
  EXPECT_EQ(prod->palette().color(QPalette::Base), QColor(255, 0, 0));
  prod->setCursorPosition(1);
  model.txtProd(3).setText(QStringLiteral("0%"));  // the same text leaves the cursor alone
  EXPECT_EQ(prod->cursorPosition(), 1);

  // A click on Now toggles the model and runs its Click once.
  int clicks = 0;
  model.chkNow.onClick = [&] { ++clicks; };
  auto* now = child<QCheckBox>("chkNow");
  now->click();
  EXPECT_TRUE(model.chkNow.Value() == 0 && clicks == 1);
  QTest::keyClick(now, Qt::Key_Space);
  EXPECT_TRUE(model.chkNow.Value() == 1 && clicks == 2 && now->isChecked());

  // An exception from a handler ends in the message area, not in Qt's event loop.
  model.btnSimulate.onClick = [] { throw std::out_of_range("index outside 1 to 5"); };
  QTest::mouseClick(child<QPushButton>("btnSimulate"), Qt::LeftButton);
  EXPECT_EQ(window->messageArea()->text(), QStringLiteral("index outside 1 to 5"));

  // Closed and destroyed, the window leaves the model usable.
  int closed = 0;
  window->onClosed = [&] { ++closed; };
  window->close();
  EXPECT_EQ(closed, 1);
  window.reset();
  model.txtSunrise.setText(QStringLiteral("06:00:00"));
  model.chkNow.setValue(0);
  EXPECT_FALSE(static_cast<bool>(model.txtSunrise.viewUpdate));
}

// Resume and Pause share one place: pressed from the keyboard, the focus passes from the one
// that hides to the one that shows, so the next key presses that one and not the jump box.
TEST_F(WindowTest, TheFocusFollowsTheRunButtonThatShows) {
  QtPlatform platform;
  Form form(model, platform);
  model.txtSunset.setText(QStringLiteral("21:14"));
  showAndActivate();
  auto* resume = child<QPushButton>("btnRunning");
  auto* pause = child<QPushButton>("btnPause");
  resume->setFocus();
  QTest::keyClick(resume, Qt::Key_Space);
  EXPECT_TRUE(model.IsRunning != 0 && pause->isVisible() && !resume->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), pause);
  QTest::keyClick(pause, Qt::Key_Return);  // Return presses it as Space does
  EXPECT_EQ(model.IsRunning, 0);
  EXPECT_EQ(QApplication::focusWidget(), resume);
  QTest::keyClick(resume, Qt::Key_Enter);
  EXPECT_EQ(QApplication::focusWidget(), pause);
  EXPECT_EQ(model.jump.Text(), QStringLiteral("10"));
}

TEST_F(WindowTest, TabOrderFollowsTheTableAndSkipsHiddenControls) {
  QStringList order;
  for (QWidget* w : window->tabOrder()) order << w->objectName();
  ASSERT_EQ(order.size(), 43);
  EXPECT_EQ(order.mid(0, 5), (QStringList{"txtLat", "txtLon", "txtTz", "txtAz1", "txtTilt1"}));
  EXPECT_EQ(order.mid(12, 5),
            (QStringList{"txtTilt5", "btnRefresh", "btnSimulate", "txtAOI1", "txtProd1"}));
  EXPECT_EQ(order.mid(31, 6),
            (QStringList{"chkNow", "Speed", "btnPause", "btnRunning", "jump", "refresshInt"}));
  EXPECT_EQ(order.back(), QStringLiteral("Solarchk"));

  // The Tab key passes over the hidden Pause button and panel boxes.
  showAndActivate();
  child("chkNow")->setFocus();
  QStringList walked;
  for (int i = 0; i < 7; ++i) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    walked << focus->objectName();
    QTest::keyClick(focus, Qt::Key_Tab);
  }
  EXPECT_EQ(walked, (QStringList{"chkNow", "Speed", "btnRunning", "jump", "refresshInt",
                                 "Solarchk", "txtLat"}));
}

}  // namespace
}  // namespace halvessa::window
