// The solar geometry to the last bit. The expected doubles are the output of
// expected_values.py, which works each routine's steps a second time in Python (IEEE doubles,
// the same C library). Beside the worked examples the rows sit where a last digit or a whole
// degree turns.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>

#include "geometry/calendar.h"
#include "geometry/module1.h"

namespace halvessa::geometry {
namespace {

const double kNan = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

double Moment(int y, int mo, int d, int h = 0, int mi = 0, double s = 0.0) {
  return DateSerial(y, mo, d) + (h * 3600.0 + mi * 60.0 + s) / 86400.0;
}

struct Exact { double got, want; };
void ExpectExact(std::initializer_list<Exact> rows) {
  for (const Exact& r : rows) EXPECT_EQ(r.got, r.want) << "row " << &r - rows.begin();
}

struct OneArg { double x, want; };
void ExpectOneArg(double (*routine)(const double&), std::initializer_list<OneArg> rows) {
  for (const OneArg& r : rows) EXPECT_EQ(routine(r.x), r.want) << std::hexfloat << r.x;
}

// A local moment, a site, and the two results a routine writes for them.
struct Site { int y, mo, d, h, mi, s; double lat, lon, zone, first, second; };
void ExpectSites(void (*routine)(const double&, const double&, const double&, const double&,
                                 double&, double&),
                 std::initializer_list<Site> rows) {
  for (const Site& c : rows) {
    double first = -1, second = -1;
    routine(Moment(c.y, c.mo, c.d, c.h, c.mi, c.s), c.lat, c.lon, c.zone, first, second);
    EXPECT_EQ(first, c.first) << "row " << &c - rows.begin() << std::hexfloat << ": " << first;
    EXPECT_EQ(second, c.second) << "row " << &c - rows.begin() << std::hexfloat << ": " << second;
  }
}

TEST(SunPosition, AzimuthAndElevation) {
  // y, mo, d, h, mi, s, latitude, longitude, zone, azimuth, elevation
  ExpectSites(SunPosition, {
    // The worked examples; zones of half and quarter hours (Mumbai, Kathmandu, Chatham,
    // St. John's) and one of 36 seconds move by their exact offset.
    {2025, 7, 24, 14, 0, 0, 46.205556, 6.154444, 2, 189, 0x1.fa3db5aa15369p+5},
    {2025, 1, 15, 9, 0, 0, 40.7128, -74.006, -5, 136, 0x1.d77333a6c4e86p+3},
    {2025, 12, 21, 12, 0, 0, -33.9, 18.4, 2, 46, 0x1.2ecfb16fa1edp+6},
    {2025, 3, 20, 6, 0, 0, 0, 0, 0, 90, -0x1.ddc52e358c1fcp+0},
    {2025, 7, 24, 14, 0, 0, 46.205556, 6.154444, 5.5, 108, 0x1.56d7ba3620fd5p+5},
    {2025, 7, 24, 12, 46, 0, 19.076, 72.8777, 5.5, 342, 0x1.6503f14511a3ep+6},
    {2025, 3, 20, 12, 0, 0, 27.7172, 85.324, 5.75, 174, 0x1.f0e451f71dbdbp+5},
    {2025, 12, 21, 9, 15, 0, -43.95, -176.56, 12.75, 79, 0x1.6c2683bf7ae1bp+5},
    {2025, 6, 21, 16, 0, 0, 47.56, -52.71, -3.5, 264, 0x1.2c75adb9ff52p+5},
    {2025, 7, 24, 12, 0, 0, 46.205556, 6.154444, 0.01, 189, 0x1.fa605eff8f7dep+5},
    // Universal time in the year before, a leap day turning into 1 March, both poles.
    {2025, 1, 1, 0, 30, 0, 46.205556, 6.154444, 1, 355, -0x1.0ae3efe901ce2p+6},
    {2024, 2, 29, 23, 59, 59, -45, -170, -11, 190, -0x1.29902951e5f1dp+5},
    {2024, 12, 31, 18, 17, 43, 90, 0, 0, 274, -0x1.703ac608a3c19p+4},
    {2024, 6, 21, 6, 7, 8, -90, 123, 9, 101, -0x1.76f77fa40588p+4},
    // The first day and last second of the calendar; sidereal time turning on its cubic term.
    {100, 1, 1, 0, 0, 0, 10, -20, -1, 205, -0x1.2cfb35b7e131dp+6},
    {9999, 12, 31, 23, 59, 59, -10, 160, 0, 128, 0x1.16a5d6e31cc6dp+6},
    {9999, 6, 21, 19, 20, 0, 47, 8, 0, 306, -0x1.bbdb63ef72bf6p+0},
    {100, 3, 4, 20, 40, 0, -30, 25, 0, 221, -0x1.660db91dc3827p+5},
    // Local sidereal time exactly 0 and exactly 360 before its reduction.
    {2025, 4, 15, 10, 0, 0, 46.205556, -0x1.43bc460a34p+8, 2, 143, 0x1.8374cea193ef8p+5},
    {2025, 4, 15, 10, 0, 0, 46.205556, 0x1.221dcfae6p+5, 2, 143, 0x1.8374cea193ef8p+5},
    // The sun at the nadir with an hour angle of exactly -180, then +180.
    {2025, 12, 21, 12, 0, 0, 0x1.76f62378cff9cp+4, -0x1.4aeb060d145d6p+7, 1, 90,
      -0x1.67ffffaef8b6bp+6},
    {2025, 7, 24, 14, 0, 0, -0x1.3bea4d3987748p+4, 0x1.6b46341ed1a74p+7, 2, 270, -90},
    // A + 360 exactly 188.5 and 450.5: halves go to the even neighbour.
    {2025, 7, 24, 14, 0, 0, 0x1.8d073f76aef65p+5, 6.154444, 2, 188, 0x1.df31574c9b5c7p+5},
    {2025, 3, 20, 7, 0, 0, 0x1.016453f5553d7p+1, 0, 0, 90, 0x1.a4143a5249e12p+3},
  });
  ExpectOneArg(WholeAzimuth, {{90.5, 90}, {91.5, 92}, {-90, 270}, {-180, 180}, {-0.5, 0},
                              {-0.6, 359}, {179.5, 180}, {180.5, 180}});
}

TEST(SunriseSunset, SunriseAndSunset) {
  // y, mo, d, h, mi, s, latitude, longitude, zone, sunrise, sunset
  ExpectSites(SunriseSunset, {
    {2025, 7, 24, 14, 0, 0, 46.205556, 6.154444, 2, 0x1.664c82ec0db0dp+15, 0x1.664dc54a75a44p+15},
    {2025, 7, 24, 0, 0, 0, 46.205556, 6.154444, 2, 0x1.664c8281cd901p+15, 0x1.664dc5b057065p+15},
    {2025, 7, 24, 14, 0, 0, 46.205556, 6.154444, 5.5, 0x1.664ccd96b85b8p+15, 0x1.664e0ff5204efp+15},
    // 05:45 at +05:45 is 00:00 UT: the universal date is the 24th.
    {2025, 7, 24, 5, 45, 0, 27.7172, 85.324, 5.75, 0x1.664c72a02962cp+15, 0x1.664d9464d70a1p+15},
    {2025, 1, 1, 0, 30, 0, 46.205556, 6.154444, 1, 0x1.64b4b14da6ec5p+15, 0x1.64b56abd67fb7p+15},
    {2025, 1, 1, 12, 0, 0, 46.205556, 6.154444, 1, 0x1.64b4b0fadf48ap+15, 0x1.64b56abee1c3p+15},
    {2024, 2, 29, 12, 0, 0, -33.9, 18.4, 2, 0x1.624e8ce78fb2ep+15, 0x1.624f9d5fab614p+15},
    {2025, 3, 20, 12, 0, 0, 0, 0, 0, 0x1.655081b6f89dp+15, 0x1.655184158b117p+15},
    {2025, 6, 21, 12, 0, 0, 78.2, 15.6, 2, 0x1.660a1503696f9p+15, 0x1.660c1503696f9p+15},
    {2025, 12, 21, 12, 0, 0, 78.2, 15.6, 1, 0x1.6778fec7dcf2ep+15, 0x1.6778fec7dcf2ep+15},
    {2025, 9, 1, 23, 0, 0, 61.2, -149.9, -8.5, 0x1.669a885df8p+15, 0x1.669bb6a99b8edp+15},
    {2025, 3, 1, 6, 0, 0, 90, 0, 0, 0x1.652b04a42f2ccp+15, 0x1.652b04a42f2ccp+15},
    {100, 1, 1, 12, 0, 0, 0, 0, 0, -0x1.410338000ec8ap+19, -0x1.410327d6e7592p+19},
    {100, 3, 1, 12, 0, 0, 45, 0, 0, -0x1.40fbd72f048e1p+19, -0x1.40fbc83c758c5p+19},
    {9999, 12, 31, 12, 0, 0, 0, 0, 0, 0x1.692409fffaa54p+21, 0x1.69240e0a47b89p+21},
  });
}

TEST(AngleOfIncidence, Degrees) {
  // sun azimuth, sun elevation, panel azimuth, tilt, angle of incidence
  const double el = 0x1.fa3db5aa15369p+5;  // the Geneva elevation above
  const struct { double sunAz, sunEl, panelAz, tilt, want; } rows[] = {
    {189, el, 151, 45, 0x1.c1955ada377f5p+4}, {189, el, 331, 20, 0x1.60c616efad101p+5},
    {189, el, 151, 20, 0x1.026c23e9b4f65p+4}, {189, el, 331, 70, 0x1.6e4a8a027305fp+6},
    {189, el, 151, 70, 0x1.9298070cfdf1dp+5}, {189, 63.28, 275, 0, 0x1.ab851eb851ed6p+4},
    {123, 90, 200, 45, 0x1.67ffffffffffcp+5}, {189, el, 189, 0x1.ab8494abd592ep+4, 0},
    {300, -30, 300, 70, 0x1.900000000000bp+5}, {0, 30, 180, 90, 0x1.2c00000000003p+7},
    {136, 14.733, 136, 75.3, 0x1.0e560418980a5p-5}, {90, -1.866, 92, 91, 0x1.16e47c6a542fap+1},
    {10, 80, 10, 10, 0}, {0, 0, 180, 90, 180}, {359, 45, 1, 45, 0x1.6a078c14865dap+0},
    {270, 5, 90, -30, 0x1.b80000000000cp+5}, {222, -12, 180, 135, 0x1.84fb291137981p+5},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(AngleOfIncidence(r.sunAz, r.sunEl, r.panelAz, r.tilt), r.want) << r.panelAz;
  }
}

TEST(AOIToProduction, Percent) {
  ExpectOneArg(AOIToProduction, {
    {0, 100}, {1e-09, 100}, {10, 0x1.86eb5b37d134ep+6}, {26.72, 0x1.51abbff2df756p+6},
    {28.099, 0x1.4b68611556fc5p+6}, {45, 0x1.dbaecefedae1cp+5}, {60, 0x1.1ad7bc01366c5p+5},
    {89, 0x1.d82f911f7c015p-3}, {89.9, 0x1.dddabe6df7515p-8},
    {0x1.67ffffff54339p+6, 0x1.039c4d6b25a4ep-42}, {0x1.67fffffffffffp+6, 0x1.2997bce943f05p-67},
    {90, 0}, {91.573, 0}, {180, 0}, {-30, 0x1.425ef883fe1e9p+6},
  });
}

TEST(JulianDay, AtZeroHours) {
  const struct { int y, m, d; double want; } rows[] = {
    {2000, 2, 29, 2451603.5}, {2000, 3, 1, 2451604.5}, {2025, 7, 24, 2460880.5},
    {1900, 2, 28, 2415078.5}, {1900, 3, 1, 2415079.5}, {1700, 3, 1, 2342031.5},
    {1582, 10, 4, 2299149.5}, {100, 1, 1, 1757584.5}, {9999, 12, 31, 5373483.5},
    {0, 3, 1, 1721119.5}, {-1, 3, 1, 1720753.5}, {-101, 3, 1, 1684229.5}, {-4713, 1, 1, -327.5},
  };
  for (const auto& r : rows) EXPECT_EQ(JulianDay(r.y, r.m, r.d), r.want) << r.y << "-" << r.m;
}

TEST(DegreeTrig, FifteenDigitPiSaturationAndQuadrants) {
  ExpectExact({
    {ASinD(1), 90}, {ASinD(1.5), 90}, {ASinD(-1), -90}, {ASinD(-7), -90},
    {ASinD(0.5), 0x1.e000000000009p+4}, {ACosD(1), 0}, {ACosD(2), 0}, {ACosD(-1), 180},
    {ACosD(-2), 180}, {ACosD(0), 0x1.6800000000006p+6}, {ATan2D(0, 0), 0}, {ATan2D(1, 0), 90},
    {ATan2D(-1, 0), -90}, {ATan2D(0, -1), 0}, {ATan2D(-0.0, -1), 0},
    {ATan2D(1, 1), 0x1.6800000000006p+5}, {ATan2D(1, -1), 0x1.0dffffffffffep+7},
    {ATan2D(-1, -1), -0x1.0dffffffffffep+7}, {DegToRad(180), 0x1.921fb54442d11p+1},
    {RadToDeg(0x1.921fb54442d11p+1), 180}, {SinD(180), 0x1.d1a62633145cp-49},
    {CosD(90), 0x1.d1a62633145cp-50}, {TanD(90), 0x1.197b7e0796822p+49},
  });
  EXPECT_TRUE(std::isnan(ASinD(kNan)) && std::isnan(ACosD(kNan)) && std::isnan(SinD(kInf)));
}

TEST(SunPositionAndSunriseSunset, OutsideTheCalendarThrowAndLeaveTheOutputs) {
  double a = 7, b = 8;
  EXPECT_THROW(SunPosition(Moment(100, 1, 1), 0, 0, 1, a, b), CalendarRangeError);
  EXPECT_THROW(SunPosition(Moment(2025, 1, 1), 0, 0, kNan, a, b), CalendarRangeError);
  EXPECT_THROW(SunriseSunset(Moment(9999, 12, 31, 12), 0, -170, 0, a, b), CalendarRangeError);
  EXPECT_THROW(SunriseSunset(Moment(2025, 1, 1), kNan, 0, 0, a, b), CalendarRangeError);
  EXPECT_TRUE(a == 7 && b == 8);
  // A site that is not finite gives no elevation, without failing.
  for (const auto& [lat, lon] : {std::array{kNan, 0.0}, {0.0, kInf}}) {
    SunPosition(Moment(2025, 7, 24, 14), lat, lon, 0, a, b);
    EXPECT_TRUE(std::isnan(b));
  }
}

std::array<int, 6> Parts(double serial) {
  const DateParts p = SerialToParts(serial);
  return {p.year, p.month, p.day, p.hour, p.minute, p.second};
}

TEST(Calendar, SerialsOnOneScaleOverTheWholeRange) {
  ExpectExact({{DateSerial(1899, 12, 30), 0.0}, {DateSerial(1900, 1, 1), 2.0},
               {DateSerial(100, 1, 1), kFirstSerial}, {DateSerial(9999, 12, 31) + 1, kEndSerial},
               {DatePart(-0.25), -1.0}});
  EXPECT_EQ(Parts(-0.25), (std::array{1899, 12, 29, 18, 0, 0}));
  EXPECT_EQ(Parts(Moment(2024, 12, 31, 23, 59, 59.6)), (std::array{2025, 1, 1, 0, 0, 0}));
  for (double day = kFirstSerial; day < kEndSerial; day += 89) {
    const std::array<int, 6> p = Parts(day + TimeSerial(17, 23, 41));
    ASSERT_EQ(DateSerial(p[0], p[1], p[2]), day);
    ASSERT_EQ((std::array{p[3], p[4], p[5]}), (std::array{17, 23, 41})) << day;
  }
}

TEST(Calendar, UniversalTimeIsTheLocalTimeLessTheExactOffset) {
  const double t = Moment(2025, 7, 24, 14);
  ExpectExact({{UniversalOfLocal(t, 2), Moment(2025, 7, 24, 12)},
               {UniversalOfLocal(t, 5.5), Moment(2025, 7, 24, 8, 30)},
               {UniversalOfLocal(t, 5.75), Moment(2025, 7, 24, 8, 15)},
               {UniversalOfLocal(t, -3.5), Moment(2025, 7, 24, 17, 30)},
               {UniversalOfLocal(t, 0.01), Moment(2025, 7, 24, 13, 59, 24)},
               {UniversalOfLocal(t, -0.5 / 3600), Moment(2025, 7, 24, 14, 0, 1)},
               {UniversalOfLocal(Moment(2025, 1, 1, 0, 30), 1), Moment(2024, 12, 31, 23, 30)},
               {UniversalOfLocal(-0.25, -6), 0}, {UniversalOfLocal(kFirstSerial, 0), kFirstSerial},
               {UniversalOfLocal(kEndSerial - 2.0 / 24, -1), kEndSerial - 1.0 / 24}});
  EXPECT_EQ(ZoneOffsetSeconds(5.75), 20700);
  EXPECT_EQ(ZoneOffsetSeconds(-0.5 / 3600), -1);
  EXPECT_THROW(UniversalOfLocal(t, -1e300), CalendarRangeError);
}

TEST(Calendar, InvalidDatesAndRangeLimitsThrow) {
  EXPECT_NO_THROW(DateSerial(2000, 2, 29));
  for (const auto& [y, m, d] : {std::array{1900, 2, 29}, {2024, 2, 30}, {2025, 0, 1},
                                {2025, 13, 1}, {2025, 1, 0}, {99, 12, 31}, {10000, 1, 1}}) {
    EXPECT_THROW(DateSerial(y, m, d), CalendarRangeError) << y << "-" << m << "-" << d;
  }
  const int lastDay[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};  // of 2025's months
  for (int m = 1; m <= 12; ++m) {
    EXPECT_THROW(DateSerial(2025, m, lastDay[m - 1] + 1), CalendarRangeError) << m;
  }
  EXPECT_EQ(Parts(Moment(9999, 12, 31, 23, 59, 59)), (std::array{9999, 12, 31, 23, 59, 59}));
  EXPECT_THROW(SerialToParts(Moment(9999, 12, 31, 23, 59, 59.6)), CalendarRangeError);
  EXPECT_THROW(SerialToParts(kEndSerial), CalendarRangeError);
  EXPECT_THROW(SerialToParts(kFirstSerial - 1e-6), CalendarRangeError);
  EXPECT_THROW(UniversalOfLocal(kFirstSerial, 1), CalendarRangeError);
  EXPECT_THROW(UniversalOfLocal(kEndSerial - 1.0 / 24, -1), CalendarRangeError);
  for (double bad : {kNan, kInf, -kInf}) {
    EXPECT_FALSE(InCalendarRange(bad));
    EXPECT_THROW(SerialToParts(bad), CalendarRangeError);
    EXPECT_THROW(UniversalOfLocal(bad, 1), CalendarRangeError);
    EXPECT_THROW(UniversalOfLocal(0, bad), CalendarRangeError);
  }
}

}  // namespace
}  // namespace halvessa::geometry
