// Locales and helpers shared by the text layer's tests.
#pragma once

#include <QLocale>
#include <QString>
#include <vector>

#include "text/conversion_error.h"

namespace halvessa::text {

inline const QLocale kUs(QLocale::English, QLocale::UnitedStates);
inline const QLocale kDe(QLocale::German, QLocale::Germany);
inline const QLocale kFi(QLocale::Finnish, QLocale::Finland);  // "." between hours and minutes

// The message of the ConversionError that call throws, or "no error".
template <typename Call>
QString ErrorOf(Call call) try {
  call();
  return QStringLiteral("no error");
} catch (const ConversionError& e) {
  return e.message();
}

struct Read {
  const char* text;
  QLocale locale;
  double value;
};

// Texts that no box should ever hold: huge, full of blanks, control characters, broken UTF-16.
inline std::vector<QString> HostileTexts() {
  return {QString(1 << 20, '9'), QStringLiteral("1e") + QString(100000, '9'),
          QStringLiteral("0.") + QString(100000, '0') + '1', QString(100000, ' ') + '5',
          QStringLiteral("1 ").repeated(50000) + QStringLiteral("14:00"),
          QString(QChar(0)) + QStringLiteral("\x01\n\t\r\x7f"), QStringLiteral("+-.e//--..::"),
          QString(QChar(0xD800)), QStringLiteral("\xd8\xff")};
}

}  // namespace halvessa::text
