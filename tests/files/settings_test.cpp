#include "files/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace halvessa::files {
namespace {

// Records every call in order, as "lat=...", "az3=...", "tilt3=...", and the notice last.
struct RecordingSink : IniSink {
  void setLatitude(const QString& text) override { calls << "lat=" + text; }
  void setLongitude(const QString& text) override { calls << "lon=" + text; }
  void setAzimuth(int i, const QString& t) override { calls << QStringLiteral("az%1=").arg(i) + t; }
  void setTilt(int i, const QString& t) override { calls << QStringLiteral("tilt%1=").arg(i) + t; }
  QStringList calls;
};

QStringList Read(const QString& path) {
  RecordingSink sink;
  const std::optional<QString> notice = Readini(sink, path);
  if (notice) sink.calls << "notice: " + *notice;
  return sink.calls;
}

// Every read of a file first clears the five panels.
const QStringList kCleared = {"az1=", "tilt1=", "az2=", "tilt2=", "az3=", "tilt3=",
                              "az4=", "tilt4=", "az5=", "tilt5="};

class SettingsFile : public ::testing::Test {
 protected:
  QString path(const QString& name = QString::fromLatin1(kSettingsFileName)) const {
    return dir_.filePath(name);
  }
  void write(const QByteArray& bytes) const {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
  }
  QTemporaryDir dir_;
};

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
    EXPECT_EQ(Read(path()), kCleared + c.then);
  }
}

TEST_F(SettingsFile, OnlyARegularFileIsRead) {
  EXPECT_FALSE(FileExists(path()));
  EXPECT_FALSE(FileExists(QString()));
  EXPECT_TRUE(Read(path()).isEmpty());
  // A folder, a dangling link and a named pipe (which would block a reader) are no file.
  ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.ini"));
  ASSERT_TRUE(QFile::link(path("missing"), path("dangling.ini")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.ini")).constData(), 0600), 0);
  for (const char* name : {"folder.ini", "dangling.ini", "pipe.ini"}) {
    EXPECT_FALSE(FileExists(path(name))) << name;
    EXPECT_TRUE(Read(path(name)).isEmpty()) << name;
  }
  write("46\r\n");
  ASSERT_TRUE(QFile::link(path(), path("link.ini")));
  EXPECT_TRUE(FileExists(path("link.ini")));

  // A regular file that cannot be opened, for any user: it may only be written.
  EXPECT_EQ(Read("/proc/sys/vm/drop_caches"),
            kCleared + QStringList{"notice: drop_caches: could not be opened (Permission denied)."});
  // A regular file whose first read fails: this process's memory, unmapped at offset 0.
  EXPECT_EQ(Read("/proc/self/mem"),
            kCleared + QStringList{"notice: mem: line 1 could not be read (Input/output error); "
                                   "reading stopped there."});
}

}  // namespace
}  // namespace halvessa::files
