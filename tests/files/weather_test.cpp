// The weather files: the PVGIS TMY year of tests/data in CSV and EPW, a small PVGIS JSON, the
// plain CSV, and every refusal.
#include <gtest/gtest.h>

#include <QFile>

#include <cmath>

#include "files/weather.h"

namespace halvessa::files {
namespace {

using site::Weather;

const QString kData = QStringLiteral(HALVESSA_TEST_DATA "/");

Weather Read(const QByteArray& bytes) {
  WeatherResult result = ParseWeather(bytes, QStringLiteral("w"));
  if (const QString* error = std::get_if<QString>(&result)) ADD_FAILURE() << error->toStdString();
  return std::holds_alternative<Weather>(result) ? std::get<Weather>(result) : Weather{};
}

QString Refusal(const QByteArray& bytes, const char* name = "w.csv") {
  WeatherResult result = ParseWeather(bytes, QString::fromLatin1(name));
  const QString* error = std::get_if<QString>(&result);
  return error ? *error : QStringLiteral("<read>");
}

QByteArray Bytes(const QString& name) {
  QFile file(kData + name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(Weather, PvgisCsvAndEpwHoldTheSameYearAnHourApart) {
  const WeatherResult csvResult = ReadWeather(kData + "pvgis-tmy-45.000-8.000.csv");
  const WeatherResult epwResult = ReadWeather(kData + "pvgis-tmy-45.000-8.000.epw");
  ASSERT_TRUE(std::holds_alternative<Weather>(csvResult) && std::holds_alternative<Weather>(epwResult));
  const Weather& csv = std::get<Weather>(csvResult);
  const Weather& epw = std::get<Weather>(epwResult);
  for (const Weather* w : {&csv, &epw}) {
    EXPECT_EQ(w->rows.size(), 8760u);
    EXPECT_EQ(w->latitude, 45);
    EXPECT_EQ(w->longitude, 8);
    EXPECT_EQ(w->elevation, 250);
    EXPECT_NEAR(w->centreSeconds, 0.1761 * 3600, 1e-6);  // EPW: 1 - 0.8239 hours from the hour's end
    EXPECT_EQ(w->columns, site::kGhi | site::kDni | site::kDhi);
    EXPECT_TRUE(w->typicalYear);  // January 2018, February 2007, ...
  }
  EXPECT_EQ(csv.format, site::WeatherFormat::PvgisCsv);
  EXPECT_EQ(epw.format, site::WeatherFormat::Epw);
  EXPECT_EQ(csv.zoneHours, 0);
  EXPECT_EQ(epw.zoneHours, 1);
  // 20180101:0000, Gb(n) -0.0; EPW 2018-01-01 hour 1 at UTC+1 starts 2017-12-31 23:00 UTC.
  EXPECT_EQ(csv.rows[0].start, 1514764800);
  EXPECT_EQ(epw.rows[0].start, 1514764800 - 3600);
  EXPECT_FALSE(std::signbit(csv.rows[0].dni));
  EXPECT_FALSE(std::signbit(epw.rows[0].dni));
  // The first sunlit hour, 20180101:0800, and 20060616:1600 (line 4019).
  EXPECT_EQ(csv.rows[8].ghi, 32.0);
  EXPECT_EQ(csv.rows[8].dhi, 32.0);
  EXPECT_EQ(csv.rows[8].tempAir, 2.1);
  EXPECT_EQ(csv.rows[4000].start, 1150473600);
  EXPECT_EQ(csv.rows[4000].windSpeed, 2.14);
  EXPECT_EQ(epw.rows[4000].windSpeed, 2.1);
  EXPECT_TRUE(std::isnan(epw.rows[4000].albedo));  // 999
  EXPECT_TRUE(std::isnan(csv.rows[4000].albedo));
  for (std::size_t i = 0; i < csv.rows.size(); ++i) {
    const site::WeatherRow &c = csv.rows[i], &e = epw.rows[i];
    ASSERT_EQ(e.start, c.start - 3600) << i;
    ASSERT_EQ(c.length, 3600);
    ASSERT_EQ(e.length, 3600);
    ASSERT_TRUE(c.ghi == e.ghi && c.dni == e.dni && c.dhi == e.dhi && c.tempAir == e.tempAir) << i;
    ASSERT_NEAR(c.windSpeed, e.windSpeed, 0.05 + 1e-9) << i;
  }
}

TEST(Weather, PvgisJson) {
  const Weather w = Read(R"j({"inputs": {"location": {"latitude": 45.0, "longitude": 8.0, "elevation": 250.0}},
    "outputs": {"months_selected": [{"month": 1, "year": 2018}], "tmy_hourly": [
      {"time(UTC)": "20180101:0800", "T2m": 2.1, "RH": 99.4, "G(h)": 32.0, "Gb(n)": -0.0, "Gd(h)": 32.0, "IR(h)": 286.6, "WS10m": 0.55, "WD10m": 212.0, "SP": 99580.0},
      {"time(UTC)": "20180101:0900", "T2m": 3.23, "G(h)": 149.0, "Gb(n)": 125.3, "Gd(h)": 117.0, "WS10m": null}]},
    "meta": {}})j");
  EXPECT_EQ(w.format, site::WeatherFormat::PvgisJson);
  EXPECT_EQ(w.latitude, 45);
  EXPECT_EQ(w.elevation, 250);
  ASSERT_EQ(w.rows.size(), 2u);
  EXPECT_EQ(w.rows[0].start, 1514764800 + 8 * 3600);
  EXPECT_FALSE(std::signbit(w.rows[0].dni));
  EXPECT_EQ(w.rows[1].dni, 125.3);
  EXPECT_TRUE(std::isnan(w.rows[1].windSpeed));
  EXPECT_TRUE(std::isnan(w.centreSeconds));
  EXPECT_EQ(Refusal(R"j({"outputs": {"tmy_hourly": [{"time(UTC)": "20180101:0800", "G(h)": 1},
    {"time(UTC)": "20180101:0900", "G(h)": "abc"}]}})j", "t.json"),
            "t.json: tmy_hourly entry 2: G(h) is not a number");
  EXPECT_EQ(Refusal(R"j({"outputs": {}})j", "t.json"),
            "t.json: is not a PVGIS TMY JSON file (no outputs.tmy_hourly)");
}

TEST(Weather, PlainCsv) {
  // Every column, CR LF, an offset, a 10-minute step, a gap of two steps, quoted names, "Z".
  Weather w = Read("\"time\",GHI,dni,dhi,temp_air,wind_speed,albedo,other\r\n"
                   "2025-07-24T12:00:00+02:00,800,700,150,25.5,3,0.25,x\r\n"
                   "2025-07-24T12:10+02:00,-0.0,-5,,26,3.5,,x\r\n"
                   "2025-07-24 10:40:00Z,810,710,160,,,,\r\n");
  EXPECT_EQ(w.format, site::WeatherFormat::PlainCsv);
  EXPECT_EQ(w.columns, site::kGhi | site::kDni | site::kDhi);
  EXPECT_EQ(w.zoneHours, 2);
  EXPECT_TRUE(std::isnan(w.latitude) && std::isnan(w.centreSeconds));
  ASSERT_EQ(w.rows.size(), 3u);
  EXPECT_EQ(w.rows[0].start, 1753351200);
  EXPECT_EQ(w.rows[1].start, 1753351200 + 600);
  EXPECT_EQ(w.rows[2].start, 1753351200 + 2400);
  for (const auto& row : w.rows) EXPECT_EQ(row.length, 600);
  EXPECT_EQ(w.rows[0].albedo, 0.25);
  EXPECT_EQ(w.rows[0].tempAir, 25.5);
  EXPECT_FALSE(std::signbit(w.rows[1].ghi));
  EXPECT_EQ(w.rows[1].dni, 0.0);  // a night offset
  EXPECT_TRUE(std::isnan(w.rows[1].dhi) && std::isnan(w.rows[2].tempAir));
  // GHI alone, two of three, the series' own output; a clock change inside a 30-minute step;
  // a leap day of a leap year.
  EXPECT_EQ(Read("time,ghi\n2025-10-26T02:30:00+02:00,1\n2025-10-26T02:00:00+01:00,2\n").rows[1].start,
            1761439800 - 20 * 60 + 30 * 60);
  EXPECT_EQ(Read("dni,time,dhi\n0,2024-02-29T00:00Z,0\n0,2024-02-29T00:00:01Z,0\n").columns,
            site::kDni | site::kDhi);
  EXPECT_EQ(Read("time,ghi,dni\n2024-01-01T00:00Z,0,0\n2024-01-01T01:00Z,0,0\n").rows[0].length, 3600);
  w = Read("time,sun_azimuth,sun_elevation,panel1_aoi,panel1_production,ghi,dni,dhi,panel1_poa\r\n"
           "2025-07-24T12:00:00+02:00,133.0,56.3,16.0,94.3,874.6,916.9,119.7,1009.3\r\n"
           "2025-07-24T12:20:00+02:00,141.0,58.7,15.0,95.0,902.0,923.6,121.1,1022.1\r\n");
  EXPECT_EQ(w.rows[1].length, 1200);
  EXPECT_EQ(w.rows[1].dni, 923.6);
}

TEST(Weather, Refusals) {
  const char* header = "time,ghi\n2025-01-01T00:00+01:00,0\n";
  const auto refused = [&](const char* rows) { return Refusal(QByteArray(header) + rows); };
  EXPECT_EQ(refused("2025-01-01T00:10+01:00,abc\n"), "w.csv: line 3: \"abc\" is not a number (ghi)");
  EXPECT_EQ(refused("2025-01-01T00:10+01:00,nan\n"), "w.csv: line 3: \"nan\" is not a number (ghi)");
  EXPECT_EQ(refused("2025-01-01T00:10+01:00,2500\n"),
            "w.csv: line 3: \"2500\" is out of range for ghi (-10 to 2000)");
  EXPECT_EQ(refused("2025-01-01T00:00+01:00,0\n"), "w.csv: line 3: repeats the previous row's time");
  EXPECT_EQ(refused("2025-01-01T00:10+01:00,0\n2025-01-01T00:05+01:00,0\n"),
            "w.csv: line 4: its time is before the previous row's");
  EXPECT_EQ(refused("2025-01-01T00:10+01:00,0\n2025-01-01T00:25+01:00,0\n"),
            "w.csv: line 4: 900 s after the previous row, not a multiple of the step (600 s)");
  EXPECT_EQ(refused("2025-01-01T02:00+01:00,0\n"),
            "w.csv: line 3: 7200 s after the first row: hourly or finer steps are read");
  EXPECT_EQ(refused("2025-01-01T00:10,0\n"),
            "w.csv: line 3: \"2025-01-01T00:10\" has no offset from universal time");
  EXPECT_EQ(refused("2025-02-29T00:10+01:00,0\n"), "w.csv: line 3: 2025-02-29 is not a date");
  EXPECT_EQ(refused("2025-01-01T00:10+01:00,0,1\n"), "w.csv: line 3: 3 fields, the header has 2");
  EXPECT_EQ(refused(""), "w.csv: holds one row: its step is not known");
  EXPECT_EQ(Refusal("time,ghi\n"), "w.csv: holds no rows");
  EXPECT_EQ(refused(QByteArray(5000, '1').constData()), "w.csv: line 3: longer than 4096 characters");
  EXPECT_EQ(Refusal("time,dni,x\n"),
            "w.csv: line 1: its header has no \"ghi\" column, nor two of \"ghi\", \"dni\", \"dhi\"");
  const QString notWeather = QStringLiteral(
      ": is not a weather file (PVGIS TMY CSV or JSON, EPW, or a CSV with a \"time\" column and "
      "\"ghi\", \"dni\", \"dhi\")");
  EXPECT_EQ(Refusal("horizon_azimuth,horizon_elevation\n0,5\n7.5,5\n", "h.csv"), "h.csv" + notWeather);
  EXPECT_EQ(Refusal("a,b\n1,2\n"), "w.csv" + notWeather);
  EXPECT_EQ(Refusal(" \r\n\n"), "w.csv: is empty");
  EXPECT_EQ(Refusal(QByteArray("time,ghi\n\0\1", 11)), "w.csv: is not a text file");
  EXPECT_EQ(Refusal("{\"outputs\": [", "t.json").left(26), "t.json: is not valid JSON ");
  const QString none = kData + "none.csv: cannot be read";
  EXPECT_EQ(std::get<QString>(ReadWeather(kData + "none.csv")).left(none.size()), none);

  // The real files, edited.
  QByteArray csv = Bytes("pvgis-tmy-45.000-8.000.csv");
  csv.replace("20180101:0800,2.1,99.4,32.0", "20180101:0800,2.1,99.4,abc");
  EXPECT_EQ(Refusal(csv, "pvgis.csv"), "pvgis.csv: line 27: \"abc\" is not a number (G(h))");
  csv.replace("20180101:0800", "20180101:0700");
  EXPECT_EQ(Refusal(csv, "pvgis.csv"), "pvgis.csv: line 27: repeats the previous row's time");
  EXPECT_EQ(Refusal(csv.left(csv.indexOf("time(UTC)")), "pvgis.csv"),
            "pvgis.csv: has no time(UTC) row in its first 100 lines");
  QByteArray epw = Bytes("pvgis-tmy-45.000-8.000.epw");
  epw.replace("2018,1,1,9,0,B8B8E8B8?1A1A1A1?0?0?0?0B8B8?0?0?0?0?0?0?0?0,2.10,2.02,99.40,99580.00,9999,9999,286.60,32.00",
              "2018,1,1,9,0,B8B8E8B8?1A1A1A1?0?0?0?0B8B8?0?0?0?0?0?0?0?0,2.10,2.02,99.40,99580.00,9999,9999,286.60,9999");
  const Weather missing = Read(epw);
  EXPECT_TRUE(std::isnan(missing.rows[8].ghi));
  EXPECT_EQ(missing.rows[8].dhi, 32.0);
  epw.replace("2007,2,28,24,", "2007,2,29,24,");
  EXPECT_EQ(Refusal(epw, "t.epw"), "t.epw: line 1424: 2007-02-29 is not a date");
  epw.replace("DATA PERIODS,1,1,", "DATA PERIODS,1,4,");
  EXPECT_EQ(Refusal(epw, "t.epw"), "t.epw: line 8: only EPW files of one record an hour are read");
  EXPECT_EQ(Refusal("LOCATION,a,b,c,d,e,45,8,1\n", "t.epw"), "t.epw: line 1: LOCATION has fewer than 10 fields");
}

}  // namespace
}  // namespace halvessa::files
