// Time zones as the user types them: a number of hours east of universal time ("2", "5.5",
// "-3,5" under a decimal-comma locale), or the name of a zone of the system's time zone
// database ("Europe/Zurich", "America/New_York", "UTC"). A number keeps meaning fixed hours
// all year; a name gives the zone's offset at the moment in question, daylight saving
// included.
#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QTimeZone>

#include <cstdint>

#include "site/zone_rule.h"

namespace halvessa::text {

class SiteZone {
 public:
  // Fixed hours east of universal time.
  static SiteZone Fixed(double hours);
  // A zone of the database; id must name an available zone.
  static SiteZone Named(const QByteArray& id);

  bool isNamed() const { return named_; }
  // Within the site's range: any named zone, or fixed hours from -23:59 to +23:59.
  bool inSiteRange() const;
  // The zone's name, or the empty text for fixed hours.
  QString name() const;

  // The offset in hours east of universal time at a moment of universal time, as a day
  // serial. Fixed hours for a fixed zone.
  double offsetAtUniversal(double utSerial) const;
  // The offset in force at a local date and time of the zone, as a day serial. A local time
  // that the clocks skip (the hour lost in spring) takes the offset before the change; one
  // that comes twice (the hour repeated in autumn) takes the first.
  double offsetAtLocal(double localSerial) const;

  // The zone's offsets from one instant to another (seconds since 1970-01-01 00:00 UT), for
  // a series: fixed hours, or the offset at the first instant and every change up to the
  // last.
  site::ZoneRule ruleBetween(std::int64_t fromUniversal, std::int64_t toUniversal) const;
  // The offsets around a span of local seconds (since 1970-01-01 00:00 local time), with two
  // days' margin either way so that any local moment of the span finds its offset.
  site::ZoneRule ruleAroundSeconds(std::int64_t fromLocal, std::int64_t toLocal) const;
  // The same around a span of local day serials.
  site::ZoneRule ruleAround(double fromDay, double toDay) const;

 private:
  bool named_ = false;
  double hours_ = 0;
  QTimeZone zone_;
};

// A number by the strict number conversion, or failing that an available zone name. Blanks
// around the text are allowed. Throws ConversionError otherwise:
//   "Mars/Olympus" is neither hours nor a known time zone name
// Does not check the range of a number of hours; the caller does.
SiteZone StrictTimeZone(const QString& text, const QLocale& locale = QLocale());

}  // namespace halvessa::text
