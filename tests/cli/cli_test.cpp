// Runs the built halvessa-cli and checks what it writes and how it exits.
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

struct Outcome {
  int status = -1;
  QString out;
  QString err;
};

Outcome Cli(const QStringList& args, const QString& locale = QStringLiteral("en_US.UTF-8")) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("LC_ALL"), locale);
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(HALVESSA_CLI), args);
  p.waitForFinished(-1);
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << args.join(' ').toStdString();
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

const QStringList kGeneva{"--date", "2025-07-24", "--time", "14:00", "--lat", "46.205556",
                          "--lon",  "6.154444",   "--tz",   "2"};

QJsonObject Json(const QStringList& args) {
  const Outcome r = Cli(args + QStringList{"--json"});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.endsWith('\n') && r.out.count('\n') == 1);
  return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

TEST(Cli, GenevaJsonIsExact) {
  const Outcome r = Cli(kGeneva + QStringList{"--panel", "151/45", "--panel", "0/0", "--json"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, QString());
  EXPECT_EQ(r.out.toStdString(),
            R"({"moment":"2025-07-24T14:00:00+02:00","latitude":46.205556,"longitude":6.154444,)"
            R"("timezone":2,"sun":{"azimuth":189,"elevation":63.280131653568624},)"
            R"("sunrise":"2025-07-24T06:08:13.102+02:00","sunset":"2025-07-24T21:14:52.832+02:00",)"
            R"("panels":[{"panel":1,"azimuth":151,"tilt":45,"in_use":true,)"
            R"("aoi":28.098963596734354,"production":82.85197500297801},)"
            R"({"panel":2,"azimuth":0,"tilt":0,"in_use":false}]})"
            "\n");
}

TEST(Cli, DefaultPanelsAndTheirFigures) {
  const QJsonArray panels = Json(kGeneva)["panels"].toArray();
  ASSERT_EQ(panels.size(), 5);
  const double expected[5][4] = {{151, 45, 28.099, 82.852}, {151, 20, 16.151, 94.138},
                                 {331, 20, 44.097, 60.861}, {151, 70, 50.324, 51.013},
                                 {331, 70, 91.573, 0}};
  for (int i = 0; i < 5; ++i) {
    const QJsonObject p = panels[i].toObject();
    EXPECT_EQ(p["panel"].toInt(), i + 1);
    EXPECT_EQ(p["azimuth"].toDouble(), expected[i][0]);
    EXPECT_EQ(p["tilt"].toDouble(), expected[i][1]);
    EXPECT_TRUE(p["in_use"].toBool());
    EXPECT_NEAR(p["aoi"].toDouble(), expected[i][2], 5e-4);
    EXPECT_NEAR(p["production"].toDouble(), expected[i][3], 5e-4);
  }
}

TEST(Cli, TextReportShowsTheWindowsPatterns) {
  const Outcome r = Cli(kGeneva + QStringList{"--panel", "151/45", "--panel", "331/70", "--panel",
                                          "0/0"});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.isEmpty());
  for (const char* figure : {"2025-07-24 14:00:00", "UTC+02:00", "azimuth 189.0",
                             "elevation 63.3", "06:08:13", "21:14:53", "AOI 28.1, production 83%",
                             "AOI 91.6, production 0%"}) {
    EXPECT_TRUE(r.out.contains(QLatin1String(figure))) << figure << "\n" << r.out.toStdString();
  }
  const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_TRUE(lines.last().startsWith("Panel 3")) << lines.last().toStdString();
  EXPECT_TRUE(lines.last().endsWith("not in use")) << lines.last().toStdString();
}

TEST(Cli, DecimalCommaLocaleReadsBothFormsAndKeepsJsonPlain) {
  const QStringList args{"--date", "2025-07-24", "--time", "14:00", "--lat", "46,205556",
                         "--lon",  "6.154444"};
  const Outcome text = Cli(args, QStringLiteral("de_DE.UTF-8"));
  ASSERT_EQ(text.status, 0) << text.err.toStdString();
  EXPECT_TRUE(text.out.contains("elevation 63,3")) << text.out.toStdString();
  const Outcome json = Cli(args + QStringList{"--json"}, QStringLiteral("de_DE.UTF-8"));
  EXPECT_TRUE(json.out.contains(R"("latitude":46.205556,)")) << json.out.toStdString();
  EXPECT_TRUE(json.out.contains(R"("elevation":63.280131653568624})"));
}

TEST(Cli, OffsetsInTheDateTimes) {
  const QJsonObject india = Json({"--date", "2025-07-24", "--time", "14:00", "--tz", "5.5"});
  EXPECT_EQ(india["moment"].toString(), "2025-07-24T14:00:00+05:30");
  EXPECT_EQ(india["timezone"].toDouble(), 5.5);
  EXPECT_TRUE(india["sunrise"].toString().startsWith("2025-07-24T09:38:13."));
  EXPECT_TRUE(india["sunset"].toString().startsWith("2025-07-25T00:44:52."));
  EXPECT_TRUE(india["sunset"].toString().endsWith("+05:30"));

  const QStringList moment{"--date", "2025-07-24", "--time", "14:00:27"};
  EXPECT_EQ(Json(moment + QStringList{"--tz", "-3.5"})["moment"].toString(),
            "2025-07-24T14:00:27-03:30");
  EXPECT_EQ(Json(moment + QStringList{"--tz", "0"})["moment"].toString(),
            "2025-07-24T14:00:27+00:00");
  EXPECT_EQ(Json(moment + QStringList{"--tz", "-0.001"})["moment"].toString(),
            "2025-07-24T14:00:27+00:00");
  EXPECT_EQ(Json(moment + QStringList{"--tz", "1.01"})["moment"].toString(),
            "2025-07-24T14:00:27+01:01");
}

TEST(Cli, DateAloneIsMidnightAndSunsetKeepsItsMilliseconds) {
  const QJsonObject r = Json({"--date", "2025-07-24"});
  EXPECT_EQ(r["moment"].toString(), "2025-07-24T00:00:00+02:00");
  EXPECT_TRUE(r["sunrise"].toString().startsWith("2025-07-24T06:07:03."));
  EXPECT_TRUE(r["sunset"].toString().startsWith("2025-07-24T21:15:59.99"));
  const Outcome text = Cli({"--date", "2025-07-24"});
  EXPECT_TRUE(text.out.contains("21:16:00\n")) << text.out.toStdString();
}

TEST(Cli, PolarDayShowsTheNextDaysSunset) {
  const Outcome r = Cli({"--date", "2025-06-21", "--time", "12:00", "--lat", "78.2", "--lon", "15.6"});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("00:59:06 (2025-06-22)")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("above the horizon all day"));
}

// The wall-clock part of a local ISO date-time, whatever offset it carries.
QDateTime WallClock(const QString& iso) {
  return QDateTime::fromString(iso.left(iso.size() - 6), Qt::ISODateWithMs);
}

TEST(Cli, WithoutOptionsNowAndTheStoredDefaults) {
  const QDateTime before = QDateTime::currentDateTime();
  const QJsonObject r = Json({});
  const QDateTime after = QDateTime::currentDateTime();
  EXPECT_EQ(r["latitude"].toDouble(), 46.205556);
  EXPECT_EQ(r["longitude"].toDouble(), 6.154444);
  EXPECT_EQ(r["timezone"].toDouble(), 2);
  const QDateTime moment = WallClock(r["moment"].toString());
  ASSERT_TRUE(moment.isValid()) << r["moment"].toString().toStdString();
  EXPECT_LE(before.toMSecsSinceEpoch(), moment.toMSecsSinceEpoch());
  EXPECT_LE(moment.toMSecsSinceEpoch(), after.toMSecsSinceEpoch());
  const QJsonArray panels = r["panels"].toArray();
  ASSERT_EQ(panels.size(), 5);
  EXPECT_EQ(panels[4].toObject()["azimuth"].toDouble(), 331);
  EXPECT_EQ(panels[4].toObject()["tilt"].toDouble(), 70);

  const QDate day = QDate::currentDate();
  const QJsonObject timeOnly = Json({"--time", "14:03:27"});
  const QDateTime t = WallClock(timeOnly["moment"].toString());
  EXPECT_EQ(t.time(), QTime(14, 3, 27));
  EXPECT_TRUE(t.date() == day || t.date() == QDate::currentDate());
}

TEST(Cli, HelpAndVersion) {
  const Outcome help = Cli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.startsWith("Usage: halvessa-cli"));
  EXPECT_TRUE(help.out.contains("--panel AZ/TILT"));
  const Outcome version = Cli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, QStringLiteral("halvessa-cli " HALVESSA_VERSION "\n"));
}

// Every bad input: status 2, nothing on standard output, exactly one line on standard error
// that starts with the expected text.
TEST(Cli, BadInputGivesOneLineAndStatusTwo) {
  const QStringList geneva{"--date", "2025-07-24", "--time", "14:00"};
  const struct {
    QStringList args;
    const char* start;
  } cases[] = {
      {{"--lat", "abc"}, R"(halvessa-cli: --lat: "abc" is not a number)"},
      {{"--lat", ""}, R"(halvessa-cli: --lat: "")"},
      {{"--lat", "nan"}, R"(halvessa-cli: --lat: "nan")"},
      {{"--lat", "1e308"}, R"(halvessa-cli: --lat: "1e308" is outside -90 to 90)"},
      {{"--lon", "-180.5"}, R"(halvessa-cli: --lon: "-180.5" is outside -180 to 180)"},
      {{"--tz", "24"}, R"(halvessa-cli: --tz: "24" is outside)"},
      {{"--tz", "-1e308"}, R"(halvessa-cli: --tz: "-1e308" is outside)"},
      {{"--tz", "inf"}, R"(halvessa-cli: --tz: "inf")"},
      {{"--panel", "151"}, R"(halvessa-cli: --panel: "151" is not azimuth/tilt)"},
      {{"--panel", "151/45/3"}, R"(halvessa-cli: --panel: "151/45/3")"},
      {{"--panel", "abc/45"}, R"(halvessa-cli: --panel: "abc/45": "abc" is not a number)"},
      {{"--panel", "1e308/0"}, R"(halvessa-cli: --panel: "1e308/0": the azimuth is outside)"},
      {{"--panel", "1/2", "--panel", "1/2", "--panel", "1/2", "--panel", "1/2", "--panel", "1/2",
        "--panel", "9/9"},
       R"(halvessa-cli: --panel: "9/9" is one panel too many)"},
      {{"--date", "2025-13-40"}, R"(halvessa-cli: --date: )"},
      {{"--date", "0099-12-31"}, R"(halvessa-cli: --date: )"},
      {{"--date", "14:00"}, R"(halvessa-cli: --date: "14:00" is not a date)"},
      {{"--time", "2025-07-24"}, R"(halvessa-cli: --time: "2025-07-24" is not a time)"},
      {{"--time", "25:00"}, R"(halvessa-cli: --time: )"},
      {{"--date", "0100-01-01", "--time", "00:30", "--tz", "2"},
       R"(halvessa-cli: --tz: with "2", 0100-01-01 00:30:00 falls outside the years 100 to 9999)"},
      {{"--date", "9999-12-31", "--time", "23:30", "--tz", "-1"}, R"(halvessa-cli: --tz: )"},
      {{"--date", "0100-01-01", "--time", "12:00", "--lon", "180", "--tz", "0"},
       R"(halvessa-cli: --date: the sunrise or sunset of 0100-01-01 falls outside)"},
      {{"--frobnicate"}, R"(halvessa-cli: unknown option "--frobnicate")"},
      {{"extra"}, R"(halvessa-cli: unexpected argument "extra")"},
      {{"--lat"}, R"(halvessa-cli: --lat: missing value)"},
      {{"--lat", "1", "--lat=2"}, R"(halvessa-cli: --lat: given twice)"},
      {{"--json=yes"}, R"(halvessa-cli: --json: takes no value)"},
      {{"--lat", "4\n6"}, R"(halvessa-cli: --lat: "4)"},
      {{"--panel", "1\n2/2"}, R"(halvessa-cli: --panel: "1\n2/2": )"},
  };
  for (const auto& c : cases) {
    const bool ownMoment = c.args.contains("--date") || c.args.contains("--time");
    const Outcome r = Cli(ownMoment ? c.args : geneva + c.args);
    const std::string what = c.args.join(' ').toStdString() + "\n" + r.err.toStdString();
    EXPECT_EQ(r.status, 2) << what;
    EXPECT_TRUE(r.out.isEmpty()) << what;
    EXPECT_EQ(r.err.count('\n'), 1) << what;
    EXPECT_TRUE(r.err.endsWith('\n')) << what;
    EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(c.start))) << what;
  }
}

TEST(Cli, ValuesAfterEqualsAndNegativeNumbers) {
  const QJsonObject r = Json({"--date=2025-01-15", "--time=9:00", "--lat=40.7128", "--lon",
                              "-74.006", "--tz", "-5", "--panel=-30/20"});
  EXPECT_EQ(r["sun"].toObject()["azimuth"].toDouble(), 136);
  EXPECT_NEAR(r["sun"].toObject()["elevation"].toDouble(), 14.733, 5e-4);
  EXPECT_EQ(r["panels"].toArray()[0].toObject()["azimuth"].toDouble(), -30);
}

TEST(Cli, UnwritableOutputIsAFailure) {
  QProcess p;
  p.setStandardOutputFile(QStringLiteral("/dev/full"));
  p.start(QStringLiteral(HALVESSA_CLI), kGeneva);
  p.waitForFinished(-1);
  EXPECT_EQ(p.exitCode(), 1);
  const QString err = QString::fromUtf8(p.readAllStandardError());
  EXPECT_TRUE(err.startsWith("halvessa-cli: cannot write the output")) << err.toStdString();
}

}  // namespace
