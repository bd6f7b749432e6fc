// The floor of the start-up probe: a bare Qt window of the Halvessa window's size that quits
// once it has been painted for the first time. bench/startup.sh times it beside
// halvessa_first_paint.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

class BareWindow : public QWidget {
 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::Paint && !quitting_) {
      quitting_ = true;
      QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return QWidget::event(event);
  }

 private:
  bool quitting_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  BareWindow window;
  window.setWindowTitle(QStringLiteral("Bare"));
  window.setFixedSize(602, 382);
  window.show();
  return QApplication::exec();
}
