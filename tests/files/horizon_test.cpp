// Horizon files: the three forms told apart and read, and every refusal's one line.
#include "files/horizon.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <utility>
#include <vector>

namespace halvessa::files {
namespace {

const QString kShared = QStringLiteral(HALVESSA_TEST_DATA "/horizon-45.000-8.000.csv");

site::Horizon Parsed(const QByteArray& bytes, HorizonForm form) {
  const HorizonRead read = ParseHorizon(bytes, QStringLiteral("h.csv"));
  EXPECT_EQ(read.error, QString());
  EXPECT_EQ(read.form, form) << bytes.constData();
  return read.horizon.value_or(site::Horizon());
}

void ExpectHeights(const site::Horizon& h, const std::vector<std::pair<double, double>>& cases) {
  for (const auto& [azimuth, height] : cases)
    EXPECT_NEAR(h.heightAt(azimuth), height, 1e-12) << azimuth;
}

TEST(HorizonFile, ReadsTheSharedPairsAndThePvgisOutputFromSouth) {
  const HorizonRead shared = ReadHorizon(kShared);
  ASSERT_TRUE(shared.horizon) << shared.error.toStdString();
  EXPECT_EQ(shared.form, HorizonForm::Pairs);
  EXPECT_EQ(shared.horizon->points().size(), 48u);
  ExpectHeights(*shared.horizon,
                {{0, 9.9}, {3.75, 11.45}, {90, 10.3}, {180, 4.6}, {270, 0}, {356.25, 9.55}});

  // The same profile as PVGIS prints it: tabs, azimuth from south (east -90), north twice.
  QByteArray pvgis =
      "Latitude (decimal degrees):\t45.000\nLongitude (decimal degrees):\t8.000\n\n"
      "A\tH_hor\tA_sun(w)\tH_sun(w)\tA_sun(s)\tH_sun(s)\n";
  for (const auto& p : shared.horizon->points()) {
    pvgis += QByteArray::number(p.azimuth - 180) + '\t' + QByteArray::number(p.height) +
             "\t-180.0\t0.0\t-180.0\t0.0\n";
  }
  pvgis +=
      "180.0\t9.9\t0\t0\t0\t0\n\nA: Azimuth (0 = S, 90 = W, -90 = E) (degree)\nH_hor: Horizon "
      "height (degree)\n";
  const site::Horizon fromSouth = Parsed(pvgis, HorizonForm::PvgisOutput);
  for (double azimuth = 0; azimuth < 360; azimuth += 1.25) {
    EXPECT_DOUBLE_EQ(fromSouth.heightAt(azimuth), shared.horizon->heightAt(azimuth)) << azimuth;
  }
  ExpectHeights(Parsed("A,H_hor\n-90,10\n90,20\n", HorizonForm::PvgisOutput),
                {{90, 10}, {270, 20}, {180, 15}, {0, 15}});
}

TEST(HorizonFile, ReadsListsAndPairsInTheirWrittenForms) {
  ExpectHeights(Parsed("10\n20\n30\n40\n", HorizonForm::HeightList),
                {{0, 10}, {45, 15}, {270, 40}, {315, 25}});
  ExpectHeights(Parsed("10, 20,30 ,40,50,60\n", HorizonForm::HeightList),
                {{30, 15}, {300, 60}, {330, 35}});
  ExpectHeights(Parsed("10 20 30\n40\n", HorizonForm::HeightList), {{90, 20}, {270, 40}});
  // Unordered, north as 360 too, a header, CR LF, trailing separators, a comment, a BOM, -0.
  ExpectHeights(Parsed("azimuth,height\n180,5\n360,10\n0,10\n90,-0\n", HorizonForm::Pairs),
                {{45, 5}, {270, 7.5}});
  ExpectHeights(Parsed("\xEF\xBB\xBF# measured\r\n0;1;\r\n\r\n+180;3;\r\n", HorizonForm::Pairs),
                {{90, 2}, {270, 2}});
  ExpectHeights(Parsed("0 1\r180\t3", HorizonForm::Pairs), {{90, 2}});
}

TEST(HorizonFile, RefusesWithOneLineNamingTheFileTheLineAndTheReason) {
  const QString notHorizon =
      "h.csv: line 1: not a horizon file: expected azimuth,height pairs, a list of heights or the "
      "PVGIS horizon output";
  std::string many;
  for (int i = 0; i <= kHorizonMaxPoints; ++i) many += "1\n";
  const std::vector<std::pair<QByteArray, QString>> cases{
      {"", "h.csv: the file is empty"},
      {"# nothing\n\n", "h.csv: no heights in the file"},
      {"azimuth,height\n0,10\n90,x\n", "h.csv: line 3: \"x\" is not a height in degrees"},
      {"azimuth,height\nnorth,10\n", "h.csv: line 2: \"north\" is not an azimuth in degrees"},
      {"0,10\n90,95\n", "h.csv: line 2: the height \"95\" is outside -5 to 90 degrees"},
      {"0,10\n90,-5.5\n", "h.csv: line 2: the height \"-5.5\" is outside -5 to 90 degrees"},
      {"0,10\n400,5\n", "h.csv: line 2: the azimuth \"400\" is outside 0 to 360 degrees"},
      {"A\tH_hor\n-200\t5\n", "h.csv: line 2: the azimuth \"-200\" is outside -180 to 180 degrees"},
      {"A\tH_hor\n-90\n", "h.csv: line 2: an azimuth and a height expected"},
      {"0,10\n90,5\n360,12\n", "h.csv: line 3: the same azimuth as line 1 with another height"},
      {"0,10\n90,5,3\n", "h.csv: line 2: 3 values; a line holds an azimuth and a height"},
      {"10\n20\n30\n", "h.csv: 3 heights; a list of heights needs at least 4"},
      {"azimuth,height\n90,10\n", "h.csv: one point; a horizon needs at least 2 azimuths"},
      {"10\n20\nnan\n40\n", "h.csv: line 3: \"nan\" is not a height in degrees"},
      {"north\n", notHorizon},
      {"time,ghi,dni\n2025-01-01T00:00+01:00,0,0\n", notHorizon},
      {"Latitude (decimal degrees): 45.000\nLongitude (decimal degrees): 8.000\n", notHorizon},
      {"PVWatts: Hourly PV Performance Data,,,,\n", notHorizon},
      {QByteArray("0,10\n\0\x01", 7), "h.csv: line 2: a control byte (0x00): not a text file"},
      {QByteArray(1001, '1'), "h.csv: line 1: longer than 1000 characters: not a horizon file"},
      {QByteArray::fromStdString(many), "h.csv: line 3601: more than 3600 points"},
      {QByteArray(kHorizonMaxBytes + 1, '1'),
       "h.csv: larger than 1048576 bytes: not a horizon file"},
  };
  for (const auto& [bytes, message] : cases) {
    const HorizonRead read = ParseHorizon(bytes, QStringLiteral("h.csv"));
    EXPECT_FALSE(read.horizon) << bytes.left(40).constData();
    EXPECT_EQ(read.error, message);
  }
  QTemporaryDir dir;
  EXPECT_EQ(ReadHorizon(dir.filePath("none.csv")).error,
            dir.filePath("none.csv") + ": no such file");
  EXPECT_EQ(ReadHorizon(dir.path()).error, dir.path() + ": not a regular file");
}

}  // namespace
}  // namespace halvessa::files
