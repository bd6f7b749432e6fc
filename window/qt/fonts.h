// The fonts the window and its views are drawn with: a free sans-serif face at the sizes the
// layout was made for.
#pragma once

#include <QFont>

namespace halvessa::window {

QFont DefaultFont();  // labels, check boxes, the small boxes: 8.25 pt regular
QFont BoxFont();      // the other text boxes: 8.25 pt bold
QFont ButtonFont();   // command buttons: 9.75 pt regular

}  // namespace halvessa::window
