// The calculator run in process through cli::Run on a fixed clock; the built executable only
// where the process itself matters (exit status, a failed write). The day, year, best and
// clear-sky figures come from tests/summary/summary_expected.py.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>

#include <gtest/gtest.h>

#include "cli/cli.h"
#include "geometry/calendar.h"

namespace {

namespace cli = halvessa::cli;
using cli::Outcome;

// The clock reads 2025-07-24 12:00:00.250 universal time.
double FixedNowUt() { return halvessa::SerialFromUnixMilliseconds(1753358400250); }

// A moment fully given must not read the clock.
double NoClock() {
  ADD_FAILURE() << "the clock was read";
  return 0;
}

// Arguments split at blanks.
QStringList Args(const char* line) { return QString::fromUtf8(line).split(' ', Qt::SkipEmptyParts); }

QJsonObject Json(const Outcome& r) {
  EXPECT_EQ(r.status, 0) << r.err;
  return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
}

class Cli : public testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

const QStringList kGeneva =
    Args("--date 2025-07-24 --time 14:00 --lat 46.205556 --lon 6.154444 --tz 2");

TEST_F(Cli, WorkedExample) {
  Outcome r = cli::Run(kGeneva + QStringList{"--panel", "151/45", "--panel", "331/70"}, NoClock);
  EXPECT_TRUE(r.status == 0 && r.err.empty()) << r.err;
  EXPECT_EQ(r.out,
            "Moment      2025-07-24 14:00:00, UTC+02:00\n"
            "Site        latitude 46.205556, longitude 6.154444, time zone 2\n"
            "Sun         azimuth 189.0, elevation 63.3\n"
            "Sunrise     06:08:13\nSunset      21:14:53\n"
            "Panel 1     151/45      AOI 28.1, production 83%\n"
            "Panel 2     331/70      AOI 91.6, production 0%\n");
  r = cli::Run(kGeneva + QStringList{"--panel", "151/45", "--panel", "0/0", "--json"}, NoClock);
  EXPECT_EQ(r.out,
            R"({"latitude":46.205556,"longitude":6.154444,"moment":"2025-07-24T14:00:00+02:00",)"
            R"("panels":[{"aoi":28.098963596734354,"azimuth":151,"in_use":true,"panel":1,)"
            R"("production":82.85197500297801,"tilt":45},)"
            R"({"azimuth":0,"in_use":false,"panel":2,"tilt":0}],)"
            R"("sun":{"azimuth":189,"elevation":63.280131653568624},)"
            R"("sunrise":"2025-07-24T06:08:13.102+02:00","sunset":"2025-07-24T21:14:52.832+02:00",)"
            R"("timezone":2})"
            "\n");
}

// 2025-07-24 03:00 universal time.
double At3Ut() { return halvessa::SerialFromUnixMilliseconds(1753326000000); }

// Pieces of the output. Without --date and --time the moment is the clock's instant in the
// site's zone; --time alone takes the site's present date, which need not be the universal one.
// Values at the ends of their ranges, and after "=", are taken.
TEST_F(Cli, OutputPieces) {
  const struct { const char* args; double (*nowUt)(); const char* piece; } cases[] = {
      {"--json", FixedNowUt, R"("moment":"2025-07-24T14:00:00.250+02:00")"},
      {"--tz -3.5 --json", FixedNowUt, R"("moment":"2025-07-24T08:30:00.250-03:30")"},
      {"--tz 0 --json", FixedNowUt, R"("moment":"2025-07-24T12:00:00.250+00:00")"},
      {"--time 23:00 --tz -5 --json", At3Ut, R"("moment":"2025-07-23T23:00:00-05:00")"},
      {"--date 2025-07-24 --json", NoClock, R"("moment":"2025-07-24T00:00:00+02:00")"},
      // A zone name: its offset at the moment, daylight saving included.
      {"--tz Europe/Zurich --json", FixedNowUt, R"("moment":"2025-07-24T14:00:00.250+02:00")"},
      {"--date 2025-01-15 --time 9:00 --tz Europe/Zurich --json", NoClock, "09:00:00+01:00\""},
      {"--date 2025-03-30 --time 3:30 --tz Europe/Zurich --json", NoClock, "03:30:00+02:00\""},
      {"--tz Asia/Kolkata", FixedNowUt, "time zone Asia/Kolkata (5.5)\n"},
      {"--lat 90 --lon -180 --json", FixedNowUt, R"("latitude":90,"longitude":-180,)"},
      {"--tz 23.983 --date 2025-07-24 --json", NoClock, "T00:00:00+23:58:59\""},
      {"--tz -23.991 --date 2025-07-24 --json", NoClock, "T00:00:00-23:59:28\""},
      {"--panel -360/180 --panel 360/-180 --json", FixedNowUt,
       R"("azimuth":360,"in_use":true,"panel":2,)"},
      {"--date=2025-01-15 --time=9:00 --lat=40.7128 --lon -74.006 --tz=-5 --json", NoClock,
       R"("sun":{"azimuth":136,)"},
      // The sun down: the AOI stays, the production is 0.
      {"--date 2025-07-24 --time 23:00 --panel 331/70 --json", NoClock,
       R"({"aoi":36.01083839580725,"azimuth":331,"in_use":true,"panel":1,"production":0,)"},
      // Polar day: the sunset falls on the next day and carries its date; polar night.
      {"--date 2025-06-21 --time 12:00 --lat 78.2 --lon 15.6", NoClock,
       "Sunrise     00:59:06\nSunset      00:59:06 (2025-06-22)\n"
       "            the sun stays above the horizon all day\n"},
      {"--date 2025-12-21 --time 12:00 --lat 78.2 --lon 15.6 --tz 1", NoClock,
       "Sunrise     11:56:34\nSunset      11:56:34\n            the sun stays below the horizon all day\n"},
      {"--json", FixedNowUt, R"("azimuth":331,"in_use":true,"panel":5,)"},  // the stored panels
      // The day the clocks go back has 25 hours; its sunrise and sunset have the offset of noon.
      {"day --date 2025-10-26 --tz Europe/Zurich --json", NoClock, R"("hours":25,)"},
      {"day --date 2025-10-26 --tz Europe/Zurich --json", NoClock, "+01:00\",\"sunset\""},
      // "--" alone ends the options, "-h" is --help.
      {"--", FixedNowUt, "Moment      2025-07-24 14:00:00, UTC+02:00\n"},
      {"-h", NoClock, "Usage: halvessa-cli [options]\n"},
      {"--version", NoClock, "halvessa-cli " HALVESSA_VERSION "\n"},
  };
  for (const auto& c : cases) {
    const Outcome r = cli::Run(Args(c.args), c.nowUt);
    EXPECT_TRUE(r.status == 0 && r.err.empty()) << c.args << ": " << r.err;
    EXPECT_NE(r.out.find(c.piece), std::string::npos) << c.args << ": " << r.out;
  }
}

// Every bad option or value: status 2, nothing on standard output, one line naming it.
TEST_F(Cli, BadArgumentsGiveOneLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"--frobnicate", R"(unknown option "--frobnicate")"}, {"-x", R"(unknown option "-x")"},
      {"-- --lat 1", R"(unexpected argument "--lat")"},
      {"--tz 2 --panel", "--panel: missing value"},
      {"--lat 1 --lat=2", R"(--lat: given twice, as "1" and "2")"},
      {"--json=yes", "--json: takes no value"},
      {"--lat 90.000001", R"(--lat: "90.000001" is outside -90 to 90)"},
      {"--lon 180.5", R"(--lon: "180.5" is outside -180 to 180)"},
      {"--tz inf", R"(--tz: "inf" is neither hours nor a known time zone name)"},
      {"--tz 23.992", R"(--tz: "23.992" is outside -23:59 to +23:59 hours)"},
      {"--tz -24", R"(--tz: "-24" is outside -23:59 to +23:59 hours)"},
      {"--panel 151", R"(--panel: "151" is not azimuth/tilt, e.g. 151/45)"},
      {"--panel abc/45", R"(--panel: "abc/45": "abc" is not a number)"},
      {"--panel 1\n2/2", "--panel: \"1\uFFFD2/2\": \"1\uFFFD2\" is not a number"},
      {"--panel 361/0", R"(--panel: "361/0": the azimuth is outside -360 to 360)"},
      {"--panel 0/-180.5", R"(--panel: "0/-180.5": the tilt is outside -180 to 180)"},
      {"--panel 1/2 --panel 1/2 --panel 1/2 --panel 1/2 --panel 1/2 --panel 9/9",
       R"(--panel: "9/9" is one panel too many (at most 5))"},
      {"--date 2025-13-40", R"(--date: "2025-13-40" is not a date or time)"},
      {"--date 14:00", R"(--date: "14:00" is not a date)"},
      {"--time 2025-07-24", R"(--time: "2025-07-24" is not a time)"},
      {"--date 0100-01-01 --time 00:30 --tz 2", R"(--tz: with "2", 0100-01-01 00:30:00 falls )"
                                                "outside the years 100 to 9999 in universal time"},
      {"--date 0100-01-01 --time 12:00 --lon 180 --tz 0",
       "--date: the sunrise or sunset of 0100-01-01 falls outside the years 100 to 9999"},
      {"--from 2025-01-01", "--from: needs a command first (series, day, year or best)"},
      {"series --to 2025-01-01", "--from: missing; the series command needs it"},
      {"series --date 1", "--date: is not an option of the series command"},
      {"series --from 2025-01-02 --to 2025-01-01",
       R"(--to: "2025-01-01" is not after --from "2025-01-02")"},
      {"series --from 2025-02-30 --to 2025-03-01",
       R"(--from: "2025-02-30" is not a date, e.g. 2025-03-30 or "2025-03-30 12:00")"},
      {"series --from 2025-01-01T25:00 --to 2025-03-01",
       R"(--from: "2025-01-01T25:00": "25:00" is not a time)"},
      {"series --from 2025-01-01 --to 2025-01-02 --step 0m",
       R"(--step: "0m" is not a step of time from 1s to 366d, e.g. 30s, 10m or 1h)"},
      {"series --from 2000-01-01 --to 2025-01-01 --step 1m",
       "--step: 13150080 rows from --from to --to, more than 10000000; add --force to write them "
       "anyway"},
      {"series --from 2025-01-01 --to 2025-01-02 --format xml",
       R"(--format: "xml" is neither csv nor json)"},
      {"series --from 2025-01-01 --to 2025-01-02 --digits 18",
       R"(--digits: "18" is not a whole number from 0 to 17)"},
      {"series --from 0100-01-01 --to 0100-01-02 --tz 5",
       "--from: the series reaches outside the years 100 to 9999 in universal time"},
      {"day --altitude 1e5", R"(--altitude: "1e5" is outside -500 to 9000 metres)"},
      {"year --year 99", R"(--year: "99" is not a year from 100 to 9999)"},
      {"year --step 30s", R"(--step: "30s" is below 1m, the finest step of the year command)"},
      {"year --year 9999 --tz -5", "--year: reaches outside the years 100 to 9999 in universal time"},
      {"best --fix-tilt 91", R"(--fix-tilt: "91" is not a whole number of degrees from 0 to 90)"},
      {"best --fix-azimuth 12.5",
       R"(--fix-azimuth: "12.5" is not a whole number of degrees from 0 to 359)"},
      {"best --fix-tilt 30 --fix-azimuth 180", "--fix-azimuth: cannot be given with --fix-tilt"},
  };
  for (const auto& [args, line] : cases) {
    const Outcome r = cli::Run(Args(args), FixedNowUt);
    EXPECT_EQ(r.status, cli::kExitUsage) << args;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("halvessa-cli: ") + line + "\n");
  }
  EXPECT_EQ(cli::Run({}, [] { return 1e7; }).err,
            "halvessa-cli: the computer's clock is outside the years 100 to 9999\n");
}

TEST_F(Cli, ReportFollowsTheLocaleAndJsonStaysPlain) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  const QStringList args = Args("--date 24.07.2025 --time 14:00 --lat 46,205556 --panel 151/45,5");
  EXPECT_NE(cli::Run(args, NoClock).out.find(
                "latitude 46,205556, longitude 6,154444, time zone 2\n"
                "Sun         azimuth 189,0, elevation 63,3\nSunrise     06:08:13\n"
                "Sunset      21:14:53\nPanel 1     151/45,5    AOI 28,5, production 82%\n"),
            std::string::npos);
  const std::string json = cli::Run(args + QStringList{"--json"}, NoClock).out;
  EXPECT_NE(json.find(R"("latitude":46.205556,"longitude":6.154444,)"), std::string::npos);
  EXPECT_NE(json.find(R"("tilt":45.5})"), std::string::npos) << json;
}

// Rows in real-time steps, each with the offset in force: 23 or 25 hours on a daylight saving
// day. Past the two workers' first stretches of 8192 rows each the rows still come in order.
TEST(CliSeries, RowsOfDaylightSavingDaysAndOfLongSeries) {
  const struct { const char* args; int rows, probe; const char *probed, *last; } cases[] = {
      {"--from 2025-03-30 --to 2025-03-31 --step 1h", 23, 2, "2025-03-30T03:00:00+02:00",
       "2025-03-30T23:00:00+02:00"},
      {"--from 2025-10-26 --to 2025-10-27 --step 1h", 25, 3, "2025-10-26T02:00:00+01:00",
       "2025-10-26T23:00:00+01:00"},
      {"--from 2025-01-01 --to 2025-01-15 --step 1m", 20160, 8192, "2025-01-06T16:32:00+01:00",
       "2025-01-14T23:59:00+01:00"}};
  for (const auto& c : cases) {
    const Outcome r = cli::Run(Args("series --tz Europe/Zurich --digits 0") + Args(c.args), NoClock);
    QStringList lines = QString::fromStdString(r.out).split("\r\n");
    ASSERT_EQ(lines.size(), c.rows + 2) << c.args << r.err;
    EXPECT_EQ(lines.takeLast(), "");  // every record ends in CR LF
    EXPECT_TRUE(lines[c.probe + 1].startsWith(c.probed)) << lines[c.probe + 1].toStdString();
    EXPECT_TRUE(lines.last().startsWith(c.last)) << lines.last().toStdString();
  }
}

// Whole outputs: the columns of the panels in use, CR LF, numbers as short as they read back
// (those of the one-moment JSON above) or to --digits decimals, and the JSON object.
TEST(CliSeries, OutputBytes) {
  const QStringList at14 = QStringList{"series", "--from", "2025-07-24 14:00"} +
                          Args("--to 2025-07-24T15:00 --step 1h --panel 0/0 --panel 151/45");
  const std::pair<QStringList, std::string> cases[] = {
      {at14, "time,sun_azimuth,sun_elevation,panel2_aoi,panel2_production\r\n"
             "2025-07-24T14:00:00+02:00,189,63.280131653568624,28.098963596734354,"
             "82.85197500297801\r\n"},
      {at14 + QStringList{"--format", "json"},
       R"({"site":{"latitude":46.205556,"longitude":6.154444,"timezone":2},"step_seconds":3600,)"
       R"("panels":[{"number":2,"azimuth":151,"tilt":45}],"rows":[{"time":"2025-07-24T14:00:00+02:00",)"
       R"("sun_azimuth":189,"sun_elevation":63.280131653568624,"panel2_aoi":28.098963596734354,)"
       R"("panel2_production":82.85197500297801}]})" "\n"},
      {Args("series --from 2025-07-24T14:00 --to 2025-07-24T16:00 --step 1h --panel 180/0 "
            "--clearsky --altitude 1500 --digits 3"),
       "time,sun_azimuth,sun_elevation,panel1_aoi,panel1_production,ghi,dni,dhi,panel1_poa\r\n"
       "2025-07-24T14:00:00+02:00,189.000,63.280,26.720,84.418,959.204,949.429,118.765,966.810\r\n"
       "2025-07-24T15:00:00+02:00,218.000,59.064,30.936,79.439,915.143,939.489,116.651,922.488\r\n"}};
  for (const auto& [args, bytes] : cases) EXPECT_EQ(cli::Run(args, NoClock).out, bytes);
  // "+00:00" at universal time, minutes west of it too; a time before 1970 keeps its date.
  const QStringList before1970 =
      Args("series --from 1969-12-30T23:00 --to 1969-12-31T01:00 --step 1h --tz 0");
  const std::pair<QStringList, std::string> times[] = {
      {at14 + Args("--tz 0"), "T14:00:00+00:00,"}, {at14 + Args("--tz -9.5"), "T14:00:00-09:30,"},
      {before1970, "\n1969-12-30T23:00:00+00:00,"}, {before1970, "\n1969-12-31T00:00:00+00:00,"}};
  for (const auto& [args, time] : times) {
    EXPECT_NE(cli::Run(args, NoClock).out.find(time), std::string::npos) << time;
  }
}

TEST_F(Cli, DayYearAndBest) {
  EXPECT_EQ(cli::Run({"day", "--date", "2025-07-24", "--panel", "151/45"}, NoClock).out,
            "Day         2025-07-24, 24 hours, every 1 min\n"
            "Site        latitude 46.205556, longitude 6.154444, time zone 2\n"
            "Sunrise     06:08:13\nSunset      21:14:53\nSun up      14.93 h\n"
            "Panel 1     151/45      peak 95% at 12:22, 6.44 production hours, 7.88 kWh/m²\n");
  const QStringList year{"--year", "2025", "--step", "1h", "--panel", "180/35", "--json"};
  const QJsonObject months = Json(cli::Run(QStringList{"year"} + year, NoClock));
  EXPECT_EQ(months["months"].toArray().size(), 12);
  EXPECT_NEAR(months["total"]["panels"][0]["irradiation_kwh_m2"].toDouble(), 2357.6088736532, 1e-8);
  const QJsonObject best = Json(cli::Run(QStringList{"best"} + year, NoClock));
  EXPECT_EQ(best["best"]["azimuth"].toDouble(), 179);
  EXPECT_EQ(best["best"]["tilt"].toDouble(), 40);
  EXPECT_NEAR(best["best"]["irradiation_kwh_m2"].toDouble(), 2363.9687390961, 1e-8);
  EXPECT_NEAR(best["panels"][0]["share_percent"].toDouble(), 99.7309666013, 1e-9);
}

// The process: its exit status, and what it writes when standard output cannot take a series.
TEST(CliProcess, ExitStatusAndUnwritableOutput) {
  const auto run = [](QProcess& process, const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(HALVESSA_CLI), args);
    return process.waitForFinished(-1);
  };
  QProcess bad, full;
  ASSERT_TRUE(run(bad, {"--lat", "abc"}));
  EXPECT_EQ(bad.exitCode(), 2);
  EXPECT_EQ(bad.readAllStandardError(), "halvessa-cli: --lat: \"abc\" is not a number\n");
  full.setStandardOutputFile(QStringLiteral("/dev/full"));
  ASSERT_TRUE(run(full, Args("series --from 2025-01-01 --to 2025-02-01 --step 1m")));
  EXPECT_EQ(full.exitCode(), 1);
  EXPECT_EQ(full.readAllStandardError(),
            "halvessa-cli: cannot write the output: No space left on device\n");
}

}  // namespace
