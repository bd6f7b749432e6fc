// The files layer: the settings file, the position logs and the files saved whole, written
// aside and renamed over a regular file or a new name only; a regular file read whole; the
// weather files (the PVGIS TMY year of tests/data in CSV and EPW, a small PVGIS JSON, the plain
// CSV) and the horizon files (three forms told apart), read, and every refusal's one line.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "files/horizon.h"
#include "files/position_log.h"
#include "files/read_file.h"
#include "files/save_file.h"
#include "files/settings.h"
#include "files/weather.h"

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

// A data file read whole: only a regular file within the limit, else one line naming it as given.
using ReadFileTest = InFolder;

TEST_F(ReadFileTest, ARegularFileWithinItsLimitOrOneLineSayingWhy) {
  write("12345");
  ASSERT_TRUE(QFile::link(path(), path("link.ini")));
  EXPECT_EQ(ReadRegularFile(path("link.ini"), 5).bytes, "12345");
  EXPECT_EQ(ReadRegularFile(path(), 4).error, path() + ": is larger than 4 bytes");
  ASSERT_TRUE(QFile::resize(path(), (1 << 20) + 1));
  EXPECT_EQ(ReadRegularFile(path(), 1 << 20).error, path() + ": is larger than 1 MB");
  // A file that states no size (0) is read to its end, and held to the limit as it comes.
  EXPECT_TRUE(ReadRegularFile("/proc/self/status", 1 << 20).bytes.startsWith("Name:"));
  EXPECT_EQ(ReadRegularFile("/proc/self/status", 10).error,
            "/proc/self/status: is larger than 10 bytes");
  EXPECT_EQ(ReadRegularFile("/proc/sys/vm/drop_caches", 10).error,
            "/proc/sys/vm/drop_caches: cannot be read (Permission denied)");

  ASSERT_TRUE(QDir(dir_.path()).mkdir("folder"));
  ASSERT_TRUE(QFile::link(path("missing"), path("dangling")));
  ASSERT_EQ(::mkfifo(native("pipe").constData(), 0600), 0);
  const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, native("socket").constData(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  // A writer waits on the pipe: should the read open it, the writer lets it through to its end
  // (no bytes, no message), so that the test fails rather than hangs.
  std::thread writer([pipe = native("pipe")] {
    const int fd = ::open(pipe.constData(), O_WRONLY);
    if (fd >= 0) ::close(fd);
  });
  const std::pair<QString, QString> cases[] = {
      {path("pipe"), ": is a named pipe, not a regular file"},
      {path("folder"), ": is a folder, not a regular file"},
      {"/dev/null", ": is a character device, not a regular file"},
      {path("socket"), ": is a socket, not a regular file"},
      {path("missing"), ": no such file"},
      {path("dangling"), ": no such file"},
      {path("missing/x.csv"), ": no such file"}};
  for (const auto& [file, reason] : cases) {
    const FileBytes read = ReadRegularFile(file, 100);
    EXPECT_EQ(read.error, file + reason);
    EXPECT_TRUE(read.bytes.isEmpty());
  }
  const int reader = ::open(native("pipe").constData(), O_RDONLY | O_NONBLOCK);  // frees it
  writer.join();
  ::close(reader);
  ::close(socket);
  EXPECT_EQ(std::get<QString>(ReadWeather(path("folder"))),
            path("folder") + ": is a folder, not a regular file");
}

using site::Weather;

const QString kData = QStringLiteral(HALVESSA_TEST_DATA "/");

Weather Loaded(const WeatherResult& result) {
  if (const QString* error = std::get_if<QString>(&result)) ADD_FAILURE() << error->toStdString();
  return std::holds_alternative<Weather>(result) ? std::get<Weather>(result) : Weather{};
}
Weather Load(const QByteArray& bytes) { return Loaded(ParseWeather(bytes, QStringLiteral("w"))); }

QString Refusal(const QByteArray& bytes, const char* name = "w.csv") {
  WeatherResult result = ParseWeather(bytes, QString::fromLatin1(name));
  const QString* error = std::get_if<QString>(&result);
  return error ? *error : QStringLiteral("<read>");
}

TEST(Weather, PvgisCsvAndEpwHoldTheSameYearAnHourApart) {
  const Weather csv = Loaded(ReadWeather(kData + "pvgis-tmy-45.000-8.000.csv"));
  const Weather epw = Loaded(ReadWeather(kData + "pvgis-tmy-45.000-8.000.epw"));
  ASSERT_TRUE(csv.rows.size() == 8760u && epw.rows.size() == 8760u);
  for (const Weather* w : {&csv, &epw}) {
    EXPECT_TRUE(w->latitude == 45 && w->longitude == 8 && w->elevation == 250);
    EXPECT_NEAR(w->centreSeconds, 0.1761 * 3600, 1e-6);  // EPW: 1 - 0.8239 h from the end
    EXPECT_EQ(w->columns, site::kGhi | site::kDni | site::kDhi);
    EXPECT_TRUE(w->typicalYear);  // January 2018, February 2007, ...
  }
  EXPECT_EQ(csv.format, site::WeatherFormat::PvgisCsv);
  EXPECT_EQ(epw.format, site::WeatherFormat::Epw);
  EXPECT_EQ(csv.zoneHours, 0);
  EXPECT_EQ(epw.zoneHours, 1);
  // 20180101:0000, Gb(n) -0.0; EPW 2018-01-01 hour 1 at UTC+1 starts 2017-12-31 23:00 UTC.
  EXPECT_EQ(csv.rows[0].start, 1514764800);
  EXPECT_EQ(epw.rows[0].start, 1514764800 - 3600);
  EXPECT_FALSE(std::signbit(csv.rows[0].dni) || std::signbit(epw.rows[0].dni));
  // The first sunlit hour, 20180101:0800, and 20060616:1600 (line 4019).
  EXPECT_TRUE(csv.rows[8].ghi == 32.0 && csv.rows[8].dhi == 32.0);
  EXPECT_EQ(csv.rows[8].tempAir, 2.1);
  EXPECT_EQ(csv.rows[4000].start, 1150473600);
  EXPECT_EQ(csv.rows[4000].windSpeed, 2.14);
  EXPECT_EQ(epw.rows[4000].windSpeed, 2.1);
  EXPECT_TRUE(std::isnan(epw.rows[4000].albedo) && std::isnan(csv.rows[4000].albedo));
  for (std::size_t i = 0; i < csv.rows.size(); ++i) {
    const site::WeatherRow &c = csv.rows[i], &e = epw.rows[i];
    ASSERT_EQ(e.start, c.start - 3600) << i;
    ASSERT_TRUE(c.length == 3600 && e.length == 3600) << i;
    ASSERT_TRUE(c.ghi == e.ghi && c.dni == e.dni && c.dhi == e.dhi && c.tempAir == e.tempAir) << i;
    ASSERT_NEAR(c.windSpeed, e.windSpeed, 0.05 + 1e-9) << i;
  }
}

TEST(Weather, PvgisJson) {
  const Weather w = Load(R"j({"inputs": {"location": {"latitude": 45.0, "longitude": 8.0, "elevation": 250.0}},
    "outputs": {"months_selected": [{"month": 1, "year": 2018}], "tmy_hourly": [
      {"time(UTC)": "20180101:0800", "T2m": 2.1, "RH": 99.4, "G(h)": 32.0, "Gb(n)": -0.0, "Gd(h)": 32.0, "IR(h)": 286.6, "WS10m": 0.55, "WD10m": 212.0, "SP": 99580.0},
      {"time(UTC)": "20180101:0900", "T2m": 3.23, "G(h)": 149.0, "Gb(n)": 125.3, "Gd(h)": 117.0, "WS10m": null}]},
    "meta": {}})j");
  EXPECT_EQ(w.format, site::WeatherFormat::PvgisJson);
  EXPECT_EQ(w.latitude, 45);
  EXPECT_EQ(w.elevation, 250);
  ASSERT_EQ(w.rows.size(), 2u);
  EXPECT_EQ(w.rows[0].start, 1514764800 + 8 * 3600);
  EXPECT_FALSE(std::signbit(w.rows[0].dni));
  EXPECT_EQ(w.rows[1].dni, 125.3);
  EXPECT_TRUE(std::isnan(w.rows[1].windSpeed));
  EXPECT_TRUE(std::isnan(w.centreSeconds));
  EXPECT_EQ(Refusal(R"j({"outputs": {"tmy_hourly": [{"time(UTC)": "20180101:0800", "G(h)": 1},
    {"time(UTC)": "20180101:0900", "G(h)": "abc"}]}})j", "t.json"),
            "t.json: tmy_hourly entry 2: G(h) is not a number");
  EXPECT_EQ(Refusal(R"j({"outputs": {}})j", "t.json"),
            "t.json: is not a PVGIS TMY JSON file (no outputs.tmy_hourly)");
}

TEST(Weather, PlainCsv) {
  // Every column, CR LF, an offset, a 10-minute step, a gap of two steps, quoted names, "Z".
  Weather w = Load("\"time\",GHI,dni,dhi,temp_air,wind_speed,albedo,other\r\n"
                   "2025-07-24T12:00:00+02:00,800,700,150,25.5,3,0.25,x\r\n"
                   "2025-07-24T12:10+02:00,-0.0,-5,,26,3.5,,x\r\n"
                   "2025-07-24 10:40:00Z,810,710,160,,,,\r\n");
  EXPECT_EQ(w.format, site::WeatherFormat::PlainCsv);
  EXPECT_EQ(w.columns, site::kGhi | site::kDni | site::kDhi);
  EXPECT_EQ(w.zoneHours, 2);
  EXPECT_TRUE(std::isnan(w.latitude) && std::isnan(w.centreSeconds));
  ASSERT_EQ(w.rows.size(), 3u);
  EXPECT_EQ(w.rows[0].start, 1753351200);
  EXPECT_EQ(w.rows[1].start, 1753351200 + 600);
  EXPECT_EQ(w.rows[2].start, 1753351200 + 2400);
  for (const auto& row : w.rows) EXPECT_EQ(row.length, 600);
  EXPECT_EQ(w.rows[0].albedo, 0.25);
  EXPECT_EQ(w.rows[0].tempAir, 25.5);
  EXPECT_FALSE(std::signbit(w.rows[1].ghi));
  EXPECT_EQ(w.rows[1].dni, 0.0);  // a night offset
  EXPECT_TRUE(std::isnan(w.rows[1].dhi) && std::isnan(w.rows[2].tempAir));
  // GHI alone, two of three, the series' own output; a clock change inside a 30-minute step;
  // a leap day of a leap year.
  EXPECT_EQ(Load("time,ghi\n2025-10-26T02:30:00+02:00,1\n2025-10-26T02:00:00+01:00,2\n")
                .rows[1].start, 1761439800 - 20 * 60 + 30 * 60);
  EXPECT_EQ(Load("dni,time,dhi\n0,2024-02-29T00:00Z,0\n0,2024-02-29T00:00:01Z,0\n").columns,
            site::kDni | site::kDhi);
  EXPECT_EQ(Load("time,ghi,dni\n2024-01-01T00:00Z,0,0\n2024-01-01T01:00Z,0,0\n").rows[0].length,
            3600);
  w = Load("time,sun_azimuth,sun_elevation,panel1_aoi,panel1_production,ghi,dni,dhi,panel1_poa\r\n"
           "2025-07-24T12:00:00+02:00,133.0,56.3,16.0,94.3,874.6,916.9,119.7,1009.3\r\n"
           "2025-07-24T12:20:00+02:00,141.0,58.7,15.0,95.0,902.0,923.6,121.1,1022.1\r\n");
  EXPECT_EQ(w.rows[1].length, 1200);
  EXPECT_EQ(w.rows[1].dni, 923.6);
}

TEST(Weather, Refusals) {
  // After the header and a first row at 2025-01-01T00:00+01:00 with ghi 0: rows, message.
  const std::pair<const char*, const char*> cases[] = {
      {"2025-01-01T00:10+01:00,abc\n", "line 3: \"abc\" is not a number (ghi)"},
      {"2025-01-01T00:10+01:00,nan\n", "line 3: \"nan\" is not a number (ghi)"},
      {"2025-01-01T00:10+01:00,2500\n", "line 3: \"2500\" is out of range for ghi (-10 to 2000)"},
      {"2025-01-01T00:00+01:00,0\n", "line 3: repeats the previous row's time"},
      {"2025-01-01T00:10+01:00,0\n2025-01-01T00:05+01:00,0\n",
       "line 4: its time is before the previous row's"},
      {"2025-01-01T00:10+01:00,0\n2025-01-01T00:25+01:00,0\n",
       "line 4: 900 s after the previous row, not a multiple of the step (600 s)"},
      {"2025-01-01T02:00+01:00,0\n",
       "line 3: 7200 s after the first row: hourly or finer steps are read"},
      {"2025-01-01T00:10,0\n", "line 3: \"2025-01-01T00:10\" has no offset from universal time"},
      {"2025-02-29T00:10+01:00,0\n", "line 3: 2025-02-29 is not a date"},
      {"2025-01-01T00:10+01:00,0,1\n", "line 3: 3 fields, the header has 2"},
      {"", "holds one row: its step is not known"}};
  for (const auto& [rows, message] : cases) {
    EXPECT_EQ(Refusal(QByteArray("time,ghi\n2025-01-01T00:00+01:00,0\n") + rows),
              QStringLiteral("w.csv: ") + message);
  }
  EXPECT_EQ(Refusal("time,ghi\n"), "w.csv: holds no rows");
  EXPECT_EQ(Refusal("time,ghi\n2025-01-01T00:00+01:00,0\n" + QByteArray(5000, '1')),
            "w.csv: line 3: longer than 4096 characters");
  EXPECT_EQ(Refusal("time,dni,x\n"),
            R"(w.csv: line 1: its header has no "ghi" column, nor two of "ghi", "dni", "dhi")");
  const QString notWeather = QStringLiteral(
      ": is not a weather file (PVGIS TMY CSV or JSON, EPW, or a CSV with a \"time\" column and "
      "\"ghi\", \"dni\", \"dhi\")");
  EXPECT_EQ(Refusal("horizon_azimuth,horizon_elevation\n0,5\n7.5,5\n", "h.csv"),
            "h.csv" + notWeather);
  EXPECT_EQ(Refusal("a,b\n1,2\n"), "w.csv" + notWeather);
  EXPECT_EQ(Refusal(" \r\n\n"), "w.csv: is empty");
  EXPECT_EQ(Refusal(QByteArray("time,ghi\n\0\1", 11)), "w.csv: is not a text file");
  EXPECT_EQ(Refusal("{\"outputs\": [", "t.json").left(26), "t.json: is not valid JSON ");
  EXPECT_EQ(std::get<QString>(ReadWeather(kData + "none.csv")), kData + "none.csv: no such file");

  // The real files, edited.
  QByteArray csv = Read(kData + "pvgis-tmy-45.000-8.000.csv");
  csv.replace("20180101:0800,2.1,99.4,32.0", "20180101:0800,2.1,99.4,abc");
  EXPECT_EQ(Refusal(csv, "pvgis.csv"), "pvgis.csv: line 27: \"abc\" is not a number (G(h))");
  csv.replace("20180101:0800", "20180101:0700");
  EXPECT_EQ(Refusal(csv, "pvgis.csv"), "pvgis.csv: line 27: repeats the previous row's time");
  EXPECT_EQ(Refusal(csv.left(csv.indexOf("time(UTC)")), "pvgis.csv"),
            "pvgis.csv: has no time(UTC) row in its first 100 lines");
  QByteArray epw = Read(kData + "pvgis-tmy-45.000-8.000.epw");
  epw.replace("99580.00,9999,9999,286.60,32.00", "99580.00,9999,9999,286.60,9999");  // 1 January 9
  const Weather missing = Load(epw);
  EXPECT_TRUE(std::isnan(missing.rows[8].ghi));
  EXPECT_EQ(missing.rows[8].dhi, 32.0);
  epw.replace("2007,2,28,24,", "2007,2,29,24,");
  EXPECT_EQ(Refusal(epw, "t.epw"), "t.epw: line 1424: 2007-02-29 is not a date");
  epw.replace("DATA PERIODS,1,1,", "DATA PERIODS,1,4,");
  EXPECT_EQ(Refusal(epw, "t.epw"), "t.epw: line 8: only EPW files of one record an hour are read");
  EXPECT_EQ(Refusal("LOCATION,a,b,c,d,e,45,8,1\n", "t.epw"),
            "t.epw: line 1: LOCATION has fewer than 10 fields");
}

site::Horizon Parsed(const QByteArray& bytes, HorizonForm form) {
  const HorizonRead read = ParseHorizon(bytes, QStringLiteral("h.csv"));
  EXPECT_EQ(read.error, QString());
  EXPECT_EQ(read.form, form) << bytes.constData();
  return read.horizon.value_or(site::Horizon());
}

void ExpectHeights(const site::Horizon& h, const std::vector<std::pair<double, double>>& cases) {
  for (const auto& [azimuth, height] : cases)
    EXPECT_NEAR(h.heightAt(azimuth), height, 1e-12) << azimuth;
}

TEST(HorizonFile, ReadsTheSharedPairsAndThePvgisOutputFromSouth) {
  const HorizonRead shared = ReadHorizon(kData + "horizon-45.000-8.000.csv");
  ASSERT_TRUE(shared.horizon) << shared.error.toStdString();
  EXPECT_EQ(shared.form, HorizonForm::Pairs);
  EXPECT_EQ(shared.horizon->points().size(), 48u);
  ExpectHeights(*shared.horizon,
                {{0, 9.9}, {3.75, 11.45}, {90, 10.3}, {180, 4.6}, {270, 0}, {356.25, 9.55}});

  // The same profile as PVGIS prints it: tabs, azimuth from south (east -90), north twice.
  QByteArray pvgis =
      "Latitude (decimal degrees):\t45.000\nLongitude (decimal degrees):\t8.000\n\n"
      "A\tH_hor\tA_sun(w)\tH_sun(w)\tA_sun(s)\tH_sun(s)\n";
  for (const auto& p : shared.horizon->points()) {
    pvgis += QByteArray::number(p.azimuth - 180) + '\t' + QByteArray::number(p.height) +
             "\t-180.0\t0.0\t-180.0\t0.0\n";
  }
  pvgis +=
      "180.0\t9.9\t0\t0\t0\t0\n\nA: Azimuth (0 = S, 90 = W, -90 = E) (degree)\nH_hor: Horizon "
      "height (degree)\n";
  const site::Horizon fromSouth = Parsed(pvgis, HorizonForm::PvgisOutput);
  for (double azimuth = 0; azimuth < 360; azimuth += 1.25) {
    EXPECT_DOUBLE_EQ(fromSouth.heightAt(azimuth), shared.horizon->heightAt(azimuth)) << azimuth;
  }
  ExpectHeights(Parsed("A,H_hor\n-90,10\n90,20\n", HorizonForm::PvgisOutput),
                {{90, 10}, {270, 20}, {180, 15}, {0, 15}});
}

TEST(HorizonFile, ReadsListsAndPairsInTheirWrittenForms) {
  ExpectHeights(Parsed("10\n20\n30\n40\n", HorizonForm::HeightList),
                {{0, 10}, {45, 15}, {270, 40}, {315, 25}});
  ExpectHeights(Parsed("10, 20,30 ,40,50,60\n", HorizonForm::HeightList),
                {{30, 15}, {300, 60}, {330, 35}});
  ExpectHeights(Parsed("10 20 30\n40\n", HorizonForm::HeightList), {{90, 20}, {270, 40}});
  // Unordered, north as 360 too, a header, CR LF, trailing separators, a comment, a BOM, -0.
  ExpectHeights(Parsed("azimuth,height\n180,5\n360,10\n0,10\n90,-0\n", HorizonForm::Pairs),
                {{45, 5}, {270, 7.5}});
  ExpectHeights(Parsed("\xEF\xBB\xBF# measured\r\n0;1;\r\n\r\n+180;3;\r\n", HorizonForm::Pairs),
                {{90, 2}, {270, 2}});
  ExpectHeights(Parsed("0 1\r180\t3", HorizonForm::Pairs), {{90, 2}});
}

TEST(HorizonFile, RefusesWithOneLineNamingTheFileTheLineAndTheReason) {
  const QString notHorizon =
      "h.csv: line 1: not a horizon file: expected azimuth,height pairs, a list of heights or the "
      "PVGIS horizon output";
  const std::vector<std::pair<QByteArray, QString>> cases{
      {"", "h.csv: the file is empty"},
      {"# nothing\n\n", "h.csv: no heights in the file"},
      {"azimuth,height\n0,10\n90,x\n", "h.csv: line 3: \"x\" is not a height in degrees"},
      {"azimuth,height\nnorth,10\n", "h.csv: line 2: \"north\" is not an azimuth in degrees"},
      {"0,10\n90,95\n", "h.csv: line 2: the height \"95\" is outside -5 to 90 degrees"},
      {"0,10\n90,-5.5\n", "h.csv: line 2: the height \"-5.5\" is outside -5 to 90 degrees"},
      {"0,10\n400,5\n", "h.csv: line 2: the azimuth \"400\" is outside 0 to 360 degrees"},
      {"A\tH_hor\n-200\t5\n", "h.csv: line 2: the azimuth \"-200\" is outside -180 to 180 degrees"},
      {"A\tH_hor\n-90\n", "h.csv: line 2: an azimuth and a height expected"},
      {"0,10\n90,5\n360,12\n", "h.csv: line 3: the same azimuth as line 1 with another height"},
      {"0,10\n90,5,3\n", "h.csv: line 2: 3 values; a line holds an azimuth and a height"},
      {"10\n20\n30\n", "h.csv: 3 heights; a list of heights needs at least 4"},
      {"azimuth,height\n90,10\n", "h.csv: one point; a horizon needs at least 2 azimuths"},
      {"10\n20\nnan\n40\n", "h.csv: line 3: \"nan\" is not a height in degrees"},
      {"north\n", notHorizon},
      {"time,ghi,dni\n2025-01-01T00:00+01:00,0,0\n", notHorizon},
      {"Latitude (decimal degrees): 45.000\nLongitude (decimal degrees): 8.000\n", notHorizon},
      {"PVWatts: Hourly PV Performance Data,,,,\n", notHorizon},
      {QByteArray("0,10\n\0\x01", 7), "h.csv: line 2: a control byte (0x00): not a text file"},
      {QByteArray(1001, '1'), "h.csv: line 1: longer than 1000 characters: not a horizon file"},
      {QByteArray("1\n").repeated(kHorizonMaxPoints + 1),
       "h.csv: line 3601: more than 3600 points"},
      {QByteArray(kHorizonMaxBytes + 1, '1'),
       "h.csv: larger than 1048576 bytes: not a horizon file"},
  };
  for (const auto& [bytes, message] : cases) {
    const HorizonRead read = ParseHorizon(bytes, QStringLiteral("h.csv"));
    EXPECT_FALSE(read.horizon) << bytes.left(40).constData();
    EXPECT_EQ(read.error, message);
  }
  QTemporaryDir dir;
  EXPECT_EQ(ReadHorizon(dir.filePath("none.csv")).error,
            dir.filePath("none.csv") + ": no such file");
  EXPECT_EQ(ReadHorizon(dir.path()).error, dir.path() + ": is a folder, not a regular file");
}

}  // namespace
}  // namespace halvessa::files
