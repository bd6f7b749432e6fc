#include "window/qt/qt_platform.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QTimer>
#include <QtGlobal>

#include <exception>
#include <utility>

#include "geometry/calendar.h"

namespace halvessa::window {

namespace {

using ErrorHandler = std::shared_ptr<std::function<void(const QString&)>>;

void ReportEscaped(const ErrorHandler& handler, const QString& text) {
  if (handler && *handler) {
    (*handler)(text);
  } else {
    qWarning("halvessa: %s", qPrintable(text));
  }
}

class QtPeriodicTimer final : public PeriodicTimer {
 public:
  QtPeriodicTimer(std::function<void()> onTick, ErrorHandler errors)
      : onTick_(std::move(onTick)), errors_(std::move(errors)) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setSingleShot(false);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
  }

  void start(int ms) override {
    if (ms < 1) {
      timer_.stop();
      return;
    }
    timer_.start(ms);  // restarts the count when already running
  }

  void stop() override { timer_.stop(); }

 private:
  void tick() {
    if (!onTick_) return;
    try {
      onTick_();
    } catch (const std::exception& e) {
      ReportEscaped(errors_, QString::fromLocal8Bit(e.what()));
    } catch (...) {
      ReportEscaped(errors_, QStringLiteral("An unexpected error ended the timer's work."));
    }
  }

  QTimer timer_;
  std::function<void()> onTick_;
  ErrorHandler errors_;
};

}  // namespace

double QtPlatform::nowUniversal() {
  return SerialFromUnixMilliseconds(QDateTime::currentMSecsSinceEpoch());
}

std::unique_ptr<PeriodicTimer> QtPlatform::createTimer(std::function<void()> onTick) {
  return std::make_unique<QtPeriodicTimer>(std::move(onTick), errorHandler_);
}

void QtPlatform::processEvents() { QCoreApplication::processEvents(); }

void QtPlatform::wait(int ms, const std::function<bool()>& interrupted) {
  if (ms <= 0) return;
  const auto stop = [&interrupted] {
    return QCoreApplication::closingDown() || (interrupted && interrupted());
  };
  if (stop()) return;

  QEventLoop loop;
  QTimer deadline;
  deadline.setTimerType(Qt::PreciseTimer);
  deadline.setSingleShot(true);
  QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);

  const auto check = [&loop, &stop] {
    if (stop()) loop.quit();
  };
  QTimer poll;
  poll.setTimerType(Qt::CoarseTimer);
  QObject::connect(&poll, &QTimer::timeout, &loop, check);

  // Served events may have made interrupted() true: look again each time the loop is about
  // to sleep, so a click on Pause or a closing window ends the wait at once.
  QMetaObject::Connection idle;
  if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
    idle = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &loop, check);
  }

  deadline.start(ms);
  poll.start(kInterruptPollMs);
  // Returns at once (without serving events) when the application has been told to quit.
  loop.exec();
  QObject::disconnect(idle);
}

void QtPlatform::setErrorHandler(std::function<void(const QString&)> handler) {
  *errorHandler_ = std::move(handler);
}

}  // namespace halvessa::window
