#include "files/read_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace halvessa::files {
namespace {

// Closes a descriptor on every way out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// "256 MB" for a whole number of megabytes (2^20 bytes), else "1000 bytes".
QString Limit(qint64 bytes) {
  constexpr qint64 kMegabyte = 1 << 20;
  return bytes > 0 && bytes % kMegabyte == 0 ? QStringLiteral("%1 MB").arg(bytes / kMegabyte)
                                             : QStringLiteral("%1 bytes").arg(bytes);
}

// The refusal for what stat() or open() said: a missing file, else the system's reason.
QString Failure(int error) {
  if (error == ENOENT || error == ENOTDIR) return QStringLiteral("no such file");
  return QStringLiteral("cannot be read (%1)").arg(SystemReason(error));
}

QString NotRegular(mode_t mode) {
  return QStringLiteral("is %1, not a regular file").arg(FileKind(mode));
}

// The file's bytes into bytes; the reason when it cannot be read whole within maxBytes.
QString Read(const QByteArray& native, qint64 maxBytes, QByteArray& bytes) {
  struct stat status {};
  if (::stat(native.constData(), &status) != 0) return Failure(errno);
  // Looked at before opening: opening a device may act on it, and a pipe may wait.
  if (!S_ISREG(status.st_mode)) return NotRegular(status.st_mode);
  const QString tooLarge = QStringLiteral("is larger than %1").arg(Limit(maxBytes));
  if (status.st_size > maxBytes) return tooLarge;
  // O_NONBLOCK: should the name be swapped for a pipe meanwhile, the open does not wait either.
  int fd = -1;
  do {
    fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return Failure(errno);
  const Descriptor file(fd);
  if (::fstat(fd, &status) != 0) return Failure(errno);
  if (!S_ISREG(status.st_mode)) return NotRegular(status.st_mode);

  // One byte more than allowed tells a file past the limit; a file stating no size grows the
  // buffer as it comes.
  bytes.resize(std::min<qint64>(status.st_size, maxBytes) + 1);
  qint64 have = 0;
  for (;;) {
    if (have == bytes.size()) {
      if (have > maxBytes) return tooLarge;
      bytes.resize(std::min(maxBytes + 1, std::max<qint64>(2 * have, 1 << 16)));
    }
    const ssize_t got =
        ::read(fd, bytes.data() + have, static_cast<std::size_t>(bytes.size() - have));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Failure(errno);
    if (got == 0) break;
    have += got;
  }
  bytes.truncate(have);
  return {};
}

}  // namespace

QString SystemReason(int error) {
  return QString::fromStdString(std::generic_category().message(error));
}

QString FileKind(mode_t mode) {
  if (S_ISREG(mode)) return QStringLiteral("a regular file");
  if (S_ISDIR(mode)) return QStringLiteral("a folder");
  if (S_ISCHR(mode)) return QStringLiteral("a character device");
  if (S_ISBLK(mode)) return QStringLiteral("a block device");
  if (S_ISFIFO(mode)) return QStringLiteral("a named pipe");
  if (S_ISSOCK(mode)) return QStringLiteral("a socket");
  return QStringLiteral("a special file");
}

FileBytes ReadRegularFile(const QString& path, qint64 maxBytes) {
  FileBytes read;
  const QString reason = Read(QFile::encodeName(path), maxBytes, read.bytes);
  if (!reason.isEmpty()) {
    read.bytes.clear();
    read.error = path + QStringLiteral(": ") + reason;
  }
  return read;
}

}  // namespace halvessa::files
