// The system, weather and horizon the window remembers between runs, and the year view's
// figures from weather against the calculator's energy command.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>

#include <cmath>

#include "cli/cli.h"
#include "tests/window/form_fixture.h"
#include "geometry/calendar.h"
#include "window/system.h"
#include "window/views.h"

namespace halvessa::window {
namespace {

const QString kCsv = QStringLiteral(HALVESSA_TEST_DATA "/pvgis-tmy-45.000-8.000.csv");
const QString kEpw = QStringLiteral(HALVESSA_TEST_DATA "/pvgis-tmy-45.000-8.000.epw");
const QString kHills = QStringLiteral(HALVESSA_TEST_DATA "/horizon-45.000-8.000.csv");

class SystemTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString file = dir.filePath(QStringLiteral("halvessa.ini"));
};

// What the dialog and the File menu set comes back at the next start, the zone box's text
// too; the first start has nothing remembered.
TEST_F(SystemTest, TheSystemTheFilesAndTheZoneAreRemembered) {
  {
    QSettings store(file, QSettings::IniFormat);
    SystemModel model(store);
    EXPECT_EQ(model.restore(), "");
    EXPECT_EQ(model.zoneText(), "");  // the window keeps its default zone
    EXPECT_EQ(model.sources()->title, "clear sky");
    int changes = 0;
    model.onChanged = [&changes] { ++changes; };
    SystemSettings s;
    s.kwp = {4, 2.5, 1, 1, 0.3};
    s.options.module = energy::Module::premium;
    s.options.mount = energy::Mount::roof;
    s.options.lossesPercent = 10;
    s.options.inverterPercent = 97.5;
    s.options.dcAcRatio = 1.5;
    s.options.oneInverter = true;
    s.transposition = pipeline::Transposition::isotropic;
    s.weatherShiftHours = 0.5;
    ASSERT_EQ(model.apply(s), "");
    EXPECT_TRUE(model.openWeather(kCsv, 45, 8).message.endsWith("(Edit > System: move its times by 0 h)"));
    ASSERT_EQ(model.openHorizon(kHills).message, "");
    EXPECT_EQ(model.rememberZone(QStringLiteral("Australia/Sydney")), "");
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(model.sources()->title, "typical year, PVGIS TMY 45.000 8.000");
  }
  QSettings store(file, QSettings::IniFormat);
  SystemModel again(store);
  EXPECT_EQ(again.restore(), "");
  const SystemSettings& s = again.settings();
  EXPECT_EQ(s.kwp[1], 2.5);
  EXPECT_EQ(s.kwp[4], 0.3);
  EXPECT_TRUE(s.options.module == energy::Module::premium && s.options.mount == energy::Mount::roof);
  EXPECT_TRUE(s.options.lossesPercent == 10 && s.options.inverterPercent == 97.5 &&
              s.options.dcAcRatio == 1.5 && s.options.oneInverter);
  EXPECT_TRUE(s.transposition == pipeline::Transposition::isotropic && s.weatherShiftHours == 0.5);
  ASSERT_TRUE(again.sources()->weather);
  EXPECT_EQ(again.sources()->weather->rows.size(), 8760u);
  EXPECT_FALSE(again.sources()->horizon.flat());
  EXPECT_EQ(again.zoneText(), "Australia/Sydney");
}

// A remembered file that has gone missing is named and dropped, and forgotten; what else was
// remembered stays. Values edited out of range by hand fall back to the defaults.
TEST_F(SystemTest, AMissingFileIsNamedAndDropped) {
  const QString gone = dir.filePath(QStringLiteral("gone.epw"));
  {
    QSettings store(file, QSettings::IniFormat);
    store.setValue("weather/file", gone);
    store.setValue("horizon/file", kHills);
    store.setValue("system/kwp2", 3);
    store.setValue("system/losses_percent", "lots");
    store.setValue("system/dc_ac_ratio", 50);
  }
  QSettings store(file, QSettings::IniFormat);
  SystemModel model(store);
  const QString message = model.restore();
  EXPECT_EQ(message, "The weather file " + gone + " has gone missing: it is no longer used.");
  EXPECT_FALSE(model.sources()->weather);
  EXPECT_EQ(model.settings().weatherFile, "");
  EXPECT_FALSE(model.sources()->horizon.flat());
  EXPECT_EQ(model.settings().kwp[1], 3);
  EXPECT_EQ(model.settings().options.lossesPercent, 14.08);
  EXPECT_EQ(model.settings().options.dcAcRatio, 1.2);
  SystemModel next(store);
  EXPECT_EQ(next.restore(), "");  // forgotten
}

// A file that is not weather is refused and changes nothing; the EPW whose light comes an
// hour early is taken with a warning naming the shift; a value out of range is refused.
TEST_F(SystemTest, BadFilesAndValuesAreRefusedInOneLine) {
  QSettings store(file, QSettings::IniFormat);
  SystemModel model(store);
  model.restore();
  const QString refused = model.openWeather(kHills, 45, 8).message;
  EXPECT_TRUE(refused.contains("horizon-45.000-8.000.csv")) << refused.toStdString();
  EXPECT_FALSE(model.sources()->weather);
  EXPECT_NE(model.openHorizon(kCsv).message, "");
  EXPECT_TRUE(model.sources()->horizon.flat());
  const QString warning = model.openWeather(kEpw, 45, 8).message;
  EXPECT_TRUE(warning.endsWith("before the sun, and its times fit best moved by +1 h (Edit > "
                               "System: move its times by +1 h)")) << warning.toStdString();
  EXPECT_TRUE(model.sources()->weather);
  SystemSettings s = model.settings();
  s.kwp[0] = -1;
  EXPECT_EQ(model.apply(s), "Panel 1's kWp must be above 0 and at most 100000.");
  s.kwp[0] = 1;
  s.kwp[4] = 100001;
  EXPECT_EQ(model.apply(s), "Panel 5's kWp must be above 0 and at most 100000.");
  s.kwp[4] = 1;
  s.options.lossesPercent = 100;
  EXPECT_EQ(model.apply(s), "The losses must be from 0 to 99.");
  EXPECT_EQ(model.settings().options.lossesPercent, 14.08);
  // A settings file that cannot be written is said so.
  QFile::setPermissions(file, QFileDevice::ReadOwner);
  QSettings locked(dir.filePath("sub/dir/x.ini"), QSettings::IniFormat);
  QFile blocker(dir.filePath("sub"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // "sub" is a file: no folder can be made
  blocker.close();
  SystemModel unsaved(locked);
  EXPECT_TRUE(unsaved.rememberZone("2").startsWith("Cannot save the settings to "));
}

// A first start shows the window's own zone "2"; a later one the zone last used, in which its
// instant view is computed, with a remembered file that has gone missing named after what the
// Load procedure said.
class StartTest : public testing::FormTest {
 protected:
  QTemporaryDir config;
  QSettings store{config.filePath("halvessa.ini"), QSettings::IniFormat};
};

TEST_F(StartTest, TheZoneLastUsedAndAMissingFileAtStartUp) {
  SystemModel first(store);
  StartRemembering(*form, model, first);
  EXPECT_EQ(model.txtTz.Text(), "2");
  EXPECT_EQ(model.message.Text(), "");
  const QString clock = model.txtDate.Text() + " " + model.txtTime.Text();
  first.rememberZone("Australia/Sydney");
  store.setValue("horizon/file", config.filePath("gone.csv"));

  model = FormModel();
  form = std::make_unique<Form>(model, platform);
  SystemModel second(store);
  StartRemembering(*form, model, second);
  EXPECT_EQ(model.txtTz.Text(), "Australia/Sydney");
  EXPECT_NE(model.txtDate.Text() + " " + model.txtTime.Text(), clock);  // Sydney's clock, not UTC+2's
  EXPECT_NE(model.txtSunAzimuth.Text(), "");
  EXPECT_EQ(model.message.Text(),
            "The horizon file " + config.filePath("gone.csv") + " has gone missing: it is no longer used.");
}

// The year view from weather shows what `halvessa-cli energy` prints for the same inputs: the
// months by the window's zone, the year, each panel, and the best orientation of `best`.
TEST_F(SystemTest, TheYearFromWeatherIsTheCalculatorsEnergy) {
  QSettings store(file, QSettings::IniFormat);
  SystemModel model(store);
  model.restore();
  SystemSettings s;
  s.kwp = {4, 2, 1, 1, 1};
  s.options.mount = energy::Mount::roof;
  ASSERT_EQ(model.apply(s), "");
  ASSERT_EQ(model.openWeather(kCsv, 46.2, 6.15).message, "");
  ASSERT_EQ(model.openHorizon(kHills).message, "");
  YearRequest request;
  request.site = {Calculated::Kind::kCalculation, 46.2, 6.15, text::SiteZone::Fixed(1),
                  DateSerial(2025, 7, 24), {{{180, 35}, {240, 20}}}};
  request.sky = model.sources();
  const YearResult r = YearModel::Compute(request);
  ASSERT_TRUE(r.energy) << r.problem.toStdString();
  EXPECT_EQ(r.skyTitle(), "typical year, PVGIS TMY 45.000 8.000");

  const QStringList common = {"--weather", kCsv, "--horizon", kHills, "--lat", "46.2", "--lon", "6.15",
                              "--panel", "180/35/4", "--panel", "240/20/2", "--mount", "roof", "--json"};
  const cli::Outcome energy = cli::Run(QStringList{"energy", "--tz", "1"} + common, [] { return 0.0; });
  ASSERT_EQ(energy.status, 0) << energy.err;
  const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(energy.out)).object();
  EXPECT_EQ(o["year"]["ac_kwh"].toDouble(), r.energy->year.ac);
  EXPECT_EQ(o["year"]["panels"][1]["poa_kwh_m2"].toDouble(), r.energy->year.panels[1].poa);
  const QJsonArray months = o["months"].toArray();
  for (int m = 0; m < 12; ++m) {
    EXPECT_EQ(months[m]["ac_kwh"].toDouble(), r.energy->months[m].ac) << m;
  }
  const cli::Outcome best = cli::Run(QStringList{"best"} + common.mid(0, 8) + QStringList{"--json"}, [] { return 0.0; });
  const QJsonObject b = QJsonDocument::fromJson(QByteArray::fromStdString(best.out)).object();
  EXPECT_EQ(b["best"]["azimuth"].toDouble(), r.best.best.Azimuth);
  EXPECT_EQ(b["best"]["tilt"].toDouble(), r.best.best.Tilt);
  EXPECT_EQ(b["best"]["irradiation_kwh_m2"].toDouble(), r.best.irradiation);
}

}  // namespace
}  // namespace halvessa::window
