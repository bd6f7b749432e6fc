#include "app/application.h"

#include <QApplication>
#include <QByteArray>
#include <QStringList>
#include <QStyle>
#include <QStyleFactory>

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "window/form.h"
#include "window/form_model.h"
#include "window/qt/qt_platform.h"
#include "window/qt/qt_window.h"

namespace halvessa::app {

namespace {

using halvessa::window::Form;
using halvessa::window::FormModel;
using halvessa::window::HalvessaWindow;
using halvessa::window::QtPlatform;

const char* gProgram = "halvessa";

void NoDisplay(const char* why) {
  std::fprintf(stderr,
               "%s: %s, so the window cannot open; run it on a virtual display: xvfb-run -a %s\n",
               gProgram, why, gProgram);
}

bool Set(const char* name) { return !qEnvironmentVariableIsEmpty(name); }

// While the QApplication starts, Qt's own messages are held back: when the display cannot be
// reached Qt ends the process with several lines about plugins, and the user gets one line
// of ours instead. When start-up succeeds the held messages are written out as usual.
QStringList gHeldMessages;

void HoldStartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray why = display.isEmpty() ? QByteArrayLiteral("the display cannot be reached")
                                             : "the display " + display + " cannot be reached";
    NoDisplay(why.constData());
    std::fflush(stderr);
    std::_Exit(1);
  }
  gHeldMessages << qFormatLogMessage(type, context, text);
}

}  // namespace

int RunApplication(int argc, char** argv, const std::function<void(QWidget&)>& beforeShow) {
  if (argc > 0 && argv[0] != nullptr) gProgram = argv[0];
  if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && !Set("QT_QPA_PLATFORM")) {
    NoDisplay("there is no display (DISPLAY and WAYLAND_DISPLAY are not set)");
    return 1;
  }

  const QtMessageHandler previous = qInstallMessageHandler(HoldStartupMessage);
  QApplication app(argc, argv);
  qInstallMessageHandler(previous);
  for (const QString& line : gHeldMessages) std::fprintf(stderr, "%s\n", qPrintable(line));
  gHeldMessages.clear();

  // One look on every desktop: Qt's own style and a free font at the layout's sizes.
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
  HalvessaWindow::setApplicationFont();

  FormModel model;
  QtPlatform platform;
  platform.setErrorHandler([&model](const QString& text) { model.message.setText(text); });
  Form form(model, platform);
  try {
    form.frmHalvessa_Form_Load();
  } catch (const std::exception& e) {
    model.message.setText(QString::fromLocal8Bit(e.what()));
  }

  HalvessaWindow window(model);
  window.onClosed = [&form] { form.windowClosed(); };
  if (beforeShow) beforeShow(window);
  window.show();
  const int status = QApplication::exec();
  return status == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace halvessa::app
