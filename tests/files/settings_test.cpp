#include "files/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace halvessa::files {
namespace {

// Records every call in order, as "lat=...", "az3=...", "tilt3=...".
class RecordingSink : public IniSink {
 public:
  void setLatitude(const QString& text) override { calls << QStringLiteral("lat=") + text; }
  void setLongitude(const QString& text) override { calls << QStringLiteral("lon=") + text; }
  void setAzimuth(int panel, const QString& text) override {
    calls << QStringLiteral("az%1=").arg(panel) + text;
  }
  void setTilt(int panel, const QString& text) override {
    calls << QStringLiteral("tilt%1=").arg(panel) + text;
  }
  QStringList calls;
};

const QStringList kCleared = {"az1=", "tilt1=", "az2=", "tilt2=", "az3=", "tilt3=",
                              "az4=", "tilt4=", "az5=", "tilt5="};

QStringList Cleared(const QStringList& then) { return kCleared + then; }

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  QString path(const QString& name = QString::fromLatin1(kSettingsFileName)) const {
    return dir_.filePath(name);
  }
  void write(const QByteArray& bytes) const {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
  }
  QStringList read() const {
    RecordingSink sink;
    Readini(sink, path());
    return sink.calls;
  }

  QTemporaryDir dir_;
};

TEST_F(SettingsFile, FileExistsOnlyForRegularFiles) {
  EXPECT_FALSE(FileExists(path()));
  EXPECT_FALSE(FileExists(QString()));
  EXPECT_FALSE(FileExists(dir_.path()));

  write("46\r\n");
  EXPECT_TRUE(FileExists(path()));

  ASSERT_TRUE(QFile::link(path(), path("link.ini")));
  EXPECT_TRUE(FileExists(path("link.ini")));
  ASSERT_TRUE(QFile::link(path("missing"), path("dangling.ini")));
  EXPECT_FALSE(FileExists(path("dangling.ini")));

  // A named pipe would block a reader forever; it is not a file.
  ASSERT_EQ(::mkfifo(path("pipe.ini").toLocal8Bit().constData(), 0600), 0);
  EXPECT_FALSE(FileExists(path("pipe.ini")));
  RecordingSink sink;
  Readini(sink, path("pipe.ini"));
  EXPECT_TRUE(sink.calls.isEmpty());
}

TEST_F(SettingsFile, MissingFileOrFolderWritesNothing) {
  EXPECT_TRUE(read().isEmpty());
  ASSERT_TRUE(QDir(dir_.path()).mkdir(QString::fromLatin1(kSettingsFileName)));
  EXPECT_TRUE(read().isEmpty());
}

TEST_F(SettingsFile, FullFileInOrder) {
  write("46.205556\r\n6.154444\r\n151/45\r\n151/20\r\n331/20\r\n151/70\r\n331/70\r\n");
  EXPECT_EQ(read(), Cleared({"lat=46.205556", "lon=6.154444", "az1=151", "tilt1=45", "az2=151",
                             "tilt2=20", "az3=331", "tilt3=20", "az4=151", "tilt4=70",
                             "az5=331", "tilt5=70"}));
}

TEST_F(SettingsFile, ShortFilesStopWhereTheyEnd) {
  write("");
  EXPECT_EQ(read(), kCleared);

  write("47.5");  // no line end on the last line
  EXPECT_EQ(read(), Cleared({"lat=47.5"}));

  write("47.5\r\n8.25\r\n");
  EXPECT_EQ(read(), Cleared({"lat=47.5", "lon=8.25"}));

  write("47.5\r\n8.25\r\n10/20\r\n30/40");
  EXPECT_EQ(read(), Cleared({"lat=47.5", "lon=8.25", "az1=10", "tilt1=20", "az2=30", "tilt2=40"}));

  // A blank last line is still a line: the longitude becomes empty.
  write("47.5\r\n\r\n");
  EXPECT_EQ(read(), Cleared({"lat=47.5", "lon="}));
}

TEST_F(SettingsFile, PanelLinesNeedExactlyOneSlash) {
  write("1\r\n2\r\n 151 / 45 \r\n\r\n/45\r\n10/20/30\r\nno slash\r\n9/9\r\n");
  EXPECT_EQ(read(), Cleared({"lat=1", "lon=2", "az1= 151 ", "tilt1= 45 ", "az3=", "tilt3=45"}));

  // Fields are kept verbatim, whatever they hold; lines after the seventh are never read.
  write("north\r\neast\r\nabc/\r\n1/2\r\n3/4\r\n5/6\r\n7/8\r\n9/9\r\n");
  EXPECT_EQ(read(), Cleared({"lat=north", "lon=east", "az1=abc", "tilt1=", "az2=1", "tilt2=2",
                             "az3=3", "tilt3=4", "az4=5", "tilt4=6", "az5=7", "tilt5=8"}));
}

TEST_F(SettingsFile, LineEndsCrLfCrAndLf) {
  write("1\r2\n3/4\r\n\n\r5/6");
  EXPECT_EQ(read(), Cleared({"lat=1", "lon=2", "az1=3", "tilt1=4", "az4=5", "tilt4=6"}));

  write("1\n\r2");  // LF then CR: two line ends, an empty longitude between
  EXPECT_EQ(read(), Cleared({"lat=1", "lon="}));
}

TEST_F(SettingsFile, EightBitTextIsReadAsLatin1) {
  write("46\xB0\x31\x32\r\n6,15\r\n");
  EXPECT_EQ(read(), Cleared({QStringLiteral("lat=46\u00B012"), "lon=6,15"}));
}

TEST_F(SettingsFile, OverlongLineStopsReading) {
  const QByteArray longest(kMaxLineBytes, '7');
  write("1\r\n2\r\n" + longest + "/1\r\n3/4\r\n");
  EXPECT_EQ(read(), Cleared({"lat=1", "lon=2"}));

  // A line of exactly the limit is accepted.
  write(longest + "\r\n2\r\n");
  EXPECT_EQ(read(), Cleared({"lat=" + QString::fromLatin1(longest), "lon=2"}));
}

TEST_F(SettingsFile, HugeFileWithOneLineCostsOnlyTheCap) {
  {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(qint64{1} << 30));  // a sparse gigabyte of NULs, no line end
  }
  EXPECT_EQ(read(), kCleared);
}

TEST_F(SettingsFile, UnreadableFileLeavesPanelsCleared) {
  write("1\r\n2\r\n3/4\r\n");
  ASSERT_TRUE(QFile::setPermissions(path(), QFileDevice::Permissions{}));
  QFile probe(path());
  if (probe.open(QIODevice::ReadOnly)) GTEST_SKIP() << "permissions do not apply to this user";
  EXPECT_EQ(read(), kCleared);
}

TEST_F(SettingsFile, DefaultPathIsTheWorkingDirectory) {
  write("12\r\n34\r\n");
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir_.path()));
  RecordingSink sink;
  Readini(sink);
  ASSERT_TRUE(QDir::setCurrent(previous));
  EXPECT_EQ(sink.calls, Cleared({"lat=12", "lon=34"}));
}

}  // namespace
}  // namespace halvessa::files
