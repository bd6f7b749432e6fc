// Pieces of the locale's date and time formats shared by the date reader and the display
// patterns. Internal to the text layer.
#pragma once

#include <QChar>
#include <QString>
#include <vector>

namespace halvessa::text::detail {

struct FormatToken {
  QChar field;      // the pattern letter of a field ('d', 'M', 'y', 'h', ...), or null
  int width = 0;    // the field's letter count
  QString literal;  // the literal text when field is null
};

// Splits a QLocale date or time format into fields and literal runs; quoted text is literal.
std::vector<FormatToken> Tokenize(const QString& format);

// Bidirectional marks that some locales put around separators and signs; typed text rarely
// has them.
inline bool IsBidiMark(QChar c) {
  return c == QChar(0x200E) || c == QChar(0x200F) || c == QChar(0x061C);
}

}  // namespace halvessa::text::detail
