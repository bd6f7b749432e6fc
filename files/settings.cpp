#include "files/settings.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <optional>

namespace halvessa::files {

namespace {

// Reads a file line by line. A line ends at CR LF, at a CR alone or at an LF alone; the end
// of the file ends the last line too.
class LineReader {
 public:
  explicit LineReader(QFile& file) : file_(file) {}

  // The next line without its end, as Latin-1 text. Nothing when the file is already at its
  // end, on a read error, or when the line holds more than kMaxLineBytes bytes (reading stops
  // at that point, so a huge line costs no more than the cap).
  std::optional<QString> next() {
    QByteArray line;
    bool readAny = false;
    char c = 0;
    while (file_.getChar(&c)) {
      readAny = true;
      if (c == '\n') return QString::fromLatin1(line);
      if (c == '\r') {
        char following = 0;
        if (file_.peek(&following, 1) == 1 && following == '\n') file_.getChar(&following);
        return QString::fromLatin1(line);
      }
      if (line.size() >= kMaxLineBytes) return std::nullopt;
      line.append(c);
    }
    if (file_.error() != QFileDevice::NoError || !readAny) return std::nullopt;
    return QString::fromLatin1(line);
  }

 private:
  QFile& file_;
};

}  // namespace

bool FileExists(const QString& path) noexcept {
  try {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
  } catch (...) {
    return false;
  }
}

void Readini(IniSink& sink, const QString& path) noexcept {
  try {
    if (!FileExists(path)) return;

    for (int i = 1; i <= 5; ++i) {
      sink.setAzimuth(i, QString());
      sink.setTilt(i, QString());
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return;
    LineReader lines(file);

    const std::optional<QString> latitude = lines.next();
    if (!latitude) return;
    sink.setLatitude(*latitude);

    const std::optional<QString> longitude = lines.next();
    if (!longitude) return;
    sink.setLongitude(*longitude);

    for (int i = 1; i <= 5; ++i) {
      const std::optional<QString> line = lines.next();
      if (!line) return;
      const QStringList fields = line->split(QLatin1Char('/'), Qt::KeepEmptyParts);
      if (fields.size() == 2) {
        sink.setAzimuth(i, fields[0]);
        sink.setTilt(i, fields[1]);
      }
    }
    // The file closes with `file` going out of scope, on every path.
  } catch (...) {
    // Reading the settings never fails towards its caller: whatever was written stays.
  }
}

}  // namespace halvessa::files
