// Fuzz target: the settings reader on arbitrary file contents. Whatever the bytes, Readini
// returns, and a notice it gives is one line.
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "files/settings.h"

namespace {

struct Discard : halvessa::files::IniSink {
  void setLatitude(const QString&) override {}
  void setLongitude(const QString&) override {}
  void setAzimuth(int, const QString&) override {}
  void setTilt(int, const QString&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("Kelvarine.ini"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
  file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  file.close();

  Discard sink;
  const std::optional<QString> notice = halvessa::files::Readini(sink, path);
  if (notice && (notice->contains(QLatin1Char('\n')) || notice->isEmpty())) std::abort();
  return 0;
}
