// The calculator's series command, in process through cli::Run.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>

#include "cli/cli.h"
#include "files/series_export.h"

namespace {

namespace cli = halvessa::cli;
using cli::Outcome;

double NoClock() {
  ADD_FAILURE() << "the clock was read";
  return 0;
}

QStringList Lines(const std::string& text) {
  QStringList lines = QString::fromStdString(text).split(QStringLiteral("\r\n"));
  EXPECT_EQ(lines.takeLast(), QString());  // every record ends in CR LF
  return lines;
}

// A daylight saving day has 23 or 25 hours of rows, each with the offset in force.
TEST(CliSeries, DaylightSavingDaysInZurich) {
  const struct { const char* from; const char* to; int rows; const char* last; } days[] = {
      {"2025-03-30", "2025-03-31", 23, "2025-03-30T23:00:00+02:00"},
      {"2025-10-26", "2025-10-27", 25, "2025-10-26T23:00:00+01:00"},
      {"2025-07-24", "2025-07-25", 24, "2025-07-24T23:00:00+02:00"}};
  for (const auto& d : days) {
    const Outcome r = cli::Run({"series", "--from", d.from, "--to", d.to, "--step", "1h", "--tz",
                                "Europe/Zurich", "--panel", "151/45", "--digits", "1"},
                               NoClock);
    ASSERT_EQ(r.status, 0) << r.err;
    const QStringList lines = Lines(r.out);
    ASSERT_EQ(lines.size(), d.rows + 1) << d.from;
    EXPECT_EQ(lines[0], "time,sun_azimuth,sun_elevation,panel1_aoi,panel1_production");
    EXPECT_TRUE(lines.last().startsWith(d.last)) << lines.last().toStdString();
  }
  const Outcome spring = cli::Run({"series", "--from", "2025-03-30 01:00", "--to",
                                   "2025-03-30 04:00", "--step", "30m", "--tz", "Europe/Zurich"},
                                  NoClock);
  const QStringList lines = Lines(spring.out);
  ASSERT_EQ(lines.size(), 5);
  EXPECT_TRUE(lines[2].startsWith("2025-03-30T01:30:00+01:00,"));
  EXPECT_TRUE(lines[3].startsWith("2025-03-30T03:00:00+02:00,"));
}

// A row of the series carries the very numbers the one-moment calculation gives, and the
// JSON form holds the same rows as the CSV form.
TEST(CliSeries, RowsAreTheOneMomentResults) {
  const QStringList site{"--lat", "-33.9", "--lon", "18.4", "--tz", "2", "--panel",
                         "0/0",   "--panel", "10/30"};
  const Outcome csv = cli::Run(QStringList{"series", "--from", "2025-12-21 09:00", "--to",
                                           "2025-12-21 15:00", "--step", "2h"} + site,
                               NoClock);
  const QStringList lines = Lines(csv.out);
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0], "time,sun_azimuth,sun_elevation,panel2_aoi,panel2_production");

  const Outcome json = cli::Run(QStringList{"series", "--from", "2025-12-21 09:00", "--to",
                                            "2025-12-21 15:00", "--step", "2h", "--format",
                                            "json"} + site,
                                NoClock);
  const QJsonObject doc = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
  EXPECT_EQ(doc["site"].toObject()["latitude"].toDouble(), -33.9);
  EXPECT_EQ(doc["panels"].toArray().size(), 1);
  const QJsonArray rows = doc["rows"].toArray();
  ASSERT_EQ(rows.size(), 3);

  const Outcome one = cli::Run(QStringList{"--date", "2025-12-21", "--time", "11:00", "--json"} + site,
                               NoClock);
  const QJsonObject moment = QJsonDocument::fromJson(QByteArray::fromStdString(one.out)).object();
  const QJsonObject row = rows[1].toObject();
  EXPECT_EQ(row["time"].toString(), "2025-12-21T11:00:00+02:00");
  EXPECT_EQ(row["sun_elevation"].toDouble(), moment["sun"].toObject()["elevation"].toDouble());
  EXPECT_EQ(row["sun_azimuth"].toDouble(), moment["sun"].toObject()["azimuth"].toDouble());
  const QJsonObject panel2 = moment["panels"].toArray()[1].toObject();
  EXPECT_EQ(row["panel2_aoi"].toDouble(), panel2["aoi"].toDouble());
  EXPECT_EQ(row["panel2_production"].toDouble(), panel2["production"].toDouble());
  const QStringList fields = lines[2].split(',');
  EXPECT_EQ(fields[0], "2025-12-21T11:00:00+02:00");
  EXPECT_EQ(fields[2].toDouble(), row["sun_elevation"].toDouble());
  EXPECT_EQ(fields[3].toDouble(), row["panel2_aoi"].toDouble());
}

// Hostile arguments: one line naming the option, exit status 2, nothing on standard output.
TEST(CliSeries, HostileArgumentsGiveOneLine) {
  const QStringList base{"series", "--from", "2025-01-01", "--to", "2025-01-02"};
  const struct { QStringList args; const char* err; } cases[] = {
      {{"series", "--from", "2025-01-02", "--to", "2025-01-01"},
       "halvessa-cli: --to: \"2025-01-01\" is not after --from \"2025-01-02\"\n"},
      {base + QStringList{"--step", "0m"},
       "halvessa-cli: --step: \"0m\" is not a step of time from 1s to 366d, e.g. 30s, 10m or 1h\n"},
      {base + QStringList{"--step", "-5m"}, nullptr},
      {base + QStringList{"--step", "1y"}, nullptr},
      {{"series", "--from", "2000-01-01", "--to", "2025-01-01", "--step", "1m"},
       "halvessa-cli: --step: 13150080 rows from --from to --to, more than 10000000; add --force "
       "to write them anyway\n"},
      {base + QStringList{"--tz", "Mars/Olympus"},
       "halvessa-cli: --tz: \"Mars/Olympus\" is neither hours nor a known time zone name\n"},
      {base + QStringList{"--format", "xml"}, "halvessa-cli: --format: \"xml\" is neither csv nor json\n"},
      {base + QStringList{"--digits", "18"}, nullptr},
      {base + QStringList{"--date", "2025-01-01"},
       "halvessa-cli: --date: is not an option of the series command\n"},
      {{"series", "--to", "2025-01-01"}, "halvessa-cli: --from: missing; the series command needs it\n"},
      {{"series", "--from", "2025-02-30", "--to", "2025-03-01"}, nullptr},
      {{"series", "--from", "2025-01-01 25:00", "--to", "2025-03-01"}, nullptr},
      {{"series", "--from", "0100-01-01", "--to", "0100-01-02", "--tz", "5"},
       "halvessa-cli: --from: the series reaches outside the years 100 to 9999 in universal time\n"},
      {{"--from", "2025-01-01"},
       "halvessa-cli: --from: needs a command first (series, day, year or best)\n"},
  };
  for (const auto& c : cases) {
    const Outcome r = cli::Run(c.args, NoClock);
    EXPECT_EQ(r.status, cli::kExitUsage) << c.args.join(' ').toStdString();
    EXPECT_TRUE(r.out.empty());
    if (c.err) {
      EXPECT_EQ(r.err, c.err);
    } else {
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
  }
}

// The clear sky's columns, the day, year and best commands' JSON, and their bad values.
TEST(CliSeries, ClearSkyAndTheSummaryCommands) {
  const Outcome sky = cli::Run({"series", "--from", "2025-06-21 12:00", "--to", "2025-06-21 12:01",
                                "--step", "1m", "--clearsky", "--panel", "180/0", "--altitude", "1500"},
                               NoClock);
  const QStringList lines = Lines(sky.out);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], "time,sun_azimuth,sun_elevation,panel1_aoi,panel1_production,ghi,dni,dhi,panel1_poa");
  const QStringList f = lines[1].split(',');
  // A flat panel: the beam on the horizontal plus the diffuse light.
  const double elevation = f[2].toDouble();
  EXPECT_NEAR(f[8].toDouble(), f[6].toDouble() * std::sin(elevation * M_PI / 180) + f[7].toDouble(), 1e-9);
  EXPECT_GT(f[5].toDouble(), 900);

  const auto json = [](const QStringList& args) {
    const Outcome r = cli::Run(args + QStringList{"--json", "--tz", "Europe/Zurich"}, NoClock);
    EXPECT_EQ(r.status, 0) << r.err;
    return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
  };
  const QJsonObject day = json({"day", "--date", "2025-10-26"});
  EXPECT_EQ(day["hours"].toDouble(), 25);
  EXPECT_EQ(day["sunrise"].toString().right(6), "+01:00");
  EXPECT_EQ(day["panels"].toArray().size(), 5);
  const QJsonObject year = json({"year", "--year", "2025", "--step", "1h", "--panel", "180/35"});
  EXPECT_EQ(year["months"].toArray().size(), 12);
  const QJsonObject best = json({"best", "--year", "2025", "--step", "1h", "--panel", "180/35"});
  const double bestKwh = best["best"].toObject()["irradiation_kwh_m2"].toDouble();
  EXPECT_NEAR(year["total"].toObject()["panels"].toArray()[0].toObject()["irradiation_kwh_m2"].toDouble(),
              best["panels"].toArray()[0].toObject()["irradiation_kwh_m2"].toDouble(), 1e-9);
  EXPECT_LE(best["panels"].toArray()[0].toObject()["share_percent"].toDouble(), 100);
  EXPECT_GT(bestKwh, 1000);

  for (const QStringList& bad : {QStringList{"year", "--year", "99"}, {"year", "--step", "30s"},
                                 {"best", "--fix-tilt", "91"}, {"best", "--fix-azimuth", "12.5"},
                                 {"best", "--fix-tilt", "30", "--fix-azimuth", "180"},
                                 {"day", "--altitude", "1e5"}, {"day", "--date", "someday"},
                                 {"year", "--year", "9999", "--tz", "-5"}, {"day", "--from", "2025-01-01"}}) {
    const Outcome r = cli::Run(bad, [] { return 45000.0; });
    EXPECT_EQ(r.status, cli::kExitUsage) << bad.join(' ').toStdString();
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

// A sink that takes a little and then fails, as a full disk does.
class FullDisk : public halvessa::files::OutputSink {
 public:
  void write(std::string_view text) override {
    taken_ += text.size();
    if (taken_ > 100000) throw halvessa::files::OutputError("No space left on device");
  }

 private:
  std::size_t taken_ = 0;
};

TEST(CliSeries, AWriteFailureIsOneLineAndStatusOne) {
  FullDisk disk;
  const Outcome r = cli::Run({"series", "--from", "2025-01-01", "--to", "2025-02-01", "--step", "1m"},
                             cli::Environment{NoClock, &disk, {}});
  EXPECT_EQ(r.status, cli::kExitFailure);
  EXPECT_EQ(r.err, "halvessa-cli: cannot write the output: No space left on device\n");
}

}  // namespace
