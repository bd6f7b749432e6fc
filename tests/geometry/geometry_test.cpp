#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>

#include "geometry/calendar.h"
#include "geometry/module1.h"

namespace halvessa::geometry {
namespace {

constexpr double kTenthSecond = 0.1 / 86400.0;
constexpr double kLat = 46.205556;
constexpr double kLon = 6.154444;
const double kNan = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

double Moment(int y, int mo, int d, int h = 0, int mi = 0, double s = 0.0) {
  return DateSerial(y, mo, d) + TimeSerial(h, mi, 0) + s / 86400.0;
}
const double kGeneva = Moment(2025, 7, 24, 14);

// name, got, want, tolerance (0: exact)
struct Row { const char* name; double got, want, tolerance = 0; };
void ExpectTable(std::initializer_list<Row> rows) {
  for (const Row& r : rows) {
    if (r.tolerance == 0) {
      EXPECT_EQ(r.got, r.want) << r.name;
    } else {
      EXPECT_NEAR(r.got, r.want, r.tolerance) << r.name;
    }
  }
}

TEST(JulianDay, StaysInStepWithTheDaySerialOverTheWholeCalendar) {
  for (double day = kFirstSerial; day < kEndSerial; day += 97) {
    const DateParts p = SerialToParts(day);
    ASSERT_EQ(JulianDay(p.year, p.month, p.day) - day, 2415018.5) << p.year << "-" << p.month;
  }
}

double Elevation(double local, double zone, double lat = kLat, double lon = kLon) {
  double azimuth = 0, elevation = 0;
  SunPosition(local, lat, lon, zone, azimuth, elevation);
  return elevation;
}

TEST(SunPosition, WorkedExamplesAndTheRoundedZone) {
  const struct { const char* name; double local, lat, lon, zone, azimuth, elevation; } cases[] = {
      {"Geneva", kGeneva, kLat, kLon, 2, 189, 63.280},
      {"New York", Moment(2025, 1, 15, 9), 40.7128, -74.006, -5, 136, 14.733},
      {"Cape Town", Moment(2025, 12, 21, 12), -33.9, 18.4, 2, 46, 75.703},
      {"equinox sunrise, not clipped", Moment(2025, 3, 20, 6), 0, 0, 0, 90, -1.866},
      {"zone 5.5 acts as 6", kGeneva, kLat, kLon, 5.5, 101, 37.829},
      {"zone 6", kGeneva, kLat, kLon, 6, 101, 37.829}};
  for (const auto& c : cases) {
    double azimuth = -1, elevation = -1;
    SunPosition(c.local, c.lat, c.lon, c.zone, azimuth, elevation);
    EXPECT_EQ(azimuth, c.azimuth) << c.name;
    EXPECT_NEAR(elevation, c.elevation, 5e-4) << c.name;
  }
  EXPECT_EQ(Elevation(kGeneva, 4.5), Elevation(kGeneva, 4));
  EXPECT_EQ(Elevation(kGeneva, -3.5), Elevation(kGeneva, -4));
  // Universal time to the nearest second.
  EXPECT_EQ(Elevation(Moment(2025, 7, 24, 23, 59, 59.6), 0), Elevation(Moment(2025, 7, 25), 0));
  ExpectTable({{"90.5", WholeAzimuth(90.5), 90}, {"91.5", WholeAzimuth(91.5), 92},
               {"-90", WholeAzimuth(-90), 270}, {"-180", WholeAzimuth(-180), 180},
               {"-0.5 is north", WholeAzimuth(-0.5), 0}, {"-0.6", WholeAzimuth(-0.6), 359}});
}

TEST(SunriseSunset, WorkedExamples) {
  const struct { const char* name; double local, lat, lon, zone, sunrise, sunset; } cases[] = {
      {"Geneva", kGeneva, kLat, kLon, 2, Moment(2025, 7, 24, 6, 8, 13.1),
       Moment(2025, 7, 24, 21, 14, 52.8)},
      {"date alone: 23 July in UT", Moment(2025, 7, 24), kLat, kLon, 2,
       Moment(2025, 7, 24, 6, 7, 3.1), Moment(2025, 7, 24, 21, 15, 59.99)},
      {"zone 5.5 enters rounded and exact", kGeneva, kLat, kLon, 5.5,
       Moment(2025, 7, 24, 9, 38, 13.1), Moment(2025, 7, 25, 0, 44, 52.8)},
      {"zone 6", kGeneva, kLat, kLon, 6, Moment(2025, 7, 24, 10, 8, 13.1),
       Moment(2025, 7, 25, 1, 14, 52.8)},
      {"equinox", Moment(2025, 3, 20, 12), 0, 0, 0, Moment(2025, 3, 20, 6, 4, 49.4),
       Moment(2025, 3, 20, 18, 11, 29.2)},
      {"polar day", Moment(2025, 6, 21, 12), 78.2, 15.6, 2, Moment(2025, 6, 21, 0, 59, 6.0),
       Moment(2025, 6, 22, 0, 59, 6.0)},
      {"polar night", Moment(2025, 12, 21, 12), 78.2, 15.6, 1,
       Moment(2025, 12, 21, 11, 56, 34.2), Moment(2025, 12, 21, 11, 56, 34.2)}};
  for (const auto& c : cases) {
    double sunrise = -1, sunset = -1;
    SunriseSunset(c.local, c.lat, c.lon, c.zone, sunrise, sunset);
    EXPECT_NEAR(sunrise, c.sunrise, kTenthSecond) << c.name;
    EXPECT_NEAR(sunset, c.sunset, kTenthSecond) << c.name;
  }
  // The day of the year is that of the universal date.
  ExpectTable({{"date alone", SunriseDayOfYear(Moment(2025, 7, 24), 2), 204},
               {"31 Dec 2024 in UT", SunriseDayOfYear(Moment(2025, 1, 1, 0, 30), 1), 366},
               {"1 Jan 2025 in UT", SunriseDayOfYear(Moment(2025, 1, 1, 12), 1), 1},
               {"leap 1 March", SunriseDayOfYear(Moment(2024, 3, 1, 12), 0), 61},
               {"EoT(81)", EquationOfTime(81), -7.53},
               {"EoT(1)", EquationOfTime(1), -3.607, 5e-4}});
}

TEST(SunPositionAndSunriseSunset, OutsideTheCalendarThrowAndLeaveTheOutputs) {
  double a = 7, b = 8;
  EXPECT_THROW(SunPosition(Moment(100, 1, 1), 0, 0, 1, a, b), CalendarRangeError);
  EXPECT_THROW(SunPosition(Moment(9999, 12, 31, 23), 0, 0, -1, a, b), CalendarRangeError);
  EXPECT_THROW(SunPosition(kNan, 0, 0, 0, a, b), CalendarRangeError);
  EXPECT_THROW(SunPosition(Moment(2025, 1, 1), 0, 0, kNan, a, b), CalendarRangeError);
  EXPECT_THROW(SunriseSunset(Moment(9999, 12, 31, 12), 0, -170, 0, a, b), CalendarRangeError);
  EXPECT_THROW(SunriseSunset(Moment(100, 1, 1, 12), 0, 170, 0, a, b), CalendarRangeError);
  EXPECT_THROW(SunriseSunset(Moment(2025, 1, 1), kNan, 0, 0, a, b), CalendarRangeError);
  EXPECT_THROW(SunriseSunset(Moment(2025, 1, 1), 0, 0, kInf, a, b), CalendarRangeError);
  EXPECT_TRUE(a == 7 && b == 8);
  EXPECT_NO_THROW(SunPosition(Moment(100, 1, 1), 0, 0, -1, a, b));
  EXPECT_NO_THROW(SunriseSunset(Moment(9999, 12, 31, 12), 0, 0, 0, a, b));
  // A site that is not finite gives no elevation, without failing.
  EXPECT_TRUE(std::isnan(Elevation(kGeneva, 0, kNan, 0)));
  EXPECT_TRUE(std::isnan(Elevation(kGeneva, 0, 0, kInf)));
}

TEST(AngleOfIncidence, GeometryProductionAndTheFiveGenevaPanels) {
  ExpectTable({{"flat panel", AngleOfIncidence(189, 63.28, 275, 0), 26.72, 1e-9},
               {"sun at the zenith", AngleOfIncidence(123, 90, 200, 45), 45, 1e-9},
               {"facing the sun", AngleOfIncidence(189, 63.28, 189, 90 - 63.28), 0, 1e-6},
               {"sun below the horizon", AngleOfIncidence(300, -30, 300, 70), 50, 1e-9},
               {"back to the sun", AngleOfIncidence(0, 30, 180, 90), 150, 1e-9},
               {"prod 0", AOIToProduction(0), 100}, {"prod 45", AOIToProduction(45), 59.460, 5e-4},
               {"prod 89.9", AOIToProduction(89.9), 0.0073, 5e-5},
               {"prod 90", AOIToProduction(90), 0}, {"prod 150", AOIToProduction(150), 0}});
  for (int i = 0; i < 2000; ++i) {
    const double aoi = AngleOfIncidence(i * 7.3, i * 0.19 - 190, i * 11.1, i * 0.37 - 370);
    ASSERT_TRUE(aoi >= 0 && aoi <= 180) << i << ": " << aoi;
  }
  double azimuth = 0, elevation = 0;
  SunPosition(kGeneva, kLat, kLon, 2, azimuth, elevation);
  const struct { double panelAz, tilt, aoi, production; } panels[] = {
      {151, 45, 28.099, 82.852}, {151, 20, 16.151, 94.138}, {331, 20, 44.097, 60.861},
      {151, 70, 50.324, 51.013}, {331, 70, 91.573, 0.0}};
  for (const auto& p : panels) {
    const double aoi = AngleOfIncidence(azimuth, elevation, p.panelAz, p.tilt);
    EXPECT_NEAR(aoi, p.aoi, 5e-4) << p.panelAz << "/" << p.tilt;
    EXPECT_NEAR(AOIToProduction(aoi), p.production, 5e-4) << p.panelAz << "/" << p.tilt;
  }
}

TEST(DegreeTrig, FifteenDigitPiSaturationAndQuadrants) {
  ExpectTable({{"DegToRad(180)", DegToRad(180), 3.14159265358979},
               {"RadToDeg", RadToDeg(3.14159265358979), 180},
               // The literal lies just below pi: these zeros are missed by a few 1e-15.
               {"SinD(180)", SinD(180), 5e-15, 4e-15}, {"CosD(90)", CosD(90), 5e-15, 4e-15},
               {"ASinD(1)", ASinD(1), 90}, {"ASinD(1.5)", ASinD(1.5), 90},
               {"ASinD(-7)", ASinD(-7), -90}, {"ASinD(0.5)", ASinD(0.5), 30, 1e-12},
               {"ACosD(2)", ACosD(2), 0}, {"ACosD(-1)", ACosD(-1), 180},
               {"ACosD(-2)", ACosD(-2), 180},
               {"ATan2D(0, 0)", ATan2D(0, 0), 0}, {"ATan2D(1, 0)", ATan2D(1, 0), 90},
               {"ATan2D(-1, 0)", ATan2D(-1, 0), -90}, {"ATan2D(1, 1)", ATan2D(1, 1), 45, 1e-12},
               {"ATan2D(1, -1)", ATan2D(1, -1), 135, 1e-12},
               {"ATan2D(-1, -1)", ATan2D(-1, -1), -135, 1e-12},
               {"ATan2D(0, -1) is 0, not 180", ATan2D(0, -1), 0},
               {"ATan2D(-0, -1)", ATan2D(-0.0, -1), 0}});
  EXPECT_GT(ACosD(0), 90.0);  // full-precision quarter turn over the shorter literal
  EXPECT_NEAR(ACosD(0), 90, 1e-12);
  EXPECT_TRUE(std::isfinite(TanD(90)) && TanD(90) > 1e14);
}

std::array<int, 6> Parts(double serial) {
  const DateParts p = SerialToParts(serial);
  return {p.year, p.month, p.day, p.hour, p.minute, p.second};
}

TEST(Calendar, SerialsOnOneScaleOverTheWholeRange) {
  EXPECT_EQ(DateSerial(1899, 12, 30), 0.0);
  EXPECT_EQ(DateSerial(1900, 1, 1), 2.0);
  EXPECT_EQ(DateSerial(100, 1, 1), kFirstSerial);
  EXPECT_EQ(DateSerial(9999, 12, 31) + 1, kEndSerial);
  EXPECT_EQ(DatePart(-0.25), -1.0);
  EXPECT_EQ(Parts(-0.25), (std::array{1899, 12, 29, 18, 0, 0}));
  EXPECT_EQ(Parts(Moment(2024, 12, 31, 23, 59, 59.6)), (std::array{2025, 1, 1, 0, 0, 0}));
  for (double day = kFirstSerial; day < kEndSerial; day += 89) {
    const std::array<int, 6> p = Parts(day + TimeSerial(17, 23, 41));
    ASSERT_EQ(DateSerial(p[0], p[1], p[2]), day);
    ASSERT_EQ((std::array{p[3], p[4], p[5]}), (std::array{17, 23, 41})) << day;
  }
}

TEST(Calendar, AddHoursRoundsTheCountHalfToEven) {
  const double t = Moment(2025, 7, 24, 14);
  ExpectTable({{"-2", AddHours(t, -2), Moment(2025, 7, 24, 12)},
               {"-5.5", AddHours(t, -5.5), Moment(2025, 7, 24, 8)},
               {"4.5", AddHours(t, 4.5), Moment(2025, 7, 24, 18)},
               {"-3.5", AddHours(t, -3.5), Moment(2025, 7, 24, 10)},
               {"0.5", AddHours(t, 0.5), t}, {"0.49", AddHours(t, 0.49), t},
               {"0.51", AddHours(t, 0.51), Moment(2025, 7, 24, 15)},
               {"over the year end", AddHours(Moment(2025, 1, 1, 0, 30), -1),
                Moment(2024, 12, 31, 23, 30)},
               {"onto the epoch", AddHours(-0.25, 6), 0}});
}

TEST(Calendar, InvalidDatesAndRangeLimitsThrow) {
  EXPECT_NO_THROW(DateSerial(2024, 2, 29));
  EXPECT_NO_THROW(DateSerial(2000, 2, 29));
  for (const auto& [y, m, d] : {std::array{2023, 2, 29}, {1900, 2, 29}, {2025, 4, 31},
                                {2025, 0, 1}, {2025, 13, 1}, {2025, 1, 0}, {2025, 1, 32},
                                {99, 12, 31}, {10000, 1, 1}}) {
    EXPECT_THROW(DateSerial(y, m, d), CalendarRangeError) << y << "-" << m << "-" << d;
  }
  EXPECT_EQ(Parts(Moment(9999, 12, 31, 23, 59, 59)), (std::array{9999, 12, 31, 23, 59, 59}));
  EXPECT_THROW(SerialToParts(Moment(9999, 12, 31, 23, 59, 59.6)), CalendarRangeError);
  EXPECT_THROW(SerialToParts(kEndSerial), CalendarRangeError);
  EXPECT_THROW(SerialToParts(kFirstSerial - 1e-6), CalendarRangeError);
  EXPECT_EQ(AddHours(kFirstSerial, 0), kFirstSerial);
  EXPECT_THROW(AddHours(kFirstSerial, -1), CalendarRangeError);
  EXPECT_EQ(AddHours(kEndSerial - 2.0 / 24, 1), kEndSerial - 1.0 / 24);
  EXPECT_THROW(AddHours(kEndSerial - 1.0 / 24, 1), CalendarRangeError);
  EXPECT_THROW(AddHours(0, 1e300), CalendarRangeError);
  for (double bad : {kNan, kInf, -kInf}) {
    EXPECT_FALSE(InCalendarRange(bad));
    EXPECT_THROW(SerialToParts(bad), CalendarRangeError);
    EXPECT_THROW(DatePart(bad), CalendarRangeError);
    EXPECT_THROW(AddHours(bad, 1), CalendarRangeError);
    EXPECT_THROW(AddHours(0, bad), CalendarRangeError);
  }
}

}  // namespace
}  // namespace halvessa::geometry
