#include "files/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace halvessa::files {
namespace {

// Records every call in order, as "lat=...", "az3=...", "tilt3=...".
struct RecordingSink : IniSink {
  void setLatitude(const QString& text) override { calls << "lat=" + text; }
  void setLongitude(const QString& text) override { calls << "lon=" + text; }
  void setAzimuth(int i, const QString& t) override { calls << QStringLiteral("az%1=").arg(i) + t; }
  void setTilt(int i, const QString& t) override { calls << QStringLiteral("tilt%1=").arg(i) + t; }
  QStringList calls;
};

// Every read first clears the five panels.
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
  static QStringList read(const QString& file = QString::fromLatin1(kSettingsFileName)) {
    RecordingSink sink;
    Readini(sink, file);
    return sink.calls;
  }
  QTemporaryDir dir_;
};

TEST_F(SettingsFile, LinesReachTheSinkVerbatim) {
  const QByteArray longest(kMaxLineBytes, '7');
  const struct { const char* name; QByteArray bytes; QStringList then; } cases[] = {
      {"full file", "46.205556\r\n6.154444\r\n151/45\r\n151/20\r\n331/20\r\n151/70\r\n331/70\r\n",
       {"lat=46.205556", "lon=6.154444", "az1=151", "tilt1=45", "az2=151", "tilt2=20", "az3=331",
        "tilt3=20", "az4=151", "tilt4=70", "az5=331", "tilt5=70"}},
      {"empty", "", {}},
      {"no line end on the last line", "47.5", {"lat=47.5"}},
      {"stops where it ends", "47.5\r\n8.25\r\n10/20",
       {"lat=47.5", "lon=8.25", "az1=10", "tilt1=20"}},
      {"a blank last line is a line", "47.5\r\n\r\n", {"lat=47.5", "lon="}},
      {"panel lines need exactly one slash",
       "1\r\n2\r\n 151 / 45 \r\n\r\n/45\r\n10/20/30\r\nno slash\r\n9/9\r\n",
       {"lat=1", "lon=2", "az1= 151 ", "tilt1= 45 ", "az3=", "tilt3=45"}},
      {"any text; the eighth line is never read",
       "N\r\nE\r\nabc/\r\n1/2\r\n3/4\r\n5/6\r\n7/8\r\n9/9",
       {"lat=N", "lon=E", "az1=abc", "tilt1=", "az2=1", "tilt2=2", "az3=3", "tilt3=4", "az4=5",
        "tilt4=6", "az5=7", "tilt5=8"}},
      {"CR, LF and CR LF", "1\r2\n3/4\r\n\n\r5/6",
       {"lat=1", "lon=2", "az1=3", "tilt1=4", "az4=5", "tilt4=6"}},
      {"LF then CR are two line ends", "1\n\r2", {"lat=1", "lon="}},
      {"8-bit text is Latin-1", "46\xB0\x31\x32\r\n6,15", {"lat=46\u00B012", "lon=6,15"}},
      {"an overlong line stops reading", "1\r\n2\r\n" + longest + "/1\r\n3/4\r\n",
       {"lat=1", "lon=2"}},
      {"a line of just the limit", longest + "\r\n2", {"lat=" + QString(longest), "lon=2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    write(c.bytes);
    EXPECT_EQ(read(path()), kCleared + c.then);
  }
}

TEST_F(SettingsFile, OnlyARegularFileIsRead) {
  EXPECT_FALSE(FileExists(path()));
  EXPECT_FALSE(FileExists(QString()));
  EXPECT_TRUE(read(path()).isEmpty());
  // A folder, a dangling link and a named pipe (which would block a reader) are no file.
  ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.ini"));
  ASSERT_TRUE(QFile::link(path("missing"), path("dangling.ini")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.ini")).constData(), 0600), 0);
  for (const char* name : {"folder.ini", "dangling.ini", "pipe.ini"}) {
    EXPECT_FALSE(FileExists(path(name))) << name;
    EXPECT_TRUE(read(path(name)).isEmpty()) << name;
  }
  write("46\r\n");
  ASSERT_TRUE(QFile::link(path(), path("link.ini")));
  EXPECT_TRUE(FileExists(path("link.ini")));

  // One huge line costs only the cap: a sparse gigabyte without a line end.
  QFile huge(path("huge.ini"));
  ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64{1} << 30));
  EXPECT_EQ(read(huge.fileName()), kCleared);
}

TEST_F(SettingsFile, DefaultPathIsTheWorkingDirectory) {
  write("12\r\n34\r\n");
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir_.path()));
  const QStringList calls = read();
  ASSERT_TRUE(QDir::setCurrent(previous));
  EXPECT_EQ(calls, kCleared + QStringList({"lat=12", "lon=34"}));
}

}  // namespace
}  // namespace halvessa::files
