#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "window/form_model.h"
#include "window/qt_window.h"

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

QRect Twips(int l, int t, int w, int h) {
  using W = HalvessaWindow;
  return {W::Px(l), W::Px(t), W::Px(w), W::Px(h)};
}

TEST_F(WindowTest, ControlsStandAtTheirPlacesInAFixedWindow) {
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Halvessa"));
  EXPECT_EQ(window->size(), QSize(602, 336 + HalvessaWindow::kMessageHeight));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_EQ(window->messageArea()->geometry(), QRect(0, 336, 602, HalvessaWindow::kMessageHeight));

  EXPECT_EQ(box("txtAz3")->geometry(), QRect(81, 153, 40, 20));
  EXPECT_EQ(child("txtTime")->geometry(), Twips(3740, 240, 615, 315));
  EXPECT_EQ(child("chkNow")->geometry(), Twips(4460, 250, 735, 255));
  EXPECT_EQ(child("Panelchk3")->geometry(), Twips(300, 2330, 225, 255));
  EXPECT_EQ(child("lblAOI2")->geometry(), Twips(3960, 1905, 555, 300));
  EXPECT_EQ(child("txtProd5")->geometry(), Twips(6405, 3100, 700, 300));
  EXPECT_EQ(child("refresshInt")->geometry(), Twips(7440, 3705, 360, 285));
  EXPECT_EQ(child("btnPause")->geometry(), child("btnRunning")->geometry());
  EXPECT_EQ(child("Label4")->geometry(), Twips(2160, 3960, 1215, 255));

  // 33 labels and the message area, 32 boxes, 7 check boxes, 4 buttons.
  EXPECT_EQ(window->findChildren<QLabel*>().size(), 34);
  EXPECT_EQ(window->findChildren<QLineEdit*>().size(), 32);
  EXPECT_EQ(window->findChildren<QCheckBox*>().size(), 7);
  EXPECT_EQ(window->findChildren<QPushButton*>().size(), 4);
}

TEST_F(WindowTest, CaptionsFitTheirLabelsAndBoxesHoldTheirTexts) {
  EXPECT_EQ(child<QLabel>("lblLat")->text(), QStringLiteral("Latitude (°):"));
  EXPECT_EQ(child<QLabel>("Label4")->text(), QStringLiteral("       1 - 30"));
  EXPECT_TRUE(child<QCheckBox>("Panelchk1")->text().isEmpty());
  EXPECT_EQ(child("Solarchk")->toolTip(), QStringLiteral("Log solar positions"));
  EXPECT_EQ(child("Panelchk4")->toolTip(), QStringLiteral("Log this panel"));
  EXPECT_TRUE(box("txtProd2")->font().bold());
  EXPECT_FALSE(box("jump")->font().bold());

  for (QLabel* label : window->findChildren<QLabel*>()) {
    if (label == window->messageArea()) continue;
    const QRect ink = label->fontMetrics().tightBoundingRect(label->text());
    EXPECT_LT(ink.right(), label->width()) << label->objectName().toStdString();
    EXPECT_LE(ink.height(), label->height()) << label->objectName().toStdString();
  }
  QLineEdit* date = box("txtDate");
  EXPECT_LT(date->fontMetrics().horizontalAdvance(QStringLiteral("2025-07-24")), date->width() - 6);
  QLineEdit* sunrise = box("txtSunrise");
  EXPECT_LT(sunrise->fontMetrics().horizontalAdvance(QStringLiteral("23:59:59")),
            sunrise->width() - 6);
}

TEST_F(WindowTest, StartsWithTheStoredDefaults) {
  EXPECT_FALSE(child("btnRunning")->isHidden());
  EXPECT_TRUE(child("btnPause")->isHidden());
  for (int i = 1; i <= 5; ++i) {
    EXPECT_TRUE(child(QStringLiteral("Panelchk%1").arg(i))->isHidden());
    EXPECT_TRUE(box(QStringLiteral("txtAOI%1").arg(i))->text().isEmpty());
  }
  EXPECT_TRUE(child<QCheckBox>("chkNow")->isChecked());
  EXPECT_EQ(box("txtAz3")->text(), QStringLiteral("331"));
  EXPECT_EQ(box("refresshInt")->text(), QStringLiteral("60"));
}

TEST_F(WindowTest, ModelWritesShowInTheWidgets) {
  int changes = 0;
  model.txtSunAzimuth.onChange = [&] { ++changes; };
  model.txtSunAzimuth.setText(QStringLiteral("123.4"));
  EXPECT_EQ(box("txtSunAzimuth")->text(), QStringLiteral("123.4"));
  EXPECT_EQ(changes, 1);  // the model's own event, not a second one echoed by the widget

  model.btnRefresh.setCaption(QStringLiteral("Calculate"));
  EXPECT_EQ(child<QPushButton>("btnRefresh")->text(), QStringLiteral("Calculate"));
  model.btnPause.setVisible(true);
  model.btnRunning.setVisible(false);
  EXPECT_FALSE(child("btnPause")->isHidden());
  EXPECT_TRUE(child("btnRunning")->isHidden());
  model.Panelchk(2).setVisible(true);
  EXPECT_FALSE(child("Panelchk2")->isHidden());
  model.chkNow.setValue(0);
  EXPECT_FALSE(child<QCheckBox>("chkNow")->isChecked());

  // Colours are stored red in the low byte: 0x0080FF is orange.
  model.txtProd(1).setBackColor(0x0080FF);
  model.txtProd(1).setForeColor(kWhite);
  EXPECT_EQ(box("txtProd1")->palette().color(QPalette::Base), QColor(255, 128, 0));
  EXPECT_EQ(box("txtProd1")->palette().color(QPalette::Text), QColor(255, 255, 255));
  EXPECT_EQ(box("txtProd2")->palette().color(QPalette::Base),
            box("txtLat")->palette().color(QPalette::Base));

  // Messages carry the user's text: shown as plain text, never as markup.
  model.message.setText(QStringLiteral("Latitude: \"<b>x</b>\" is not a number."));
  EXPECT_EQ(window->messageArea()->text(), model.message.Text());
  EXPECT_EQ(window->messageArea()->textFormat(), Qt::PlainText);
}

TEST_F(WindowTest, ALongMessageIsShortenedWithTheWholeTextInItsToolTip) {
  const QString longText = QStringLiteral("Time: \"%1\" is not a time.").arg(QString(300, '9'));
  model.message.setText(longText);
  QLabel* message = window->messageArea();
  EXPECT_LE(message->fontMetrics().horizontalAdvance(message->text()),
            message->contentsRect().width());
  EXPECT_EQ(message->toolTip(), longText);
  model.message.setText(QStringLiteral("Short."));
  EXPECT_EQ(message->text(), QStringLiteral("Short."));
  EXPECT_TRUE(message->toolTip().isEmpty());
}

TEST_F(WindowTest, TypingReachesTheModelAndRunsTheProductionChange) {
  showAndActivate();
  QLineEdit* lat = box("txtLat");
  lat->setFocus();
  lat->selectAll();
  QTest::keyClicks(lat, QStringLiteral("12.5"));
  EXPECT_EQ(model.txtLat.Text(), QStringLiteral("12.5"));

  int changes = 0;
  model.txtProd(3).onChange = [&] {
    ++changes;
    model.txtProd(3).setBackColor(kRed);  // as the window's own handler answers
  };
  QLineEdit* prod = box("txtProd3");
  prod->setFocus();
  QTest::keyClicks(prod, QStringLiteral("0%"));
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(model.txtProd(3).Text(), QStringLiteral("0%"));
  EXPECT_EQ(prod->palette().color(QPalette::Base), QColor(255, 0, 0));

  // The model rewriting the same text while the user types leaves the cursor alone.
  prod->setCursorPosition(1);
  model.txtProd(3).setText(QStringLiteral("0%"));
  EXPECT_EQ(prod->cursorPosition(), 1);
}

TEST_F(WindowTest, UserClickOnNowTogglesTheModelAndRunsItsClickOnce) {
  showAndActivate();
  int clicks = 0;
  model.chkNow.onClick = [&] { ++clicks; };
  auto* now = child<QCheckBox>("chkNow");
  QStyleOptionButton option;
  option.initFrom(now);
  const QRect indicator = now->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, now);
  QTest::mouseClick(now, Qt::LeftButton, Qt::NoModifier, indicator.center());
  EXPECT_EQ(model.chkNow.Value(), 0);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(now->isChecked());
  QTest::keyClick(now, Qt::Key_Space);
  EXPECT_EQ(model.chkNow.Value(), 1);
  EXPECT_EQ(clicks, 2);
  EXPECT_TRUE(now->isChecked());
}

TEST_F(WindowTest, TheModelDecidesACheckBoxValue) {
  // A Click handler that puts the value back: the widget follows the model, not the click.
  bool undoing = false;
  model.Solarchk.onClick = [&] {
    if (undoing) return;
    undoing = true;
    model.Solarchk.setValue(0);
    undoing = false;
  };
  child<QCheckBox>("Solarchk")->click();
  EXPECT_EQ(model.Solarchk.Value(), 0);
  EXPECT_FALSE(child<QCheckBox>("Solarchk")->isChecked());
}

TEST_F(WindowTest, AButtonHandlersExceptionEndsInTheMessageArea) {
  int refreshes = 0;
  model.btnRefresh.onClick = [&] { ++refreshes; };
  QTest::mouseClick(child<QPushButton>("btnRefresh"), Qt::LeftButton);
  EXPECT_EQ(refreshes, 1);
  model.btnSimulate.onClick = [] { throw std::out_of_range("index outside 1 to 5"); };
  QTest::mouseClick(child<QPushButton>("btnSimulate"), Qt::LeftButton);
  EXPECT_EQ(window->messageArea()->text(), QStringLiteral("index outside 1 to 5"));
}

TEST_F(WindowTest, AMarkedBoxShowsARedFrameUntilUnmarked) {
  QLineEdit* lat = box("txtLat");
  const auto edgeIsRed = [lat] {
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

  // Walking with the Tab key passes over the hidden Pause button and panel boxes.
  showAndActivate();
  box("txtLat")->setFocus();
  QStringList walked;
  for (int i = 0; i < 40; ++i) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    walked << focus->objectName();
    QTest::keyClick(focus, Qt::Key_Tab);
  }
  const int now = walked.indexOf("chkNow");
  ASSERT_GE(now, 0);
  EXPECT_EQ(walked.mid(now, 7), (QStringList{"chkNow", "Speed", "btnRunning", "jump",
                                             "refresshInt", "Solarchk", "txtLat"}));
}

TEST_F(WindowTest, ClosingCallsOnClosedAndLaterModelWritesAreHarmless) {
  showAndActivate();
  int closed = 0;
  window->onClosed = [&] { ++closed; };
  window->close();
  EXPECT_EQ(closed, 1);
  model.txtSunrise.setText(QStringLiteral("05:58:12"));
  EXPECT_EQ(box("txtSunrise")->text(), QStringLiteral("05:58:12"));

  window.reset();  // the model outlives the window: its hooks must lead nowhere now
  model.txtSunrise.setText(QStringLiteral("06:00:00"));
  model.chkNow.setValue(0);
  model.message.setText(QStringLiteral("x"));
  EXPECT_FALSE(static_cast<bool>(model.txtSunrise.viewUpdate));
}

}  // namespace
}  // namespace halvessa::window
