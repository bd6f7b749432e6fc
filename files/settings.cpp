#include "files/settings.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringList>
#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include "site/site.h"

namespace halvessa::files {

namespace {

// Reads a file line by line through a buffer of its own. A line ends at CR LF, at a CR alone or
// at an LF alone; the end of the file ends the last line too.
class LineReader {
 public:
  enum class Result { kLine, kTooLong, kEnd, kError };

  explicit LineReader(QFile& file) : file_(file), buffer_(16 * 1024) {}

  // kLine: the next line without its end, as text in `text` (Latin-1, or UTF-8 after a mark).
  // kTooLong: the line holds more than kMaxLineBytes bytes; the rest of it is passed over
  // without being kept. kEnd: the file is already at its end. kError: a read failed;
  // file.errorString() tells why.
  Result next(QString& text) {
    QByteArray line;
    bool readAny = false;
    bool tooLong = false;
    while (begin_ < end_ || fill()) {
      if (std::exchange(afterCr_, false) && buffer_[begin_] == '\n') {
        ++begin_;  // the LF of a CR LF
        continue;
      }
      readAny = true;
      const auto first = buffer_.cbegin() + static_cast<std::ptrdiff_t>(begin_);
      const auto last = buffer_.cbegin() + static_cast<std::ptrdiff_t>(end_);
      const auto stop = std::find_if(first, last, [](char c) { return c == '\r' || c == '\n'; });
      const auto count = static_cast<qsizetype>(stop - first);
      tooLong = tooLong || line.size() + count > kMaxLineBytes;
      if (!tooLong) line.append(&*first, count);
      begin_ += static_cast<std::size_t>(count);
      if (stop != last) {
        afterCr_ = *stop == '\r';
        ++begin_;
        return Finish(line, tooLong, text);
      }
    }
    if (failed_) return Result::kError;
    if (!readAny) return Result::kEnd;
    return Finish(line, tooLong, text);
  }

 private:
  Result Finish(const QByteArray& line, bool tooLong, QString& text) const {
    if (tooLong) return Result::kTooLong;
    text = utf8_ ? QString::fromUtf8(line) : QString::fromLatin1(line);
    return Result::kLine;
  }

  // The next piece of the file into the buffer; false at the end of the file or on a failure.
  // A UTF-8 byte-order mark at the very start (a Windows editor's) is passed over, and the
  // file is then read as UTF-8.
  bool fill() {
    const qint64 got = file_.read(buffer_.data(), static_cast<qint64>(buffer_.size()));
    failed_ = got < 0;
    begin_ = 0;
    end_ = got > 0 ? static_cast<std::size_t>(got) : 0;
    if (std::exchange(atStart_, false) && end_ >= 3 && buffer_[0] == '\xEF' &&
        buffer_[1] == '\xBB' && buffer_[2] == '\xBF') {
      begin_ = 3;
      utf8_ = true;
      if (end_ == 3) return fill();
    }
    return got > 0;
  }

  QFile& file_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;  // the unread bytes are buffer_[begin_, end_)
  std::size_t end_ = 0;
  bool afterCr_ = false;  // the last line ended with a CR, which an LF may still follow
  bool failed_ = false;
  bool atStart_ = true;  // nothing read yet
  bool utf8_ = false;    // the file began with a UTF-8 byte-order mark
};

// "line 4", "lines 4 and 6", "lines 3, 4 and 6".
QString LineNumbers(const QList<int>& numbers) {
  QString text = QString::number(numbers.front());
  for (qsizetype i = 1; i < numbers.size(); ++i) {
    text += (i + 1 == numbers.size() ? QStringLiteral(" and ") : QStringLiteral(", ")) +
            QString::number(numbers[i]);
  }
  return (numbers.size() == 1 ? QStringLiteral("line ") : QStringLiteral("lines ")) + text;
}

QString SkippedLines(const QList<int>& numbers, const QString& what) {
  const bool one = numbers.size() == 1;
  return LineNumbers(numbers) + (one ? QStringLiteral(" is ") : QStringLiteral(" are ")) + what +
         (one ? QStringLiteral(" and was skipped") : QStringLiteral(" and were skipped"));
}

}  // namespace

bool FileExists(const QString& path) noexcept {
  try {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
  } catch (const std::exception&) {
    return false;
  }
}

std::optional<QString> Readini(IniSink& sink, const QString& path) noexcept {
  try {
    if (!FileExists(path)) return std::nullopt;

    for (int i = 1; i <= kPanelCount; ++i) {
      sink.setAzimuth(i, QString());
      sink.setTilt(i, QString());
    }

    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
      return QStringLiteral("%1: could not be opened (%2).").arg(name, file.errorString());
    }
    LineReader lines(file);

    QList<int> tooLong;
    QList<int> notPanels;
    QString failure;
    QString text;
    for (int number = 1; number <= 2 + kPanelCount; ++number) {
      const LineReader::Result result = lines.next(text);
      if (result == LineReader::Result::kEnd) break;
      if (result == LineReader::Result::kError) {
        failure = LineNumbers({number}) +
                  QStringLiteral(" could not be read (%1); reading stopped there")
                      .arg(file.errorString());
        break;
      }
      if (result == LineReader::Result::kTooLong) {
        tooLong << number;
      } else if (number == 1) {
        sink.setLatitude(text);
      } else if (number == 2) {
        sink.setLongitude(text);
      } else if (const QStringList fields = text.split(QLatin1Char('/'), Qt::KeepEmptyParts);
                 fields.size() == 2) {
        sink.setAzimuth(number - 2, fields[0]);
        sink.setTilt(number - 2, fields[1]);
      } else if (!text.trimmed().isEmpty()) {
        notPanels << number;  // an empty or blank line simply leaves the panel empty
      }
    }
    // The file closes with `file` going out of scope, on every path.

    QStringList clauses;
    if (!tooLong.isEmpty()) {
      clauses << SkippedLines(tooLong, QStringLiteral("longer than %1 bytes").arg(kMaxLineBytes));
    }
    if (!notPanels.isEmpty()) clauses << SkippedLines(notPanels, QStringLiteral("not azimuth/tilt"));
    if (!failure.isEmpty()) clauses << failure;
    if (clauses.isEmpty()) return std::nullopt;
    return name + QStringLiteral(": ") + clauses.join(QStringLiteral("; ")) + QLatin1Char('.');
  } catch (const std::exception&) {
    // Reading the settings never fails towards its caller: whatever was written stays.
    return std::nullopt;
  }
}

}  // namespace halvessa::files
