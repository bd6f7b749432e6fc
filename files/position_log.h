// The position logs a simulation run appends to, one line per step: solar.log for the sun and
// panel1.log to panel5.log for the panels the user picked.
//
// Every line is the texts the window's boxes show, one TAB between neighbouring values (a value
// may hold a decimal comma, so neither a comma nor a blank would do), ended by CR LF, in the
// system's 8-bit encoding. There is no header line. The files are opened for appending (created
// when missing, never truncated) and closed again after each line, so other programs may read
// them while a run goes on.
//
// Each line goes to its file in a single append. When that append fails or comes up short, the
// file is cut back to its size before the append: a reader never sees half a line, and nothing
// that was in the file before is lost or changed.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace halvessa::files {

inline constexpr int kLoggedPanels = 5;

// "solar.log".
QString SolarLogName();

// "panel1.log" to "panel5.log": the number in decimal, no leading zero or blank.
QString PanelLogName(int panel);

// One line of a log as written: the values joined by TAB, then CR LF, in the system's 8-bit
// encoding. A TAB, CR, LF or other control character inside a value would break the line
// apart, so each one is written as a blank.
QByteArray PositionLogLine(const QStringList& values);

// Opens fileName in dir for appending (creating it when missing), appends line with a single
// write, and closes the file. An empty line only creates the file. std::nullopt on success,
// otherwise the message naming the file and the reason, e.g.
//   Cannot write "panel2.log": Permission denied
// Anything that is not a regular file (a directory, a named pipe, a device) is refused rather
// than waited on.
std::optional<QString> AppendToLog(const QDir& dir, const QString& fileName,
                                   const QByteArray& line);

// What one panel contributes to a step.
struct PanelLogLine {
  bool checked = false;  // its "Log this panel" box is ticked
  bool inUse = false;    // its azimuth or tilt is not 0
  QStringList values;    // the texts of its azimuth, tilt, angle of incidence and production boxes
};

// Logs one simulation step; the caller has already decided that this step is logged.
// solarValues holds the texts of the date, time, sun azimuth and sun elevation boxes, in this
// order; panels[0] is panel 1. In this order:
//   - appends the line of solarValues to solar.log;
//   - for panel i = 1 to 5: when checked, opens panel<i>.log for appending (creating it when
//     missing) and, when also in use, appends the step's date and time (the first two of
//     solarValues) followed by the panel's values. A checked panel that is not in use thus gets
//     its file but no line; an unchecked one is not touched.
// Stops at the first file that fails and returns its message (see AppendToLog); the files
// before it have their lines, the ones after it are not touched. std::nullopt on success.
std::optional<QString> AppendPositionLogs(const QDir& dir, const QStringList& solarValues,
                                          const std::array<PanelLogLine, kLoggedPanels>& panels);

}  // namespace halvessa::files
