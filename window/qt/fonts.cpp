#include "window/qt/fonts.h"

#include <QString>
#include <QStringList>

namespace halvessa::window {

namespace {

// Liberation Sans has Arial's widths, close enough to the layout's original face that every
// caption fits its label; DejaVu Sans is wider and would clip several of them.
QFont SansFont(qreal points, QFont::Weight weight) {
  QFont font;
  font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                    QStringLiteral("DejaVu Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setWeight(weight);
  return font;
}

}  // namespace

QFont DefaultFont() { return SansFont(8.25, QFont::Normal); }
QFont BoxFont() { return SansFont(8.25, QFont::Bold); }
QFont ButtonFont() { return SansFont(9.75, QFont::Normal); }

}  // namespace halvessa::window
