// The files layer: the settings file, the position logs and the files saved whole, written
// aside and renamed over a regular file or a new name only.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include "files/position_log.h"
#include "files/save_file.h"
#include "files/settings.h"

namespace halvessa::files {
namespace {

// A file's bytes, "<missing>" when it cannot be read.
QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Records every call in order, as "lat=...", "az3=...", "tilt3=...", and the notice last.
struct RecordingSink : IniSink {
  void setLatitude(const QString& text) override { calls << "lat=" + text; }
  void setLongitude(const QString& text) override { calls << "lon=" + text; }
  void setAzimuth(int i, const QString& t) override { calls << QStringLiteral("az%1=").arg(i) + t; }
  void setTilt(int i, const QString& t) override { calls << QStringLiteral("tilt%1=").arg(i) + t; }
  QStringList calls;
};

QStringList ReadSettings(const QString& path) {
  RecordingSink sink;
  const std::optional<QString> notice = Readini(sink, path);
  if (notice) sink.calls << "notice: " + *notice;
  return sink.calls;
}

// Every read of a file first clears the five panels.
const QStringList kCleared = {"az1=", "tilt1=", "az2=", "tilt2=", "az3=", "tilt3=",
                              "az4=", "tilt4=", "az5=", "tilt5="};

// A temporary folder and names in it, the settings file's by default.
class InFolder : public ::testing::Test {
 protected:
  QString path(const char* name = kSettingsFileName) const { return dir_.filePath(name); }
  QByteArray native(const char* name) const { return QFile::encodeName(path(name)); }
  void write(const QByteArray& bytes) const {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
  }
  // Every name in the folder, hidden and special ones included: no file aside stays.
  QStringList names() const {
    return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                       QDir::NoDotAndDotDot, QDir::Name);
  }
  QTemporaryDir dir_;
};
using SettingsFile = InFolder;

TEST_F(SettingsFile, LinesReachTheSinkVerbatimAndSkippedOnesAreNamed) {
  const QByteArray longest(kMaxLineBytes, '7');
  const struct { const char* name; QByteArray bytes; QStringList then; } cases[] = {
      {"full file", "46.205556\r\n6.154444\r\n151/45\r\n151/20\r\n331/20\r\n151/70\r\n331/70\r\n",
       {"lat=46.205556", "lon=6.154444", "az1=151", "tilt1=45", "az2=151", "tilt2=20", "az3=331",
        "tilt3=20", "az4=151", "tilt4=70", "az5=331", "tilt5=70"}},
      {"empty", "", {}},
      {"panel lines need exactly one slash; an empty one is no panel; line 8 is never read",
       "1\r\n2\r\n 151 / 45 \r\n\r\n/45\r\n10/20/30\r\nno slash\r\n9/9\r\n",
       {"lat=1", "lon=2", "az1= 151 ", "tilt1= 45 ", "az3=", "tilt3=45",
        "notice: Kelvarine.ini: lines 6 and 7 are not azimuth/tilt and were skipped."}},
      {"CR, LF and CR LF; the last line needs none", "1\r2\n3/4\r\n\n \r5/6",
       {"lat=1", "lon=2", "az1=3", "tilt1=4", "az4=5", "tilt4=6"}},
      {"LF then CR are two line ends", "1\n\r2", {"lat=1", "lon=",
        "notice: Kelvarine.ini: line 3 is not azimuth/tilt and was skipped."}},
      {"8-bit text is Latin-1", "46\xB0\x31\x32\r\n6,15", {"lat=46\u00B012", "lon=6,15"}},
      {"after a UTF-8 byte-order mark, UTF-8", "\xEF\xBB\xBF" "46.5\r\n6\xC2\xB0",
       {"lat=46.5", "lon=6\u00B0"}},
      {"the mark only counts at the start", "1\r\n\xEF\xBB\xBF" "2",
       {"lat=1", "lon=\u00EF\u00BB\u00BF" "2"}},
      {"a file of just the mark", "\xEF\xBB\xBF", {}},
      {"a line of just the limit", longest + "\r\n2", {"lat=" + QString(longest), "lon=2"}},
      {"huge lines, a CR LF split between two reads",
       QByteArray(16383, 'x') + "\r\n2\r\n" + QByteArray(3 << 20, '/') + "\n5/6",
       {"lon=2", "az2=5", "tilt2=6",
        "notice: Kelvarine.ini: lines 1 and 3 are longer than 4096 bytes and were skipped."}},
      {"both kinds of skipped line", "x\r\n" + longest + "1\r\na\r\nb/c\r\nd\r\n\r\ne",
       {"lat=x", "az2=b", "tilt2=c",
        "notice: Kelvarine.ini: line 2 is longer than 4096 bytes and was skipped; lines 3, 5 "
        "and 7 are not azimuth/tilt and were skipped."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    write(c.bytes);
    EXPECT_EQ(ReadSettings(path()), kCleared + c.then);
  }
}

TEST_F(SettingsFile, OnlyARegularFileIsRead) {
  EXPECT_FALSE(FileExists(path()));
  EXPECT_FALSE(FileExists(QString()));
  EXPECT_TRUE(ReadSettings(path()).isEmpty());
  // A folder, a dangling link and a named pipe (which would block a reader) are no file.
  ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.ini"));
  ASSERT_TRUE(QFile::link(path("missing"), path("dangling.ini")));
  ASSERT_EQ(::mkfifo(native("pipe.ini").constData(), 0600), 0);
  for (const char* name : {"folder.ini", "dangling.ini", "pipe.ini"}) {
    EXPECT_FALSE(FileExists(path(name))) << name;
    EXPECT_TRUE(ReadSettings(path(name)).isEmpty()) << name;
  }
  write("46\r\n");
  ASSERT_TRUE(QFile::link(path(), path("link.ini")));
  EXPECT_TRUE(FileExists(path("link.ini")));

  // A regular file that cannot be opened, for any user: it may only be written.
  EXPECT_EQ(ReadSettings("/proc/sys/vm/drop_caches"),
            kCleared + QStringList{"notice: drop_caches: could not be opened (Permission "
                                   "denied)."});
  // A regular file whose first read fails: this process's memory, unmapped at offset 0.
  EXPECT_EQ(ReadSettings("/proc/self/mem"),
            kCleared + QStringList{"notice: mem: line 1 could not be read (Input/output error); "
                                   "reading stopped there."});
}

TEST(PositionLogLine, OneTabBetweenValuesAndNoControlCharacterInside) {
  EXPECT_EQ(PositionLogLine({"a", "", "b"}), "a\t\tb\r\n");
  EXPECT_EQ(PositionLogLine({"1\t2", "3\r\n4", QString(QChar(0)) + "5"}), "1 2\t3  4\t 5\r\n");
}

// Stand-ins for the write call. A disk with room for `room` more bytes, all files together:
// a write gets what still fits, the next one fails as a full disk does, or, when `full` is 0,
// takes nothing without saying why.
std::ptrdiff_t room = 0;
int full = ENOSPC;
std::ptrdiff_t FillingDisk(int fd, const void* data, std::size_t size) {
  if (room == 0) {
    errno = full;
    return full == 0 ? 0 : -1;
  }
  const std::ptrdiff_t written = ::write(fd, data, std::min(size, static_cast<std::size_t>(room)));
  if (written > 0) room -= written;
  return written;
}
// Every other call is interrupted by a signal, the others write three bytes at most.
std::ptrdiff_t Dribbling(int fd, const void* data, std::size_t size) {
  static bool interrupt = false;
  interrupt = !interrupt;
  if (interrupt) errno = EINTR;
  return interrupt ? -1 : ::write(fd, data, std::min<std::size_t>(size, 3));
}

int OpenDescriptors() { return static_cast<int>(QDir("/proc/self/fd").count()); }

// Solar and panels 1 to 3 log; panel 4 is checked but not in use; panel 5 is not checked. A
// fault stops the first step, which must leave every file as it was; once the fault is gone,
// that step and the next one give one whole line each, in order, in every file.
TEST(PositionLogs, AStepIsWrittenToAllItsFilesOrToNone) {
  const PanelLogLine inUse{true, true, {"151", "45", "12,5", "93%"}};
  const std::array<PanelLogLine, kLoggedPanels> panels{
      inUse, inUse, inUse, PanelLogLine{true, false, {}}, PanelLogLine{false, true, {"1"}}};
  const QByteArray solar("2025-07-24\t14:00\t151,3\t-2,5\r\n");
  const QByteArray panel("2025-07-24\t14:00\t151\t45\t12,5\t93%\r\n");
  const auto at = [](QByteArray line) { return line.replace("14:00", "14:10"); };
  // The write call the logs use from arm or disarm on, with room and full set for FillingDisk.
  const auto onDisk = [](LogWriteCall call, std::ptrdiff_t bytes = 0, int error = ENOSPC) {
    return [=](QDir) { room = bytes; full = error; ReplaceLogWriteForTesting(call); };
  };
  const struct {
    const char* name;
    std::function<void(QDir)> arm, disarm;
    std::optional<QString> message;
  } cases[] = {
      {"panel2.log is a folder", [](QDir d) { ASSERT_TRUE(d.mkdir("panel2.log")); },
       [](QDir d) { ASSERT_TRUE(d.rmdir("panel2.log")); },
       "Cannot write \"panel2.log\": Is a directory"},
      {"panel2.log is a named pipe",
       [](QDir d) {
         ASSERT_EQ(::mkfifo(QFile::encodeName(d.filePath("panel2.log")).constData(), 0644), 0);
       },
       [](QDir d) { ASSERT_TRUE(d.remove("panel2.log")); },
       "Cannot write \"panel2.log\": not a regular file"},
      {"the disk fills up within panel2.log's line",
       onDisk(FillingDisk, solar.size() + panel.size() + 9), onDisk(nullptr),
       "Cannot write \"panel2.log\": No space left on device"},
      {"a write takes nothing within panel1.log's line", onDisk(FillingDisk, solar.size() + 5, 0),
       onDisk(nullptr), "Cannot write \"panel1.log\": only 5 of 34 bytes could be written"},
      {"interrupted and short writes are carried on", onDisk(Dribbling), onDisk(nullptr),
       std::nullopt},
  };
  // With standard input closed the first file a step opens is descriptor 0; it is closed too.
  const int standardInput = ::dup(0);
  ::close(0);
  const int descriptors = OpenDescriptors();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const auto step = [&](const char* time) {
      return AppendPositionLogs(dir, {"2025-07-24", time, "151,3", "-2,5"}, panels);
    };
    // Earlier runs' lines, one left without its end.
    for (const char* name : {"solar.log", "panel1.log", "panel3.log"}) {
      QFile file(dir.filePath(name));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("kept\r\nunfinished") == 16);
    }
    c.arm(dir);
    EXPECT_EQ(step("14:00"), c.message);
    c.disarm(dir);
    if (c.message) {
      for (const char* name : {"solar.log", "panel1.log", "panel3.log"}) {
        EXPECT_EQ(Read(dir.filePath(name)), "kept\r\nunfinished") << name;
      }
      EXPECT_EQ(step("14:00"), std::nullopt);
    }
    EXPECT_EQ(step("14:10"), std::nullopt);

    EXPECT_EQ(Read(dir.filePath("solar.log")), "kept\r\nunfinished" + solar + at(solar));
    for (const char* name : {"panel1.log", "panel3.log"}) {
      EXPECT_EQ(Read(dir.filePath(name)), "kept\r\nunfinished" + panel + at(panel)) << name;
    }
    EXPECT_EQ(Read(dir.filePath("panel2.log")), panel + at(panel));
    EXPECT_EQ(Read(dir.filePath("panel4.log")) + '|' + Read(dir.filePath("panel5.log")),
              "|<missing>");
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);
  ::dup2(standardInput, 0);
  ::close(standardInput);
}

// When a file of the failed step cannot be cut back, the message names it too. Here panel1.log's
// descriptor is swapped for a read-only one just before panel2.log's write fails.
int panel1Fd = -1, readOnlyFd = -1, calls = 0;
std::ptrdiff_t SwapThenFail(int fd, const void* data, std::size_t size) {
  if (++calls == 2) panel1Fd = fd;
  if (calls <= 2) return ::write(fd, data, size);
  ::dup2(readOnlyFd, panel1Fd);
  errno = ENOSPC;
  return -1;
}

TEST(PositionLogs, AFileThatCannotBeCutBackIsNamed) {
  QTemporaryDir tmp;
  const QDir dir(tmp.path());
  QFile self("/proc/self/exe");  // this program, read-only
  ASSERT_TRUE(self.open(QIODevice::ReadOnly));
  readOnlyFd = self.handle();
  const PanelLogLine inUse{true, true, {"151", "45"}};
  calls = 0;
  ReplaceLogWriteForTesting(SwapThenFail);
  EXPECT_EQ(AppendPositionLogs(dir, {"2025-07-24", "14:00"}, {inUse, inUse}),
            "Cannot write \"panel2.log\": No space left on device; \"panel1.log\" could not be "
            "cut back: Invalid argument");
  ReplaceLogWriteForTesting(nullptr);
  EXPECT_EQ(Read(dir.filePath("solar.log")), "");
  EXPECT_EQ(Read(dir.filePath("panel1.log")), "2025-07-24\t14:00\t151\t45\r\n");
}

// Files saved whole: only a regular file or a new name is replaced, every other thing already
// there is refused and left as it was, and a failure names the file and the system's reason.
mode_t Mode(const QString& path) {
  struct stat s {};
  return ::lstat(QFile::encodeName(path).constData(), &s) == 0 ? s.st_mode : 0;
}

using SaveFileTest = InFolder;

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
  room = 10;
  ReplaceSaveWriteForTesting(FillingDisk);
  SavedFile file(path("day.csv"));
  EXPECT_EQ(file.open(), std::nullopt);
  EXPECT_EQ(file.write("0123456"), std::nullopt);
  const QString noSpace = "Cannot write \"day.csv\": No space left on device";
  EXPECT_EQ(file.write("789abc"), noSpace);
  EXPECT_EQ(file.commit(), noSpace);
  ReplaceSaveWriteForTesting(nullptr);
  EXPECT_EQ(Read(path("day.csv")), "old");
  EXPECT_EQ(names(), QStringList{"day.csv"});
  SavedFile unopened(path("day.csv"));
  EXPECT_EQ(unopened.write("x"), "Cannot write \"day.csv\": the file is not open");
  EXPECT_EQ(unopened.commit(), unopened.failed());
}

}  // namespace
}  // namespace halvessa::files
