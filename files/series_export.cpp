#include "files/series_export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "geometry/calendar.h"
#include "pipeline/in_order.h"
#include "series/grid.h"

namespace halvessa::files {

namespace {

constexpr std::size_t kFlushAt = 1 << 20;  // hand over about a megabyte at a time

void TwoDigits(std::string& out, int v) {
  out += static_cast<char>('0' + v / 10);
  out += static_cast<char>('0' + v % 10);
}

}  // namespace

std::string OffsetText(std::int64_t offsetSeconds) {
  const std::int64_t magnitude = offsetSeconds < 0 ? -offsetSeconds : offsetSeconds;
  std::string out(1, offsetSeconds < 0 ? '-' : '+');
  TwoDigits(out, static_cast<int>(magnitude / 3600 % 100));
  out += ':';
  TwoDigits(out, static_cast<int>(magnitude / 60 % 60));
  if (magnitude % 60 != 0) {
    out += ':';
    TwoDigits(out, static_cast<int>(magnitude % 60));
  }
  return out;
}

// --- Numbers ---------------------------------------------------------------------------

namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t kPow10[20] = {1ULL,
                                      10ULL,
                                      100ULL,
                                      1000ULL,
                                      10000ULL,
                                      100000ULL,
                                      1000000ULL,
                                      10000000ULL,
                                      100000000ULL,
                                      1000000000ULL,
                                      10000000000ULL,
                                      100000000000ULL,
                                      1000000000000ULL,
                                      10000000000000ULL,
                                      100000000000000ULL,
                                      1000000000000000ULL,
                                      10000000000000000ULL,
                                      100000000000000000ULL,
                                      1000000000000000000ULL,
                                      10000000000000000000ULL};

constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

int DecimalLength(std::uint64_t v) {
  const int t = ((64 - __builtin_clzll(v | 1)) * 1233) >> 12;  // floor(log10 2^bits)
  return v == 0 ? 1 : t + (v >= kPow10[t]);
}

void PutPair(unsigned pair, char* at) { std::memcpy(at, kPairs + 2 * pair, 2); }

// The n decimal digits of v (n at least its length), leading zeros included: by eight at a
// time, each eight as two fours, so that the divisions do not wait on each other.
char* PutDigits(std::uint64_t v, int n, char* out) {
  char* p = out + n;
  while (p - out >= 8) {
    const auto eight = static_cast<std::uint32_t>(v % 100000000);
    v /= 100000000;
    p -= 8;
    const std::uint32_t high = eight / 10000;
    const std::uint32_t low = eight % 10000;
    PutPair(high / 100, p);
    PutPair(high % 100, p + 2);
    PutPair(low / 100, p + 4);
    PutPair(low % 100, p + 6);
  }
  auto rest = static_cast<std::uint32_t>(v);
  while (p - out >= 2) {
    p -= 2;
    PutPair(rest % 100, p);
    rest /= 100;
  }
  if (p != out) *--p = static_cast<char>('0' + rest);
  return out + n;
}

char* PutUnsigned(std::uint64_t v, char* out) { return PutDigits(v, DecimalLength(v), out); }

// std::to_chars, and no minus before a text of zeros.
char* Fallback(double value, int decimals, char* out) {
  const auto result = decimals < 0 ? std::to_chars(out, out + kNumberMax, value)
                                   : std::to_chars(out, out + kNumberMax, value,
                                                   std::chars_format::fixed, decimals);
  if (*out == '-' && std::all_of(out + 1, result.ptr, [](char c) { return c == '0' || c == '.'; })) {
    std::memmove(out, out + 1, static_cast<std::size_t>(result.ptr - out - 1));
    return result.ptr - 1;
  }
  return result.ptr;
}

}  // namespace

// The shortest text: zero and small whole numbers directly; values from 2^-9 to 2^53 (not
// powers of two, whose lower neighbour is nearer) by exact integer arithmetic; the rest by
// std::to_chars. For v = m 2^e, x = v 10^k lies in [10^16, 2 10^17) and the doubles' halfway
// points around it are x -+ 10^k 2^(e-1), 1.1 to 45 apart: the integers between them are the
// 17-digit texts that read back as v. Of the multiples of the highest power of ten among them
// (the fewest digits), the one nearest x is taken, on a tie the even one; then the fixed or
// the scientific form, whichever is shorter (fixed on a tie), as std::to_chars does.
char* ShortestText(double value, char* out) {
  if (value == 0) {
    *out = '0';
    return out + 1;
  }
  const double magnitude = std::fabs(value);
  if (magnitude < 1e5 && magnitude == std::trunc(magnitude)) {  // fixed is never longer here
    if (value < 0) *out++ = '-';
    return PutUnsigned(static_cast<std::uint64_t>(magnitude), out);
  }
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const auto field = static_cast<int>(bits >> 52 & 0x7ff);
  const std::uint64_t fraction = bits & ((1ULL << 52) - 1);
  const int e = field - 1075;
  if (fraction == 0 || e < -61 || e > 0) return Fallback(value, -1, out);
  const std::uint64_t m = fraction | 1ULL << 52;
  const int k = 16 - (((e + 52) * 78913) >> 18);  // 16 - floor(log10 2^(e+52)), 1 to 19
  const int shift = 1 - e;                        // x = X / 2^shift
  const Wide mask = (Wide{1} << shift) - 1;
  const Wide x = Wide{m} * kPow10[k] << 1;
  const Wide low = x - kPow10[k];
  const Wide high = x + kPow10[k];
  const bool inclusive = (m & 1) == 0;  // an even m takes its halfway points
  std::uint64_t lowest = static_cast<std::uint64_t>((low + mask) >> shift);
  std::uint64_t highest = static_cast<std::uint64_t>(high >> shift);
  if (!inclusive && (low & mask) == 0) ++lowest;
  if (!inclusive && (high & mask) == 0) --highest;
  // The integers from lowest to highest are fewer than 45: at most one multiple of 100.
  const auto whole = static_cast<std::uint64_t>(x >> shift);
  const auto nearest = [&](std::uint64_t p) {  // of the multiples of p around x
    const std::uint64_t below = whole / p * p;
    if (below < lowest) return below + p;
    if (below + p > highest) return below;
    // Twice the distance to below against p, in units of 2^-shift; a tie goes to the even.
    const Wide twice = (Wide{whole - below} << (shift + 1)) + ((x & mask) << 1);
    const Wide step = Wide{p} << shift;
    return twice > step || (twice == step && (below / p) % 2 == 1) ? below + p : below;
  };
  std::uint64_t digits;
  int j;  // digits dropped
  if (const std::uint64_t hundreds = highest / 100 * 100; hundreds >= lowest) {
    digits = hundreds / 100, j = 2;
  } else if (highest / 10 * 10 >= lowest) {
    digits = nearest(10) / 10, j = 1;
  } else {
    digits = nearest(1), j = 0;
  }
  while (digits % 10 == 0) digits /= 10, ++j;
  const int n = DecimalLength(digits);
  const int exponent = n - 1 + j - k;  // of the scientific form
  const int scientific = n + (n > 1) + 4;
  const int fixed = exponent >= n - 1 ? exponent + 1 : exponent >= 0 ? n + 1 : n + 1 - exponent;
  if (value < 0) *out++ = '-';
  if (scientific < fixed) {
    out = PutDigits(digits, n, out + 1);
    out[-n - 1] = out[-n];
    if (n > 1) out[-n] = '.';
    if (n == 1) --out;
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    return PutDigits(static_cast<std::uint64_t>(exponent < 0 ? -exponent : exponent), 2, out);
  }
  if (exponent >= n - 1) {  // a whole number: exact below 2^53
    out = PutDigits(digits, n, out);
    std::memset(out, '0', static_cast<std::size_t>(exponent - n + 1));
    return out + (exponent - n + 1);
  }
  if (exponent >= 0) {  // the digits one further on, those before the point moved back
    char* end = PutDigits(digits, n, out + 1);
    for (int i = 0; i <= exponent; ++i) out[i] = out[i + 1];
    out[exponent + 1] = '.';
    return end;
  }
  std::memcpy(out, "0.", 2);
  std::memset(out + 2, '0', static_cast<std::size_t>(-exponent - 1));
  return PutDigits(digits, n, out + 1 - exponent);
}

// Fixed decimals: below 2^53 the value times 10^decimals rounded to an integer exactly (half
// to even, as the value's binary digits decide), then split at the point; the rest by
// std::to_chars.
char* FixedText(double value, int decimals, char* out) {
  if (!(std::fabs(value) < 9007199254740992.0) || decimals < 0 || decimals > 17) {
    return Fallback(value, decimals, out);
  }
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const auto field = static_cast<int>(bits >> 52 & 0x7ff);
  const std::uint64_t fraction = bits & ((1ULL << 52) - 1);
  const std::uint64_t m = field == 0 ? fraction : fraction | 1ULL << 52;
  const int shift = field == 0 ? 1074 : 1075 - field;  // value = m / 2^shift, shift >= 0
  const Wide scaled = Wide{m} * kPow10[decimals];     // below 2^110
  Wide q = 0;
  if (shift == 0) {
    q = scaled;
  } else if (shift < 112) {
    q = scaled >> shift;
    const Wide rest = scaled & ((Wide{1} << shift) - 1);
    const Wide half = Wide{1} << (shift - 1);
    if (rest > half || (rest == half && (q & 1) != 0)) ++q;
  }
  if (q >> 64 != 0) return Fallback(value, decimals, out);
  const auto n = static_cast<std::uint64_t>(q);
  if (n != 0 && value < 0) *out++ = '-';
  out = PutUnsigned(n / kPow10[decimals], out);
  if (decimals == 0) return out;
  *out++ = '.';
  return PutDigits(n % kPow10[decimals], decimals, out);
}

// --- Rows ------------------------------------------------------------------------------

namespace {

using Source = SeriesText::Source;
using Values = const double* (*)(const Source&, int);

// The columns, by name ("panelN_" before a panel's).
struct ColumnKind {
  const char* name;
  Values values;
};
constexpr ColumnKind kSunColumns[] = {
    {"sun_azimuth", [](const Source& s, int) { return s.sun.azimuth.data(); }},
    {"sun_elevation", [](const Source& s, int) { return s.sun.elevation.data(); }}};
constexpr ColumnKind kPanelColumns[] = {
    {"aoi", [](const Source& s, int p) { return s.sun.aoi[p].data(); }},
    {"production", [](const Source& s, int p) { return s.sun.production[p].data(); }}};
constexpr ColumnKind kSkyColumns[] = {
    {"ghi", [](const Source& s, int) { return s.sky->ghi.data(); }},
    {"dni", [](const Source& s, int) { return s.sky->dni.data(); }},
    {"dhi", [](const Source& s, int) { return s.sky->dhi.data(); }}};
constexpr ColumnKind kSkyPanelColumns[] = {
    {"poa", [](const Source& s, int p) { return s.sky->poa[p].data(); }}};
constexpr ColumnKind kAirColumns[] = {
    {"temp_air", [](const Source& s, int) { return s.weather->tempAir.data(); }},
    {"wind_speed", [](const Source& s, int) { return s.weather->windSpeed.data(); }},
    {"albedo", [](const Source& s, int) { return s.weather->albedo.data(); }}};
constexpr ColumnKind kPowerColumns[] = {
    {"cell_temp", [](const Source& s, int p) { return s.weather->cell[p].data(); }},
    {"dc", [](const Source& s, int p) { return s.weather->dc[p].data(); }},
    {"ac", [](const Source& s, int p) { return s.weather->ac[p].data(); }}};
constexpr ColumnKind kSystemColumns[] = {
    {"system_ac", [](const Source& s, int) { return s.weather->systemAc.data(); }}};

}  // namespace

SeriesText::SeriesText(const SeriesLayout& layout) : layout_(layout) {
  const bool csv = layout_.format == SeriesFormat::kCsv;
  const auto add = [&](const ColumnKind& kind, int panel, bool sky) {
    const std::string name =
        panel < 0 ? kind.name : "panel" + std::to_string(panel + 1) + "_" + kind.name;
    const std::string key = csv ? std::string(",") : ",\"" + name + "\":";
    Column column{name, {}, key.size(), kind.values, panel, sky};
    if (key.size() > column.key.size()) throw std::logic_error("a column's name is too long");
    key.copy(column.key.data(), column.key.size());
    columns_.push_back(column);
  };
  const auto addAll = [&](const auto& kinds, bool perPanel, bool sky) {
    if (!perPanel) {
      for (const ColumnKind& kind : kinds) add(kind, -1, sky);
      return;
    }
    for (int p = 0; p < kPanelCount; ++p) {
      if (!InUse(layout_.panels[p])) continue;
      for (const ColumnKind& kind : kinds) add(kind, p, sky);
    }
  };
  addAll(kSunColumns, false, false);
  addAll(kPanelColumns, true, false);
  if (layout_.weather) {
    addAll(kSkyColumns, false, false);
    addAll(kAirColumns, false, false);
    for (int p = 0; p < kPanelCount; ++p) {
      if (!InUse(layout_.panels[p])) continue;
      for (const ColumnKind& kind : kSkyPanelColumns) add(kind, p, false);
      for (const ColumnKind& kind : kPowerColumns) add(kind, p, false);
    }
    addAll(kSystemColumns, false, false);
  } else if (layout_.clearSky) {
    addAll(kSkyColumns, false, true);
    addAll(kSkyPanelColumns, true, true);
  }
  values_.resize(columns_.size());
  rowMax_ = 64;  // the time and the row's ends
  for (const Column& c : columns_) rowMax_ += c.key.size() + kNumberMax;  // whole keys copied
}

void SeriesText::head(Buffer& out) const {
  std::string text;
  const auto number = [&text](double v) {
    char digits[kNumberMax];
    text.append(digits, ShortestText(v, digits));
  };
  if (layout_.format == SeriesFormat::kCsv) {
    text = "time";
    for (const Column& c : columns_) text += "," + c.name;
    text += "\r\n";
    out.append(text);
    return;
  }
  text = "{\"site\":{\"latitude\":";
  number(layout_.latitude);
  text += ",\"longitude\":";
  number(layout_.longitude);
  if (layout_.zoneName.empty()) {
    text += ",\"timezone\":";
    number(layout_.timeZone);
  } else {
    // Zone names are ASCII letters, digits, "/", "_", "-" and "+": nothing to escape.
    text += ",\"timezone_name\":\"" + layout_.zoneName + "\"";
  }
  text += "},\"step_seconds\":" + std::to_string(layout_.stepSeconds) + ",\"panels\":[";
  bool first = true;
  for (int p = 0; p < kPanelCount; ++p) {
    if (!InUse(layout_.panels[p])) continue;
    text += first ? "" : ",";
    first = false;
    text += "{\"number\":" + std::to_string(p + 1) + ",\"azimuth\":";
    number(layout_.panels[p].Azimuth);
    text += ",\"tilt\":";
    number(layout_.panels[p].Tilt);
    text += '}';
  }
  text += "],\"rows\":[";
  out.append(text);
}

void SeriesText::end(Buffer& out) const {
  if (layout_.format == SeriesFormat::kJson) out.append("]}\n");
}

void SeriesText::rows(const series::Block& block, const series::SkyBlock* sky, bool first,
                      Buffer& out) {
  if (layout_.weather) throw std::logic_error("a weather series is written from its pipeline blocks");
  rows(Source{block, sky, nullptr}, block.size, first, out);
}

void SeriesText::rows(const pipeline::Block& block, bool first, Buffer& out) {
  rows(Source{block.sun, &block.sky, layout_.weather ? &block : nullptr}, block.sun.size, first, out);
}

void SeriesText::rows(const Source& source, std::size_t size, bool first, Buffer& out) {
  const series::Block& block = source.sun;
  const bool csv = layout_.format == SeriesFormat::kCsv;
  const bool withSky = layout_.clearSky && source.sky != nullptr;
  // Where each column's values are in this block.
  std::size_t count = 0;
  for (const Column& c : columns_) {
    if (c.sky && !withSky) continue;
    values_[count++] = c.values(source, c.panel);
  }
  for (std::size_t i = 0; i < size; ++i) {
    char* o = out.room(rowMax_);
    // The local time: its date text is made once a day.
    const std::int64_t local = block.localSecond[i];
    const std::int64_t day = DayOfSecond(local);
    if (day != dateDay_) {
      const DateParts d = SerialToParts(SerialOfSecond(day * 86400));
      std::snprintf(dateText_, sizeof dateText_, "%04d-%02d-%02dT", d.year, d.month, d.day);
      dateDay_ = day;
    }
    const auto second = static_cast<int>(local - day * 86400);
    if (!csv) {
      if (!first || i > 0) *o++ = ',';
      std::memcpy(o, "{\"time\":\"", 9);
      o += 9;
    }
    std::memcpy(o, dateText_, 11);
    PutPair(static_cast<unsigned>(second / 3600), o + 11);
    o[13] = ':';
    PutPair(static_cast<unsigned>(second / 60 % 60), o + 14);
    o[16] = ':';
    PutPair(static_cast<unsigned>(second % 60), o + 17);
    o += 19;
    if (block.offsetSecond[i] != offset_) {
      offset_ = block.offsetSecond[i];
      const std::string text = OffsetText(offset_);
      offsetSize_ = text.size();
      std::memcpy(offsetText_, text.data(), offsetSize_);
    }
    std::memcpy(o, offsetText_, sizeof offsetText_);  // a whole copy, the rest overwritten
    o += offsetSize_;
    if (!csv) *o++ = '"';
    std::size_t c = 0;
    for (const Column& column : columns_) {
      if (column.sky && !withSky) continue;
      std::memcpy(o, column.key.data(), sizeof column.key);  // as above
      o += column.keySize;
      const double v = values_[c++][i];
      o = layout_.digits < 0 ? ShortestText(v, o) : FixedText(v, layout_.digits, o);
    }
    if (csv) {
      std::memcpy(o, "\r\n", 2);
      o += 2;
    } else {
      *o++ = '}';
    }
    out.endAt(o);
  }
}

char* SeriesText::Buffer::room(std::size_t n) {
  if (capacity_ - size_ < n) {
    capacity_ = std::max({2 * capacity_, size_ + n, 2 * kFlushAt});  // few copies as it grows
    std::unique_ptr<char[]> bytes(new char[capacity_]);
    if (size_ != 0) std::memcpy(bytes.get(), bytes_.get(), size_);
    bytes_ = std::move(bytes);
  }
  return bytes_.get() + size_;
}

void SeriesText::Buffer::append(std::string_view text) {
  std::memcpy(room(text.size()), text.data(), text.size());
  size_ += text.size();
}

void SeriesLayout::setSite(double latitudeDegrees, double longitudeDegrees,
                           const text::SiteZone& zone,
                           const std::array<PanelGeometry, kPanelCount>& sitePanels) {
  latitude = latitudeDegrees;
  longitude = longitudeDegrees;
  timeZone = zone.isNamed() ? 0 : zone.offsetAtUniversal(0);
  zoneName = zone.name().toStdString();
  panels = sitePanels;
}

// --- The writer --------------------------------------------------------------------------

SeriesWriter::SeriesWriter(const SeriesLayout& layout, OutputSink& sink)
    : text_(layout), sink_(sink) {
  text_.head(buffer_);
}

void SeriesWriter::rows(const series::Block& block, const series::SkyBlock* sky) {
  text_.rows(block, sky, firstRow_, buffer_);
  firstRow_ = firstRow_ && block.size == 0;
  if (buffer_.text().size() >= kFlushAt) flush();
}

void SeriesWriter::rows(const pipeline::Block& block) {
  text_.rows(block, firstRow_, buffer_);
  firstRow_ = firstRow_ && block.sun.size == 0;
  if (buffer_.text().size() >= kFlushAt) flush();
}

void SeriesWriter::flush() {
  sink_.write(buffer_.text());
  buffer_.clear();
}

void SeriesWriter::finish() {
  text_.end(buffer_);
  flush();
}

// --- Both cores ------------------------------------------------------------------------

void WriteSeries(const SeriesLayout& layout, OutputSink& sink, std::int64_t rowCount,
                 const ComputeRows& compute, const std::function<void(double)>& progress) {
  constexpr auto kStretch = static_cast<std::int64_t>(8 * series::kBlock);
  constexpr std::int64_t kAhead = 4;  // stretches made or being made but not yet written
  const std::int64_t stretches = (rowCount + kStretch - 1) / kStretch;
  struct Worker {
    explicit Worker(const SeriesLayout& layout) : text(layout) {}
    SeriesText text;
    std::unique_ptr<series::Block> block = series::MakeBlock();
    std::unique_ptr<series::SkyBlock> sky = std::make_unique<series::SkyBlock>();
  };
  std::array<Worker, 2> workers{Worker(layout), Worker(layout)};
  SeriesText::Buffer head;
  workers[0].text.head(head);
  sink.write(head.text());
  pipeline::MakeInOrder<SeriesText::Buffer>(
      stretches, kAhead,
      [&](std::int64_t k, SeriesText::Buffer& out, int worker) {
        Worker& w = workers[worker];
        out.clear();
        const std::int64_t end = std::min(rowCount, (k + 1) * kStretch);
        for (std::int64_t first = k * kStretch; first < end;
             first += static_cast<std::int64_t>(series::kBlock)) {
          w.block->size = static_cast<std::size_t>(
              std::min<std::int64_t>(static_cast<std::int64_t>(series::kBlock), end - first));
          compute(first, *w.block, *w.sky);
          w.text.rows(*w.block, w.sky.get(), first == 0, out);
        }
      },
      [&](std::int64_t k, SeriesText::Buffer& out) {
        sink.write(out.text());
        if (progress) progress(static_cast<double>(k + 1) / static_cast<double>(stretches));
      });
  SeriesText::Buffer end;
  workers[0].text.end(end);
  sink.write(end.text());
}

}  // namespace halvessa::files
