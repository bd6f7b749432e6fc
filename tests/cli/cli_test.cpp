// The calculator run in process through cli::Run on a fixed clock; the built executable only
// where the process itself matters (exit status, a failed write). The day, year, best and
// clear-sky figures come from tests/summary/summary_expected.py.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli.h"
#include "cli/options.h"
#include "cli/terminal.h"
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
QStringList Args(const char* line) {
  return QString::fromUtf8(line).split(' ', Qt::SkipEmptyParts);
}

// The JSON a run that must succeed writes.
QJsonObject Json(const QStringList& args) {
  const Outcome r = cli::Run(args, NoClock);
  EXPECT_EQ(r.status, 0) << r.err;
  return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
}

testing::AssertionResult Holds(const std::string& out, const std::string& piece) {
  if (out.find(piece) != std::string::npos) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "no \"" << piece << "\" in:\n" << out;
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
            R"({"azimuth":0,"in_use":false,"panel":2,"tilt":0}],"polar":null,)"
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
  const struct { const char* args; double (*nowUt)(); std::vector<const char*> in; } cases[] = {
      {"--json", FixedNowUt, {R"("moment":"2025-07-24T14:00:00.250+02:00")"}},
      {"--tz -3.5 --json", FixedNowUt, {R"("moment":"2025-07-24T08:30:00.250-03:30")"}},
      {"--tz 0 --json", FixedNowUt, {R"("moment":"2025-07-24T12:00:00.250+00:00")"}},
      {"--time 23:00 --tz -5 --json", At3Ut, {R"("moment":"2025-07-23T23:00:00-05:00")"}},
      {"--date 2025-07-24 --json", NoClock, {R"("moment":"2025-07-24T00:00:00+02:00")"}},
      // A zone name: its offset at the moment, daylight saving included.
      {"--tz Europe/Zurich --json", FixedNowUt, {R"("moment":"2025-07-24T14:00:00.250+02:00")"}},
      {"--date 2025-01-15 --time 9:00 --tz Europe/Zurich --json", NoClock, {"09:00:00+01:00\""}},
      {"--date 2025-03-30 --time 3:30 --tz Europe/Zurich --json", NoClock, {"03:30:00+02:00\""}},
      {"--tz Asia/Kolkata", FixedNowUt, {"time zone Asia/Kolkata (5.5)\n"}},
      {"--lat 90 --lon -180 --json", FixedNowUt, {R"("latitude":90,"longitude":-180,)"}},
      // Offsets of whole seconds are written with their seconds: 0.01 hours is 36 seconds,
      // Zurich's local mean time of 1850 is 34 minutes 8 seconds.
      {"--tz 23.983 --date 2025-07-24 --json", NoClock, {"T00:00:00+23:58:59\""}},
      {"--tz -23.991 --date 2025-07-24 --json", NoClock, {"T00:00:00-23:59:28\""}},
      {"--date 2025-07-24 --time 12:00 --tz 0.01 --json", NoClock, {"T12:00:00+00:00:36\""}},
      {"--date 1850-06-01 --time 12:00 --tz Europe/Zurich --json", NoClock, {"T12:00:00+00:34:08"}},
      {"--panel -360/180 --panel 360/-180 --json", FixedNowUt,
       {R"("azimuth":360,"in_use":true,"panel":2,)"}},
      {"--date=2025-01-15 --time=9:00 --lat=40.7128 --lon -74.006 --tz=-5 --json", NoClock,
       {R"("sun":{"azimuth":136,)"}},
      // The sun down: the AOI stays, the production is 0.
      {"--date 2025-07-24 --time 23:00 --panel 331/70 --json", NoClock,
       {R"({"aoi":36.01083839580725,"azimuth":331,"in_use":true,"panel":1,"production":0,)"}},
      // Polar day and night: one line says so instead of the sunrise and sunset; the JSON
      // keeps the equation's times (solar midnight to the next, solar noon twice).
      {"--date 2025-06-21 --time 12:00 --lat 78.2 --lon 15.6", NoClock,
       {"\n            the sun stays above the horizon all day\nPanel 1 "}},
      {"--date 2025-06-21 --time 12:00 --lat 78.2 --lon 15.6 --json", NoClock,
       {R"("polar":"day","sun":)", R"("sunrise":"2025-06-21T00:59:0)"}},
      {"--date 2025-12-21 --time 12:00 --lat 78.2 --lon 15.6 --tz 1", NoClock,
       {"\n            the sun stays below the horizon all day\nPanel 1 "}},
      {"--date 2025-12-21 --time 12:00 --lat 78.2 --lon 15.6 --tz 1 --json", NoClock,
       {R"("polar":"night","sun":)"}},
      // No "-0", in the report or the JSON.
      {"--date 2025-07-24 --lat -0 --lon -0 --tz -0 --panel -0/5", NoClock,
       {"Site        latitude 0, longitude 0, time zone 0\n"}},
      {"--date 2025-07-24 --lat -0 --lon -0 --tz -0 --panel -0/5 --json", NoClock,
       {R"("latitude":0,"longitude":0,)", R"("timezone":0})"}},
      {"--json", FixedNowUt, {R"("azimuth":331,"in_use":true,"panel":5,)"}},  // the stored panels
      // The day the clocks go back has 25 hours; its sunrise and sunset have the offset of noon.
      {"day --date 2025-10-26 --tz Europe/Zurich --json", NoClock,
       {R"("hours":25,)", "+01:00\",\"sunset\""}},
      // A command word alone reads no further than the arguments (a memory fault once).
      {"day", FixedNowUt, {"Day         2025-07-24, 24 hours, every 1 min\n"}},
      // "--" alone ends the options, "-h" is --help.
      {"--", FixedNowUt, {"Moment      2025-07-24 14:00:00, UTC+02:00\n"}},
      {"-h", NoClock, {"Usage: halvessa-cli [options]\n"}},
      {"--version", NoClock, {"halvessa-cli " HALVESSA_VERSION "\n"}},
      // The day's sunrise and sunset are the crossings within the local day asked, wherever the
      // zone puts it against the sun: the equation's times for the universal dates around it
      // (tests/geometry/expected_values.py, sunrise_sunset at zone 0), moved into the zone. The
      // sun up or down all day is said, in one line and as "polar".
      // Kiritimati, 1.87 -157.4, +14: those of the universal 23rd.
      {"day --date 2025-07-24 --lat 1.87 --lon -157.4 --tz Pacific/Kiritimati --json", NoClock,
       {R"("polar":null,)",
        R"("sunrise":"2025-07-24T06:29:29+14:00","sunset":"2025-07-24T18:42:00+14:00"})"}},
      // Geneva at -12: the sunset of the universal 24th, then the sunrise of the 25th.
      {"day --date 2025-07-24 --tz -12", NoClock, {"\nSunrise     16:09:24\nSunset      07:14:53"}},
      // Tromso, 69.65 18.96: the universal 24th has no solution (up all day), the 25th's
      // sunset falls on the 26th.
      {"day --date 2025-07-25 --lat 69.65 --lon 18.96", NoClock,
       {"\nSunrise     01:03:01\nSunset      none on this day\n"}},
      {"day --date 2025-07-25 --lat 69.65 --lon 18.96 --json", NoClock,
       {R"("sunrise":"2025-07-25T01:03:01+02:00","sunset":null})"}},
      {"day --date 2025-06-21 --lat 69.65 --lon 18.96 --panel 180/30", NoClock,
       {"time zone 2\nSun up      24.00 h\n            the sun stays above the horizon all day\n"
        "Panel 1 "}},
      {"day --date 2025-06-21 --lat 69.65 --lon 18.96 --json", NoClock,
       {R"("polar":"day",)", R"("sun_hours":24,"sunrise":null,"sunset":null})"}},
      {"day --date 2025-12-21 --lat 69.65 --lon 18.96 --panel 180/30", NoClock,
       {"time zone 2\nSun up      0.00 h\n            the sun stays below the horizon all day\n"
        "Panel 1 "}},
      {"day --date 2025-12-21 --lat 69.65 --lon 18.96 --json", NoClock,
       {R"("polar":"night",)", R"("sun_hours":0,"sunrise":null,"sunset":null})"}},
  };
  for (const auto& c : cases) {
    const Outcome r = cli::Run(Args(c.args), c.nowUt);
    EXPECT_TRUE(r.status == 0 && r.err.empty()) << c.args << ": " << r.err;
    for (const char* piece : c.in) EXPECT_TRUE(Holds(r.out, piece)) << c.args;
  }
}

// Every bad option or value: status 2, nothing on standard output, one line naming it.
TEST_F(Cli, BadArgumentsGiveOneLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"--frobnicate", R"(unknown option "--frobnicate")"}, {"-x", R"(unknown option "-x")"},
      {"-- --lat 1", R"(unexpected argument "--lat")"}, {"--json=yes", "--json: takes no value"},
      {"--tz 2 --panel", "--panel: missing value"},
      {"--lat 1 --lat=2", R"(--lat: given twice, as "1" and "2")"},
      {"--lat 90.000001", R"(--lat: "90.000001" is outside -90 to 90)"},
      {"--lon 180.5", R"(--lon: "180.5" is outside -180 to 180)"},
      {"--tz inf", R"(--tz: "inf" is neither hours nor a known time zone name)"},
      {"--tz 23.992", R"(--tz: "23.992" is outside -23:59 to +23:59 hours)"},
      {"--tz -24", R"(--tz: "-24" is outside -23:59 to +23:59 hours)"},
      {"--panel 151", R"(--panel: "151" is not azimuth/tilt or azimuth/tilt/kWp, e.g. 151/45 or 180/35/4.2)"},
      {"--panel 1/2/0", R"(--panel: "1/2/0": the kWp is not above 0 and at most 100000)"},
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
      {"--from 2025-01-01", "--from: needs a command first (series, day, year, best or energy)"},
      // Weather, horizon and the system.
      {"energy", "--weather: missing; the energy command needs it"},
      {"energy --weather /nonexistent/w.csv", "--weather: /nonexistent/w.csv: no such file"},
      {"day --horizon /nonexistent/h.csv", "--horizon: /nonexistent/h.csv: no such file"},
      {"best --weather-shift 1", "--weather-shift: needs --weather"},
      {"day --weather x.csv", "--weather: is not an option of the day command"},
      {"energy --weather x --weather-shift 25", R"(--weather-shift: "25" is outside -24 to 24 hours)"},
      {"energy --weather x --module glass", R"(--module: "glass" is not standard, premium or thin)"},
      {"energy --weather x --mount pole", R"(--mount: "pole" is not rack or roof)"},
      {"energy --weather x --losses 100", R"(--losses: "100" is outside 0 to 99 %)"},
      {"energy --weather x --transposition hay", R"(--transposition: "hay" is not perez or isotropic)"},
      {"energy --weather x --one-inverter=1", "--one-inverter: takes no value"},
      {"series --weather x --clearsky", "--clearsky: cannot be given with --weather, whose rows are the series"},
      {"series --weather x --step 1h", "--step: cannot be given with --weather, whose rows are the series"},
      {"series --to 2025-01-01", "--from: missing; the series command needs it"},
      {"series", "--from: missing; the series command needs it"},  // the command word alone
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
      {"year --year 9999 --tz -5",
       "--year: reaches outside the years 100 to 9999 in universal time"},
      {"best --fix-tilt 91", R"(--fix-tilt: "91" is not a whole number of degrees from 0 to 90)"},
      {"best --fix-azimuth 12.5",
       R"(--fix-azimuth: "12.5" is not a whole number of degrees from 0 to 359)"},
      {"best --fix-tilt 30 --fix-azimuth 180", "--fix-azimuth: cannot be given with --fix-tilt"},
      // Only the first argument can be a command word.
      {"series year --year 2025", R"(unexpected argument "year")"},
      {"day year best", R"(unexpected argument "year")"},
      {"best --year 2025 day", R"(unexpected argument "day")"},
      // A step needs its unit, and the day, year and best their longest steps.
      {"series --from 2025-01-01 --to 2025-01-02 --step 10",
       R"(--step: "10" has no unit: add s, m, h or d, e.g. 30s, 10m or 1h)"},
      {"day --step 61m", R"(--step: "61m" is above 1h, the longest step of the day command)"},
      {"day --step 2d", R"(--step: "2d" is above 1h, the longest step of the day command)"},
      {"year --step 25h", R"(--step: "25h" is above 1d, the longest step of the year command)"},
      {"best --step 366d", R"(--step: "366d" is above 1d, the longest step of the best command)"},
      // A local time the clocks skip (Zurich: 02:00 to 03:00 on 2025-03-30).
      {"series --tz Europe/Zurich --from 2025-03-30T02:15 --to 2025-03-30T05:00",
       R"(--from: "2025-03-30T02:15" does not occur in Europe/Zurich: the clocks skip it, )"
       "going from UTC+01:00 to UTC+02:00"},
      {"series --tz Europe/Zurich --from 2025-03-30 --to 2025-03-30T02:00",
       R"(--to: "2025-03-30T02:00" does not occur in Europe/Zurich: the clocks skip it, )"
       "going from UTC+01:00 to UTC+02:00"},
      // Bidirectional controls are replaced like control characters.
      {"--panel \u202E1/2", "--panel: \"\uFFFD1/2\": \"\uFFFD1\" is not a number"},
      {"--lat 4\u20662", "--lat: \"4\uFFFD2\" is not a number"},
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
  EXPECT_TRUE(Holds(cli::Run(args, NoClock).out,
                    "latitude 46,205556, longitude 6,154444, time zone 2\n"
                    "Sun         azimuth 189,0, elevation 63,3\nSunrise     06:08:13\n"
                    "Sunset      21:14:53\nPanel 1     151/45,5    AOI 28,5, production 82%\n"));
  const std::string json = cli::Run(args + QStringList{"--json"}, NoClock).out;
  EXPECT_TRUE(Holds(json, R"("latitude":46.205556,"longitude":6.154444,)"));
  EXPECT_TRUE(Holds(json, R"("tilt":45.5})"));
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
    const Outcome r =
        cli::Run(Args("series --tz Europe/Zurich --digits 0") + Args(c.args), NoClock);
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
       R"("panels":[{"number":2,"azimuth":151,"tilt":45}],)"
       R"("rows":[{"time":"2025-07-24T14:00:00+02:00",)"
       R"("sun_azimuth":189,"sun_elevation":63.280131653568624,"panel2_aoi":28.098963596734354,)"
       R"("panel2_production":82.85197500297801}]})" "\n"},
      {Args("series --from 2025-07-24T14:00 --to 2025-07-24T16:00 --step 1h --panel 180/0 "
            "--clearsky --altitude 1500 --digits 3"),
       "time,sun_azimuth,sun_elevation,panel1_aoi,panel1_production,ghi,dni,dhi,panel1_poa\r\n"
       "2025-07-24T14:00:00+02:00,"
       "189.000,63.280,26.720,84.418,959.204,949.429,118.765,966.810\r\n"
       "2025-07-24T15:00:00+02:00,"
       "218.000,59.064,30.936,79.439,915.143,939.489,116.651,922.488\r\n"}};
  for (const auto& [args, bytes] : cases) EXPECT_EQ(cli::Run(args, NoClock).out, bytes);
  // "+00:00" at universal time, minutes and seconds west of it too; a time before 1970 keeps
  // its date; no "-0" zone or longitude in the JSON.
  const QStringList before1970 =
      Args("series --from 1969-12-30T23:00 --to 1969-12-31T01:00 --step 1h --tz 0");
  const std::pair<QStringList, std::string> pieces[] = {
      {at14 + Args("--tz 0"), "T14:00:00+00:00,"}, {at14 + Args("--tz -9.5"), "T14:00:00-09:30,"},
      {at14 + Args("--tz -0.01"), "\n2025-07-24T14:00:00-00:00:36,"},
      {before1970, "\n1969-12-30T23:00:00+00:00,"}, {before1970, "\n1969-12-31T00:00:00+00:00,"},
      {Args("series --from 2025-07-24 --to 2025-07-24T00:01 --tz -0 --lon -0 --format json"),
       R"({"site":{"latitude":46.205556,"longitude":0,"timezone":0},)"}};
  for (const auto& [args, piece] : pieces) EXPECT_TRUE(Holds(cli::Run(args, NoClock).out, piece));
  // An elevation just below the horizon to no decimals: the sunrise is at 04:08 universal
  // time, the sun's centre crosses a few minutes later.
  const std::string rows = cli::Run(Args("series --from 2025-07-24T04:00 --to 2025-07-24T04:20 "
                                         "--step 1m --panel 0/0 --digits 0 --tz -0"), NoClock).out;
  EXPECT_TRUE(Holds(rows, "\n2025-07-24T04:00:00+00:00,") && Holds(rows, ",0\r\n"));
  EXPECT_EQ(rows.find(",-0"), std::string::npos) << rows;
}

// The day, the year by months and the best orientation, free or at a fixed tilt or azimuth,
// where the best is the best at it and the shares are of it (figures of
// tests/summary/summary_expected.py: 1665.80 at 183/90, 1925.18 flat, 180/35 2357.61).
TEST_F(Cli, DayYearAndBest) {
  EXPECT_EQ(cli::Run({"day", "--date", "2025-07-24", "--panel", "151/45"}, NoClock).out,
            "Day         2025-07-24, 24 hours, every 1 min\n"
            "Site        latitude 46.205556, longitude 6.154444, time zone 2\n"
            "Sunrise     06:08:13\nSunset      21:14:53\nSun up      14.93 h\n"
            "Panel 1     151/45      peak 95% at 12:22, 6.44 production hours, 7.88 kWh/m²\n");
  const QStringList year = Args("--year 2025 --step 1h --panel 180/35");
  const QJsonObject months = Json(QStringList{"year", "--json"} + year);
  EXPECT_EQ(months["months"].toArray().size(), 12);
  EXPECT_NEAR(months["total"]["panels"][0]["irradiation_kwh_m2"].toDouble(), 2357.6088736532,
              1e-8);
  const QJsonObject best = Json(QStringList{"best", "--json"} + year);
  EXPECT_EQ(best["best"]["azimuth"].toDouble(), 179);
  EXPECT_EQ(best["best"]["tilt"].toDouble(), 40);
  EXPECT_TRUE(best["best"]["fixed"].isNull());
  EXPECT_NEAR(best["best"]["irradiation_kwh_m2"].toDouble(), 2363.9687390961, 1e-8);
  EXPECT_NEAR(best["panels"][0]["share_percent"].toDouble(), 99.7309666013, 1e-9);
  // At a fixed tilt or azimuth.
  EXPECT_TRUE(Holds(cli::Run(QStringList{"best", "--fix-tilt", "90"} + year, NoClock).out,
                    "Best        183/90      1665.8 kWh/m², the best with the tilt fixed at 90\n"
                    "Panel 1     180/35      2357.6 kWh/m², 141.5% of the best at tilt 90\n"));
  EXPECT_TRUE(Holds(
      cli::Run(QStringList{"best", "--fix-azimuth", "90"} + year, NoClock).out,
      "Best        flat        1925.2 kWh/m², the best with the azimuth fixed at 90\n"
      "Panel 1     180/35      2357.6 kWh/m², 122.5% of the best at azimuth 90\n"));
  const QJsonObject tilt = Json(QStringList{"best", "--fix-tilt", "90", "--json"} + year);
  EXPECT_EQ(tilt["best"]["fixed"], "tilt");
}

// Zones of half and quarter hours through the calculator: a time text names its instant, and
// the sun of a row is the sun of that instant. A series row stamped 12:00+05:30 holds the sun
// of 06:30 universal time, and so does the one-moment calculation at 12:00 under 5.5 hours or
// under the zone's name.
const QStringList kMumbai = Args("--lat 19.076 --lon 72.8777 --panel 180/20");

// Energy from the PVGIS files of tests/data: the site and zone are the file's, the year is
// the sum of its months, the EPW (an hour early) is warned of with the shift that mends it,
// and a horizon takes light away from every command but not the production.
TEST_F(Cli, EnergyBestAndTheHorizon) {
  const QString csv = QStringLiteral(HALVESSA_TEST_DATA "/pvgis-tmy-45.000-8.000.csv");
  const QString epw = QStringLiteral(HALVESSA_TEST_DATA "/pvgis-tmy-45.000-8.000.epw");
  const QString hills = QStringLiteral(HALVESSA_TEST_DATA "/horizon-45.000-8.000.csv");
  const QStringList energy = {"energy", "--weather", csv, "--panel", "180/35/4", "--panel",
                              "90/35/2"};
  const QJsonObject o = Json(energy + QStringList{"--json"});
  EXPECT_EQ(o["site"]["latitude"].toDouble(), 45);
  EXPECT_EQ(o["site"]["timezone"].toDouble(), 0);
  EXPECT_EQ(o["system"]["kwp"].toDouble(), 6);
  const QJsonArray months = o["months"].toArray();
  ASSERT_EQ(months.size(), 12);
  double sum = 0, east = 0;
  for (const QJsonValue& m : months) {
    sum += m["ac_kwh"].toDouble();
    east += m["panels"][1]["ac_kwh"].toDouble();
  }
  const QJsonObject year = o["year"].toObject();
  EXPECT_NEAR(year["ac_kwh"].toDouble(), sum, 1e-6);
  EXPECT_NEAR(year["panels"][1]["ac_kwh"].toDouble(), east, 1e-6);
  EXPECT_NEAR(year["specific_yield_kwh_kwp"].toDouble(), sum / 6, 1e-6);
  // The south panel gets more per kWp than the east one.
  EXPECT_GT(year["panels"][0]["specific_yield_kwh_kwp"].toDouble(),
            year["panels"][1]["specific_yield_kwh_kwp"].toDouble());
  const double pr = year["performance_ratio"].toDouble();
  EXPECT_TRUE(pr > 0.7 && pr < 0.9) << pr;

  const Outcome text = cli::Run(energy, NoClock);
  EXPECT_TRUE(text.status == 0 && text.err.empty()) << text.err;
  EXPECT_TRUE(Holds(text.out, "PVGIS TMY CSV, 8760 rows of 1 h, Perez sky"));
  EXPECT_TRUE(Holds(text.out, "System      6 kWp, standard modules, open rack, losses 14.08 %"));
  const Outcome early = cli::Run({"energy", "--weather", epw, "--panel", "180/35/4"}, NoClock);
  EXPECT_EQ(early.status, 0);
  EXPECT_TRUE(Holds(early.err, "its light comes about 1 h before the sun, and its times fit "
                               "best moved by +1 h (--weather-shift +1)"));
  EXPECT_TRUE(cli::Run({"energy", "--weather", epw, "--weather-shift", "1"}, NoClock).err.empty());

  // The horizon: less AC, as from the best orientation and the clear-sky day; the same
  // production percentages.
  const QJsonObject shaded = Json(energy + QStringList{"--json", "--horizon", hills});
  EXPECT_LT(shaded["year"]["ac_kwh"].toDouble(), 0.99 * sum);
  const QJsonObject best = Json({"best", "--weather", csv, "--json"});
  const double tilt = best["best"]["tilt"].toDouble();
  EXPECT_TRUE(best["best"]["azimuth"].toDouble() >= 170 && best["best"]["azimuth"].toDouble() <= 190 &&
              tilt >= 30 && tilt <= 45) << tilt;
  EXPECT_GE(best["best"]["irradiation_kwh_m2"].toDouble(), best["panels"][0]["irradiation_kwh_m2"].toDouble());
  const QStringList day = {"day", "--date", "2025-01-10", "--lat", "45", "--lon", "8", "--json"};
  const QJsonObject open = Json(day);
  const QJsonObject behind = Json(day + QStringList{"--horizon", hills});
  EXPECT_EQ(behind["site"]["horizon"].toString(), hills);
  for (int p = 0; p < 5; ++p) {
    EXPECT_LT(behind["panels"][p]["irradiation_kwh_m2"].toDouble(),
              open["panels"][p]["irradiation_kwh_m2"].toDouble());
    EXPECT_EQ(behind["panels"][p]["production_hours"], open["panels"][p]["production_hours"]);
  }
}

// A weather series: one row per row of the file, stamped with its start; a panel of twice the
// kWp makes twice the power; the system's AC is the panels'; and the rows read back as weather
// give the energy of the file they came from (the light, air and albedo as used).
TEST_F(Cli, WeatherSeriesRowsAndTheirRoundTrip) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("light.csv"));
  std::string text = "time,ghi,temp_air\n";
  std::vector<std::string> times;
  for (int h = 0; h < 48; ++h) {
    char time[32];
    std::snprintf(time, sizeof time, "2025-07-%02dT%02d:00:00+02:00", 1 + h / 24, h % 24);
    times.emplace_back(time);
    const int hour = h % 24;  // light from 06:00 to 20:00 local, a little cloudier on day 2
    const double ghi = hour > 6 && hour < 20 ? (h < 24 ? 850 : 500) * std::sin(M_PI * (hour - 6) / 14) : 0;
    text += times.back() + "," + std::to_string(ghi) + "," + std::to_string(15 + hour % 12) + "\n";
  }
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text.data(), text.size()) > 0);
  file.close();
  const QStringList site = {"--lat", "45", "--lon", "8", "--panel", "180/30/2", "--panel", "180/30/1"};

  const Outcome series = cli::Run(QStringList{"series", "--weather", path} + site, NoClock);
  ASSERT_EQ(series.status, 0) << series.err;
  const QStringList lines = QString::fromStdString(series.out).split("\r\n", Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 49);
  EXPECT_EQ(lines[0], "time,sun_azimuth,sun_elevation,panel1_aoi,panel1_production,panel2_aoi,"
                      "panel2_production,ghi,dni,dhi,temp_air,wind_speed,albedo,panel1_poa,"
                      "panel1_cell_temp,panel1_dc,panel1_ac,panel2_poa,panel2_cell_temp,panel2_dc,"
                      "panel2_ac,system_ac");
  double peak = 0;
  for (int r = 1; r <= 48; ++r) {
    const QStringList f = lines[r].split(',');
    ASSERT_EQ(f.size(), 22);
    EXPECT_EQ(f[0].toStdString(), times[r - 1]);
    EXPECT_EQ(f[13], f[17]);  // the same plane
    EXPECT_DOUBLE_EQ(f[15].toDouble(), 2 * f[19].toDouble()) << r;
    EXPECT_NEAR(f[16].toDouble(), 2 * f[20].toDouble(), 1e-9) << r;
    EXPECT_NEAR(f[21].toDouble(), f[16].toDouble() + f[20].toDouble(), 1e-9) << r;
    peak = std::max(peak, f[15].toDouble());
  }
  EXPECT_TRUE(peak > 1000 && peak < 2000) << peak;  // 2 kWp in about 900 W/m2, warm, after losses

  const QString back = dir.filePath(QStringLiteral("series.csv"));
  file.setFileName(back);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(series.out.data(), series.out.size()) > 0);
  file.close();
  const double energy = Json(QStringList{"energy", "--json", "--weather", path} + site)["year"].toObject()["ac_kwh"].toDouble();
  const double again = Json(QStringList{"energy", "--json", "--weather", back} + site)["year"].toObject()["ac_kwh"].toDouble();
  EXPECT_GT(energy, 10);
  EXPECT_NEAR(again, energy, 1e-12 * energy);

  const QJsonObject json = Json(QStringList{"series", "--weather", path, "--format", "json"} + site);
  EXPECT_EQ(json["step_seconds"].toInt(), 3600);
  EXPECT_EQ(json["rows"].toArray().size(), 48);
}

TEST(ZoneOffsets, HalfHourRowsHoldTheSunOfTheirInstant) {
  const QJsonObject series = Json(Args("series --from 2025-07-24T12:00 --to 2025-07-24T12:01 "
                                       "--step 1m --tz 5.5 --format json") + kMumbai);
  const QJsonValue row = series["rows"][0];
  EXPECT_EQ(row["time"], "2025-07-24T12:00:00+05:30");
  const QJsonObject ut = Json(kMumbai + Args("--date 2025-07-24 --time 06:30 --tz 0 --json"));
  EXPECT_EQ(row["sun_azimuth"], ut["sun"]["azimuth"]);
  EXPECT_EQ(row["sun_elevation"], ut["sun"]["elevation"]);
  for (const char* zone : {"5.5", "Asia/Kolkata", "Asia/Calcutta"}) {
    const QJsonObject local =
        Json(kMumbai + Args("--date 2025-07-24 --time 12:00 --json --tz") + QStringList{zone});
    EXPECT_EQ(local["sun"], ut["sun"]) << zone;
    EXPECT_EQ(local["moment"], "2025-07-24T12:00:00+05:30") << zone;
  }
}

// The day's sunrise is a moment its own rows put near the horizon (the sun's centre 0.833
// degrees below it), not half an hour away, and its peak comes with the sun's culmination.
TEST(ZoneOffsets, SunriseAndPeakOfAHalfHourZone) {
  const Outcome day = cli::Run(Args("day --date 2025-07-24 --tz 5.5") + kMumbai, NoClock);
  ASSERT_TRUE(Holds(day.out, "Sunrise     ") && Holds(day.out, "peak 90% at 12:45"));
  const QString sunrise = QString::fromStdString(day.out.substr(day.out.find("Sunrise ") + 12, 8));
  const QJsonObject moment =
      Json(kMumbai + Args("--date 2025-07-24 --tz 5.5 --json --time") + QStringList{sunrise});
  EXPECT_NEAR(moment["sun"]["elevation"].toDouble(), -0.833, 0.5) << sunrise.toStdString();
}
// The progress line: after a second of work, at most ten times a second, cleared at the end
// or on demand, and only where standard error is a terminal that standard output is not.
TEST(CliTerminal, ProgressLine) {
  using namespace std::chrono_literals;
  std::chrono::steady_clock::time_point now{};
  std::string text;
  cli::ProgressLine line([&text](std::string_view t) { text += t; }, [&now] { return now; });
  const auto at = [&](std::chrono::milliseconds t, double fraction) {
    now = std::chrono::steady_clock::time_point{} + t;
    line(fraction);
  };
  line.clear();
  at(900ms, 0.1);
  EXPECT_EQ(text, "");
  at(1000ms, 0.42);
  at(1050ms, 0.5);
  at(1100ms, 0.5);
  EXPECT_EQ(text, "\rworking:  42%\rworking:  50%");
  line.clear();
  line.clear();
  at(1300ms, 1.0);
  EXPECT_EQ(text, "\rworking:  42%\rworking:  50%\r\033[K");
  at(1400ms, 0.9);
  at(1500ms, 1.0);
  EXPECT_EQ(text.substr(text.size() - 18), "\rworking:  90%\r\033[K");
}

TEST(CliTerminal, ProgressOnlyOnAnotherTerminal) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const auto openTerminal = [] {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
    return std::pair{master, ::open(::ptsname(master), O_RDWR | O_NOCTTY)};
  };
  const auto [master1, tty1] = openTerminal();
  const auto [master2, tty2] = openTerminal();
  const int tty1Again = ::open(::ptsname(master1), O_RDWR | O_NOCTTY);
  ASSERT_TRUE(tty1 >= 0 && tty2 >= 0 && tty1Again >= 0);
  EXPECT_TRUE(cli::ShowsProgress(fds[1], tty1));
  EXPECT_TRUE(cli::ShowsProgress(tty2, tty1));
  EXPECT_FALSE(cli::ShowsProgress(tty1, tty1));
  EXPECT_FALSE(cli::ShowsProgress(tty1Again, tty1));
  EXPECT_FALSE(cli::ShowsProgress(tty1, fds[1]));
  for (const int fd : {fds[0], fds[1], master1, tty1, master2, tty2, tty1Again}) ::close(fd);
}

// The help: an entry of its own for every option and command, in its section, no line wider
// than 80 columns, and no line that help2man would take for a heading but the headings.
TEST(CliHelp, EntriesAndWidth) {
  const QStringList lines = cli::HelpText().split('\n');
  for (const QString& line : lines) {
    EXPECT_LE(line.size(), 80) << line.toStdString();
    EXPECT_FALSE(line.endsWith(':') && (line.startsWith(' ') || line.contains("default")))
        << line.toStdString();
  }
  const auto entry = [&lines](const QString& start) {  // the line, -1 when none
    return lines.indexOf(QRegularExpression(QRegularExpression::escape(start + ' ') + ".*"));
  };
  const qsizetype commands = lines.indexOf("Commands:");
  const qsizetype options = lines.indexOf("Options of the moment and the site:");
  ASSERT_TRUE(commands > 0 && options > commands);
  for (const char* word : {"series", "day", "year", "best", "energy"}) {
    const qsizetype i = entry(QStringLiteral("  ") + word);
    EXPECT_TRUE(i > commands && i < options) << word;
  }
  for (const char* option :
       {"--date DATE", "--time TIME", "--lat DEGREES", "--lon DEGREES", "--tz HOURS|NAME",
        "--panel AZ/TILT[/KWP]", "--json", "--from DATE[ TIME]", "--to DATE[ TIME]", "--step STEP",
        "--year YYYY", "--altitude METRES", "--clearsky", "--format FORMAT", "--digits N",
        "--force", "--fix-tilt DEGREES", "--fix-azimuth DEGREES", "--weather FILE",
        "--weather-shift HOURS", "--horizon FILE", "--transposition MODEL", "--module TYPE",
        "--mount MOUNT", "--losses PERCENT", "--inverter PERCENT", "--dc-ac RATIO",
        "--one-inverter", "-h, --help", "--version"}) {
    EXPECT_GT(entry(QStringLiteral("  ") + option), options) << option;
  }
}

// The process: its exit status, what it writes when standard output cannot take a series, and
// a reader that goes away, which ends it quietly as SIGPIPE's default action does, also with
// SIGPIPE ignored: killed by SIGPIPE (status 141 in the shell), nothing on standard error.
TEST(CliProcess, ExitStatusUnwritableOutputAndBrokenPipe) {
  const QString year = QStringLiteral(
      "\"$0\" series --from 2025-01-01 --to 2026-01-01 --step 1m --force | head -c 100 >/dev/null; "
      "echo ${PIPESTATUS[0]}; ");
  QProcess shell;
  shell.start(QStringLiteral("bash"),
              {"-c",
               "export LC_ALL=C; \"$0\" --lat abc; echo $?; "
               "\"$0\" series --from 2025-01-01 --to 2025-02-01 --step 1m >/dev/full; echo $?; " +
                   year + "trap '' PIPE; " + year,
               QStringLiteral(HALVESSA_CLI)});
  ASSERT_TRUE(shell.waitForFinished(-1));
  EXPECT_EQ(shell.readAllStandardOutput(), "2\n1\n141\n141\n");
  EXPECT_EQ(shell.readAllStandardError(),
            "halvessa-cli: --lat: \"abc\" is not a number\n"
            "halvessa-cli: cannot write the output: No space left on device\n");
}

}  // namespace
