#include "files/position_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <functional>

namespace halvessa::files {
namespace {

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

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
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
  const auto onDisk = [](LogWriteCall call) {
    return [call](QDir) { ReplaceLogWriteForTesting(call); };
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
       [&](QDir d) {
         room = solar.size() + panel.size() + 9;
         onDisk(FillingDisk)(d);
       },
       onDisk(nullptr), "Cannot write \"panel2.log\": No space left on device"},
      {"a write takes nothing within panel1.log's line",
       [&](QDir d) {
         room = solar.size() + 5;
         full = 0;
         onDisk(FillingDisk)(d);
       },
       [&](QDir d) {
         full = ENOSPC;
         onDisk(nullptr)(d);
       },
       "Cannot write \"panel1.log\": only 5 of 34 bytes could be written"},
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
int panel1Fd = -1;
int readOnlyFd = -1;
int calls = 0;
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

}  // namespace
}  // namespace halvessa::files
