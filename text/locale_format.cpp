#include "text/locale_format.h"

namespace halvessa::text::detail {

std::vector<FormatToken> Tokenize(const QString& format) {
  std::vector<FormatToken> tokens;
  auto addLiteral = [&tokens](QChar c) {
    if (tokens.empty() || !tokens.back().field.isNull()) tokens.push_back({});
    tokens.back().literal += c;
  };
  for (qsizetype i = 0; i < format.size();) {
    const QChar c = format[i];
    if (c == QLatin1Char('\'')) {
      if (i + 1 < format.size() && format[i + 1] == QLatin1Char('\'')) {
        addLiteral(c);
        i += 2;
        continue;
      }
      for (++i; i < format.size(); ++i) {
        if (format[i] == QLatin1Char('\'')) {
          if (i + 1 < format.size() && format[i + 1] == QLatin1Char('\'')) {
            addLiteral(format[i]);
            ++i;
          } else {
            break;
          }
        } else {
          addLiteral(format[i]);
        }
      }
      ++i;
    } else if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
               (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))) {
      qsizetype j = i;
      while (j < format.size() && format[j] == c) ++j;
      tokens.push_back({c, static_cast<int>(j - i), {}});
      i = j;
    } else {
      addLiteral(c);
      ++i;
    }
  }
  return tokens;
}

}  // namespace halvessa::text::detail
