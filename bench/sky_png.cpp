// Draws the Sky view into a PNG at twice its size, to look at it: halvessa_sky_png OUT.png
// [HORIZON_FILE] [YYYY-MM-DD [HH:MM [ZONE [LATITUDE LONGITUDE]]]]. The site, date, time, zone
// and panels default to the window's (Geneva); an empty HORIZON_FILE is none. Exit status 1, with one line, on a bad
// argument, an unreadable horizon file or a PNG that cannot be written.
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <optional>

#include "files/horizon.h"
#include "text/convert.h"
#include "window/qt/sky_view.h"
#include "window/sky.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: halvessa_sky_png OUT.png [HORIZON_FILE] [YYYY-MM-DD [HH:MM [ZONE [LAT LON]]]]\n");
    return 1;
  }
  namespace d = halvessa::defaults;
  halvessa::window::Calculated c;
  std::optional<halvessa::site::Horizon> horizon;
  try {
    c.latitude = halvessa::text::StrictNumber(args.size() > 6 ? args[6] : QString::fromLatin1(d::kLatitude));
    c.longitude = halvessa::text::StrictNumber(args.size() > 7 ? args[7] : QString::fromLatin1(d::kLongitude));
    const QString date = args.size() > 3 ? args[3] : QString::fromLatin1(d::kDate);
    const QString time = args.size() > 4 ? args[4] : QString::fromLatin1(d::kTime);
    c.zone = halvessa::text::StrictTimeZone(args.size() > 5 ? args[5] : QString::fromLatin1(d::kTimeZone));
    c.moment = halvessa::text::StrictDate(date + QLatin1Char(' ') + time);
    for (int p = 0; p < halvessa::kPanelCount; ++p) {
      c.panels[p] = {halvessa::text::StrictNumber(QString::fromLatin1(d::kPanels[p].azimuth)),
                     halvessa::text::StrictNumber(QString::fromLatin1(d::kPanels[p].tilt))};
    }
  } catch (const halvessa::text::ConversionError& e) {
    std::fprintf(stderr, "%s\n", qPrintable(e.message()));
    return 1;
  }
  if (args.size() > 2 && !args[2].isEmpty()) {
    const halvessa::files::HorizonRead read = halvessa::files::ReadHorizon(args[2]);
    if (!read.horizon) {
      std::fprintf(stderr, "%s\n", qPrintable(read.error));
      return 1;
    }
    horizon = read.horizon;
  }
  halvessa::window::SkyView view;
  view.setDiagram(halvessa::window::ComputeSky(c, horizon ? &*horizon : nullptr));
  QImage image(2 * view.kWidth, 2 * view.kHeight, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  view.paint(painter, QRectF(image.rect()));
  painter.end();
  if (!image.save(args[1])) {
    std::fprintf(stderr, "Cannot write \"%s\"\n", qPrintable(args[1]));
    return 1;
  }
  return 0;
}
