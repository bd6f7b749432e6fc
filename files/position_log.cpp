#include "files/position_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <string>
#include <system_error>

namespace halvessa::files {
namespace {

QString Reason(int error) {
  return QString::fromStdString(std::generic_category().message(error));
}

QString Failure(const QString& fileName, const QString& reason) {
  return QStringLiteral("Cannot write \"%1\": %2").arg(fileName, reason);
}

QString NotRegularFile() { return QStringLiteral("not a regular file"); }

// Closes the descriptor on every way out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports the result: on some file systems a failed write only shows here.
  int close() {
    const int fd = fd_;
    fd_ = -1;
    // On Linux the descriptor is gone even when close() is interrupted, so it is not retried;
    // an interruption says nothing about the data.
    if (::close(fd) != 0 && errno != EINTR) return errno;
    return 0;
  }

 private:
  int fd_;
};

int OpenForAppend(const QByteArray& path) {
  // O_NONBLOCK keeps a named pipe without a reader from blocking the open; such a file is
  // refused below anyway. It changes nothing for a regular file.
  for (;;) {
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK,
                          0666);
    if (fd >= 0 || errno != EINTR) return fd;
  }
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

std::optional<QString> AppendToLog(const QDir& dir, const QString& fileName,
                                   const QByteArray& line) {
  const QByteArray path = QFile::encodeName(dir.filePath(fileName));
  Descriptor file(OpenForAppend(path));
  if (file.get() < 0) {
    // A named pipe nobody reads from.
    return Failure(fileName, errno == ENXIO ? NotRegularFile() : Reason(errno));
  }

  struct stat status {};
  if (::fstat(file.get(), &status) != 0) return Failure(fileName, Reason(errno));
  if (!S_ISREG(status.st_mode)) return Failure(fileName, NotRegularFile());
  const off_t sizeBefore = status.st_size;

  if (!line.isEmpty()) {
    // The whole line in one write, so that it lands at the end of the file in one piece.
    // A short write is not continued: the part that did land is taken back instead.
    ssize_t written = -1;
    do {
      written = ::write(file.get(), line.constData(), static_cast<size_t>(line.size()));
    } while (written < 0 && errno == EINTR);

    if (written != static_cast<ssize_t>(line.size())) {
      QString reason = written < 0 ? Reason(errno)
                                   : QStringLiteral("only %1 of %2 bytes could be written")
                                         .arg(written)
                                         .arg(line.size());
      struct stat now {};
      const bool grew = ::fstat(file.get(), &now) != 0 || now.st_size != sizeBefore;
      if (grew) {
        int cut = -1;
        do {
          cut = ::ftruncate(file.get(), sizeBefore);
        } while (cut != 0 && errno == EINTR);
        if (cut != 0) {
          reason += QStringLiteral("; the partial line could not be removed: ") + Reason(errno);
        }
      }
      return Failure(fileName, reason);
    }
  }

  if (const int error = file.close(); error != 0) return Failure(fileName, Reason(error));
  return std::nullopt;
}

std::optional<QString> AppendPositionLogs(const QDir& dir, const QStringList& solarValues,
                                          const std::array<PanelLogLine, kLoggedPanels>& panels) {
  if (auto failure = AppendToLog(dir, SolarLogName(), PositionLogLine(solarValues))) {
    return failure;
  }

  const QStringList moment = solarValues.mid(0, 2);
  for (int i = 0; i < kLoggedPanels; ++i) {
    const PanelLogLine& panel = panels[static_cast<std::size_t>(i)];
    if (!panel.checked) continue;
    const QByteArray line = panel.inUse ? PositionLogLine(moment + panel.values) : QByteArray();
    if (auto failure = AppendToLog(dir, PanelLogName(i + 1), line)) return failure;
  }
  return std::nullopt;
}

}  // namespace halvessa::files
