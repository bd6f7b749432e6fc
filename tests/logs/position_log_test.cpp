#include "files/position_log.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>

namespace halvessa::files {
namespace {

using Panels = std::array<PanelLogLine, kLoggedPanels>;

const QStringList kStep{"2025-07-24", "14:00", "151,3", "-2,5"};
const QByteArray kSolarLine("2025-07-24\t14:00\t151,3\t-2,5\r\n");
const QByteArray kPanelLine("2025-07-24\t14:00\t151\t45\t12,5\t93%\r\n");

PanelLogLine Panel(bool checked, bool inUse) {
  return {checked, inUse, {"151", "45", "12,5", "93%"}};
}

class PositionLogTest : public ::testing::Test {
 protected:
  QString path(const QString& name) const { return tmp_.filePath(name); }
  QByteArray read(const QString& name) const {
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  void write(const QString& name, const QByteArray& bytes) const {
    QFile file(path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
  }
  QDir dir() const { return QDir(tmp_.path()); }
  QTemporaryDir tmp_;
};

TEST(PositionLogLine, OneTabBetweenValuesAndNoControlCharacterInside) {
  EXPECT_EQ(PositionLogLine(kStep), kSolarLine);
  EXPECT_EQ(PositionLogLine({"a", "", "b"}), "a\t\tb\r\n");
  EXPECT_EQ(PositionLogLine({"1\t2", "3\r\n4", QString(QChar(0)) + "5"}), "1 2\t3  4\t 5\r\n");
}

TEST_F(PositionLogTest, StepsAppendInOrderToSolarAndEachCheckedPanelInUse) {
  // Earlier runs' lines, one left without its end, are kept.
  write("solar.log", "earlier\r\nunfinished");
  write("panel1.log", "kept\r\n");
  const Panels panels{Panel(true, true), Panel(false, true), Panel(true, false),
                      Panel(false, false), Panel(true, true)};
  for (const char* time : {"14:00", "14:10"}) {
    QStringList values = kStep;
    values[1] = time;
    ASSERT_EQ(AppendPositionLogs(dir(), values, panels), std::nullopt);
  }
  const QByteArray second = QByteArray(kPanelLine).replace("14:00", "14:10");
  EXPECT_EQ(read("solar.log"), "earlier\r\nunfinished" + kSolarLine +
                                   QByteArray(kSolarLine).replace("14:00", "14:10"));
  EXPECT_EQ(read("panel1.log"), "kept\r\n" + kPanelLine + second);
  // Not checked; checked but not in use: the file alone.
  EXPECT_EQ(read("panel2.log") + '|' + read("panel3.log") + '|' + read("panel4.log"),
            "<missing>||<missing>");
  EXPECT_EQ(read("panel5.log"), kPanelLine + second);
}

TEST_F(PositionLogTest, FailuresAreNamedAndStopBeforeTheNextFile) {
  Panels all;
  all.fill(Panel(true, true));
  write("panel1.log", "one\r\n");
  write("panel3.log", "three\r\n");
  ASSERT_TRUE(dir().mkdir("panel2.log"));
  EXPECT_EQ(AppendPositionLogs(dir(), kStep, all), "Cannot write \"panel2.log\": Is a directory");
  EXPECT_EQ(read("solar.log"), kSolarLine);
  EXPECT_EQ(read("panel1.log"), "one\r\n" + kPanelLine);
  EXPECT_EQ(read("panel3.log"), "three\r\n");
  EXPECT_EQ(read("panel4.log"), "<missing>");

  QTemporaryDir other;
  ASSERT_TRUE(QDir(other.path()).mkdir("solar.log"));
  EXPECT_EQ(AppendPositionLogs(other.path(), kStep, all),
            "Cannot write \"solar.log\": Is a directory");
  EXPECT_TRUE(QDir(other.path()).entryList(QDir::Files).isEmpty());

  EXPECT_EQ(AppendPositionLogs(path("gone"), kStep, all),
            "Cannot write \"solar.log\": No such file or directory");
  EXPECT_FALSE(QFile::exists(path("gone")));

  ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.log")).constData(), 0644), 0);
  EXPECT_EQ(AppendToLog(dir(), "pipe.log", kSolarLine),
            "Cannot write \"pipe.log\": not a regular file");
}

// Lowers the largest file size this process may write, as a full disk would stop a write
// part-way; puts everything back afterwards.
struct FileSizeLimit {
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &savedAction);
    const rlimit lowered{bytes, saved.rlim_max};
    ok = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &savedAction, nullptr);
  }
  rlimit saved{};
  struct sigaction savedAction {};
  bool ok = false;
};

TEST_F(PositionLogTest, ALineCutShortIsTakenBackWhole) {
  const QByteArray earlier("2025-07-24\t09:20\t1,0\t2,0\r\n");
  write("solar.log", earlier);
  const std::pair<int, QString> cases[] = {
      {5, QStringLiteral("Cannot write \"solar.log\": only 5 of %1 bytes could be written")
              .arg(kSolarLine.size())},
      {0, QStringLiteral("Cannot write \"solar.log\": File too large")}};
  for (const auto& [room, message] : cases) {
    std::optional<QString> result;
    {
      FileSizeLimit limit(static_cast<rlim_t>(earlier.size() + room));
      ASSERT_TRUE(limit.ok);
      result = AppendToLog(dir(), SolarLogName(), kSolarLine);
    }
    EXPECT_EQ(result, message);
    EXPECT_EQ(read("solar.log"), earlier);
  }
  EXPECT_EQ(AppendToLog(dir(), SolarLogName(), kSolarLine), std::nullopt);
  EXPECT_EQ(read("solar.log"), earlier + kSolarLine);
}

TEST_F(PositionLogTest, HundredThousandAppendsLeaveExactlyAsManyWholeLines) {
  constexpr int kSteps = 100000;
  for (int i = 0; i < kSteps; ++i) {
    ASSERT_EQ(AppendPositionLogs(dir(), {"d", "t", QString::number(i), "e"}, Panels{}),
              std::nullopt);
  }
  const QList<QByteArray> lines = read("solar.log").split('\n');
  ASSERT_EQ(lines.size(), kSteps + 1);
  EXPECT_TRUE(lines.back().isEmpty());
  for (int i = 0; i < kSteps; ++i) {
    ASSERT_EQ(lines[i], "d\tt\t" + QByteArray::number(i) + "\te\r") << "line " << i;
  }
}

}  // namespace
}  // namespace halvessa::files
