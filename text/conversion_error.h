// The failure of a strict conversion. Its message names the text, e.g.  "abc" is not a number ;
// callers put the name of the box or option in front.
#pragma once

#include <QString>
#include <stdexcept>

namespace halvessa::text {

class ConversionError : public std::runtime_error {
 public:
  explicit ConversionError(const QString& message)
      : std::runtime_error(message.toStdString()) {}
  QString message() const { return QString::fromStdString(what()); }
};

}  // namespace halvessa::text
