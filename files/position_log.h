// The position logs a simulation run appends to, one line per step: solar.log for the sun and
// panel1.log to panel5.log for the panels the user picked.
//
// Every line is the texts the window's boxes show, one TAB between neighbouring values (a value
// may hold a decimal comma, so neither a comma nor a blank would do), ended by CR LF, in the
// system's 8-bit encoding. There is no header line. The files are opened for appending (created
// when missing, never truncated) and closed again at the end of each step, so other programs may
// read them while a run goes on.
//
// A step is all or nothing across its files. When any of them cannot be opened or written, every
// file the step wrote to is cut back to its size before the step: a reader never sees half a
// line, the lines of earlier steps stay as they were, and a step that is tried again after the
// cause is fixed leaves exactly one line per step in every file.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <array>
#include <cstddef>
#include <optional>

#include "site/site.h"

namespace halvessa::files {

inline constexpr int kLoggedPanels = kPanelCount;

// "solar.log".
QString SolarLogName();

// "panel1.log" to "panel5.log": the number in decimal, no leading zero or blank.
QString PanelLogName(int panel);

// One line of a log as written: the values joined by TAB, then CR LF, in the system's 8-bit
// encoding. A TAB, CR, LF or other control character inside a value would break the line
// apart, so each one is written as a blank.
QByteArray PositionLogLine(const QStringList& values);

// What one panel contributes to a step.
struct PanelLogLine {
  bool checked = false;  // its "Log this panel" box is ticked
  bool inUse = false;    // its azimuth or tilt is not 0
  QStringList values;    // the texts of its azimuth, tilt, angle of incidence and production boxes
};

// Logs one simulation step; the caller has already decided that this step is logged.
// solarValues holds the texts of the date, time, sun azimuth and sun elevation boxes, in this
// order; panels[0] is panel 1. The step's files, in this order:
//   - solar.log gets the line of solarValues;
//   - panel<i>.log, for i = 1 to 5, when panel i is checked: opened for appending (created when
//     missing) and, when the panel is also in use, given the step's date and time (the first two
//     of solarValues) followed by the panel's values. A checked panel that is not in use thus
//     gets its file but no line; an unchecked one is not touched.
// All the files are opened before the first line is written. On the first file that fails, the
// files the step wrote to are cut back and the message naming the file and the reason is
// returned, e.g.
//   Cannot write "panel2.log": Permission denied
// Anything that is not a regular file (a directory, a named pipe, a device) is refused rather
// than waited on. When a file cannot be cut back, the message says so after the reason:
//   Cannot write "panel2.log": No space left on device; "solar.log" could not be cut back: ...
// A file the step created stays, empty. std::nullopt on success.
std::optional<QString> AppendPositionLogs(const QDir& dir, const QStringList& solarValues,
                                          const std::array<PanelLogLine, kLoggedPanels>& panels);

// The call the logs write with: the system's write() unless a test has put a stand-in here to
// act out a failing disk. It behaves as write(): the bytes written, or -1 with errno set.
using LogWriteCall = std::ptrdiff_t (*)(int fd, const void* data, std::size_t size);

// Puts call in place of the write call (nullptr: the system's write()) and returns the one it
// replaces. For tests only; not synchronised with logging on other threads.
LogWriteCall ReplaceLogWriteForTesting(LogWriteCall call);

}  // namespace halvessa::files
