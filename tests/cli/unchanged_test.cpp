// With neither weather nor horizon, the calculator writes byte for byte what it wrote before
// the energy pipeline: tests/data/unchanged holds those outputs and the arguments that made
// them (commands.txt).
#include <QFile>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include "cli/cli.h"

namespace {

QByteArray Read(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
  return f.readAll();
}

TEST(Unchanged, EveryCommandWritesWhatItWroteBefore) {
  QLocale::setDefault(QLocale::c());
  const QString folder = QStringLiteral(HALVESSA_TEST_DATA "/unchanged/");
  int compared = 0;
  for (const QByteArray& line : Read(folder + QStringLiteral("commands.txt")).split('\n')) {
    if (line.isEmpty() || line.startsWith('#')) continue;
    QStringList args = QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString name = args.takeFirst();
    const halvessa::cli::Outcome r = halvessa::cli::Run(args, [] { return 0.0; });
    EXPECT_EQ(r.status, 0) << name.toStdString() << ": " << r.err;
    const QByteArray expected = Read(folder + name + QStringLiteral(".out"));
    EXPECT_TRUE(QByteArray::fromStdString(r.out) == expected) << name.toStdString();
    ++compared;
  }
  EXPECT_EQ(compared, 13);
}

}  // namespace
