// The binding's tests need a QApplication on the offscreen platform.
#include <QApplication>

#include <gtest/gtest.h>

#include "window/qt/qt_window.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  halvessa::window::HalvessaWindow::setApplicationFont();
  return RUN_ALL_TESTS();
}
