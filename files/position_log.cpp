#include "files/position_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <deque>
#include <string>
#include <utility>

#include "files/read_file.h"

namespace halvessa::files {
namespace {

std::ptrdiff_t SystemWrite(int fd, const void* data, std::size_t size) {
  return ::write(fd, data, size);
}

LogWriteCall writeCall = &SystemWrite;

QString Failure(const QString& fileName, const QString& reason) {
  return QStringLiteral("Cannot write \"%1\": %2").arg(fileName, reason);
}

QString NotRegularFile() { return QStringLiteral("not a regular file"); }

// One file of a step and its line. The file stays open from before the step's first write
// until the step is over, so that it can still be cut back when a later file fails.
class StepFile {
 public:
  StepFile(QString name, QByteArray line) : name_(std::move(name)), line_(std::move(line)) {}
  StepFile(const StepFile&) = delete;
  StepFile& operator=(const StepFile&) = delete;
  ~StepFile() {
    // A failure that only shows on closing has already been asked for by settle().
    if (fd_ >= 0) ::close(fd_);
  }

  const QString& name() const { return name_; }

  // Opens the file for appending, creating it when missing, and notes its size.
  std::optional<QString> open(const QDir& dir) {
    const QByteArray path = QFile::encodeName(dir.filePath(name_));
    // O_NONBLOCK keeps a named pipe without a reader from blocking the open; such a file is
    // refused below anyway. It changes nothing for a regular file.
    do {
      fd_ = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) return errno == ENXIO ? NotRegularFile() : SystemReason(errno);  // ENXIO: a pipe

    struct stat status {};
    if (::fstat(fd_, &status) != 0) return SystemReason(errno);
    if (!S_ISREG(status.st_mode)) return NotRegularFile();
    sizeBefore_ = status.st_size;
    return std::nullopt;
  }

  // Appends the line, normally in a single write. A short write is continued: on a full disk
  // the next write fails and tells why; the caller then cuts the file back.
  std::optional<QString> write() {
    if (line_.isEmpty()) return std::nullopt;
    written_ = true;
    qsizetype done = 0;
    while (done < line_.size()) {
      const std::ptrdiff_t n = writeCall(fd_, line_.constData() + done,
                                         static_cast<std::size_t>(line_.size() - done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return SystemReason(errno);
      if (n == 0) {
        return QStringLiteral("only %1 of %2 bytes could be written").arg(done).arg(line_.size());
      }
      done += n;
    }
    return std::nullopt;
  }

  // Some file systems (network ones) report a failed write only when the file is closed.
  // Closing a duplicate asks for that report while the file stays open for cutting back.
  std::optional<QString> settle() {
    if (!written_) return std::nullopt;
    const int copy = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return SystemReason(errno);
    // On Linux the descriptor is gone even when close() is interrupted, so it is not retried;
    // an interruption says nothing about the data.
    if (::close(copy) != 0 && errno != EINTR) return SystemReason(errno);
    return std::nullopt;
  }

  // Takes back whatever the step wrote: the file returns to its size before the step.
  std::optional<QString> cutBack() {
    if (!written_) return std::nullopt;
    struct stat now {};
    if (::fstat(fd_, &now) != 0) return SystemReason(errno);
    // Nothing landed; a file someone else has shortened meanwhile is not lengthened either.
    if (now.st_size <= sizeBefore_) return std::nullopt;
    int cut = -1;
    do {
      cut = ::ftruncate(fd_, sizeBefore_);
    } while (cut != 0 && errno == EINTR);
    if (cut != 0) return SystemReason(errno);
    return std::nullopt;
  }

 private:
  QString name_;
  QByteArray line_;
  int fd_ = -1;
  off_t sizeBefore_ = 0;
  bool written_ = false;  // some of the line may be in the file
};

QString CutBack(std::deque<StepFile>& files, QString message) {
  for (StepFile& file : files) {
    if (const std::optional<QString> reason = file.cutBack()) {
      message += QStringLiteral("; \"%1\" could not be cut back: %2").arg(file.name(), *reason);
    }
  }
  return message;
}

// Opens every file, then writes every line, then settles every file; the first failure ends
// the step and takes back everything it wrote.
std::optional<QString> RunStep(const QDir& dir, std::deque<StepFile>& files) {
  for (StepFile& file : files) {
    if (const std::optional<QString> reason = file.open(dir)) return Failure(file.name(), *reason);
  }
  for (StepFile& file : files) {
    if (const std::optional<QString> reason = file.write()) {
      return CutBack(files, Failure(file.name(), *reason));
    }
  }
  for (StepFile& file : files) {
    if (const std::optional<QString> reason = file.settle()) {
      return CutBack(files, Failure(file.name(), *reason));
    }
  }
  return std::nullopt;
}

}  // namespace

QString SolarLogName() { return QStringLiteral("solar.log"); }

QString PanelLogName(int panel) {
  return QStringLiteral("panel") + QString::number(panel) + QStringLiteral(".log");
}

QByteArray PositionLogLine(const QStringList& values) {
  QString line;
  for (qsizetype i = 0; i < values.size(); ++i) {
    if (i > 0) line += QLatin1Char('\t');
    QString value = values[i];
    for (QChar& c : value) {
      if (c.category() == QChar::Other_Control) c = QLatin1Char(' ');
    }
    line += value;
  }
  line += QStringLiteral("\r\n");
  return line.toLocal8Bit();
}

std::optional<QString> AppendPositionLogs(const QDir& dir, const QStringList& solarValues,
                                          const std::array<PanelLogLine, kLoggedPanels>& panels) {
  std::deque<StepFile> files;  // never moved: each holds its open file
  files.emplace_back(SolarLogName(), PositionLogLine(solarValues));

  const QStringList moment = solarValues.mid(0, 2);
  for (int i = 0; i < kLoggedPanels; ++i) {
    const PanelLogLine& panel = panels[static_cast<std::size_t>(i)];
    if (!panel.checked) continue;
    files.emplace_back(PanelLogName(i + 1),
                       panel.inUse ? PositionLogLine(moment + panel.values) : QByteArray());
  }
  return RunStep(dir, files);
}

LogWriteCall ReplaceLogWriteForTesting(LogWriteCall call) {
  return std::exchange(writeCall, call != nullptr ? call : &SystemWrite);
}

}  // namespace halvessa::files
