#include "files/weather.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "files/read_file.h"
#include "geometry/calendar.h"
#include "text/numbers.h"

namespace halvessa::files {
namespace {

using site::kAbsent;
using site::Weather;
using site::WeatherFormat;
using site::WeatherRow;
using std::string_view;

// A refusal on its way up to ParseWeather: the line (0 for the whole file) and the reason.
struct Refusal {
  long line;
  QString reason;
};

[[noreturn]] void Refuse(long line, const QString& reason) { throw Refusal{line, reason}; }

// A file's text quoted for a message: control characters as "?", long texts cut.
QString Quoted(string_view text) {
  constexpr std::size_t kShown = 40;
  std::string shown(text.substr(0, kShown));
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  if (text.size() > kShown) shown += "...";
  return QLatin1Char('"') + QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size())) +
         QLatin1Char('"');
}

QString Latin(string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

string_view Trim(string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool StartsWith(string_view s, string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// The lines of a text, with their numbers from 1, a final "\r" dropped.
class Lines {
 public:
  explicit Lines(string_view text) : rest_(text) {}
  bool next(string_view& line) {
    if (done_) return false;
    const std::size_t end = rest_.find('\n');
    line = rest_.substr(0, end);
    if (end == string_view::npos) {
      done_ = true;
      if (line.empty()) return false;  // the text ended with its last line's "\n"
    } else {
      rest_.remove_prefix(end + 1);
    }
    ++number_;
    if (line.size() > kMaxWeatherLine)
      Refuse(number_, QStringLiteral("longer than %1 characters").arg(kMaxWeatherLine));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }
  long number() const { return number_; }

 private:
  string_view rest_;
  long number_ = 0;
  bool done_ = false;
};

void Split(string_view line, std::vector<string_view>& fields) {
  fields.clear();
  for (;;) {
    const std::size_t comma = line.find(',');
    fields.push_back(line.substr(0, comma));
    if (comma == string_view::npos) return;
    line.remove_prefix(comma + 1);
  }
}

// A number of the text with blanks around it allowed, or nullopt (text::PlainNumber).
std::optional<double> Number(string_view text) { return text::PlainNumber(Trim(text)); }

// What a column holds: its name for messages, its range, the value at and above which it is
// missing (infinity when no code), and whether values from its low end up to 0 read as 0 (a
// radiometer's offset at night).
struct Quantity {
  const char* name;
  double low, high;
  double missingFrom;
  bool nightOffset = false;
};

constexpr double kNoCode = std::numeric_limits<double>::infinity();

// A value of a quantity, written as field (empty: the value as a number) for messages: NaN
// when missing, refused out of range.
double Checked(double value, string_view field, const Quantity& q, long line) {
  if (value >= q.missingFrom) return kAbsent;
  if (value < q.low || value > q.high)
    Refuse(line, QStringLiteral("%1 is out of range for %2 (%3 to %4)")
                     .arg(field.empty() ? QString::number(value) : Quoted(field), q.name)
                     .arg(q.low).arg(q.high));
  return q.nightOffset && value < 0 ? 0.0 : value;
}

// The value of a field: NaN when empty; refused when not a number.
double Value(string_view field, const Quantity& q, long line) {
  if (Trim(field).empty()) return kAbsent;
  const std::optional<double> value = Number(field);
  if (!value) Refuse(line, QStringLiteral("%1 is not a number (%2)").arg(Quoted(field), q.name));
  return Checked(*value, Trim(field), q, line);
}

Quantity Irradiance(const char* name, double missingFrom = kNoCode) { return {name, -10, 2000, missingFrom, true}; }
Quantity Temperature(const char* name, double missingFrom = kNoCode) { return {name, -90, 70, missingFrom}; }
Quantity Wind(const char* name, double missingFrom = kNoCode) { return {name, 0, 100, missingFrom}; }
Quantity Albedo(const char* name, double missingFrom = kNoCode) { return {name, 0, 1, missingFrom}; }

bool LeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && LeapYear(y) ? 29 : kDays[m - 1];
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar (valid dates only).
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// A clock time as a file writes it: a date and the second of the day its interval starts.
struct Stamp {
  int year, month, day;
  int second;
};

void CheckDate(const Stamp& s, long line) {
  if (s.year < 1 || s.year > 9999 || s.month < 1 || s.month > 12 || s.day < 1 ||
      s.day > DaysInMonth(s.year, s.month))
    Refuse(line, QStringLiteral("%1-%2-%3 is not a date")
                     .arg(s.year, 4, 10, QLatin1Char('0')).arg(s.month, 2, 10, QLatin1Char('0'))
                     .arg(s.day, 2, 10, QLatin1Char('0')));
}

std::int64_t SecondsOf(const Stamp& s) {
  return DaysFromCivil(s.year, s.month, s.day) * 86400 + s.second;
}

// Digits [from, from + count) of text as a number, or -1.
int Digits(string_view text, std::size_t from, std::size_t count) {
  if (from + count > text.size()) return -1;
  int value = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// The rows as they come: checks their order and step, and fills the interval of each.
class Rows {
 public:
  Rows(Weather& weather, std::int32_t step) : weather_(weather), step_(step) {}

  // A row whose interval starts at stamp in the file's clock, offsetSeconds east of universal
  // time. Returns the row to fill.
  WeatherRow& add(const Stamp& stamp, std::int64_t offsetSeconds, long line) {
    auto& rows = weather_.rows;
    if (rows.size() >= kMaxWeatherRows)
      Refuse(line, QStringLiteral("more than %1 rows").arg(kMaxWeatherRows));
    const std::int64_t start = SecondsOf(stamp) - offsetSeconds;
    if (!rows.empty()) {
      std::int64_t spacing = start - rows.back().start;
      if (stamp.year != last_.year && stamp.month > last_.month) {
        // A typical year's next month from another year: spaced within the year as written.
        weather_.typicalYear = true;
        Stamp here = stamp;
        here.year = last_.year;
        spacing = SecondsOf(here) - SecondsOf(last_);
      }
      if (spacing == 0) Refuse(line, QStringLiteral("repeats the previous row's time"));
      if (spacing < 0) Refuse(line, QStringLiteral("its time is before the previous row's"));
      if (step_ == 0) {
        if (spacing > 3600)
          Refuse(line, QStringLiteral("%1 s after the first row: hourly or finer steps are read")
                           .arg(spacing));
        step_ = static_cast<std::int32_t>(spacing);
        rows.back().length = step_;
      } else if (spacing % step_ != 0) {
        Refuse(line, QStringLiteral("%1 s after the previous row, not a multiple of the step (%2 s)")
                         .arg(spacing).arg(step_));
      }
    }
    last_ = stamp;
    rows.push_back(WeatherRow{start, step_});
    return rows.back();
  }

  void finish() const {
    if (weather_.rows.empty()) Refuse(0, QStringLiteral("holds no rows"));
    if (step_ == 0) Refuse(0, QStringLiteral("holds one row: its step is not known"));
  }

 private:
  Weather& weather_;
  std::int32_t step_;
  Stamp last_{};
};

// The number after the first ":" of a header line.
double HeaderNumber(string_view line, long number, double low, double high) {
  const string_view text = line.substr(line.find(':') + 1);
  const std::optional<double> value = Number(text);
  if (!value || *value < low || *value > high)
    Refuse(number, QStringLiteral("%1 is not a number from %2 to %3").arg(Quoted(Trim(text))).arg(low).arg(high));
  return *value;
}

// The column of a header's field named name, or -1.
int Column(const std::vector<string_view>& header, string_view name) {
  for (std::size_t i = 0; i < header.size(); ++i)
    if (Trim(header[i]) == name) return static_cast<int>(i);
  return -1;
}

// A PVGIS stamp "YYYYMMDD:HHMM", universal time.
Stamp PvgisStamp(string_view text, long line) {
  text = Trim(text);
  const int y = Digits(text, 0, 4), mo = Digits(text, 4, 2), d = Digits(text, 6, 2);
  const int h = Digits(text, 9, 2), mi = Digits(text, 11, 2);
  if (text.size() != 13 || text[8] != ':' || y < 0 || mo < 0 || d < 0 || h < 0 || h > 23 ||
      mi < 0 || mi > 59)
    Refuse(line, QStringLiteral("%1 is not a time YYYYMMDD:HHMM").arg(Quoted(text)));
  const Stamp stamp{y, mo, d, h * 3600 + mi * 60};
  CheckDate(stamp, line);
  return stamp;
}

void ReadPvgisCsv(string_view text, Weather& weather) {
  weather.format = WeatherFormat::PvgisCsv;
  weather.zoneHours = 0;
  Lines lines(text);
  string_view line;
  std::vector<string_view> fields;
  for (;;) {
    if (!lines.next(line) || lines.number() > 100)
      Refuse(0, QStringLiteral("has no time(UTC) row in its first 100 lines"));
    if (StartsWith(line, "time(UTC),")) break;
    if (StartsWith(line, "Latitude")) weather.latitude = HeaderNumber(line, lines.number(), -90, 90);
    if (StartsWith(line, "Longitude"))
      weather.longitude = HeaderNumber(line, lines.number(), -180, 180);
    if (StartsWith(line, "Elevation"))
      weather.elevation = HeaderNumber(line, lines.number(), -1000, 9000);
    if (StartsWith(line, "Irradiance Time Offset"))
      weather.centreSeconds = 3600 * HeaderNumber(line, lines.number(), 0, 1);
  }
  Split(line, fields);
  const std::vector<string_view> header = fields;
  const int time = 0, ghi = Column(header, "G(h)"), dni = Column(header, "Gb(n)"),
            dhi = Column(header, "Gd(h)"), temp = Column(header, "T2m"), wind = Column(header, "WS10m");
  if (ghi < 0 || dni < 0 || dhi < 0)
    Refuse(lines.number(), QStringLiteral("the time(UTC) row lacks G(h), Gb(n) or Gd(h)"));
  weather.columns = site::kGhi | site::kDni | site::kDhi;
  Rows rows(weather, 3600);
  while (lines.next(line) && !Trim(line).empty()) {
    const long n = lines.number();
    Split(line, fields);
    if (fields.size() != header.size())
      Refuse(n, QStringLiteral("%1 fields, the header has %2").arg(fields.size()).arg(header.size()));
    WeatherRow& row = rows.add(PvgisStamp(fields[time], n), 0, n);
    row.ghi = Value(fields[ghi], Irradiance("G(h)"), n);
    row.dni = Value(fields[dni], Irradiance("Gb(n)"), n);
    row.dhi = Value(fields[dhi], Irradiance("Gd(h)"), n);
    if (temp >= 0) row.tempAir = Value(fields[temp], Temperature("T2m"), n);
    if (wind >= 0) row.windSpeed = Value(fields[wind], Wind("WS10m"), n);
  }
  rows.finish();
}

// A JSON member as a value of a quantity: NaN when absent or null.
double JsonValue(const QJsonObject& object, const Quantity& q, long entry) {
  const QJsonValue value = object.value(QLatin1String(q.name));
  if (value.isUndefined() || value.isNull()) return kAbsent;
  if (!value.isDouble()) Refuse(entry, QStringLiteral("%1 is not a number").arg(q.name));
  return Checked(value.toDouble() + 0.0, {}, q, entry);
}

void ReadPvgisJson(const QByteArray& bytes, Weather& weather) {
  weather.format = WeatherFormat::PvgisJson;
  weather.zoneHours = 0;
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
  if (document.isNull())
    Refuse(0, QStringLiteral("is not valid JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset));
  const QJsonObject root = document.object();
  const QJsonValue hourly = root.value(QLatin1String("outputs")).toObject().value(QLatin1String("tmy_hourly"));
  if (!hourly.isArray()) Refuse(0, QStringLiteral("is not a PVGIS TMY JSON file (no outputs.tmy_hourly)"));
  const QJsonObject location = root.value(QLatin1String("inputs")).toObject().value(QLatin1String("location")).toObject();
  const auto site = [&](const char* name, double low, double high) {
    const QJsonValue value = location.value(QLatin1String(name));
    if (value.isUndefined()) return kAbsent;
    if (!value.isDouble() || value.toDouble() < low || value.toDouble() > high)
      Refuse(0, QStringLiteral("inputs.location.%1 is not a number from %2 to %3").arg(name).arg(low).arg(high));
    return value.toDouble();
  };
  weather.latitude = site("latitude", -90, 90);
  weather.longitude = site("longitude", -180, 180);
  weather.elevation = site("elevation", -1000, 9000);
  weather.columns = site::kGhi | site::kDni | site::kDhi;
  Rows rows(weather, 3600);
  long entry = 0;
  for (const QJsonValue& value : hourly.toArray()) {
    ++entry;
    const QJsonObject object = value.toObject();
    const QByteArray time = object.value(QLatin1String("time(UTC)")).toString().toUtf8();
    if (!value.isObject() || time.isEmpty())
      Refuse(entry, QStringLiteral("no \"time(UTC)\" text"));
    WeatherRow& row = rows.add(PvgisStamp(string_view(time.data(), time.size()), entry), 0, entry);
    row.ghi = JsonValue(object, Irradiance("G(h)"), entry);
    row.dni = JsonValue(object, Irradiance("Gb(n)"), entry);
    row.dhi = JsonValue(object, Irradiance("Gd(h)"), entry);
    row.tempAir = JsonValue(object, Temperature("T2m"), entry);
    row.windSpeed = JsonValue(object, Wind("WS10m"), entry);
  }
  rows.finish();
}

int EpwInteger(string_view field, const char* name, int low, int high, long line) {
  const std::optional<double> value = Number(field);
  if (!value || *value != std::floor(*value) || *value < low || *value > high)
    Refuse(line, QStringLiteral("%1 is not a %2 from %3 to %4").arg(Quoted(field), name).arg(low).arg(high));
  return static_cast<int>(*value);
}

void ReadEpw(string_view text, Weather& weather) {
  weather.format = WeatherFormat::Epw;
  Lines lines(text);
  string_view line;
  std::vector<string_view> fields;
  static constexpr string_view kHeader[] = {"LOCATION,", "DESIGN CONDITIONS", "TYPICAL/EXTREME PERIODS",
                                            "GROUND TEMPERATURES", "HOLIDAYS/DAYLIGHT SAVING",
                                            "COMMENTS 1", "COMMENTS 2", "DATA PERIODS,"};
  for (const string_view expected : kHeader) {
    if (!lines.next(line) || !StartsWith(line, expected))
      Refuse(lines.number(), QStringLiteral("%1 expected in the EPW header")
                                 .arg(Latin(expected.substr(0, expected.find(',')))));
    Split(line, fields);
    const long n = lines.number();
    if (expected == kHeader[0]) {
      if (fields.size() < 10) Refuse(n, QStringLiteral("LOCATION has fewer than 10 fields"));
      const auto number = [&](int field, const char* name, double low, double high) {
        const std::optional<double> value = Number(fields[field]);
        if (!value || *value < low || *value > high)
          Refuse(n, QStringLiteral("%1 is not a %2 from %3 to %4").arg(Quoted(fields[field]), name).arg(low).arg(high));
        return *value;
      };
      weather.latitude = number(6, "latitude", -90, 90);
      weather.longitude = number(7, "longitude", -180, 180);
      weather.zoneHours = number(8, "time zone", -12, 14);
      weather.elevation = number(9, "elevation", -1000, 9000);
    } else if (StartsWith(expected, "COMMENTS")) {
      // Free text; PVGIS states its values' place relative to the hour's end here.
      constexpr string_view kOffset = "Irradiance Time Offset (h):";
      const std::size_t at = line.find(kOffset);
      if (at != string_view::npos) {
        const std::optional<double> offset = Number(line.substr(at + kOffset.size()));
        if (offset && *offset >= -1 && *offset <= 0) weather.centreSeconds = 3600 * (1 + *offset);
      }
    } else if (expected == kHeader[7]) {
      if (fields.size() < 3 || EpwInteger(fields[2], "number of records an hour", 1, 60, n) != 1)
        Refuse(n, QStringLiteral("only EPW files of one record an hour are read"));
    }
  }
  weather.columns = site::kGhi | site::kDni | site::kDhi;
  const std::int64_t offset = ZoneOffsetSeconds(weather.zoneHours);
  Rows rows(weather, 3600);
  while (lines.next(line)) {
    const long n = lines.number();
    if (Trim(line).empty()) continue;
    Split(line, fields);
    if (fields.size() < 22) Refuse(n, QStringLiteral("%1 fields, an EPW row has 35").arg(fields.size()));
    const int hour = EpwInteger(fields[3], "hour", 1, 24, n);
    EpwInteger(fields[4], "minute", 0, 60, n);
    const Stamp stamp{EpwInteger(fields[0], "year", 1, 9999, n), EpwInteger(fields[1], "month", 1, 12, n),
                      EpwInteger(fields[2], "day", 1, 31, n), (hour - 1) * 3600};
    CheckDate(stamp, n);
    WeatherRow& row = rows.add(stamp, offset, n);
    row.tempAir = Value(fields[6], Temperature("dry bulb temperature", 99.9), n);
    row.ghi = Value(fields[13], Irradiance("global horizontal radiation", 9999), n);
    row.dni = Value(fields[14], Irradiance("direct normal radiation", 9999), n);
    row.dhi = Value(fields[15], Irradiance("diffuse horizontal radiation", 9999), n);
    row.windSpeed = Value(fields[21], Wind("wind speed", 999), n);
    if (fields.size() >= 33) row.albedo = Value(fields[32], Albedo("albedo", 999), n);
  }
  rows.finish();
}

// ISO 8601 with its offset: the stamp and the offset in seconds east.
Stamp IsoStamp(string_view text, std::int64_t& offset, long line) {
  text = Trim(text);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  const auto bad = [&](const char* why) { Refuse(line, QStringLiteral("%1 %2").arg(Quoted(text), why)); };
  const int y = Digits(text, 0, 4), mo = Digits(text, 5, 2), d = Digits(text, 8, 2);
  const int h = Digits(text, 11, 2), mi = Digits(text, 14, 2);
  if (y < 0 || mo < 0 || d < 0 || h < 0 || mi < 0 || text[4] != '-' || text[7] != '-' ||
      (text[10] != 'T' && text[10] != ' ') || text[13] != ':' || h > 23 || mi > 59)
    bad("is not an ISO 8601 time (YYYY-MM-DDThh:mm:ss+hh:mm)");
  std::size_t at = 16;
  int s = 0;
  if (at < text.size() && text[at] == ':') {
    s = Digits(text, at + 1, 2);
    if (s < 0 || s > 59) bad("is not an ISO 8601 time (YYYY-MM-DDThh:mm:ss+hh:mm)");
    at += 3;
  }
  const string_view zone = text.substr(at);
  if (zone == "Z") {
    offset = 0;
  } else {
    const int zh = Digits(zone, 1, 2);
    const bool colon = zone.size() == 6 && zone[3] == ':';
    const int zm = zone.size() == 3 ? 0 : Digits(zone, colon ? 4 : 3, 2);
    if (zone.empty()) bad("has no offset from universal time");
    if ((zone[0] != '+' && zone[0] != '-') || zh < 0 || zm < 0 || zh > 14 || zm > 59 ||
        (zone.size() != 3 && zone.size() != 5 && !colon))
      bad("has no valid offset (+hh:mm)");
    offset = (zone[0] == '-' ? -1 : 1) * (zh * 3600 + zm * 60);
  }
  const Stamp stamp{y, mo, d, h * 3600 + mi * 60 + s};
  CheckDate(stamp, line);
  return stamp;
}

void ReadPlainCsv(string_view text, Weather& weather) {
  weather.format = WeatherFormat::PlainCsv;
  Lines lines(text);
  string_view line;
  std::vector<string_view> fields;
  lines.next(line);
  Split(line, fields);
  // The header's names, unquoted, in lower case.
  std::vector<std::string> header;
  for (const string_view field : fields) {
    string_view name = Trim(field);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    for (const std::string& seen : header)
      if (seen == lower && !lower.empty()) Refuse(1, QStringLiteral("the column %1 is named twice").arg(Quoted(name)));
    header.push_back(lower);
  }
  const auto column = [&](string_view name) {
    for (std::size_t i = 0; i < header.size(); ++i)
      if (header[i] == name) return static_cast<int>(i);
    return -1;
  };
  const int time = column("time"), ghi = column("ghi"), dni = column("dni"), dhi = column("dhi"),
            temp = column("temp_air"), wind = column("wind_speed"), albedo = column("albedo");
  weather.columns = (ghi >= 0 ? site::kGhi : 0) | (dni >= 0 ? site::kDni : 0) | (dhi >= 0 ? site::kDhi : 0);
  if (weather.columns != site::kGhi && weather.columns != (site::kGhi | site::kDni) &&
      weather.columns != (site::kGhi | site::kDhi) && weather.columns != (site::kDni | site::kDhi) &&
      weather.columns != (site::kGhi | site::kDni | site::kDhi))
    Refuse(1, QStringLiteral("its header has no \"ghi\" column, nor two of \"ghi\", \"dni\", \"dhi\""));
  Rows rows(weather, 0);
  while (lines.next(line)) {
    const long n = lines.number();
    if (Trim(line).empty()) continue;
    Split(line, fields);
    if (fields.size() != header.size())
      Refuse(n, QStringLiteral("%1 fields, the header has %2").arg(fields.size()).arg(header.size()));
    std::int64_t offset = 0;
    const Stamp stamp = IsoStamp(fields[time], offset, n);
    if (weather.rows.empty()) weather.zoneHours = offset / 3600.0;
    WeatherRow& row = rows.add(stamp, offset, n);
    if (ghi >= 0) row.ghi = Value(fields[ghi], Irradiance("ghi"), n);
    if (dni >= 0) row.dni = Value(fields[dni], Irradiance("dni"), n);
    if (dhi >= 0) row.dhi = Value(fields[dhi], Irradiance("dhi"), n);
    if (temp >= 0) row.tempAir = Value(fields[temp], Temperature("temp_air"), n);
    if (wind >= 0) row.windSpeed = Value(fields[wind], Wind("wind_speed"), n);
    if (albedo >= 0) row.albedo = Value(fields[albedo], Albedo("albedo"), n);
  }
  rows.finish();
}

bool HasTimeColumn(string_view firstLine) {
  std::vector<string_view> fields;
  Split(firstLine, fields);
  for (string_view field : fields) {
    field = Trim(field);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') field = field.substr(1, field.size() - 2);
    if (field.size() == 4 && (field[0] | 0x20) == 't' && (field[1] | 0x20) == 'i' &&
        (field[2] | 0x20) == 'm' && (field[3] | 0x20) == 'e')
      return true;
  }
  return false;
}

}  // namespace

WeatherResult ParseWeather(const QByteArray& bytes, const QString& name) {
  string_view text(bytes.data(), static_cast<std::size_t>(bytes.size()));
  if (StartsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  const bool json = first != string_view::npos && text[first] == '{';
  try {
    if (bytes.size() > kMaxWeatherBytes)
      Refuse(0, QStringLiteral("is larger than %1 MB").arg(kMaxWeatherBytes >> 20));
    if (first == string_view::npos) Refuse(0, QStringLiteral("is empty"));
    if (text.find('\0') != string_view::npos) Refuse(0, QStringLiteral("is not a text file"));
    Weather weather;
    if (StartsWith(text, "LOCATION,")) {
      ReadEpw(text, weather);
    } else if (json) {
      ReadPvgisJson(bytes, weather);
    } else if (StartsWith(text, "Latitude (decimal degrees):")) {
      ReadPvgisCsv(text, weather);
    } else if (HasTimeColumn(text.substr(0, std::min(text.find('\n'), kMaxWeatherLine + 1)))) {
      ReadPlainCsv(text, weather);
    } else {
      Refuse(0, QStringLiteral("is not a weather file (PVGIS TMY CSV or JSON, EPW, or a CSV with a "
                               "\"time\" column and \"ghi\", \"dni\", \"dhi\")"));
    }
    return weather;
  } catch (const Refusal& refusal) {
    if (refusal.line == 0) return name + QStringLiteral(": ") + refusal.reason;
    return QStringLiteral("%1: %2 %3: %4")
        .arg(name, json ? QStringLiteral("tmy_hourly entry") : QStringLiteral("line"))
        .arg(refusal.line)
        .arg(refusal.reason);
  }
}

WeatherResult ReadWeather(const QString& path) {
  const FileBytes file = ReadRegularFile(path, kMaxWeatherBytes);
  if (!file.error.isEmpty()) return file.error;
  return ParseWeather(file.bytes, path);
}

}  // namespace halvessa::files
