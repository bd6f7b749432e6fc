// A file the program saves whole (the day's CSV, a chart's image): written aside, beside the
// target, and renamed over it only once every byte is written and on the disk, so that the
// target holds either the old or the new content, never a part.
//
// Only a regular file, or a name not yet taken, is ever replaced. A symbolic link to a regular
// file replaces the file it points to and stays a link. Anything else already there (a device,
// a named pipe, a socket, a folder, a link to nothing) is refused before anything is written,
// and left as it is. Every failure is one line naming the file and the reason, e.g.
//   Cannot write "day.csv": No space left on device
//   Cannot write "x": it is a character device, not a regular file
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <optional>
#include <string_view>

namespace halvessa::files {

class SavedFile {
 public:
  explicit SavedFile(QString path);
  // Takes the file aside away unless commit() succeeded.
  ~SavedFile();
  SavedFile(const SavedFile&) = delete;
  SavedFile& operator=(const SavedFile&) = delete;

  // Looks at what the path names and opens the file aside (with the permissions of the file it
  // replaces). The failure message, or nothing.
  std::optional<QString> open();
  // Appends to the file aside; after a failure every further call fails the same way.
  std::optional<QString> write(std::string_view bytes);
  // Puts the file in place: flushed to the disk, the target looked at again, renamed over it.
  std::optional<QString> commit();

  // The first failure's message, kept: every call after it gives it again.
  const std::optional<QString>& failed() const { return failed_; }
  // "Cannot write "<name>": <reason>" for this file.
  QString failure(const QString& reason) const;

 private:
  std::optional<QString> fail(const QString& reason);
  void discard();

  QString path_;
  QByteArray target_;  // the path renamed over: the file a link points to, else path_
  QByteArray aside_;   // the file written, while it exists
  int fd_ = -1;
  std::optional<QString> failed_;
};

// Saves bytes to path as SavedFile does; the failure message, or nothing.
std::optional<QString> SaveFile(const QString& path, const QByteArray& bytes);

// The call a SavedFile writes with: the system's write() unless a test has put a stand-in here
// to act out a failing disk. It behaves as write(): the bytes written, or -1 with errno set.
using SaveWriteCall = std::ptrdiff_t (*)(int fd, const void* data, std::size_t size);

// Puts call in place of the write call (nullptr: the system's write()) and returns the one it
// replaces. For tests only; not synchronised with saving on other threads.
SaveWriteCall ReplaceSaveWriteForTesting(SaveWriteCall call);

}  // namespace halvessa::files
