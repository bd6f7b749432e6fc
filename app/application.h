// The desktop program apart from its main(): checks for a display, starts Qt, runs the
// window's start-up and its event loop. The start-up benchmark's probe runs the same code and
// quits after the first paint.
#pragma once

#include <functional>

class QWidget;

namespace halvessa::app {

// Runs the program; beforeShow, when given, sees the window just before it is shown.
// Returns the process's exit status.
int RunApplication(int argc, char** argv, const std::function<void(QWidget&)>& beforeShow = {});

}  // namespace halvessa::app
