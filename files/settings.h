// The settings file "Kelvarine.ini": the site's latitude and longitude and the five panels'
// azimuth and tilt, read once at start-up from the current working directory.
//
// The file only supplies texts. Its lines land verbatim in the window's boxes through an
// IniSink, so this layer knows nothing of the window:
//   line 1        latitude
//   line 2        longitude
//   lines 3 to 7  panel 1 to 5 as  azimuth/tilt  (exactly one "/", else the panel is skipped)
//   line 8 on     never read
// Lines end with CR LF, CR alone or LF alone; the last line needs no line end. The text is
// read as 8-bit Latin-1.
#pragma once

#include <QString>

namespace halvessa::files {

// The settings file's name, looked up in the current working directory.
inline constexpr char kSettingsFileName[] = "Kelvarine.ini";

// The longest line, in bytes without its line end, that the reader accepts. A longer line is
// a read failure: reading stops there, as at the end of the file. Real lines hold a few
// dozen characters; the cap keeps a runaway file (one huge line) from filling memory.
inline constexpr int kMaxLineBytes = 4096;

// Where the values read go. Panel numbers run from 1 to 5.
class IniSink {
 public:
  virtual ~IniSink() = default;
  virtual void setLatitude(const QString& text) = 0;
  virtual void setLongitude(const QString& text) = 0;
  virtual void setAzimuth(int panel, const QString& text) = 0;
  virtual void setTilt(int panel, const QString& text) = 0;
};

// True only when path names an existing regular file (a symbolic link to one counts); false
// for a missing path, a folder or anything else, and when the query fails. Never throws.
bool FileExists(const QString& path) noexcept;

// Reads the settings file at path into sink, in this order:
//  1. no file (FileExists false): return, nothing written;
//  2. every panel cleared: setAzimuth(i, ""), then setTilt(i, ""), for i = 1 to 5;
//  3. line 1 to setLatitude, line 2 to setLongitude, verbatim;
//  4. lines 3 to 7: cut at every "/"; exactly two fields give setAzimuth(i, first) and
//     setTilt(i, second), verbatim; any other line is skipped but still counts as panel i.
// Any failure (the file cannot be opened, ends early, a line longer than kMaxLineBytes, a
// read error) stops reading silently; what was written before it stays. Never throws.
void Readini(IniSink& sink, const QString& path = QString::fromLatin1(kSettingsFileName)) noexcept;

}  // namespace halvessa::files
