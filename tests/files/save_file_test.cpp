// Files saved whole: only a regular file or a new name is replaced, every other thing already
// there is refused and left as it was, and a failure names the file and the system's reason.
#include "files/save_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

namespace halvessa::files {
namespace {

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

mode_t Mode(const QString& path) {
  struct stat s {};
  return ::lstat(QFile::encodeName(path).constData(), &s) == 0 ? s.st_mode : 0;
}

// Takes 10 bytes, then the disk is full.
std::ptrdiff_t FullAfterTen(int fd, const void* data, std::size_t size) {
  static std::size_t room = 10;
  if (room == 0) {
    room = 10;  // for the next use
    errno = ENOSPC;
    return -1;
  }
  const std::size_t n = size < room ? size : room;
  room -= n;
  return ::write(fd, data, n);
}

class SaveFileTest : public ::testing::Test {
 protected:
  QString path(const char* name) const { return dir_.filePath(name); }
  QByteArray native(const char* name) const { return QFile::encodeName(path(name)); }
  // Every name in the folder, hidden and special ones included: no file aside stays.
  QStringList names() const {
    return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                       QDir::NoDotAndDotDot, QDir::Name);
  }
  QTemporaryDir dir_;
};

TEST_F(SaveFileTest, ARegularFileOrANewNameIsReplacedWhole) {
  EXPECT_EQ(SaveFile(path("new.csv"), "a,b\r\n"), std::nullopt);
  EXPECT_EQ(Read(path("new.csv")), "a,b\r\n");
  ASSERT_EQ(::chmod(native("new.csv").constData(), 0640), 0);
  EXPECT_EQ(SaveFile(path("new.csv"), "c"), std::nullopt);
  EXPECT_EQ(Read(path("new.csv")), "c");
  EXPECT_EQ(Mode(path("new.csv")) & 07777, 0640u);  // the replaced file's permissions
  // A link to a regular file replaces that file and stays a link.
  ASSERT_TRUE(QFile::link(path("new.csv"), path("link.csv")));
  EXPECT_EQ(SaveFile(path("link.csv"), "d"), std::nullopt);
  EXPECT_TRUE(S_ISLNK(Mode(path("link.csv"))));
  EXPECT_EQ(Read(path("new.csv")), "d");
  EXPECT_EQ(names(), (QStringList{"link.csv", "new.csv"}));
  EXPECT_EQ(SaveFile(path("nowhere/x.csv"), "e"),
            "Cannot write \"x.csv\": No such file or directory");
}

TEST_F(SaveFileTest, AnythingElseIsRefusedAndLeftAsItWas) {
  ASSERT_EQ(::mkfifo(native("pipe").constData(), 0600), 0);
  ASSERT_TRUE(QDir(dir_.path()).mkdir("folder"));
  ASSERT_TRUE(QFile::link(path("missing"), path("dangling")));
  ASSERT_TRUE(QFile::link(path("pipe"), path("to-pipe")));
  const struct { const char* name; const char* message; } cases[] = {
      {"pipe", "Cannot write \"pipe\": it is a named pipe, not a regular file"},
      {"folder", "Cannot write \"folder\": it is a folder, not a regular file"},
      {"dangling", "Cannot write \"dangling\": it is a link to nothing"},
      {"to-pipe", "Cannot write \"to-pipe\": it is a link to a named pipe, not to a regular file"}};
  for (const auto& c : cases) {
    const mode_t before = Mode(path(c.name));
    EXPECT_EQ(SaveFile(path(c.name), "x"), c.message);
    EXPECT_EQ(Mode(path(c.name)), before) << c.name;
  }
  EXPECT_EQ(names(), (QStringList{"dangling", "folder", "pipe", "to-pipe"}));

  // A character device (as `mknod x c 1 7` makes one): root only.
  if (::mknod(native("device").constData(), S_IFCHR | 0600, makedev(1, 7)) != 0) {
    GTEST_SKIP() << "mknod: " << std::strerror(errno) << " (needs root)";
  }
  EXPECT_EQ(SaveFile(path("device"), QByteArray(70000, 'x')),
            "Cannot write \"device\": it is a character device, not a regular file");
  EXPECT_TRUE(S_ISCHR(Mode(path("device"))));
}

// A full disk is named as the system names it; the old file stays whole and nothing is left
// aside. A file not opened, or failed once, says so at every further call.
TEST_F(SaveFileTest, AFailedWriteNamesItsReasonAndKeepsTheOldFile) {
  ASSERT_EQ(SaveFile(path("day.csv"), "old"), std::nullopt);
  ReplaceSaveWriteForTesting(FullAfterTen);
  SavedFile file(path("day.csv"));
  EXPECT_EQ(file.open(), std::nullopt);
  EXPECT_EQ(file.write("0123456"), std::nullopt);
  const QString full = "Cannot write \"day.csv\": No space left on device";
  EXPECT_EQ(file.write("789abc"), full);
  EXPECT_EQ(file.commit(), full);
  ReplaceSaveWriteForTesting(nullptr);
  EXPECT_EQ(Read(path("day.csv")), "old");
  EXPECT_EQ(names(), QStringList{"day.csv"});
  SavedFile unopened(path("day.csv"));
  EXPECT_EQ(unopened.write("x"), "Cannot write \"day.csv\": the file is not open");
  EXPECT_EQ(unopened.commit(), unopened.failed());
}

}  // namespace
}  // namespace halvessa::files
