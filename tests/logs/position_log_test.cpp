#include "files/position_log.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace halvessa::files {
namespace {

using Panels = std::array<PanelLogLine, kLoggedPanels>;

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
  return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

bool RunningAsRoot() { return ::geteuid() == 0; }

QStringList Step(const QString& time) {
  return {QStringLiteral("2025-07-24"), time, QStringLiteral("151,3"), QStringLiteral("-2,5")};
}

PanelLogLine Panel(bool checked, bool inUse, const QString& az) {
  return {checked, inUse, {az, QStringLiteral("45"), QStringLiteral("12,5"), QStringLiteral("93%")}};
}

class PositionLogTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(tmp_.isValid()); }
  QString path(const QString& name) const { return tmp_.filePath(name); }
  QDir dir() const { return QDir(tmp_.path()); }
  bool exists(const QString& name) const { return QFileInfo::exists(path(name)); }

  QTemporaryDir tmp_;
};

TEST(PositionLogLineTest, JoinsValuesWithOneTabAndEndsWithCrLf) {
  EXPECT_EQ(PositionLogLine(Step(QStringLiteral("14:00"))),
            QByteArray("2025-07-24\t14:00\t151,3\t-2,5\r\n"));
  // Empty boxes keep their place in the line.
  EXPECT_EQ(PositionLogLine({QStringLiteral("a"), QString(), QStringLiteral("b")}),
            QByteArray("a\t\tb\r\n"));
  EXPECT_EQ(PositionLogLine({}), QByteArray("\r\n"));
}

TEST(PositionLogLineTest, ControlCharactersInsideAValueCannotSplitTheLine) {
  EXPECT_EQ(PositionLogLine({QStringLiteral("1\t2"), QStringLiteral("3\r\n4"),
                             QString(QChar(0)) + QStringLiteral("5")}),
            QByteArray("1 2\t3  4\t 5\r\n"));
}

TEST_F(PositionLogTest, OneStepWritesSolarAndEachCheckedPanelInUse) {
  const Panels panels{Panel(true, true, QStringLiteral("151")),
                      Panel(false, true, QStringLiteral("152")),   // not checked
                      Panel(true, false, QStringLiteral("0")),     // checked, not in use
                      Panel(false, false, QStringLiteral("0")),
                      Panel(true, true, QStringLiteral("331,5"))};
  ASSERT_EQ(AppendPositionLogs(dir(), Step(QStringLiteral("14:00")), panels), std::nullopt);

  EXPECT_EQ(ReadAll(path("solar.log")), QByteArray("2025-07-24\t14:00\t151,3\t-2,5\r\n"));
  EXPECT_EQ(ReadAll(path("panel1.log")), QByteArray("2025-07-24\t14:00\t151\t45\t12,5\t93%\r\n"));
  EXPECT_FALSE(exists("panel2.log"));
  EXPECT_TRUE(exists("panel3.log"));
  EXPECT_EQ(ReadAll(path("panel3.log")), QByteArray());
  EXPECT_FALSE(exists("panel4.log"));
  EXPECT_EQ(ReadAll(path("panel5.log")),
            QByteArray("2025-07-24\t14:00\t331,5\t45\t12,5\t93%\r\n"));
  EXPECT_EQ(QDir(tmp_.path()).entryList(QDir::Files).size(), 4);
}

TEST_F(PositionLogTest, StepsAppendAfterEarlierContentInOrder) {
  // Earlier runs' lines, and a last line someone else left without its end.
  WriteAll(path("solar.log"), "earlier\r\nunfinished");
  WriteAll(path("panel2.log"), "kept\r\n");
  WriteAll(path("panel3.log"), "untouched\r\n");
  const Panels panels{Panel(false, true, QStringLiteral("151")),
                      Panel(true, true, QStringLiteral("151")),
                      Panel(true, false, QStringLiteral("0")), Panel(false, true, QStringLiteral("1")),
                      Panel(false, true, QStringLiteral("1"))};

  for (const char* time : {"14:00", "14:10", "14:20"}) {
    ASSERT_EQ(AppendPositionLogs(dir(), Step(QString::fromLatin1(time)), panels), std::nullopt);
  }

  EXPECT_EQ(ReadAll(path("solar.log")),
            QByteArray("earlier\r\nunfinished"
                       "2025-07-24\t14:00\t151,3\t-2,5\r\n"
                       "2025-07-24\t14:10\t151,3\t-2,5\r\n"
                       "2025-07-24\t14:20\t151,3\t-2,5\r\n"));
  EXPECT_EQ(ReadAll(path("panel2.log")),
            QByteArray("kept\r\n"
                       "2025-07-24\t14:00\t151\t45\t12,5\t93%\r\n"
                       "2025-07-24\t14:10\t151\t45\t12,5\t93%\r\n"
                       "2025-07-24\t14:20\t151\t45\t12,5\t93%\r\n"));
  EXPECT_EQ(ReadAll(path("panel3.log")), QByteArray("untouched\r\n"));
  EXPECT_FALSE(exists("panel1.log"));
}

TEST_F(PositionLogTest, StopsAtTheFirstFileThatFailsAndKeepsEveryEarlierLine) {
  WriteAll(path("panel1.log"), "one\r\n");
  WriteAll(path("panel3.log"), "three\r\n");
  ASSERT_TRUE(QDir(tmp_.path()).mkdir(QStringLiteral("panel2.log")));
  Panels panels;
  for (auto& panel : panels) panel = Panel(true, true, QStringLiteral("151"));

  EXPECT_EQ(AppendPositionLogs(dir(), Step(QStringLiteral("09:30")), panels),
            QStringLiteral("Cannot write \"panel2.log\": Is a directory"));

  // solar.log and panel 1 come before the failing file; panel 3 onward are not touched.
  EXPECT_EQ(ReadAll(path("solar.log")), QByteArray("2025-07-24\t09:30\t151,3\t-2,5\r\n"));
  EXPECT_EQ(ReadAll(path("panel1.log")),
            QByteArray("one\r\n2025-07-24\t09:30\t151\t45\t12,5\t93%\r\n"));
  EXPECT_EQ(ReadAll(path("panel3.log")), QByteArray("three\r\n"));
  EXPECT_FALSE(exists("panel4.log"));
  EXPECT_FALSE(exists("panel5.log"));
}

TEST_F(PositionLogTest, FailingSolarLogWritesNoPanelFile) {
  ASSERT_TRUE(QDir(tmp_.path()).mkdir(QStringLiteral("solar.log")));
  Panels panels;
  for (auto& panel : panels) panel = Panel(true, true, QStringLiteral("151"));

  EXPECT_EQ(AppendPositionLogs(dir(), Step(QStringLiteral("09:30")), panels),
            QStringLiteral("Cannot write \"solar.log\": Is a directory"));
  EXPECT_EQ(QDir(tmp_.path()).entryList(QDir::Files).size(), 0);
}

TEST_F(PositionLogTest, ReadOnlyLogIsReportedAndLeftAsItWas) {
  if (RunningAsRoot()) GTEST_SKIP() << "file permissions do not stop root";
  WriteAll(path("solar.log"), "earlier\r\n");
  ASSERT_EQ(::chmod(QFile::encodeName(path("solar.log")).constData(), 0444), 0);

  EXPECT_EQ(AppendPositionLogs(dir(), Step(QStringLiteral("09:30")), Panels{}),
            QStringLiteral("Cannot write \"solar.log\": Permission denied"));
  EXPECT_EQ(ReadAll(path("solar.log")), QByteArray("earlier\r\n"));
}

TEST_F(PositionLogTest, UnwritableDirectoryIsReported) {
  if (RunningAsRoot()) GTEST_SKIP() << "file permissions do not stop root";
  const QByteArray native = QFile::encodeName(tmp_.path());
  ASSERT_EQ(::chmod(native.constData(), 0555), 0);
  const auto result = AppendPositionLogs(dir(), Step(QStringLiteral("09:30")), Panels{});
  ::chmod(native.constData(), 0755);
  EXPECT_EQ(result, QStringLiteral("Cannot write \"solar.log\": Permission denied"));
  EXPECT_FALSE(exists("solar.log"));
}

TEST_F(PositionLogTest, MissingDirectoryIsReportedAndNotCreated) {
  const QDir gone(path("gone"));
  EXPECT_EQ(AppendPositionLogs(gone, Step(QStringLiteral("09:30")), Panels{}),
            QStringLiteral("Cannot write \"solar.log\": No such file or directory"));
  EXPECT_FALSE(exists("gone"));
}

TEST_F(PositionLogTest, NamedPipeIsRefusedWithoutWaitingForAReader) {
  ASSERT_EQ(::mkfifo(QFile::encodeName(path("solar.log")).constData(), 0644), 0);
  EXPECT_EQ(AppendPositionLogs(dir(), Step(QStringLiteral("09:30")), Panels{}),
            QStringLiteral("Cannot write \"solar.log\": not a regular file"));
}

// Lowers the largest file size this process may write, the way a full disk would stop a write
// part-way, and puts everything back afterwards.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &savedAction_);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    ok_ = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::sigaction(SIGXFSZ, &savedAction_, nullptr);
  }
  bool ok() const { return ok_; }

 private:
  rlimit saved_{};
  struct sigaction savedAction_ {};
  bool ok_ = false;
};

TEST_F(PositionLogTest, LineCutShortIsTakenBackWhole) {
  const QByteArray earlier("2025-07-24\t09:20\t1,0\t2,0\r\n");
  WriteAll(path("solar.log"), earlier);
  const QByteArray line = PositionLogLine(Step(QStringLiteral("09:30")));

  std::optional<QString> partly;
  std::optional<QString> none;
  {
    FileSizeLimit limit(static_cast<rlim_t>(earlier.size() + 5));
    ASSERT_TRUE(limit.ok());
    partly = AppendToLog(dir(), SolarLogName(), line);
  }
  EXPECT_EQ(partly, QStringLiteral("Cannot write \"solar.log\": only 5 of %1 bytes could be written")
                        .arg(line.size()));
  EXPECT_EQ(ReadAll(path("solar.log")), earlier);

  {
    FileSizeLimit limit(static_cast<rlim_t>(earlier.size()));
    ASSERT_TRUE(limit.ok());
    none = AppendToLog(dir(), SolarLogName(), line);
  }
  EXPECT_EQ(none, QStringLiteral("Cannot write \"solar.log\": File too large"));
  EXPECT_EQ(ReadAll(path("solar.log")), earlier);

  // With room again the same line goes in whole.
  EXPECT_EQ(AppendToLog(dir(), SolarLogName(), line), std::nullopt);
  EXPECT_EQ(ReadAll(path("solar.log")), earlier + line);
}

TEST_F(PositionLogTest, HundredThousandAppendsLeaveExactlyAsManyWholeLines) {
  constexpr int kSteps = 100000;
  const Panels unchecked{};
  for (int i = 0; i < kSteps; ++i) {
    const QStringList values{QStringLiteral("2025-07-24"), QStringLiteral("14:00"),
                             QString::number(i), QStringLiteral("-2,5")};
    ASSERT_EQ(AppendPositionLogs(dir(), values, unchecked), std::nullopt) << "step " << i;
  }

  const QByteArray all = ReadAll(path("solar.log"));
  ASSERT_TRUE(all.endsWith("\r\n"));
  const QList<QByteArray> lines = all.chopped(2).split('\n');
  ASSERT_EQ(lines.size(), kSteps);
  for (int i = 0; i < kSteps; ++i) {
    const QByteArray expected = "2025-07-24\t14:00\t" + QByteArray::number(i) + "\t-2,5\r";
    ASSERT_EQ(lines[i], i + 1 < kSteps ? expected : expected.chopped(1)) << "line " << i;
  }
}

}  // namespace
}  // namespace halvessa::files
