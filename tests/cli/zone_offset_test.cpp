// Zones of half and quarter hours, and offsets that are not whole minutes, through the
// calculator: a time text names its instant, and the sun of a row is the sun of that instant.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <gtest/gtest.h>

#include "cli/cli.h"

namespace {

namespace cli = halvessa::cli;

double NoClock() {
  ADD_FAILURE() << "the clock was read";
  return 0;
}

QStringList Args(const char* line) { return QString::fromUtf8(line).split(' ', Qt::SkipEmptyParts); }

QJsonObject Json(const QStringList& args) {
  const cli::Outcome r = cli::Run(args, NoClock);
  EXPECT_EQ(r.status, 0) << r.err;
  return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
}

const QStringList kMumbai = Args("--lat 19.076 --lon 72.8777 --panel 180/20");

// A series row stamped 12:00+05:30 holds the sun of 06:30 universal time, and so does the
// one-moment calculation at 12:00 under 5.5 hours or under the zone's name.
TEST(ZoneOffsets, HalfHourRowsHoldTheSunOfTheirInstant) {
  const QJsonObject row = Json(Args("series --from 2025-07-24T12:00 --to 2025-07-24T12:01 --step 1m "
                                       "--tz 5.5 --format json") + kMumbai)
                              .value("rows").toArray().at(0).toObject();
  EXPECT_EQ(row.value("time").toString(), "2025-07-24T12:00:00+05:30");
  const QJsonObject ut = Json(kMumbai + Args("--date 2025-07-24 --time 06:30 --tz 0 --json"));
  for (const char* zone : {"5.5", "Asia/Kolkata", "Asia/Calcutta"}) {
    const QJsonObject local =
        Json(kMumbai + Args("--date 2025-07-24 --time 12:00 --json --tz") + QStringList{zone});
    EXPECT_EQ(local.value("sun"), ut.value("sun")) << zone;
    EXPECT_EQ(local.value("moment").toString(), "2025-07-24T12:00:00+05:30") << zone;
  }
  const QJsonObject sun = ut.value("sun").toObject();
  EXPECT_EQ(row.value("sun_azimuth"), sun.value("azimuth"));
  EXPECT_EQ(row.value("sun_elevation"), sun.value("elevation"));
}

// The day's sunrise is a moment its own rows put near the horizon (the sun's centre 0.833
// degrees below it), not half an hour away, and its peak comes with the sun's culmination.
TEST(ZoneOffsets, SunriseAndPeakOfAHalfHourZone) {
  const cli::Outcome day = cli::Run(Args("day --date 2025-07-24 --tz 5.5") + kMumbai, NoClock);
  ASSERT_EQ(day.status, 0) << day.err;
  const auto at = day.out.find("Sunrise     ");
  ASSERT_NE(at, std::string::npos);
  const QString sunrise = QString::fromStdString(day.out.substr(at + 12, 8));
  const double elevation =
      Json(kMumbai + Args("--date 2025-07-24 --tz 5.5 --json --time") + QStringList{sunrise})
          .value("sun").toObject().value("elevation").toDouble();
  EXPECT_NEAR(elevation, -0.833, 0.5) << sunrise.toStdString();
  EXPECT_NE(day.out.find("peak 90% at 12:45"), std::string::npos) << day.out;
}

// Offsets of whole seconds are written with their seconds: a zone of 0.01 hours is 36 seconds,
// Zurich's local mean time of 1850 is 34 minutes 8 seconds.
TEST(ZoneOffsets, OffsetsOfSecondsAreWrittenWithThem) {
  EXPECT_EQ(Json(Args("--date 2025-07-24 --time 12:00 --tz 0.01 --json")).value("moment"),
            "2025-07-24T12:00:00+00:00:36");
  EXPECT_EQ(Json(Args("--date 1850-06-01 --time 12:00 --tz Europe/Zurich --json")).value("moment"),
            "1850-06-01T12:00:00+00:34:08");
  const cli::Outcome rows = cli::Run(
      Args("series --from 2025-07-24T12:00 --to 2025-07-24T12:01 --step 1m --tz -0.01"), NoClock);
  EXPECT_NE(rows.out.find("\n2025-07-24T12:00:00-00:00:36,"), std::string::npos) << rows.out;
}

}  // namespace
