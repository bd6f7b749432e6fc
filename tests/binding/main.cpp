// The binding's tests need a QApplication on the offscreen platform and a configuration folder
// of their own.
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "window/qt/qt_window.h"

int main(int argc, char** argv) {
  // Offscreen, on a screen of 1024 x 600 (screen.json), lower than the window with a view.
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.isEmpty() || platform == "offscreen") {
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" HALVESSA_TEST_SCREEN);
  }
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  halvessa::window::HalvessaWindow::setApplicationFont();
  return RUN_ALL_TESTS();
}
