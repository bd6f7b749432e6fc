#include <gtest/gtest.h>

#include <cmath>

#include "geometry/calendar.h"
#include "tests/text/conversion_support.h"
#include "text/time_zone.h"

namespace halvessa::text {
namespace {

double At(int y, int mo, int d, int h, int mi) { return DateSerial(y, mo, d) + TimeSerial(h, mi, 0); }

TEST(TimeZone, NumbersAreFixedHoursAndNamesComeFromTheDatabase) {
  EXPECT_FALSE(StrictTimeZone(QStringLiteral("2")).isNamed());
  EXPECT_EQ(StrictTimeZone(QStringLiteral(" -3,5 "), kDe).offsetAtUniversal(At(2025, 7, 1, 0, 0)), -3.5);
  EXPECT_EQ(StrictTimeZone(QStringLiteral("5.5")).offsetAtLocal(At(2025, 1, 1, 0, 0)), 5.5);
  const SiteZone zurich = StrictTimeZone(QStringLiteral(" Europe/Zurich "));
  EXPECT_EQ(zurich.name(), QStringLiteral("Europe/Zurich"));
  // Every name of the database is taken, links and the old names included.
  for (const char* name : {"Etc/UTC", "Etc/GMT+5", "CET", "EST5EDT", "US/Eastern", "Asia/Calcutta",
                           "Europe/Kiev", "UTC"}) {
    EXPECT_EQ(StrictTimeZone(QString::fromLatin1(name)).name(), QString::fromLatin1(name));
  }
  EXPECT_EQ(StrictTimeZone(QStringLiteral("Etc/GMT+5")).offsetAtUniversal(At(2025, 7, 1, 0, 0)), -5);
  // Files of the database's folder that are not zones, and names that would lead out of it.
  for (const char* bad : {"", "Mars/Olympus", "Europe/", "2 h", "zone.tab", "tzdata.zi",
                          "../zoneinfo/UTC", "/etc/localtime", "Europe//Zurich", "./UTC", "inf",
                          "abc"}) {
    EXPECT_EQ(ErrorOf([&] { StrictTimeZone(QString::fromLatin1(bad)); }),
              QStringLiteral("\"%1\" is neither hours nor a known time zone name").arg(bad));
  }
}

TEST(TimeZone, DaylightSavingChangesAtTheRightInstant) {
  // Zurich 2025: summer time from 30 March 01:00 to 26 October 01:00 universal time.
  const SiteZone zurich = StrictTimeZone(QStringLiteral("Europe/Zurich"));
  const struct { double ut; double hours; } universal[] = {
      {At(2025, 3, 30, 0, 59), 1}, {At(2025, 3, 30, 1, 0), 2},
      {At(2025, 10, 26, 0, 59), 2}, {At(2025, 10, 26, 1, 0), 1}, {At(2025, 7, 24, 12, 0), 2}};
  for (const auto& c : universal) EXPECT_EQ(zurich.offsetAtUniversal(c.ut), c.hours) << c.ut;

  // Local times: the skipped hour takes the winter offset, the repeated one the summer one.
  const struct { double local; double hours; } local[] = {
      {At(2025, 3, 30, 1, 59), 1}, {At(2025, 3, 30, 2, 30), 1}, {At(2025, 3, 30, 3, 0), 2},
      {At(2025, 10, 26, 1, 59), 2}, {At(2025, 10, 26, 2, 30), 2}, {At(2025, 10, 26, 3, 0), 1},
      {At(2025, 7, 24, 14, 0), 2}, {At(2025, 1, 15, 0, 0), 1}};
  for (const auto& c : local) EXPECT_EQ(zurich.offsetAtLocal(c.local), c.hours) << c.local;

  // The same year as a rule for a series: its two changes, and the same answers.
  const auto second = [](double serial) {
    return static_cast<std::int64_t>(std::llround((serial - kUnixEpochSerial) * 86400));
  };
  const site::ZoneRule rule =
      zurich.ruleBetween(second(At(2025, 1, 1, 0, 0)), second(At(2026, 1, 1, 0, 0)));
  EXPECT_TRUE(rule.changes());
  for (const auto& c : universal) EXPECT_EQ(rule.hoursAt(second(c.ut)), c.hours) << c.ut;
  for (const auto& c : local) {
    EXPECT_EQ(rule.universalOf(second(c.local)), second(c.local) - std::llround(c.hours * 3600))
        << c.local;
  }
  EXPECT_FALSE(StrictTimeZone(QStringLiteral("5.5")).ruleBetween(0, 1).changes());
}

}  // namespace
}  // namespace halvessa::text
