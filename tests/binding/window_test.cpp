// The window on the offscreen platform: model and widgets in step both ways, the keyboard, the
// controls at their places with the day and year views open or closed below the client area,
// the views' charts and table, and the exports, which write whole files or say why not; the
// platform on Qt's clock, timers and event loop.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QBarSeries>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCompleter>
#include <QDateTime>
#include <QElapsedTimer>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLegendMarker>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QDoubleSpinBox>
#include <QSettings>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QValueAxis>
#include <sys/stat.h>

#include <cerrno>
#include <map>
#include <stdexcept>
#include <utility>

#include "files/save_file.h"
#include "tests/window/form_fixture.h"
#include "window/qt/qt_platform.h"
#include "window/qt/qt_window.h"
#include "window/qt/sky_view.h"
#include "window/qt/system_dialog.h"
#include "window/qt/views_section.h"

namespace halvessa::window {
namespace {

// The window on the model of a form on the fake platform.
class WindowTest : public testing::FormTest {
 protected:
  template <typename W = QWidget>
  W* child(const QString& name) {
    W* widget = window->findChild<W*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
  }
  void showAndActivate() {
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
  // The place of the client area and of every control in it, relative to it.
  std::map<QString, QRect> clientLayout() const {
    std::map<QString, QRect> at{{"clientArea", window->clientArea()->geometry()}};
    for (QWidget* w : window->clientArea()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      at[w->objectName()] = w->geometry();
    }
    return at;
  }
  ViewsSection& views() { return window->views(); }
  // Exports through the File menu's item (0: the day's CSV, 1: the chart) onto name: the message.
  QString exportAs(int item, const QString& name) {
    views().chooseFile = [name](const QString&, const QString&, const QString&) { return name; };
    model.message.setText("");
    const QString text = item == 0 ? "Export day as CSV…" : "Export chart…";
    for (QAction* action : views().menuBar()->actions()[0]->menu()->actions()) {
      if (action->text() == text) action->trigger();
    }
    return model.message.Text();
  }

  std::unique_ptr<HalvessaWindow> window = std::make_unique<HalvessaWindow>(model);
};

TEST_F(WindowTest, ModelAndWidgetsStayInStep) {
  showAndActivate();
  model.btnRefresh.setCaption("Calculate");
  EXPECT_EQ(child<QPushButton>("btnRefresh")->text(), "Calculate");
  model.Panelchk(2).setVisible(true);
  model.chkNow.setValue(0);
  EXPECT_FALSE(child("Panelchk2")->isHidden() || child<QCheckBox>("chkNow")->isChecked());
  // A message carries the user's text: plain text, never markup.
  model.message.setText("Latitude: \"<b>x</b>\" is not a number.");
  EXPECT_EQ(window->messageArea()->text(), model.message.Text());
  EXPECT_EQ(window->messageArea()->textFormat(), Qt::PlainText);
  // A box that failed to convert shows a red frame.
  auto* lat = child<QLineEdit>("txtLat");
  for (const bool marked : {false, true, false}) {
    model.txtLat.setMarked(marked);
    const QColor edge = lat->grab().toImage().pixelColor(1, lat->height() / 2);
    EXPECT_EQ(edge.red() > 180 && edge.green() < 60 && edge.blue() < 60, marked);
  }

  // Typing into a production box runs its Change, whose recolouring shows at once. Colours
  // are stored red in the low byte: 0x0080FF is orange.
  int changes = 0;
  model.txtProd(3).onChange = [&] {
    ++changes;
    model.txtProd(3).setBackColor(0x0080FF);
    model.txtProd(3).setForeColor(kWhite);
  };
  auto* prod = child<QLineEdit>("txtProd3");
  prod->setFocus();
  QTest::keyClicks(prod, "0%");
  EXPECT_EQ(model.txtProd(3).Text() + ' ' + QString::number(changes), "0% 2");
  EXPECT_EQ(prod->palette().color(QPalette::Base), QColor(255, 128, 0));
  EXPECT_EQ(prod->palette().color(QPalette::Text), QColor(255, 255, 255));
  model.txtProd(3).setText("12%");  // shown, and not echoed back as a second Change
  EXPECT_EQ(prod->text() + ' ' + QString::number(changes), "12% 3");
  prod->setCursorPosition(1);
  model.txtProd(3).setText("12%");  // the same text leaves the cursor alone
  EXPECT_EQ(prod->cursorPosition(), 1);

  // A click on Now, then the space bar, toggle the model and run its Click once each.
  int clicks = 0;
  model.chkNow.onClick = [&] { ++clicks; };
  auto* now = child<QCheckBox>("chkNow");
  now->click();
  QTest::keyClick(now, Qt::Key_Space);
  EXPECT_TRUE(model.chkNow.Value() == 0 && clicks == 2 && !now->isChecked());

  // An exception from a handler ends in the message area, not in Qt's event loop.
  model.btnSimulate.onClick = [] { throw std::out_of_range("index outside 1 to 5"); };
  QTest::mouseClick(child<QPushButton>("btnSimulate"), Qt::LeftButton);
  EXPECT_EQ(window->messageArea()->text(), "index outside 1 to 5");

  // Closed and destroyed, the window leaves the model usable.
  int closed = 0;
  window->onClosed = [&] { ++closed; };
  window->close();
  EXPECT_EQ(closed, 1);
  window.reset();
  model.txtSunrise.setText("06:00:00");
  EXPECT_FALSE(static_cast<bool>(model.txtSunrise.viewUpdate));
}

// Tab follows the table's order and passes over the hidden Pause button and panel boxes.
// Resume and Pause share one place: pressed from the keyboard, the focus passes from the one
// that hides to the one that shows, so the next key presses that one and not the jump box.
TEST_F(WindowTest, TheKeyboardFollowsTheTabOrderAndTheRunButtonThatShows) {
  QStringList order;
  for (QWidget* w : window->tabOrder()) order << w->objectName();
  EXPECT_EQ(order.join(' '),
            "txtLat txtLon txtTz txtAz1 txtTilt1 txtAz2 txtTilt2 txtAz3 txtTilt3 txtAz4 txtTilt4 "
            "txtAz5 txtTilt5 btnRefresh btnSimulate txtAOI1 txtProd1 txtAOI2 txtProd2 txtAOI3 "
            "txtProd3 txtAOI4 txtProd4 txtAOI5 txtProd5 txtSunAzimuth txtSunElevation txtSunrise "
            "txtSunset txtDate txtTime chkNow Speed btnPause btnRunning jump refresshInt "
            "Panelchk1 Panelchk2 Panelchk3 Panelchk4 Panelchk5 Solarchk");
  showAndActivate();
  child("chkNow")->setFocus();
  QStringList walked;
  for (int i = 0; i < 7; ++i) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    walked << focus->objectName();
    QTest::keyClick(focus, Qt::Key_Tab);
  }
  EXPECT_EQ(walked.join(' '), "chkNow Speed btnRunning jump refresshInt Solarchk txtLat");

  model.txtSunset.setText("21:14");
  auto* resume = child<QPushButton>("btnRunning");
  auto* pause = child<QPushButton>("btnPause");
  resume->setFocus();
  QTest::keyClick(resume, Qt::Key_Space);
  EXPECT_TRUE(model.IsRunning != 0 && pause->isVisible() && !resume->isVisible() &&
              QApplication::focusWidget() == pause);
  QTest::keyClick(pause, Qt::Key_Return);  // Return presses it as Space does
  EXPECT_TRUE(model.IsRunning == 0 && QApplication::focusWidget() == resume);
  QTest::keyClick(resume, Qt::Key_Enter);
  EXPECT_EQ(QApplication::focusWidget(), pause);
  EXPECT_EQ(model.jump.Text(), "10");
}

// The controls start at their places with their defaults, and stay there while the views'
// section opens below them in tabs, which the View menu's shortcuts choose. On a screen 600
// high the section takes the room left and its view scrolls. Opened
// before any calculation, the views show the moment the boxes hold.
TEST_F(WindowTest, TheLayoutStaysAsTheTabsOpenAndCloseWithinTheScreen) {
  using W = HalvessaWindow;
  const int closed = W::kMenuHeight + 336 + W::kMessageHeight;
  EXPECT_EQ(window->size(), QSize(602, closed));
  EXPECT_EQ(window->windowTitle(), "Halvessa");
  EXPECT_EQ(views().menuBar()->geometry(), QRect(0, 0, 602, W::kMenuHeight));
  EXPECT_EQ(views().tabs(), nullptr);  // no section, no chart made before it is asked for
  EXPECT_FALSE(views().exportChartAction()->isEnabled());
  const std::map<QString, QRect> before = clientLayout();
  EXPECT_EQ(before.size(), 78u);  // 76 controls, the message line and the area itself
  // The layout's twips at 15 to a pixel, rounded to the nearest.
  const std::pair<const char*, QRect> layout[] = {
      {"txtTime", {249, 16, 41, 21}},   {"lblTz", {352, 45, 80, 19}},
      {"txtAz3", {81, 153, 40, 20}},    {"Panelchk3", {20, 155, 15, 17}},
      {"txtProd5", {427, 207, 47, 20}}, {"refresshInt", {496, 247, 24, 19}},
      {"btnPause", {44, 288, 80, 27}},  {"btnRunning", {44, 288, 80, 27}}};
  for (const auto& [name, place] : layout) EXPECT_EQ(before.at(name), place) << name;
  // Resume shown where Pause hides, the panel check boxes hidden.
  EXPECT_TRUE(!child("btnRunning")->isHidden() && child("btnPause")->isHidden());
  for (int i = 1; i <= 5; ++i) EXPECT_TRUE(child(QStringLiteral("Panelchk%1").arg(i))->isHidden());
  EXPECT_EQ(child<QLineEdit>("refresshInt")->text(), "60");

  showAndActivate();
  // What the section shows: the tab, the View menu's marks, the views made, and the section
  // below the client area, fitting the screen.
  const QRect screen = window->screen()->availableGeometry();
  const auto shown = [&] {
    QString marks;
    for (View v : {View::kDay, View::kYear, View::kSky}) {
      marks += views().viewAction(v)->isChecked() ? 'X' : views().viewWidget(v) ? 'm' : '-';
    }
    const QTabWidget* tabs = views().tabs();
    const bool fits = window->frameGeometry().bottom() <= screen.bottom() &&
                      window->frameGeometry().top() >= screen.top();
    return QStringLiteral("%1 %2 %3%4")
        .arg(views().isOpen() ? tabs->tabText(tabs->currentIndex()) : "closed", marks)
        .arg(views().exportChartAction()->isEnabled() ? "export " : "")
        .arg(fits ? "fits" : "off screen");
  };
  const auto key = [this](Qt::Key k) { QTest::keyClick(window.get(), k, Qt::ControlModifier); };
  views().makeSky = [](QWidget* parent) { return new QLabel("sky", parent); };
  key(Qt::Key_D);
  EXPECT_EQ(shown(), "Day X-- export fits");
  EXPECT_EQ(views().tabs()->geometry().top(), closed);
  EXPECT_EQ(window->frameGeometry().height(), screen.height());  // less room than a view needs
  auto* page = static_cast<QScrollArea*>(views().tabs()->currentWidget());
  EXPECT_GT(page->verticalScrollBar()->maximum(), 0);
  key(Qt::Key_Y);
  EXPECT_EQ(shown(), "Year mX- export fits");
  EXPECT_EQ(window->frameGeometry().height(), screen.height());

  // The year's search: a busy mark while it runs, then the best orientation and the table.
  QWidget* busy = views().viewWidget(View::kYear)->findChild<QWidget*>("yearBusy");
  EXPECT_FALSE(busy->isHidden());
  ASSERT_TRUE(QTest::qWaitFor([this] { return !views().yearBusy(); }, 10000));
  EXPECT_TRUE(busy->isHidden());
  const QString figures = views().viewWidget(View::kYear)->findChild<QLabel*>("yearFigures")->text();
  EXPECT_TRUE(figures.startsWith("Best orientation ")) << figures.toStdString();
  QTableWidget* year = views().yearTable();
  ASSERT_EQ(year->rowCount(), 5);
  EXPECT_EQ(year->item(2, 0)->text(), "Panel 3 (331/20)");
  EXPECT_TRUE(year->item(2, 2)->text().endsWith('%') &&
              year->item(2, 2)->toolTip().startsWith("Panel 3 gets "));
  model.txtLat.setText("60");  // a new site: a new search, left running
  calculate("2025-03-01", "12:00");
  EXPECT_TRUE(views().yearBusy());

  // A click on the Day tab; the sky from its factory; choosing the tab shown closes.
  QTabBar* bar = views().tabs()->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
  EXPECT_EQ(shown(), "Day Xm- export fits");
  key(Qt::Key_K);
  EXPECT_EQ(shown(), "Sky mmX export fits");
  EXPECT_EQ(static_cast<QLabel*>(views().viewWidget(View::kSky))->text(), "sky");
  key(Qt::Key_K);
  EXPECT_EQ(shown(), "closed mmm fits");
  EXPECT_EQ(window->size(), QSize(602, closed));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_EQ(clientLayout(), before);
  key(Qt::Key_Y);  // reopened on its tab, nothing made again
  EXPECT_EQ(shown(), "Year mXm export fits");

  // Names for screen readers, and what the figures mean on a hover.
  EXPECT_EQ(views().dayChart()->accessibleName() + ", " + views().yearChart()->accessibleName() +
                ", " + views().viewWidget(View::kSky)->accessibleName() + ", " +
                busy->accessibleName() + ", " + bar->accessibleName(),
            "Day chart, Year chart, Sky view, Computing the year, View tabs");
  EXPECT_TRUE(child("txtProd2")->toolTip().contains("diffuse") &&
              views().dayTable()->horizontalHeaderItem(2)->toolTip().contains("not the weather"));
  window.reset();  // cancels the search and waits for its thread, a stage of it at most
}

// The time zone box: its tool tip, made when asked for, and the zone names offered as one types.
TEST_F(WindowTest, TheZoneBoxTellsItsOffsetAndCompletesZoneNames) {
  showAndActivate();
  auto* zone = child<QLineEdit>("txtTz");
  const QRect before = zone->geometry();
  QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), zone->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(zone, &help);
  EXPECT_EQ(zone->toolTip(), "2, UTC+02:00 on 2025-07-24 14:00");

  EXPECT_EQ(zone->completer(), nullptr);  // the database is read at the first focus
  zone->setFocus();
  ASSERT_NE(zone->completer(), nullptr);
  zone->selectAll();
  QTest::keyClicks(zone, "kolk");
  ASSERT_TRUE(zone->completer()->popup()->isVisible());
  QTest::keyClick(zone->completer()->popup(), Qt::Key_Down);
  QTest::keyClick(zone->completer()->popup(), Qt::Key_Return);
  EXPECT_EQ(model.txtTz.Text(), "Asia/Kolkata");
  EXPECT_EQ(zone->text(), "Asia/Kolkata");
  model.txtDate.setText("2026-12-08");
  QApplication::sendEvent(zone, &help);
  EXPECT_EQ(zone->toolTip(), "Asia/Kolkata, UTC+05:30 on 2026-12-08 14:00");
  EXPECT_EQ(zone->geometry(), before);
}

// The day of the last calculation: its chart and table, the polar night and day, and the
// exports through the File menu, which write whole regular files or say why not.
TEST_F(WindowTest, TheDayViewAndTheExports) {
  model.txtDate.setText("someday");  // the boxes hold no moment
  EXPECT_EQ(exportAs(0, "day.csv"), "Cannot write \"day.csv\": no moment has been computed yet");
  model.txtAz(3).setText("0");
  model.txtTilt(3).setText("0");
  calculate("2025-06-21", "10:00");
  EXPECT_EQ(exportAs(1, "day.png"), "");  // not offered with no view shown
  views().exportChart("day.png");
  EXPECT_EQ(model.message.Text(), "Cannot write \"day.png\": open the day, year or sky view first");
  EXPECT_TRUE(QDir().entryList(QDir::Files).isEmpty());
  EXPECT_EQ(exportAs(0, "day.csv"), "Day written to \"day.csv\".");
  EXPECT_EQ(testing::ReadFile("day.csv").count("\r\n"), 1 + 288);

  views().choose(View::kDay);
  QChart* chart = views().dayChart()->chart();
  EXPECT_EQ(chart->title(), "2025-06-21");
  // Production's axis in as many intervals as the elevation's, so on its gridlines.
  const QList<QAbstractAxis*> sides = chart->axes(Qt::Vertical);
  ASSERT_EQ(sides.size(), 2);
  EXPECT_EQ(static_cast<QValueAxis*>(sides[0])->tickCount(),
            static_cast<QValueAxis*>(sides[1])->tickCount());
  QStringList legend;  // the unnamed series are the night, the sun's rise and set, the marker
  for (QAbstractSeries* s : chart->series()) legend << s->name();
  legend.removeAll("");
  EXPECT_EQ(legend.join(", "), "Sun elevation, Panel 1 (151/45), Panel 2 (151/20), "
                               "Panel 4 (151/70), Panel 5 (331/70)");
  QTableWidget* table = views().dayTable();
  ASSERT_EQ(table->rowCount(), 4);
  EXPECT_EQ(table->item(2, 0)->text(), "Panel 4 (151/70)");
  const DayRow& first = views().model().day.chart()->rows[0];
  EXPECT_EQ(table->item(0, 2)->text(), QString::number(first.irradiation, 'f', 2));

  // A chart under its title block; a PNG at twice the size on the screen.
  EXPECT_EQ(exportAs(1, "day.png"), "Chart written to \"day.png\".");
  EXPECT_TRUE(testing::ReadFile("day.png").startsWith("\x89PNG"));
  const QImage png("day.png");
  EXPECT_EQ(png.width(), 2 * views().dayChart()->width());
  EXPECT_GT(png.height(), 2 * views().dayChart()->height());
  exportAs(1, "day.svg");
  const QByteArray svg = testing::ReadFile("day.svg");
  EXPECT_TRUE(svg.contains("<svg") && svg.contains("time zone UTC+02:00, 2025-06-21") &&
              svg.contains("1: 151/45, 2: 151/20, 4: 151/70, 5: 331/70; clear sky"));
  // Another tab exported while the day stays made: the year's chart and year.
  views().choose(View::kYear);
  ASSERT_TRUE(QTest::qWaitFor([this] { return !views().yearBusy(); }, 10000));
  EXPECT_EQ(exportAs(1, "year.svg"), "Chart written to \"year.svg\".");
  EXPECT_TRUE(testing::ReadFile("year.svg").contains("time zone UTC+02:00, year 2025"));
  QFile::remove("year.svg");
  views().showTab(View::kDay);
  EXPECT_EQ(exportAs(1, "day.bmp"), "Cannot write \"day.bmp\": the name must end in .png or .svg");
  // Onto anything but a regular file the exports write nothing and say why; a full disk is
  // named, and the old file stays.
  ASSERT_EQ(::mkfifo("pipe.png", 0600), 0);
  for (int item : {0, 1}) {  // the day's CSV and the chart
    EXPECT_EQ(exportAs(item, "pipe.png"),
              "Cannot write \"pipe.png\": it is a named pipe, not a regular file");
  }
  files::ReplaceSaveWriteForTesting([](int, const void*, std::size_t) -> std::ptrdiff_t {
    errno = ENOSPC;
    return -1;
  });
  EXPECT_EQ(exportAs(0, "day.csv"), "Cannot write \"day.csv\": No space left on device");
  EXPECT_EQ(exportAs(1, "day.png"), "Cannot write \"day.png\": No space left on device");
  files::ReplaceSaveWriteForTesting(nullptr);
  EXPECT_EQ(testing::ReadFile("day.csv").count("\r\n"), 1 + 288);
  // No half file, nothing written aside.
  EXPECT_EQ(QDir().entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
            (QStringList{"day.csv", "day.png", "day.svg", "pipe.png"}));
  struct stat pipe {};
  EXPECT_TRUE(::lstat("pipe.png", &pipe) == 0 && S_ISFIFO(pipe.st_mode));

  model.txtLat.setText("-80");
  calculate("2025-06-21", "10:00");
  EXPECT_EQ(chart->title(), "2025-06-21: the sun stays below the horizon all day");
  model.txtLat.setText("80");
  calculate("2025-06-21", "10:00");
  EXPECT_EQ(chart->title(), "2025-06-21: the sun stays above the horizon all day");
}

// A new day or year replaces what the chart shows; nothing of the old one stays drawn. As in a
// simulation run, no event loop runs here to delete what a chart hands over for deletion. The
// day is shown at each calculation, the year follows when its tab is shown.
TEST_F(WindowTest, ANewDayOrYearReplacesTheChartsContents) {
  window->show();
  views().choose(View::kYear);
  const auto texts = [](QChartView* view, const QString& text) {
    int n = 0;
    for (QGraphicsItem* item : view->scene()->items()) {
      const auto* label = dynamic_cast<QGraphicsTextItem*>(item);
      n += label != nullptr && label->toPlainText() == text;
    }
    return n;
  };
  qsizetype dayItems = 0, yearItems = 0;
  for (int n = 1; n <= 12; ++n) {
    // Two days of two years in turn, a panel in use every other time: all drawn anew each time.
    model.txtAz(3).setText(n % 2 ? "0" : "20");
    views().showTab(View::kDay);
    calculate(n % 2 ? "2024-03-01" : "2025-03-02", "12:00");
    views().showTab(View::kYear);
    while (views().yearBusy()) QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
    if (n == 2) {
      dayItems = views().dayChart()->scene()->items().size();
      yearItems = views().yearChart()->scene()->items().size();
    }
  }
  views().showTab(View::kDay);
  calculate("2025-03-02", "13:00");  // the same day: the marker moves
  QApplication::processEvents();  // the shown tab's chart laid out
  QChart* day = views().dayChart()->chart();
  QStringList legend;  // the sun and the five panels
  for (QLegendMarker* marker : day->legend()->markers()) {
    if (marker->isVisible()) legend << marker->label().left(7);
  }
  EXPECT_EQ(legend.join(','), "Sun ele,Panel 1,Panel 2,Panel 3,Panel 4,Panel 5");
  // Night, sun, five panels, sunrise, sunset, marker.
  EXPECT_TRUE(day->axes().size() == 3 && day->series().size() == 10);
  EXPECT_EQ(views().dayChart()->scene()->items().size(), dayItems);
  EXPECT_EQ(texts(views().dayChart(), "03:00"), 1);
  EXPECT_EQ(texts(views().dayChart(), "Sun elevation"), 1);
  QChart* year = views().yearChart()->chart();
  EXPECT_EQ(year->axes().size(), 2);
  ASSERT_EQ(year->series().size(), 1);
  EXPECT_EQ(static_cast<QBarSeries*>(year->series()[0])->count(), 5);
  EXPECT_EQ(views().yearChart()->scene()->items().size(), yearItems);
  EXPECT_EQ(texts(views().yearChart(), "Jan"), 1);
}

// The File and Edit menus and a dropped file change the sky and system the views compute
// with: the year from the weather under its title, the Sky view under the horizon; the zone
// that served a calculation is remembered in the user's configuration.
TEST_F(WindowTest, WeatherHorizonAndSystemThroughTheMenusAndADrop) {
  const QString data = QStringLiteral(HALVESSA_TEST_DATA);
  showAndActivate();
  model.txtTz.setText("Asia/Kolkata");
  calculate("2025-07-24", "12:00");
  const QSettings remembered(QSettings::IniFormat, QSettings::UserScope, "halvessa", "halvessa");
  EXPECT_EQ(remembered.value("site/time_zone").toString(), "Asia/Kolkata");

  views().chooseOpenFile = [&](const QString& caption, const QString&) {
    return data + (caption == "Open weather file" ? "/pvgis-tmy-45.000-8.000.csv" : "/horizon-45.000-8.000.csv");
  };
  views().openWeatherAction()->trigger();
  EXPECT_EQ(model.message.Text(),
            "Weather \"pvgis-tmy-45.000-8.000.csv\" opened: typical year, PVGIS TMY 45.000 8.000.");
  views().choose(View::kYear);
  ASSERT_TRUE(QTest::qWaitFor([this] { return !views().yearBusy(); }, 10000));
  EXPECT_EQ(views().yearChart()->chart()->title(), "AC energy by month, typical year, PVGIS TMY 45.000 8.000");
  QTableWidget* table = views().yearTable();
  ASSERT_EQ(table->rowCount(), 6);  // five panels and the system
  EXPECT_EQ(table->horizontalHeaderItem(2)->text(), "AC kWh");
  EXPECT_EQ(table->item(5, 0)->text(), "System");
  const double ac = table->item(5, 2)->text().toDouble();
  EXPECT_GT(ac, 3000);  // five kWp in a sunny typical year

  // A horizon dropped on the window: less light, the title says so; the Sky view draws it.
  views().openDropped(data + "/horizon-45.000-8.000.csv");
  EXPECT_EQ(model.message.Text(), "Horizon \"horizon-45.000-8.000.csv\" opened.");
  ASSERT_TRUE(QTest::qWaitFor([this] { return !views().yearBusy(); }, 10000));
  EXPECT_TRUE(views().yearChart()->chart()->title().endsWith(", horizon horizon-45.000-8.000.csv"));
  const double shaded = views().yearTable()->item(5, 2)->text().toDouble();
  EXPECT_LT(shaded, ac);
  views().choose(View::kSky);
  auto* sky = dynamic_cast<SkyView*>(views().skyWidget());
  ASSERT_TRUE(sky != nullptr && sky->diagram().has_value());
  EXPECT_FALSE(sky->diagram()->horizon.empty());
  views().openDropped(data + "/README.md");
  EXPECT_TRUE(model.message.Text().startsWith("README.md is neither a weather file")) << model.message.Text().toStdString();

  // Edit > System: twice the kWp on every panel, twice the AC.
  views().runDialog = [](SystemDialog& dialog) {
    for (int p = 0; p < 5; ++p) dialog.kwpBox(p)->setValue(2);
    return true;
  };
  views().choose(View::kYear);
  views().systemAction()->trigger();
  ASSERT_TRUE(QTest::qWaitFor([this] { return !views().yearBusy(); }, 10000));
  const double doubled = views().yearTable()->item(5, 2)->text().toDouble();
  EXPECT_NEAR(doubled, 2 * shaded, 0.2);  // an inverter each: AC in proportion
  EXPECT_EQ(QSettings(QSettings::IniFormat, QSettings::UserScope, "halvessa", "halvessa").value("system/kwp3").toDouble(), 2);
}

TEST(QtPlatformTest, NowIsTheUniversalClockAsADaySerial) {
  // Day serials count from 1899-12-30, 25569 days before the Unix epoch.
  const auto serial = [] { return 25569 + QDateTime::currentMSecsSinceEpoch() / 86400000.0; };
  const double before = serial();
  const double now = QtPlatform().nowUniversal();
  EXPECT_TRUE(before - 1e-9 <= now && now <= serial() + 1e-9) << now;
}

TEST(QtPlatformTest, TimerTicksUntilStoppedAndReportsWhatATickThrows) {
  QtPlatform platform;
  int ticks = 0;
  auto timer = platform.createTimer([&] { ++ticks; });
  timer->start(5);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 10000));
  timer->stop();
  const int stoppedAt = ticks;
  QTest::qWait(50);
  EXPECT_EQ(ticks, stoppedAt);
  timer->start(5);
  timer->start(0);  // below 1 ms the timer stops instead of firing at every turn of the loop
  QTest::qWait(50);
  EXPECT_EQ(ticks, stoppedAt);

  QString reported;
  platform.setErrorHandler([&](const QString& text) { reported = text; });
  auto failing = platform.createTimer([] { throw std::runtime_error("tick failed"); });
  failing->start(2);
  EXPECT_TRUE(QTest::qWaitFor([&] { return reported == "tick failed"; }, 10000));
  failing->stop();
}

// The ten-minute waits below show by returning at all that they ended early.
TEST(QtPlatformTest, WaitServesEventsAndEndsWhenInterrupted) {
  QtPlatform platform;
  bool paused = false;
  QTimer::singleShot(10, [&] { paused = true; });  // an event served during the wait
  platform.wait(600000, [&] { return paused; });
  QElapsedTimer clock;  // turning true without any event is caught by the periodic look
  clock.start();
  platform.wait(600000, [&] { return clock.elapsed() >= 20; });

  // Not interrupted, a wait runs its course with the timers ticking.
  int ticks = 0;
  auto timer = platform.createTimer([&] { ++ticks; });
  timer->start(2);
  bool laterTimerFired = false;
  QTimer::singleShot(30, Qt::PreciseTimer, [&] { laterTimerFired = true; });
  platform.wait(200, [] { return false; });
  EXPECT_TRUE(laterTimerFired && ticks > 0);
}

}  // namespace
}  // namespace halvessa::window
