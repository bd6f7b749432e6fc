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
// read as 8-bit Latin-1; a file that begins with a UTF-8 byte-order mark (as Windows editors
// save) is read as UTF-8, the mark passed over.
#pragma once

#include <QString>
#include <optional>

namespace halvessa::files {

// The settings file's name, looked up in the current working directory.
inline constexpr char kSettingsFileName[] = "Kelvarine.ini";

// The longest line, in bytes without its line end, that the reader takes. A longer line is
// skipped, and reading goes on after its end; its bytes are passed over, not kept, so one
// huge line costs no memory. Real lines hold a few dozen characters.
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
//  3. line 1 to setLatitude, line 2 to setLongitude, verbatim; a line longer than
//     kMaxLineBytes is skipped, and that value is not set;
//  4. lines 3 to 7: cut at every "/"; exactly two fields give setAzimuth(i, first) and
//     setTilt(i, second), verbatim; any other line, or one longer than kMaxLineBytes, is
//     skipped but still counts as panel i, which stays empty.
// A file that ends early is normal: reading stops there. A file that cannot be opened, or a
// read error, stops reading too; what was written before it stays.
//
// Returns one line for the user when the file holds something it could not use: lines that
// were skipped (an empty or blank panel line is no panel, not a fault, and is not named) or a
// read that failed, naming the file and the line numbers, e.g.
//   Kelvarine.ini: lines 4 and 6 are not azimuth/tilt and were skipped.
// std::nullopt when there is nothing to say. Never throws.
std::optional<QString> Readini(IniSink& sink,
                               const QString& path = QString::fromLatin1(kSettingsFileName)) noexcept;

}  // namespace halvessa::files
