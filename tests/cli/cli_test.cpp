// The calculator run in process through cli::Run on a fixed clock; the built executable only
// where the process itself matters (exit status, a failed write).
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

class Cli : public testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

const QStringList kGeneva{"--date",    "2025-07-24", "--time",   "14:00", "--lat",
                          "46.205556", "--lon",      "6.154444", "--tz",  "2"};

// A moment fully given must not read the clock.
double NoClock() {
  ADD_FAILURE() << "the clock was read";
  return 0;
}

TEST_F(Cli, WorkedExample) {
  Outcome r = cli::Run(kGeneva + QStringList{"--panel", "151/45", "--panel", "331/70"}, NoClock);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "Moment      2025-07-24 14:00:00, UTC+02:00\n"
            "Site        latitude 46.205556, longitude 6.154444, time zone 2\n"
            "Sun         azimuth 189.0, elevation 63.3\n"
            "Sunrise     06:08:13\n"
            "Sunset      21:14:53\n"
            "Panel 1     151/45      AOI 28.1, production 83%\n"
            "Panel 2     331/70      AOI 91.6, production 0%\n");

  r = cli::Run(kGeneva + QStringList{"--panel", "151/45", "--panel", "0/0", "--json"}, NoClock);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            R"({"latitude":46.205556,"longitude":6.154444,"moment":"2025-07-24T14:00:00+02:00",)"
            R"("panels":[{"aoi":28.098963596734354,"azimuth":151,"in_use":true,"panel":1,)"
            R"("production":82.85197500297801,"tilt":45},)"
            R"({"azimuth":0,"in_use":false,"panel":2,"tilt":0}],)"
            R"("sun":{"azimuth":189,"elevation":63.280131653568624},)"
            R"("sunrise":"2025-07-24T06:08:13.102+02:00","sunset":"2025-07-24T21:14:52.832+02:00",)"
            R"("timezone":2})"
            "\n");

  // Polar day: the sunset falls on the next day and carries its date.
  r = cli::Run({"--date", "2025-06-21", "--time", "12:00", "--lat", "78.2", "--lon", "15.6"},
               NoClock);
  EXPECT_NE(r.out.find("Sunrise     00:59:06\n"
                       "Sunset      00:59:06 (2025-06-22)\n"
                       "            the sun stays above the horizon all day\n"),
            std::string::npos)
      << r.out;
}

TEST_F(Cli, NoProductionWithTheSunDown) {
  const QStringList args = {"--date", "2025-07-24", "--time", "23:00", "--panel", "331/70"};
  const Outcome text = cli::Run(args, NoClock);
  EXPECT_NE(text.out.find("Sun         azimuth 321.0, elevation -14.6\n"
                          "Sunrise     06:08:13\n"
                          "Sunset      21:14:53\n"
                          "Panel 1     331/70      AOI 36.0, production 0%\n"),
            std::string::npos)
      << text.out;
  const QJsonObject json =
      QJsonDocument::fromJson(
          QByteArray::fromStdString(cli::Run(args + QStringList{"--json"}, NoClock).out))
          .object();
  EXPECT_EQ(json["panels"][0]["aoi"].toDouble(), 36.01083839580725);
  EXPECT_EQ(json["panels"][0]["production"].toDouble(-1), 0);
}

// Without --date and --time the moment is the clock's instant in the site's zone; --time
// alone takes the site's present date, which need not be the universal one.
TEST_F(Cli, NowIsThePresentInstantAtTheSite) {
  const auto at3Ut = [] { return halvessa::SerialFromUnixMilliseconds(1753326000000); };
  const struct {
    QStringList args;
    std::function<double()> nowUt;
    const char* moment;
  } cases[] = {
      {{}, FixedNowUt, "2025-07-24T14:00:00.250+02:00"},
      {{"--tz", "5.5"}, FixedNowUt, "2025-07-24T17:30:00.250+05:30"},
      {{"--tz", "-3.5"}, FixedNowUt, "2025-07-24T08:30:00.250-03:30"},
      {{"--tz", "0"}, FixedNowUt, "2025-07-24T12:00:00.250+00:00"},
      {{"--time", "23:00", "--tz", "-5"}, at3Ut, "2025-07-23T23:00:00-05:00"},
      {{"--time", "9:15:30", "--tz", "10"}, at3Ut, "2025-07-24T09:15:30+10:00"},
      {{"--date", "2025-07-24"}, NoClock, "2025-07-24T00:00:00+02:00"},
      // A zone name: its offset at the moment, daylight saving included.
      {{"--tz", "Europe/Zurich"}, FixedNowUt, "2025-07-24T14:00:00.250+02:00"},
      {{"--tz", "America/New_York"}, FixedNowUt, "2025-07-24T08:00:00.250-04:00"},
      {{"--date", "2025-01-15", "--time", "9:00", "--tz", "Europe/Zurich"}, NoClock,
       "2025-01-15T09:00:00+01:00"},
      {{"--date", "2025-03-30", "--time", "3:30", "--tz", "Europe/Zurich"}, NoClock,
       "2025-03-30T03:30:00+02:00"},
  };
  for (const auto& c : cases) {
    const Outcome r = cli::Run(c.args + QStringList{"--json"}, c.nowUt);
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(r.out))["moment"].toString(),
              c.moment)
        << c.args.join(' ').toStdString() << r.err;
  }
  const Outcome named = cli::Run({"--tz", "Asia/Kolkata"}, FixedNowUt);
  EXPECT_NE(named.out.find("time zone Asia/Kolkata (5.5)"), std::string::npos) << named.out;
  const Outcome unknown = cli::Run({"--tz", "Mars/Olympus"}, NoClock);
  EXPECT_EQ(unknown.err,
            "halvessa-cli: --tz: \"Mars/Olympus\" is neither hours nor a known time zone name\n");
  const Outcome stopped = cli::Run({}, [] { return 1e7; });
  EXPECT_EQ(stopped.status, 2);
  EXPECT_EQ(stopped.err, "halvessa-cli: the computer's clock is outside the years 100 to 9999\n");
}

// Each value with a piece of the JSON it gives, or of the error line it gives.
TEST_F(Cli, ValuesAndTheirRanges) {
  const std::pair<QStringList, const char*> cases[] = {
      {{"--lat", "90"}, R"("latitude":90,)"},
      {{"--lat", "90.000001"}, R"(--lat: "90.000001" is outside -90 to 90)"},
      {{"--lon", "-180"}, R"("longitude":-180,)"},
      {{"--lon", "180.5"}, R"(--lon: "180.5" is outside -180 to 180)"},
      {{"--lon", "1e999"}, R"(--lon: "1e999" is too large a number)"},
      {{"--tz", "23.983", "--date", "2025-07-24"}, R"("moment":"2025-07-24T00:00:00+23:59")"},
      {{"--tz", "-23.991", "--date", "2025-07-24"}, R"("moment":"2025-07-24T00:00:00-23:59")"},
      {{"--tz", "23.992"}, R"(--tz: "23.992" is outside -23:59 to +23:59 hours)"},
      {{"--tz", "-24"}, R"(--tz: "-24" is outside -23:59 to +23:59 hours)"},
      {{"--panel", "-360/180", "--panel", "360/-180"}, R"("azimuth":360,"in_use":true,"panel":2,)"},
      {{"--panel", "361/0"}, R"(--panel: "361/0": the azimuth is outside -360 to 360)"},
      {{"--panel", "0/-180.5"}, R"(--panel: "0/-180.5": the tilt is outside -180 to 180)"},
      // Values after "=", negative ones among them.
      {{"--date=2025-01-15", "--time=9:00", "--lat=40.7128", "--lon", "-74.006", "--tz=-5",
        "--panel=-30/20"},
       R"("sun":{"azimuth":136,)"},
  };
  for (const auto& [args, expected] : cases) {
    const Outcome r = cli::Run(args + QStringList{"--json"}, FixedNowUt);
    const std::string shown = r.status == 0 ? r.out : r.err;
    EXPECT_NE(shown.find(expected), std::string::npos) << args.join(' ').toStdString() << "\n"
                                                       << shown;
  }
}

TEST_F(Cli, HostileArguments) {
  const QStringList six{"--panel", "1/2", "--panel", "1/2", "--panel", "1/2",
                        "--panel", "1/2", "--panel", "1/2", "--panel", "9/9"};
  const std::pair<QStringList, const char*> cases[] = {
      {{"--frobnicate"}, R"(unknown option "--frobnicate")"},
      {{"-x"}, R"(unknown option "-x")"},
      {{"--lat=1", "--\n"}, "unknown option \"--\uFFFD\""},
      {{"extra"}, R"(unexpected argument "extra")"},
      {{"--", "--lat", "1"}, R"(unexpected argument "--lat")"},
      {{"--lat"}, "--lat: missing value"},
      {{"--tz", "2", "--panel"}, "--panel: missing value"},
      {{"--lat", "1", "--lat=2"}, R"(--lat: given twice, as "1" and "2")"},
      {{"--json=yes"}, "--json: takes no value"},
      {{"-h=1"}, "-h: takes no value"},
      {{"--lat", "abc"}, R"(--lat: "abc" is not a number)"},
      {{"--lat", ""}, R"(--lat: "" is not a number)"},
      {{"--tz", "inf"}, R"(--tz: "inf" is neither hours nor a known time zone name)"},
      {{"--panel", "151"}, R"(--panel: "151" is not azimuth/tilt, e.g. 151/45)"},
      {{"--panel", "abc/45"}, R"(--panel: "abc/45": "abc" is not a number)"},
      {{"--panel", "1\n2/2"}, "--panel: \"1\uFFFD2/2\": \"1\uFFFD2\" is not a number"},
      {six, R"(--panel: "9/9" is one panel too many (at most 5))"},
      {{"--date", "2025-13-40"}, R"(--date: "2025-13-40" is not a date or time)"},
      {{"--date", "14:00"}, R"(--date: "14:00" is not a date)"},
      {{"--time", "2025-07-24"}, R"(--time: "2025-07-24" is not a time)"},
      {{"--date", "0100-01-01", "--time", "00:30", "--tz", "2"},
       R"(--tz: with "2", 0100-01-01 00:30:00 falls outside the years 100 to 9999 in universal time)"},
      {{"--date", "0100-01-01", "--time", "12:00", "--lon", "180", "--tz", "0"},
       "--date: the sunrise or sunset of 0100-01-01 falls outside the years 100 to 9999"},
  };
  for (const auto& [args, line] : cases) {
    const Outcome r = cli::Run(args, FixedNowUt);
    EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("halvessa-cli: ") + line + "\n");
  }

  // Accepted: "--" alone ends the options, "-h" is --help.
  const std::pair<QStringList, const char*> accepted[] = {
      {{"--"}, "Moment      2025-07-24 14:00:00, UTC+02:00\n"},
      {{"-h"}, "Usage: halvessa-cli [options]\n"},
      {{"--version"}, "halvessa-cli " HALVESSA_VERSION "\n"},
  };
  for (const auto& [args, start] : accepted) {
    const Outcome r = cli::Run(args, FixedNowUt);
    EXPECT_TRUE(r.status == 0 && r.err.empty()) << args.join(' ').toStdString() << r.err;
    EXPECT_EQ(r.out.rfind(start, 0), 0u) << r.out;
  }
  EXPECT_NE(cli::Run({"--help"}, NoClock).out.find("now, at the site's time zone"),
            std::string::npos);
}

TEST_F(Cli, ReportFollowsTheLocaleAndJsonStaysPlain) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  const QStringList args{"--date", "24.07.2025", "--time",  "14:00",
                         "--lat",  "46,205556",  "--panel", "151/45,5"};
  const Outcome text = cli::Run(args, NoClock);
  EXPECT_NE(text.out.find("latitude 46,205556, longitude 6,154444, time zone 2\n"
                          "Sun         azimuth 189,0, elevation 63,3\n"),
            std::string::npos)
      << text.out << text.err;
  EXPECT_NE(text.out.find("Panel 1     151/45,5    AOI 28,5, production 82%\n"), std::string::npos)
      << text.out;
  const Outcome json = cli::Run(args + QStringList{"--json"}, NoClock);
  EXPECT_NE(json.out.find(R"("latitude":46.205556,"longitude":6.154444,)"), std::string::npos);
  EXPECT_NE(json.out.find(R"("tilt":45.5})"), std::string::npos) << json.out;
}

// The process: its exit status and what it writes when standard output cannot take the report.
TEST(CliProcess, ExitStatusAndUnwritableOutput) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
  QProcess bad;
  bad.setProcessEnvironment(env);
  bad.start(QStringLiteral(HALVESSA_CLI), {"--lat", "abc"});
  ASSERT_TRUE(bad.waitForFinished(-1));
  EXPECT_EQ(bad.exitCode(), 2);
  EXPECT_EQ(bad.readAllStandardOutput(), "");
  EXPECT_EQ(bad.readAllStandardError(), "halvessa-cli: --lat: \"abc\" is not a number\n");

  QProcess full;
  full.setProcessEnvironment(env);
  full.setStandardOutputFile(QStringLiteral("/dev/full"));
  full.start(QStringLiteral(HALVESSA_CLI), kGeneva);
  ASSERT_TRUE(full.waitForFinished(-1));
  EXPECT_EQ(full.exitCode(), 1);
  EXPECT_EQ(full.readAllStandardError(),
            "halvessa-cli: cannot write the output: No space left on device\n");
}

}  // namespace
