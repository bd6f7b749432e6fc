// The series as text, byte for byte, against a reference written here: the shortest numbers
// by std::to_chars, decimals by snprintf's "%.*f", never a minus before zeros, dates by the
// civil calendar's day count. Random values of every kind (whole, tiny, huge, subnormal, NaN,
// infinite, negative zero) in every column, both formats, with and without the clear sky, at
// full precision and at 0 to 17 decimals.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "files/series_export.h"

namespace halvessa::files {
namespace {

std::string WithoutMinusZero(std::string s) {
  if (s[0] == '-' && s.find_first_not_of("0.", 1) == std::string::npos) s.erase(0, 1);
  return s;
}

std::string Number(double v, int digits) {
  std::vector<char> text(400);
  if (digits < 0) {
    *std::to_chars(text.data(), text.data() + text.size(), v).ptr = '\0';
  } else {
    std::snprintf(text.data(), text.size(), "%.*f", digits, v);
  }
  return WithoutMinusZero(text.data());
}

// "yyyy-mm-ddThh:mm:ss" of seconds since 1970-01-01 00:00 (days to a civil date in eras of
// 400 years of 146097 days).
std::string LocalText(std::int64_t second) {
  std::int64_t days = second / 86400;
  std::int64_t rest = second % 86400;
  if (rest < 0) rest += 86400, --days;
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t y = yoe + era * 400 + (m <= 2);
  char text[96];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld",
                static_cast<long long>(y), static_cast<long long>(m), static_cast<long long>(d),
                static_cast<long long>(rest / 3600), static_cast<long long>(rest / 60 % 60),
                static_cast<long long>(rest % 60));
  return text;
}

std::string Offset(std::int64_t s) {
  const long long a = std::llabs(s);
  char text[64];
  std::snprintf(text, sizeof text, a % 60 ? "%c%02lld:%02lld:%02lld" : "%c%02lld:%02lld",
                s < 0 ? '-' : '+', a / 3600, a / 60 % 60, a % 60);
  return text;
}

// A value of one of several kinds.
double RandomValue(std::mt19937_64& random) {
  static const double kSpecial[] = {0.0, -0.0, 0.5, 1.5, 2.5, -2.5, 0.145, 1.005, 9.9995,
                                    999.9999999, -1e-7, 1e-7, 1e-5, 123456.0, 1e15, 1e16,
                                    1e17, 1.2345678901234568e+17, 1e22, 9007199254740993.0,
                                    5e-324, std::numeric_limits<double>::max(),
                                    std::numeric_limits<double>::quiet_NaN(),
                                    -std::numeric_limits<double>::quiet_NaN(),
                                    std::numeric_limits<double>::infinity(),
                                    -std::numeric_limits<double>::infinity()};
  std::uniform_real_distribution<double> unit(-1, 1);
  switch (random() % 8) {
    case 0: return kSpecial[random() % std::size(kSpecial)];
    case 1: return std::round(unit(random) * 400);        // whole degrees
    case 2: return unit(random) * 90;                     // an elevation
    case 3: return (unit(random) + 1) * 90;               // an angle of incidence
    case 4: return (unit(random) + 1) * 700;              // light
    case 5: return unit(random) * std::pow(10.0, static_cast<int>(random() % 40) - 20);
    case 6: return std::round(unit(random) * 1e6) / 1000; // few decimals
    default: {
      double v;  // any bits
      const std::uint64_t bits = random();
      std::memcpy(&v, &bits, sizeof v);
      return v;
    }
  }
}

std::unique_ptr<series::Block> RandomBlock(std::mt19937_64& random, series::SkyBlock& sky) {
  auto block = series::MakeBlock();
  block->size = 700;
  const std::int64_t offsets[] = {0, -36, 19800, -34200, 50400, 2048, 3600, 7200};
  std::int64_t local = -3 * 86400;  // from 1969-12-29
  for (std::size_t i = 0; i < block->size; ++i) {
    local += random() % 4 == 0 ? static_cast<std::int64_t>(random() % 4000'000'000'0LL) -
                                     2000'000'000'0LL
                               : static_cast<std::int64_t>(random() % 7200);
    local = std::clamp<std::int64_t>(local, -58'000'000'000LL, 253'000'000'000LL);
    block->localSecond[i] = local;
    block->offsetSecond[i] = offsets[random() % std::size(offsets)];
    block->azimuth[i] = RandomValue(random);
    block->elevation[i] = RandomValue(random);
    sky.ghi[i] = RandomValue(random);
    sky.dni[i] = RandomValue(random);
    sky.dhi[i] = RandomValue(random);
    for (int p = 0; p < kPanelCount; ++p) {
      block->aoi[p][i] = RandomValue(random);
      block->production[p][i] = RandomValue(random);
      sky.poa[p][i] = RandomValue(random);
    }
  }
  return block;
}

// The rows of the block as the reference writes them.
std::string Rows(const SeriesLayout& layout, const series::Block& b, const series::SkyBlock& sky,
                 bool first) {
  const bool csv = layout.format == SeriesFormat::kCsv;
  std::string out;
  for (std::size_t i = 0; i < b.size; ++i) {
    std::vector<std::pair<std::string, double>> fields{{"sun_azimuth", b.azimuth[i]},
                                                       {"sun_elevation", b.elevation[i]}};
    for (int p = 0; p < kPanelCount; ++p) {
      if (!InUse(layout.panels[p])) continue;
      const std::string n = "panel" + std::to_string(p + 1);
      fields.push_back({n + "_aoi", b.aoi[p][i]});
      fields.push_back({n + "_production", b.production[p][i]});
    }
    if (layout.clearSky) {
      fields.insert(fields.end(), {{"ghi", sky.ghi[i]}, {"dni", sky.dni[i]}, {"dhi", sky.dhi[i]}});
      for (int p = 0; p < kPanelCount; ++p) {
        if (InUse(layout.panels[p])) fields.push_back({"panel" + std::to_string(p + 1) + "_poa", sky.poa[p][i]});
      }
    }
    const std::string time = LocalText(b.localSecond[i]) + Offset(b.offsetSecond[i]);
    out += csv ? time : std::string(first && i == 0 ? "" : ",") + "{\"time\":\"" + time + "\"";
    for (const auto& [name, value] : fields) {
      out += csv ? "," : ",\"" + name + "\":";
      out += Number(value, layout.digits);
    }
    out += csv ? "\r\n" : "}";
  }
  return out;
}

TEST(SeriesExport, RowsByteForByteAgainstAReference) {
  std::mt19937_64 random(18);
  auto sky = std::make_unique<series::SkyBlock>();
  SeriesLayout layout;
  layout.panels = {{{151, 45.5}, {0, 0}, {331, 20}, {0, 0}, {0, 0.25}}};
  layout.latitude = 46.2;
  layout.longitude = -6.5;
  layout.timeZone = -9.5;
  layout.stepSeconds = 60;
  const std::string csvHead =
      "time,sun_azimuth,sun_elevation,panel1_aoi,panel1_production,panel3_aoi,"
      "panel3_production,panel5_aoi,panel5_production";
  const std::string jsonHead =
      R"({"site":{"latitude":46.2,"longitude":-6.5,"timezone":-9.5},"step_seconds":60,)"
      R"("panels":[{"number":1,"azimuth":151,"tilt":45.5},{"number":3,"azimuth":331,)"
      R"("tilt":20},{"number":5,"azimuth":0,"tilt":0.25}],"rows":[)";
  int cases = 0;
  for (const SeriesFormat format : {SeriesFormat::kCsv, SeriesFormat::kJson}) {
    for (const bool clearSky : {false, true}) {
      for (int digits = -1; digits <= 17; ++digits) {
        layout.format = format;
        layout.clearSky = clearSky;
        layout.digits = digits;
        StringSink sink;
        SeriesWriter writer(layout, sink);
        const auto a = RandomBlock(random, *sky);
        const auto b = RandomBlock(random, *sky);  // both blocks take this sky
        writer.rows(*a, sky.get());
        writer.rows(*b, sky.get());
        writer.finish();
        std::string expected = Rows(layout, *a, *sky, true) + Rows(layout, *b, *sky, false);
        if (format == SeriesFormat::kCsv) {
          expected = csvHead + (clearSky ? ",ghi,dni,dhi,panel1_poa,panel3_poa,panel5_poa" : "") +
                     "\r\n" + expected;
        } else {
          expected = jsonHead + expected + "]}\n";
        }
        ASSERT_EQ(sink.text(), expected) << "digits " << digits << " clear sky " << clearSky;
        ++cases;
      }
    }
  }
  EXPECT_EQ(cases, 76);
  // A zone by its name.
  layout.zoneName = "America/Argentina/Buenos_Aires";
  StringSink sink;
  SeriesWriter(layout, sink).finish();
  EXPECT_TRUE(sink.text().starts_with(R"({"site":{"latitude":46.2,"longitude":-6.5,)"
                                      R"("timezone_name":"America/Argentina/Buenos_Aires"},)"));
}

// The numbers alone against std::to_chars (shortest, and fixed to 0 to 17 decimals, without
// a minus before zeros): short decimals and their neighbours, powers of two and halves, and
// any bits.
TEST(SeriesExport, NumbersAsToChars) {
  std::mt19937_64 random(1);
  int differences = 0;
  const auto check = [&](double v, int digits) {
    char ours[kNumberMax + 1], theirs[kNumberMax + 1];
    *(digits < 0 ? ShortestText(v, ours) : FixedText(v, digits, ours)) = '\0';
    *(digits < 0 ? std::to_chars(theirs, theirs + kNumberMax, v)
                 : std::to_chars(theirs, theirs + kNumberMax, v, std::chars_format::fixed, digits))
         .ptr = '\0';
    if (WithoutMinusZero(theirs) != ours && ++differences < 10) ADD_FAILURE() << v << " " << ours;
  };
  for (int i = 0; i < 200000; ++i) {
    const double decimal = static_cast<double>(random() % 100000000) /
                           std::pow(10.0, static_cast<int>(random() % 12)) * (i % 2 ? 1 : -1);
    const double power = std::ldexp(1 + static_cast<double>(random() % 8) / 8,
                                    static_cast<int>(random() % 80) - 40);
    for (const double v : {decimal, std::nextafter(decimal, 1e300), std::nextafter(decimal, -1e300),
                           power, power + 0.5, RandomValue(random)}) {
      check(v, -1);
      check(v, static_cast<int>(random() % 18));
    }
  }
  EXPECT_EQ(differences, 0);
}

// A series on both cores: stretches made side by side come out in order, as one writer
// writes them; what the sink or the computation throws comes back, and the work ends.
TEST(SeriesExport, WrittenOnBothCores) {
  SeriesLayout layout;
  layout.panels[0] = {180, 30};
  layout.clearSky = true;
  const std::int64_t rows = 8 * 1024 * 9 + 123;  // nine stretches and part of a tenth
  const auto compute = [](std::int64_t first, series::Block& block, series::SkyBlock& sky) {
    block.size = std::min<std::size_t>(block.size, static_cast<std::size_t>(rows - first));
    for (std::size_t i = 0; i < block.size; ++i) {
      const auto k = first + static_cast<std::int64_t>(i);
      block.localSecond[i] = k * 61;
      block.offsetSecond[i] = k / 5000 % 2 * 3600;
      block.azimuth[i] = block.aoi[0][i] = static_cast<double>(k) / 7;
      block.elevation[i] = block.production[0][i] = 1.0 / static_cast<double>(k + 1);
      sky.ghi[i] = sky.dni[i] = sky.dhi[i] = sky.poa[0][i] = static_cast<double>(k) * 0.1;
    }
  };
  for (const SeriesFormat format : {SeriesFormat::kCsv, SeriesFormat::kJson}) {
    layout.format = format;
    StringSink one;
    SeriesWriter writer(layout, one);
    auto block = series::MakeBlock();
    auto sky = std::make_unique<series::SkyBlock>();
    for (std::int64_t first = 0; first < rows; first += series::kBlock) {
      block->size = series::kBlock;
      compute(first, *block, *sky);
      writer.rows(*block, sky.get());
    }
    writer.finish();
    StringSink both;
    std::vector<double> progress;
    WriteSeries(layout, both, rows, compute, [&](double f) { progress.push_back(f); });
    EXPECT_EQ(both.text(), one.text());
    EXPECT_EQ(progress.size(), 10u);
    EXPECT_EQ(progress.back(), 1.0);
  }
  // A sink that fails at its fourth write; a computation that fails in the sixth stretch.
  struct Failing : OutputSink {
    int writes = 0;
    void write(std::string_view) override {
      if (++writes == 4) throw OutputError("disk full");
    }
  } failing;
  EXPECT_THROW(WriteSeries(layout, failing, rows, compute), OutputError);
  StringSink sink;
  EXPECT_THROW(WriteSeries(layout, sink, rows,
                           [&](std::int64_t first, series::Block& b, series::SkyBlock& s) {
                             if (first >= 5 * 8192) throw std::range_error("outside");
                             compute(first, b, s);
                           }),
               std::range_error);
}

}  // namespace
}  // namespace halvessa::files
