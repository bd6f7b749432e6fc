// The window's menu bar and the section below its client area that holds the day, year and sky
// views in tabs. The section and each view are made the first time they are shown, so that
// start-up makes no chart. The section's height fits the room the window leaves on its screen;
// a view taller than that scrolls. The views show ViewsModel (window/views.h); the year's
// search runs on a thread of its own (YearWorker).
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <thread>
#include <vector>

#include "window/system.h"
#include "window/views.h"

class QAction;
class QChartView;
class QLabel;
class QMenuBar;
class QProgressBar;
class QScrollArea;
class QTabWidget;
class QTableWidget;
class QWidget;

namespace halvessa::window {

class SystemDialog;

// Runs YearModel::Compute off the window's thread. Results come back to the window's thread
// through its event queue; a newer start cancels the older searches. Destroying the worker
// cancels what runs and waits for it (a stage of the search at most).
class YearWorker : public QObject {
 public:
  ~YearWorker() override;
  void start(const YearRequest& request);
  std::function<void(YearResult)> onResult;  // on the window's thread
  int running() const;

 private:
  struct Job {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> cancel;
    std::shared_ptr<std::atomic<bool>> done;
  };
  void reap();
  std::vector<Job> jobs_;
};

class DayView;
class YearView;

class ViewsSection {
 public:
  static constexpr int kWidth = 602;
  // The menu bar's height, at the window's top.
  static constexpr int kMenuHeight = 24;
  // A view's height when the screen has room for it, below the tabs.
  static constexpr int kViewHeight = 380;

  // The window the menu bar and the views belong to.
  struct Host {
    QWidget* window;                // their parent; File > Quit closes it
    std::function<int()> viewsTop;  // where the views begin, below the client area
    std::function<int()> room;      // the most height the section may take
    std::function<void()> resized;  // the section's height has changed
  };

  // system: the sky and system the views compute with, which the File and Edit menus change.
  ViewsSection(FormModel& model, SystemModel& system, Host host);
  ~ViewsSection();
  ViewsSection(const ViewsSection&) = delete;
  ViewsSection& operator=(const ViewsSection&) = delete;

  // The height the open section takes below the client area: its tabs and a view, or the
  // room when that is less; 0 when closed.
  int height() const;

  // View > Day / Year / Sky: opens the section on the view's tab, or closes it when that tab
  // is shown. showTab is a click on a tab of the open section.
  void choose(View view);
  void showTab(View view);
  void close();
  bool isOpen() const { return viewsModel_.tabs().isOpen(); }
  // Fits the section to the room anew (another screen, the window's frame known).
  void refit() { place(); }
  View current() const { return viewsModel_.tabs().current(); }

  // File > Export day as CSV / Export chart: to the file chosen (an empty name does nothing).
  // A chart is the shown tab's, under a title block, a PNG at twice its size on the screen.
  void exportDay(const QString& path);
  void exportChart(const QString& path);

  // File > Open weather file / Open horizon, and a file dropped on the window (weather if it
  // reads as weather, else a horizon): opened and remembered, or the message line says why
  // not. An empty name does nothing.
  void openWeather(const QString& path);
  void openHorizon(const QString& path);
  void openDropped(const QString& path);
  // Edit > System: the dialog, and what it gives applied.
  void editSystem();

  // Asks for a file name to save to: caption, suggested name, filter. A file dialog unless a
  // test puts its own.
  std::function<QString(const QString&, const QString&, const QString&)> chooseFile;
  // Asks for a file to open: caption, filter.
  std::function<QString(const QString&, const QString&)> chooseOpenFile;
  // Runs the System dialog; true when accepted. Modal unless a test puts its own.
  std::function<bool(SystemDialog&)> runDialog;
  // Makes the Sky tab's view the first time it is shown; by default an empty widget.
  std::function<QWidget*(QWidget* parent)> makeSky;

  QMenuBar* menuBar() const { return menu_; }
  QAction* viewAction(View view) const { return viewActions_[static_cast<int>(view)]; }
  QAction* exportChartAction() const { return exportChartAction_; }
  QAction* openWeatherAction() const { return openWeatherAction_; }
  QAction* openHorizonAction() const { return openHorizonAction_; }
  QAction* systemAction() const { return systemAction_; }
  QWidget* skyWidget() const { return sky_; }
  QTabWidget* tabs() const { return tabs_; }  // null until first opened
  // A view's widget, null until its tab is first shown.
  QWidget* viewWidget(View view) const;
  QChartView* dayChart() const;
  QChartView* yearChart() const;
  QTableWidget* dayTable() const;
  QTableWidget* yearTable() const;
  bool yearBusy() const { return viewsModel_.year.busy(); }
  const ViewsModel& model() const { return viewsModel_; }
  const YearWorker& worker() const { return worker_; }

 private:
  void apply();
  void makeView(View view);
  void place();
  void showDay(DayModel::Change change);
  void showYear();
  void report(const QString& text);
  void showSky();
  // What the view's light is: "clear sky", the weather's title, with the horizon's file.
  QString skyText(View view) const;
  // The site of the last moment, else the boxes' (0, 0 when they hold none): where a weather
  // file's light is checked against the sun.
  std::pair<double, double> site() const;
  // The message line after a weather or horizon file was opened or refused.
  void reportOpened(const QString& path, const FileOpened& read, bool weather);

  FormModel& model_;
  SystemModel& system_;
  Host host_;
  QWidget& window_;
  ViewsModel viewsModel_;
  YearWorker worker_;
  QMenuBar* menu_ = nullptr;
  std::array<QAction*, kViewCount> viewActions_{};
  QAction* exportChartAction_ = nullptr;
  QAction* openWeatherAction_ = nullptr;
  QAction* openHorizonAction_ = nullptr;
  QAction* systemAction_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  std::array<QScrollArea*, kViewCount> pages_{};
  std::unique_ptr<DayView> day_;
  std::unique_ptr<YearView> year_;
  QWidget* sky_ = nullptr;
};

}  // namespace halvessa::window
