#include "files/save_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

#include "files/read_file.h"

namespace halvessa::files {
namespace {

std::ptrdiff_t SystemWrite(int fd, const void* data, std::size_t size) {
  return ::write(fd, data, size);
}

SaveWriteCall writeCall = &SystemWrite;

// What may be replaced at path: the path to rename over (the file a link points to), or the
// reason it may not. A name not yet taken is itself.
std::optional<QString> Target(const QByteArray& path, QByteArray& target, struct stat& status,
                              bool& exists) {
  exists = false;
  target = path;
  if (::lstat(path.constData(), &status) != 0) {
    return errno == ENOENT ? std::nullopt : std::optional<QString>(SystemReason(errno));
  }
  if (S_ISLNK(status.st_mode)) {
    if (::stat(path.constData(), &status) != 0) {
      return errno == ENOENT ? QStringLiteral("it is a link to nothing") : SystemReason(errno);
    }
    if (!S_ISREG(status.st_mode)) {
      return QStringLiteral("it is a link to %1, not to a regular file")
          .arg(FileKind(status.st_mode));
    }
    char resolved[PATH_MAX];
    if (::realpath(path.constData(), resolved) == nullptr) return SystemReason(errno);
    target = resolved;
  } else if (!S_ISREG(status.st_mode)) {
    return QStringLiteral("it is %1, not a regular file").arg(FileKind(status.st_mode));
  }
  exists = true;
  return std::nullopt;
}

}  // namespace

SavedFile::SavedFile(QString path) : path_(std::move(path)) {}

SavedFile::~SavedFile() { discard(); }

QString SavedFile::failure(const QString& reason) const {
  QString name = QFileInfo(path_).fileName();
  if (name.isEmpty()) name = path_;
  return QStringLiteral("Cannot write \"%1\": %2").arg(name, reason);
}

std::optional<QString> SavedFile::fail(const QString& reason) {
  discard();
  failed_ = failure(reason);
  return failed_;
}

void SavedFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!aside_.isEmpty()) ::unlink(aside_.constData());
  aside_.clear();
}

std::optional<QString> SavedFile::open() {
  if (failed_) return failed_;
  if (path_.isEmpty()) return fail(SystemReason(ENOENT));
  struct stat status {};
  bool exists = false;
  if (const std::optional<QString> refused =
          Target(QFile::encodeName(path_), target_, status, exists)) {
    return fail(*refused);
  }
  // A file the user may not write is not replaced behind its back (the folder may allow it).
  if (exists && ::access(target_.constData(), W_OK) != 0) return fail(SystemReason(errno));

  // Beside the target, so that the rename stays on one file system.
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    aside_ = target_ + '.' +
             QByteArray::number(QRandomGenerator::global()->bounded(0x1000000), 16) + ".part";
    do {
      fd_ = ::open(aside_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0 && errno != EEXIST) {
      const int error = errno;
      aside_.clear();
      return fail(SystemReason(error));
    }
  }
  if (fd_ < 0) {
    aside_.clear();
    return fail(SystemReason(EEXIST));
  }
  if (exists) {
    // The replaced file's permissions and, where allowed (as root), its owner; neither is
    // worth failing the save for.
    (void)::fchmod(fd_, status.st_mode & 07777);
    if (::geteuid() == 0) (void)::fchown(fd_, status.st_uid, status.st_gid);
  }
  return std::nullopt;
}

std::optional<QString> SavedFile::write(std::string_view bytes) {
  if (failed_) return failed_;
  if (fd_ < 0) return fail(QStringLiteral("the file is not open"));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::ptrdiff_t n = writeCall(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(SystemReason(errno));
    if (n == 0) {
      return fail(
          QStringLiteral("only %1 of %2 bytes could be written").arg(done).arg(bytes.size()));
    }
    done += static_cast<std::size_t>(n);
  }
  return std::nullopt;
}

std::optional<QString> SavedFile::commit() {
  if (failed_) return failed_;
  if (fd_ < 0) return fail(QStringLiteral("the file is not open"));
  // A full disk may show only here, on file systems that allocate late.
  if (::fsync(fd_) != 0) return fail(SystemReason(errno));
  const int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0 && errno != EINTR) return fail(SystemReason(errno));
  // What is there now may have changed since open().
  QByteArray target;
  struct stat status {};
  bool exists = false;
  if (const std::optional<QString> refused =
          Target(QFile::encodeName(path_), target, status, exists)) {
    return fail(*refused);
  }
  if (target != target_) return fail(QStringLiteral("it was replaced while being written"));
  if (::rename(aside_.constData(), target_.constData()) != 0) return fail(SystemReason(errno));
  aside_.clear();
  return std::nullopt;
}

std::optional<QString> SaveFile(const QString& path, const QByteArray& bytes) {
  SavedFile file(path);
  if (std::optional<QString> failed = file.open()) return failed;
  if (std::optional<QString> failed =
          file.write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))) {
    return failed;
  }
  return file.commit();
}

SaveWriteCall ReplaceSaveWriteForTesting(SaveWriteCall call) {
  return std::exchange(writeCall, call != nullptr ? call : &SystemWrite);
}

}  // namespace halvessa::files
