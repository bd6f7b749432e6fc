// Horizon files: the skyline's height by azimuth, in one of three forms told apart by content.
//
//   - The PVGIS horizon output (CSV): a few header lines, then a line whose first two fields
//     are "A" and "H_hor", then rows whose first two numbers are the azimuth counted from
//     SOUTH (0 = south, -90 = east, 90 = west, -180 to 180) and the height; further columns
//     (the sun at the solstices) are passed over, and the rows end at the first blank line or
//     a line whose first word ends with ":" (the footer, "A: Azimuth ..."). Azimuths are
//     turned to north clockwise by adding 180.
//   - azimuth,height pairs, azimuth from north clockwise (0 to 360), one pair a line, with an
//     optional header line first (any two names, e.g. "horizon_azimuth,horizon_elevation").
//     The points may come in any order; they are sorted. 360 is north, as 0 is.
//   - a plain list of N heights (N at least 4), equally spaced clockwise from north: the
//     i-th (from 0) at 360 i / N degrees; one per line, or several on a line.
// The first line with content decides between the last two: a header (two fields, not both
// numbers) or two numbers make it pairs, one number or three and more a list (so a list is
// never written two a line); any other text there is refused as not a horizon file.
//
// Fields are separated by commas, semicolons or tabs, or else by blanks; the decimal mark is
// the point. Trailing empty fields (a spreadsheet's trailing separators) are passed over.
// Blank lines and lines that begin with "#" are skipped (but a blank line ends the PVGIS
// rows). Lines end with LF, CR LF or CR; a UTF-8 byte-order mark is passed over.
//
// Heights must lie within -5 to 90 degrees (below 0: the sea seen from a height), azimuths
// within their form's range. The same direction twice (as PVGIS gives north at -180 and 180)
// is taken once when the heights agree and refused when they differ. Refused with one line
// naming the file, the line when there is one, and the reason:
//   horizon.csv: line 7: "x" is not a height in degrees
// also a file that is empty, holds no heights, fewer than a form needs or more than
// kHorizonMaxPoints, a line longer than kHorizonMaxLineChars, a control byte (a binary file),
// a file larger than kHorizonMaxBytes, and a weather or other file given by mistake.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "site/horizon.h"

namespace halvessa::files {

inline constexpr qint64 kHorizonMaxBytes = 1 << 20;
inline constexpr int kHorizonMaxPoints = 3600;
inline constexpr int kHorizonMaxLineChars = 1000;
inline constexpr double kHorizonLowest = -5;
inline constexpr double kHorizonHighest = 90;

enum class HorizonForm { PvgisOutput, Pairs, HeightList };

struct HorizonRead {
  std::optional<site::Horizon> horizon;  // set when the file was read
  HorizonForm form = HorizonForm::Pairs;
  QString error;  // one line when it was not
};

// Reads the file at path; messages name it as given. A missing file, a folder or other
// non-regular file (never waited on) and a read failure are refused as well (ReadRegularFile).
HorizonRead ReadHorizon(const QString& path);

// The same from the file's bytes; messages name it `name`.
HorizonRead ParseHorizon(const QByteArray& bytes, const QString& name);

}  // namespace halvessa::files
