// The start-up probe: the desktop program as it is, but it quits once its window has been
// painted for the first time. bench/startup.sh times it from process start.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include "app/application.h"

namespace {

class QuitAfterFirstPaint : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !quitting_) {
      quitting_ = true;
      QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool quitting_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QuitAfterFirstPaint firstPaint;
  return halvessa::app::RunApplication(argc, argv,
                                       [&firstPaint](QWidget& window) { window.installEventFilter(&firstPaint); });
}
