// Runs the built halvessa-cli and checks what it writes and how it exits.
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Outcome {
  int status = -1;
  QString out, err;
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

TEST(Cli, TextReportUsesTheWindowsPatternsAndTheLocale) {
  Outcome r =
      Cli(kGeneva + QStringList{"--panel", "151/45", "--panel", "331/70", "--panel", "0/0"});
  EXPECT_TRUE(r.status == 0 && r.err.isEmpty());
  for (const char* figure : {"2025-07-24 14:00:00", "UTC+02:00", "azimuth 189.0", "elevation 63.3",
                             "06:08:13", "21:14:53", "AOI 28.1, production 83%",
                             "AOI 91.6, production 0%", "not in use\n"}) {
    EXPECT_TRUE(r.out.contains(QLatin1String(figure))) << figure << "\n" << r.out.toStdString();
  }
  r = Cli({"--date", "2025-06-21", "--time", "12:00", "--lat", "78.2", "--lon", "15.6"});
  EXPECT_TRUE(r.out.contains("00:59:06 (2025-06-22)") && r.out.contains("above the horizon"))
      << r.out.toStdString();
  // The text follows the locale; JSON stays plain.
  r = Cli({"--date", "2025-07-24", "--time", "14:00", "--lat", "46,205556"}, "de_DE.UTF-8");
  EXPECT_TRUE(r.status == 0 && r.out.contains("elevation 63,3")) << r.out.toStdString();
  r = Cli({"--lat", "46,205556", "--json"}, QStringLiteral("de_DE.UTF-8"));
  EXPECT_TRUE(r.out.contains(R"("latitude":46.205556,)")) << r.out.toStdString();
}

TEST(Cli, OffsetsDefaultsAndOptionForms) {
  const QJsonObject india = Json({"--date", "2025-07-24", "--time", "14:00", "--tz", "5.5"});
  EXPECT_EQ(india["moment"].toString(), "2025-07-24T14:00:00+05:30");
  EXPECT_TRUE(india["sunrise"].toString().startsWith("2025-07-24T09:38:13."));
  EXPECT_TRUE(india["sunset"].toString().startsWith("2025-07-25T00:44:52."));
  EXPECT_TRUE(india["sunset"].toString().endsWith("+05:30"));
  EXPECT_EQ(Json({"--date", "2025-07-24", "--time", "14:00:27", "--tz", "-3.5"})["moment"],
            "2025-07-24T14:00:27-03:30");

  // Without options: the present moment and the stored site and panels.
  const qint64 before = QDateTime::currentMSecsSinceEpoch();
  const QJsonObject r = Json({});
  const qint64 after = QDateTime::currentMSecsSinceEpoch();
  const QString stamp = r["moment"].toString();
  const qint64 wallClock =
      QDateTime::fromString(stamp.chopped(6), Qt::ISODateWithMs).toMSecsSinceEpoch();
  EXPECT_TRUE(before <= wallClock && wallClock <= after) << stamp.toStdString();
  EXPECT_TRUE(r["latitude"] == 46.205556 && r["longitude"] == 6.154444 && r["timezone"] == 2);
  EXPECT_EQ(r["panels"].toArray().size(), 5);
  EXPECT_EQ(r["panels"][4]["azimuth"].toDouble(), 331);

  const QJsonObject newYork = Json({"--date=2025-01-15", "--time=9:00", "--lat=40.7128", "--lon",
                                    "-74.006", "--tz", "-5", "--panel=-30/20"});
  EXPECT_EQ(newYork["sun"]["azimuth"].toDouble(), 136);
  EXPECT_EQ(newYork["panels"][0]["azimuth"].toDouble(), -30);
}

TEST(Cli, HelpAndVersion) {
  const Outcome help = Cli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.startsWith("Usage: halvessa-cli") && help.out.contains("--panel AZ/TILT"));
  const Outcome version = Cli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, QStringLiteral("halvessa-cli " HALVESSA_VERSION "\n"));
}

// Status 2, nothing on standard output, one line on standard error starting as given.
TEST(Cli, BadInputGivesOneLineAndStatusTwo) {
  const QStringList sixPanels{"--panel", "1/2", "--panel", "1/2", "--panel", "1/2", "--panel",
                              "1/2",     "--panel", "1/2", "--panel", "9/9"};
  const std::pair<QStringList, const char*> cases[] = {
      {{"--lat", "abc"}, R"(--lat: "abc" is not a number)"},
      {{"--lat", "1e308"}, R"(--lat: "1e308" is outside -90 to 90)"},
      {{"--lon", "-180.5"}, R"(--lon: "-180.5" is outside -180 to 180)"},
      {{"--tz", "inf"}, R"(--tz: "inf")"},
      {{"--panel", "151"}, R"(--panel: "151" is not azimuth/tilt)"},
      {{"--panel", "abc/45"}, R"(--panel: "abc/45": "abc" is not a number)"},
      {{"--panel", "1e308/0"}, R"(--panel: "1e308/0": the azimuth is outside)"},
      {sixPanels, R"(--panel: "9/9" is one panel too many)"},
      {{"--date", "2025-13-40"}, "--date: "},
      {{"--date", "14:00"}, R"(--date: "14:00" is not a date)"},
      {{"--time", "2025-07-24"}, R"(--time: "2025-07-24" is not a time)"},
      {{"--date", "0100-01-01", "--time", "00:30", "--tz", "2"},
       R"(--tz: with "2", 0100-01-01 00:30:00 falls outside the years 100 to 9999)"},
      {{"--date", "0100-01-01", "--time", "12:00", "--lon", "180", "--tz", "0"},
       "--date: the sunrise or sunset of 0100-01-01 falls outside"},
      {{"--frobnicate"}, R"(unknown option "--frobnicate")"},
      {{"extra"}, R"(unexpected argument "extra")"},
      {{"--lat"}, "--lat: missing value"},
      {{"--lat", "1", "--lat=2"}, "--lat: given twice"},
      {{"--json=yes"}, "--json: takes no value"},
      {{"--panel", "1\n2/2"}, "--panel: \"1"}};  // still one line
  for (const auto& [args, start] : cases) {
    const Outcome r = Cli(args);
    SCOPED_TRACE(args.join(' ').toStdString() + "\n" + r.err.toStdString());
    EXPECT_TRUE(r.status == 2 && r.out.isEmpty());
    EXPECT_TRUE(r.err.count('\n') == 1 && r.err.endsWith('\n'));
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("halvessa-cli: ") + QString::fromUtf8(start)));
  }
}

TEST(Cli, UnwritableOutputIsAFailure) {
  QProcess p;
  p.setStandardOutputFile(QStringLiteral("/dev/full"));
  p.start(QStringLiteral(HALVESSA_CLI), kGeneva);
  p.waitForFinished(-1);
  EXPECT_EQ(p.exitCode(), 1);
  EXPECT_TRUE(p.readAllStandardError().startsWith("halvessa-cli: cannot write the output"));
}

}  // namespace
