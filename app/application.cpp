#include "app/application.h"

#include <QApplication>
#include <QByteArray>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QIcon>
#include <QSettings>
#include <QStringList>
#include <QStyle>
#include <QStyleFactory>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "text/convert.h"
#include "window/form.h"
#include "window/form_model.h"
#include "window/qt/qt_platform.h"
#include "window/qt/qt_window.h"
#include "window/system.h"

namespace halvessa::app {

namespace {

using halvessa::window::Form;
using halvessa::window::FormModel;
using halvessa::window::HalvessaWindow;
using halvessa::window::QtPlatform;
using halvessa::window::StartRemembering;
using halvessa::window::SystemModel;
using halvessa::window::UserConfiguration;

#ifndef HALVESSA_VERSION
#define HALVESSA_VERSION "unknown"
#endif
#ifndef HALVESSA_APP_ID
#define HALVESSA_APP_ID "halvessa"
#endif

const char* gProgram = "halvessa";

constexpr const char* kHelp =
    "Usage: halvessa [options]\n"
    "\n"
    "Opens the Halvessa window: where the sun stands for a site and a moment (azimuth,\n"
    "elevation, sunrise and sunset) and how squarely its light falls on up to five fixed\n"
    "solar panels (angle of incidence and estimated production).\n"
    "\n"
    "The window starts in live mode and follows the computer's clock. At start-up it reads\n"
    "the site's latitude and longitude and the panels' azimuth/tilt from Kelvarine.ini in\n"
    "the working directory, if there is one. A simulation appends its steps to solar.log\n"
    "and panel1.log to panel5.log there, when logging is checked. It remembers the time\n"
    "zone last used, the system (Edit > System) and the weather and horizon files in\n"
    "halvessa/halvessa.ini in the user's configuration folder (XDG_CONFIG_HOME, by\n"
    "default ~/.config).\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this text\n"
    "  --version      show the version\n"
    "\n"
    "The window needs a display (DISPLAY or WAYLAND_DISPLAY); without one, run it on a\n"
    "virtual display: xvfb-run -a halvessa. halvessa-cli computes the same without a window.\n"
    "\n"
    "Exit status: 0 when the window was closed, 2 for a bad option (one line on standard\n"
    "error), 1 when the window could not open.\n";

// What the command line asks for. The window has no options of its own: anything but
// --help and --version is refused.
struct Request {
  enum Kind { kWindow, kHelp, kVersion, kBad } kind = kWindow;
  QString problem;  // for kBad: the error line after "halvessa: "
};

Request ParseCommandLine(int argc, char** argv) {
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  if (args.isEmpty()) return {};

  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
  const QCommandLineOption version(QStringLiteral("version"), {});
  parser.addOption(help);
  parser.addOption(version);
  if (!parser.parse(args)) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
      // The option as the user spelt it, without any "=value".
      QString spelt = QStringLiteral("--") + unknown.front();
      for (const QString& arg : args.mid(1)) {
        const QString name = arg.section(QLatin1Char('='), 0, 0);
        const qsizetype dashes = name.startsWith(QLatin1String("--")) ? 2 : 1;
        if (name.startsWith(QLatin1Char('-')) && name.mid(dashes) == unknown.front()) {
          spelt = name;
          break;
        }
      }
      return {Request::kBad, QStringLiteral("unknown option ") + text::Quoted(spelt)};
    }
    QString error = parser.errorText();  // e.g. "Unexpected value after '--help'."
    if (error.endsWith(QLatin1Char('.'))) error.chop(1);
    if (!error.isEmpty()) error[0] = error[0].toLower();
    return {Request::kBad, error};
  }
  const QStringList positional = parser.positionalArguments();
  if (!positional.isEmpty()) {
    return {Request::kBad,
            QStringLiteral("unexpected argument ") + text::Quoted(positional.front())};
  }
  if (parser.isSet(help)) return {Request::kHelp, {}};
  if (parser.isSet(version)) return {Request::kVersion, {}};
  return {};
}

// The window's icon, compiled in; desktops that know the desktop file show the installed one.
QIcon ApplicationIcon() {
  QIcon icon;
  icon.addFile(QStringLiteral(":/halvessa/48x48/apps/" HALVESSA_APP_ID ".png"));
  icon.addFile(QStringLiteral(":/halvessa/256x256/apps/" HALVESSA_APP_ID ".png"));
  return icon;
}

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
  // The command line first: --help and --version need no display.
  const Request request = ParseCommandLine(argc, argv);
  switch (request.kind) {
    case Request::kHelp:
      std::fputs(kHelp, stdout);
      return std::fflush(stdout) == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
    case Request::kVersion:
      std::fputs("halvessa " HALVESSA_VERSION "\n", stdout);
      return std::fflush(stdout) == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
    case Request::kBad:
      std::fprintf(stderr, "%s: %s\n", gProgram, qPrintable(request.problem));
      return 2;
    case Request::kWindow:
      break;
  }

  if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && !Set("QT_QPA_PLATFORM")) {
    NoDisplay("there is no display (DISPLAY and WAYLAND_DISPLAY are not set)");
    return 1;
  }

  const QtMessageHandler previous = qInstallMessageHandler(HoldStartupMessage);
  // Qt sees only the program's name, so that none of its own options (-style, -geometry, ...)
  // changes the window.
  int qtArgc = argc > 0 ? 1 : 0;
  QApplication app(qtArgc, argv);
  qInstallMessageHandler(previous);
  for (const QString& line : gHeldMessages) std::fprintf(stderr, "%s\n", qPrintable(line));
  gHeldMessages.clear();

  // One look on every desktop: Qt's own style and a free font at the layout's sizes.
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
  HalvessaWindow::setApplicationFont();
  // Docks and Wayland shells find the desktop entry, and with it the name and icon, by this.
  QGuiApplication::setDesktopFileName(QStringLiteral(HALVESSA_APP_ID));
  QApplication::setWindowIcon(ApplicationIcon());

  FormModel model;
  // What the user chose in earlier runs, in the user's configuration: the zone last used (so
  // that the start-up's instant view is in the user's zone), the system, weather and horizon.
  const std::unique_ptr<QSettings> remembered = UserConfiguration();
  SystemModel system(*remembered);
  QtPlatform platform;
  platform.setErrorHandler([&model](const QString& text) { model.message.setText(text); });
  Form form(model, platform);
  StartRemembering(form, model, system);

  HalvessaWindow window(model, nullptr, &system);
  window.onClosed = [&form] { form.windowClosed(); };
  if (beforeShow) beforeShow(window);
  window.show();
  const int status = QApplication::exec();
  return status == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace halvessa::app
