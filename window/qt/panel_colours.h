// The colour of each panel, the same in every chart and view that draws panels.
#pragma once

#include <QColor>

#include "site/site.h"

namespace halvessa::window {

// panel 1..kPanelCount
inline QColor PanelColour(int panel) {
  static const QColor kColours[kPanelCount] = {QColor(31, 119, 180), QColor(44, 160, 44),
                                               QColor(214, 39, 40), QColor(148, 103, 189),
                                               QColor(140, 86, 75)};
  return kColours[(panel - 1) % kPanelCount];
}

}  // namespace halvessa::window
