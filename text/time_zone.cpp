#include "text/time_zone.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <utility>
#include <vector>

#include "geometry/calendar.h"
#include "site/site.h"
#include "text/conversion_error.h"
#include "text/numbers.h"
#include "text/patterns.h"

namespace halvessa::text {

namespace {

constexpr double kMillisecondsPerDay = 86400000.0;

// Midnight at the start of a local day serial, in the zone.
QDateTime LocalMidnight(double day, const QTimeZone& zone) {
  const DateParts parts = SerialToParts(day);
  return QDateTime(QDate(parts.year, parts.month, parts.day), QTime(0, 0), zone);
}

// The form of a name of the database, links included ("Europe/Zurich", "Etc/GMT+5", "CET",
// "US/Eastern"): parts of letters, digits, "_", "-", "+" and "." joined by "/", none of them
// "." or "..", so that a name never leads out of the database.
bool IsZoneName(const QByteArray& id) {
  if (id.isEmpty() || id.size() > 64) return false;
  for (const QByteArray& part : id.split('/')) {
    if (part.isEmpty() || part == "." || part == "..") return false;
    for (const char c : part) {
      const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '+' || c == '.';
      if (!allowed) return false;
    }
  }
  return true;
}

// A zone of the system's database: a name Qt lists, or a name of the database's folder whose
// file is a zone (the links and old names Qt does not list). Qt would also read any text as
// a POSIX rule ("inf" as a zone named "inf" at universal time); that is not a name.
bool InDatabase(const QByteArray& id) {
  if (!IsZoneName(id)) return false;
  if (QTimeZone::isTimeZoneIdAvailable(id)) return true;
  const QByteArray folder = qEnvironmentVariableIsSet("TZDIR") ? qgetenv("TZDIR")
                                                               : QByteArray("/usr/share/zoneinfo");
  QFile file(QString::fromLocal8Bit(folder + '/' + id));
  return QFileInfo(file).isFile() && file.open(QIODevice::ReadOnly) && file.read(4) == "TZif" &&
         QTimeZone(id).isValid();
}

}  // namespace

SiteZone SiteZone::Fixed(double hours) {
  SiteZone z;
  z.hours_ = hours;
  return z;
}

SiteZone SiteZone::Named(const QByteArray& id) {
  SiteZone z;
  z.named_ = true;
  z.zone_ = QTimeZone(id);
  return z;
}

bool SiteZone::inSiteRange() const { return named_ || TimeZoneInRange(hours_); }

QString SiteZone::name() const {
  return named_ ? QString::fromUtf8(zone_.id()) : QString();
}

double SiteZone::offsetAtUniversal(double utSerial) const {
  if (!named_) return hours_;
  const double ms = std::round((utSerial - kUnixEpochSerial) * kMillisecondsPerDay);
  const QDateTime moment = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms), QTimeZone::utc());
  return zone_.offsetFromUtc(moment) / 3600.0;
}

double SiteZone::offsetAtLocal(double localSerial) const {
  if (!named_) return hours_;
  // Midnight of the local day is never inside a change, so its offset is certain; the local
  // moment is then that midnight's universal time plus the time of day, corrected once if a
  // change lies between them.
  const double day = std::floor(localSerial);
  const double atMidnight = zone_.offsetFromUtc(LocalMidnight(day, zone_)) / 3600.0;
  const double guess = localSerial - atMidnight / 24.0;
  const double after = offsetAtUniversal(guess);
  if (after == atMidnight) return atMidnight;
  // The local time exists under the new offset unless it lies in the skipped hour.
  const double again = offsetAtUniversal(localSerial - after / 24.0);
  return again == after ? after : atMidnight;
}

site::ZoneRule SiteZone::ruleBetween(std::int64_t fromUniversal,
                                       std::int64_t toUniversal) const {
  if (!named_) return site::ZoneRule::Fixed(hours_);
  const QDateTime from = QDateTime::fromSecsSinceEpoch(fromUniversal, QTimeZone::utc());
  const QDateTime to = QDateTime::fromSecsSinceEpoch(toUniversal, QTimeZone::utc());
  std::vector<site::ZoneRule::Change> changes;
  for (const QTimeZone::OffsetData& t : zone_.transitions(from, to)) {
    changes.push_back({t.atUtc.toSecsSinceEpoch(), t.offsetFromUtc / 3600.0});
  }
  return site::ZoneRule(zone_.offsetFromUtc(from) / 3600.0, std::move(changes));
}

site::ZoneRule SiteZone::ruleAroundSeconds(std::int64_t fromLocal,
                                             std::int64_t toLocal) const {
  constexpr std::int64_t kMargin = 2 * 86400;
  return ruleBetween(fromLocal - kMargin, toLocal + kMargin);
}

site::ZoneRule SiteZone::ruleAround(double fromDay, double toDay) const {
  return ruleAroundSeconds(SecondOfDay(fromDay), SecondOfDay(toDay));
}

SiteZone StrictTimeZone(const QString& text, const QLocale& locale) {
  try {
    return SiteZone::Fixed(StrictNumber(text, locale));
  } catch (const ConversionError&) {
    const QByteArray id = text.trimmed().toUtf8();
    if (InDatabase(id)) return SiteZone::Named(id);
    throw ConversionError(Quoted(text) +
                          QStringLiteral(" is neither hours nor a known time zone name"));
  }
}

}  // namespace halvessa::text
