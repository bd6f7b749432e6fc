// A data file read whole: only a regular file (a symbolic link to one counts), never waited on,
// and no larger than its reader allows.
//
// Anything else is refused before a byte is read: a folder, a named pipe (which would wait for
// a writer), a device, a socket. The size is checked before reading and again while reading, so
// a file that grows meanwhile, or one that states no size (as those of /proc), cannot pass the
// limit either. Every refusal is one line naming the file as given, e.g.
//   weather.csv: no such file
//   weather.csv: is a named pipe, not a regular file
//   weather.csv: is larger than 256 MB
//   weather.csv: cannot be read (Permission denied)
#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QString>

namespace halvessa::files {

struct FileBytes {
  QByteArray bytes;  // the whole file, when read
  QString error;     // one line when it was not; empty when it was
};

// Reads the regular file at path, at most maxBytes (0 to 1 GB) of it.
FileBytes ReadRegularFile(const QString& path, qint64 maxBytes);

// The system's reason for an error number (errno), as "Permission denied".
QString SystemReason(int error);

// What a file's mode (st_mode) says it is, for messages: "a folder", "a named pipe", "a
// character device", "a block device", "a socket", "a regular file", else "a special file".
QString FileKind(mode_t mode);

}  // namespace halvessa::files
