// Locales and helpers shared by the text layer's tests.
#pragma once

#include <QLocale>
#include <QString>

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

}  // namespace halvessa::text
