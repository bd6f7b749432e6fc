// The window's menu bar and the day and year views below its client area. The views are
// made the first time they open, so that start-up makes no chart. They show ViewsModel
// (window/views.h); the year's search runs on a thread of its own (YearWorker).
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "window/views.h"

class QAction;
class QChartView;
class QLabel;
class QMenuBar;
class QProgressBar;
class QTableWidget;
class QWidget;

namespace halvessa::window {

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

  // The window the menu bar and the views belong to.
  struct Host {
    QWidget* window;                // their parent; File > Quit closes it
    std::function<int()> viewsTop;  // where the views begin, below the client area
    std::function<void()> resized;  // the views' height has changed
  };

  ViewsSection(FormModel& model, Host host);
  ~ViewsSection();
  ViewsSection(const ViewsSection&) = delete;
  ViewsSection& operator=(const ViewsSection&) = delete;

  // The height the open views take below the client area.
  int height() const;

  void setDayOpen(bool open);
  void setYearOpen(bool open);
  bool dayOpen() const;
  bool yearOpen() const;

  // File > Export day as CSV / Export chart: to the file chosen (an empty name does nothing).
  void exportDay(const QString& path);
  void exportChart(const QString& path);

  // Asks for a file name to save to: caption, suggested name, filter. A file dialog unless a
  // test puts its own.
  std::function<QString(const QString&, const QString&, const QString&)> chooseFile;

  QMenuBar* menuBar() const { return menu_; }
  QAction* dayAction() const { return dayAction_; }
  QAction* yearAction() const { return yearAction_; }
  QWidget* dayWidget() const;   // null until first opened
  QWidget* yearWidget() const;  // null until first opened
  QChartView* dayChart() const;
  QChartView* yearChart() const;
  QTableWidget* dayTable() const;
  bool yearBusy() const { return viewsModel_.year.busy(); }
  const ViewsModel& model() const { return viewsModel_; }
  const YearWorker& worker() const { return worker_; }

 private:
  void place();
  void showDay(DayModel::Change change);
  void showYear();
  void report(const QString& text);

  FormModel& model_;
  Host host_;
  QWidget& window_;
  ViewsModel viewsModel_;
  YearWorker worker_;
  QMenuBar* menu_ = nullptr;
  QAction* dayAction_ = nullptr;
  QAction* yearAction_ = nullptr;
  std::unique_ptr<DayView> day_;
  std::unique_ptr<YearView> year_;
};

}  // namespace halvessa::window
