// The menu bar and the day and year views on the offscreen platform: the window grows
// downward only, the client area stays as it is, the views show the model, the exports write
// whole files or say why not.
#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLegendMarker>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "tests/window/fake_platform.h"
#include "window/form.h"
#include "window/qt/qt_window.h"
#include "window/qt/views_section.h"

namespace halvessa::window {
namespace {

class ViewsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    platform.setLocalTime(2025, 7, 24, 14, 0, 0);
  }
  // The place of every control of the client area, relative to it.
  std::map<QString, QRect> clientLayout() const {
    std::map<QString, QRect> at;
    for (QWidget* w : window->clientArea()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      at[w->objectName()] = w->geometry();
    }
    at["clientArea"] = window->clientArea()->geometry();
    return at;
  }
  void calculate(const QString& date, const QString& time) {
    model.chkNow.setValue(0);
    model.txtDate.setText(date);
    model.txtTime.setText(time);
    model.btnRefresh.userClicked();
  }
  // Serves the event loop until the year's search has ended (10 s at most).
  bool yearDone() {
    QElapsedTimer clock;
    clock.start();
    while (window->views().yearBusy() && clock.elapsed() < 10000) {
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return !window->views().yearBusy();
  }
  ViewsSection& views() { return window->views(); }

  testing::FakePlatform platform;
  FormModel model;
  Form form{model, platform};
  std::unique_ptr<HalvessaWindow> window = std::make_unique<HalvessaWindow>(model);
};

TEST_F(ViewsWindowTest, TheWindowGrowsDownwardAndTheClientAreaStays) {
  using W = HalvessaWindow;
  const int closed = W::kMenuHeight + 336 + W::kMessageHeight;
  EXPECT_EQ(window->size(), QSize(602, closed));
  EXPECT_EQ(window->windowTitle(), "Halvessa");
  EXPECT_EQ(views().menuBar()->geometry(), QRect(0, 0, 602, W::kMenuHeight));
  EXPECT_EQ(views().dayWidget(), nullptr);  // no chart made before it is asked for
  const std::map<QString, QRect> before = clientLayout();
  EXPECT_EQ(before.size(), 78u);  // 76 controls, the message line and the area itself
  EXPECT_EQ(before.at("txtAz3"), QRect(81, 153, 40, 20));

  views().dayAction()->trigger();
  EXPECT_TRUE(views().dayOpen() && views().dayAction()->isChecked());
  const int withDay = window->height();
  EXPECT_GT(withDay, closed);
  EXPECT_EQ(views().dayWidget()->geometry().top(), closed);
  views().yearAction()->trigger();
  EXPECT_GT(window->height(), withDay);
  EXPECT_EQ(window->width(), 602);
  EXPECT_EQ(views().yearWidget()->geometry().top(), withDay);
  EXPECT_EQ(clientLayout(), before);
  EXPECT_TRUE(yearDone());

  views().dayAction()->trigger();
  EXPECT_EQ(views().yearWidget()->geometry().top(), closed);
  views().setYearOpen(false);
  EXPECT_EQ(window->size(), QSize(602, closed));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_EQ(clientLayout(), before);
}

TEST_F(ViewsWindowTest, TheDayViewShowsTheDayOfTheLastCalculation) {
  model.txtAz(3).setText("0");
  model.txtTilt(3).setText("0");
  calculate("2025-06-21", "10:00");
  views().setDayOpen(true);
  QChart* chart = views().dayChart()->chart();
  EXPECT_EQ(chart->title(), "2025-06-21");
  QStringList legend;
  for (QAbstractSeries* s : chart->series()) {
    if (!s->name().isEmpty()) legend << s->name();
  }
  EXPECT_EQ(legend.join(", "), "Sun elevation, Panel 1 (151/45), Panel 2 (151/20), "
                               "Panel 4 (151/70), Panel 5 (331/70)");
  QTableWidget* table = views().dayTable();
  ASSERT_EQ(table->rowCount(), 4);
  EXPECT_EQ(table->item(2, 0)->text(), "Panel 4 (151/70)");
  const DayChart& day = *views().model().day.chart();
  EXPECT_EQ(table->item(0, 2)->text(), QString::number(day.rows[0].irradiation, 'f', 2));

  // Polar night.
  model.txtLat.setText("-80");
  calculate("2025-06-21", "10:00");
  EXPECT_EQ(chart->title(), "2025-06-21: the sun stays below the horizon all day");
}

TEST_F(ViewsWindowTest, TheYearShowsTheBestOrientationAndEachPanelsShare) {
  calculate("2025-03-01", "12:00");
  views().setYearOpen(true);
  EXPECT_TRUE(views().yearBusy());
  EXPECT_FALSE(views().yearWidget()->findChild<QWidget*>("yearBusy")->isHidden());
  ASSERT_TRUE(yearDone());
  const QString figures = views().yearWidget()->findChild<QLabel*>("yearFigures")->text();
  EXPECT_TRUE(figures.contains("Panel 3 gets ")) << figures.toStdString();
  EXPECT_TRUE(figures.contains("Best orientation ")) << figures.toStdString();
  EXPECT_TRUE(views().yearWidget()->findChild<QWidget*>("yearBusy")->isHidden());

  // Closing the window while a search runs waits for nothing long and leaves no thread.
  model.txtLat.setText("60");
  calculate("2025-03-01", "12:00");
  window.reset();
}

TEST_F(ViewsWindowTest, ExportsWriteWholeFilesOrSayWhyNot) {
  QTemporaryDir dir;
  QString chosen;
  views().chooseFile = [&chosen](const QString&, const QString&, const QString&) { return chosen; };
  calculate("2025-07-24", "12:00");
  QMenu* file = views().menuBar()->actions()[0]->menu();
  const auto run = [&](int item, const QString& name) {  // the file's bytes, or none
    chosen = dir.filePath(name);
    file->actions()[item]->trigger();
    QFile f(chosen);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  EXPECT_EQ(run(0, "day.csv").count("\r\n"), 1 + 288);
  EXPECT_EQ(model.message.Text(), "Day written to \"day.csv\".");
  EXPECT_EQ(run(0, "nowhere/day.csv"), "");
  EXPECT_TRUE(model.message.Text().startsWith("Cannot write \"day.csv\": "));
  EXPECT_EQ(run(1, "day.png"), "");
  EXPECT_TRUE(model.message.Text().startsWith("Cannot write \"day.png\": open the day"));
  views().setDayOpen(true);
  EXPECT_TRUE(run(1, "day.png").startsWith("\x89PNG"));
  EXPECT_TRUE(run(1, "day.svg").contains("<svg"));
  EXPECT_EQ(run(1, "day.bmp"), "");
  EXPECT_EQ(model.message.Text(), "Cannot write \"day.bmp\": the name must end in .png or .svg");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);
}

}  // namespace
}  // namespace halvessa::window
