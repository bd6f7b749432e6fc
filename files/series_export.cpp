#include "files/series_export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "geometry/calendar.h"
#include "series/grid.h"

namespace halvessa::files {

namespace {

constexpr std::size_t kFlushAt = 1 << 20;  // hand over about a megabyte at a time

void TwoDigits(std::string& out, int v) {
  out += static_cast<char>('0' + v / 10);
  out += static_cast<char>('0' + v % 10);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return q * b > a ? q - 1 : q;
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

SeriesWriter::SeriesWriter(const SeriesLayout& layout, OutputSink& sink, Part part)
    : layout_(layout), sink_(sink), part_(part), firstRow_(part == Part::kWhole) {
  buffer_.reserve(kFlushAt + 4096);
  const bool csv = layout_.format == SeriesFormat::kCsv;
  // What goes before each value: a comma in CSV, the member's name in JSON.
  const auto key = [csv](const std::string& name) {
    return csv ? std::string(",") : ",\"" + name + "\":";
  };
  keys_.azimuth = key("sun_azimuth");
  keys_.elevation = key("sun_elevation");
  keys_.ghi = key("ghi");
  keys_.dni = key("dni");
  keys_.dhi = key("dhi");
  for (int p = 0; p < kPanelCount; ++p) {
    const std::string n = "panel" + std::to_string(p + 1);
    keys_.aoi[p] = key(n + "_aoi");
    keys_.production[p] = key(n + "_production");
    keys_.poa[p] = key(n + "_poa");
  }
  if (part_ == Part::kContinuation) return;
  if (csv) {
    buffer_ += "time,sun_azimuth,sun_elevation";
    for (int p = 0; p < kPanelCount; ++p) {
      if (!InUse(layout_.panels[p])) continue;
      const std::string n = std::to_string(p + 1);
      buffer_ += ",panel" + n + "_aoi,panel" + n + "_production";
    }
    if (layout_.clearSky) {
      buffer_ += ",ghi,dni,dhi";
      for (int p = 0; p < kPanelCount; ++p) {
        if (InUse(layout_.panels[p])) buffer_ += ",panel" + std::to_string(p + 1) + "_poa";
      }
    }
    buffer_ += "\r\n";
    return;
  }
  buffer_ += "{\"site\":{\"latitude\":";
  number(layout_.latitude, true);
  buffer_ += ",\"longitude\":";
  number(layout_.longitude, true);
  if (layout_.zoneName.empty()) {
    buffer_ += ",\"timezone\":";
    number(layout_.timeZone, true);
  } else {
    // Zone names are ASCII letters, digits, "/", "_", "-" and "+": nothing to escape.
    buffer_ += ",\"timezone_name\":\"" + layout_.zoneName + "\"";
  }
  buffer_ += "},\"step_seconds\":" + std::to_string(layout_.stepSeconds) + ",\"panels\":[";
  bool first = true;
  for (int p = 0; p < kPanelCount; ++p) {
    if (!InUse(layout_.panels[p])) continue;
    buffer_ += first ? "" : ",";
    first = false;
    buffer_ += "{\"number\":" + std::to_string(p + 1) + ",\"azimuth\":";
    number(layout_.panels[p].Azimuth, true);
    buffer_ += ",\"tilt\":";
    number(layout_.panels[p].Tilt, true);
    buffer_ += '}';
  }
  buffer_ += "],\"rows\":[";
}

void SeriesWriter::number(double value, bool full) {
  char text[330];  // the longest fixed text of a double: 309 digits before the point
  const auto result =
      layout_.digits < 0 || full
          ? std::to_chars(text, text + sizeof text, value)
          : std::to_chars(text, text + sizeof text, value, std::chars_format::fixed,
                          layout_.digits);
  // No minus on a zero: a negative zero, or a small negative value rounded to zero.
  const char* first = text;
  if (*first == '-' && std::all_of(text + 1, result.ptr, [](char c) { return c == '0' || c == '.'; })) {
    ++first;
  }
  buffer_.append(first, static_cast<std::size_t>(result.ptr - first));
}

void SeriesWriter::rows(const series::Block& block, const series::SkyBlock* sky) {
  const bool csv = layout_.format == SeriesFormat::kCsv;
  const bool withSky = layout_.clearSky && sky != nullptr;
  for (std::size_t i = 0; i < block.size; ++i) {
    // The local time: its date text is made once a day.
    const std::int64_t local = block.localSecond[i];
    const std::int64_t day = FloorDiv(local, 86400);
    if (day != dateDay_) {
      const DateParts d = SerialToParts(SerialOfSecond(day * 86400));
      char date[16];
      std::snprintf(date, sizeof date, "%04d-%02d-%02dT", d.year, d.month, d.day);
      dateText_ = date;
      dateDay_ = day;
    }
    const auto secondOfDay = static_cast<int>(local - day * 86400);
    if (!csv) buffer_ += firstRow_ ? "{\"time\":\"" : ",{\"time\":\"";
    firstRow_ = false;
    buffer_ += dateText_;
    TwoDigits(buffer_, secondOfDay / 3600);
    buffer_ += ':';
    TwoDigits(buffer_, secondOfDay / 60 % 60);
    buffer_ += ':';
    TwoDigits(buffer_, secondOfDay % 60);
    if (block.offsetSecond[i] != offset_) {
      offset_ = block.offsetSecond[i];
      offsetText_ = OffsetText(offset_);
    }
    buffer_ += offsetText_;
    if (!csv) buffer_ += '"';
    const auto put = [this](const std::string& key, double value) {
      buffer_ += key;
      number(value);
    };
    put(keys_.azimuth, block.azimuth[i]);
    put(keys_.elevation, block.elevation[i]);
    for (int p = 0; p < kPanelCount; ++p) {
      if (!InUse(layout_.panels[p])) continue;
      put(keys_.aoi[p], block.aoi[p][i]);
      put(keys_.production[p], block.production[p][i]);
    }
    if (withSky) {
      put(keys_.ghi, sky->ghi[i]);
      put(keys_.dni, sky->dni[i]);
      put(keys_.dhi, sky->dhi[i]);
      for (int p = 0; p < kPanelCount; ++p) {
        if (InUse(layout_.panels[p])) put(keys_.poa[p], sky->poa[p][i]);
      }
    }
    buffer_ += csv ? "\r\n" : "}";
    flushIfFull();
  }
}

void SeriesWriter::flushIfFull() {
  if (buffer_.size() < kFlushAt) return;
  sink_.write(buffer_);
  buffer_.clear();
}

void SeriesWriter::flush() {
  sink_.write(buffer_);
  buffer_.clear();
}

void SeriesWriter::finish() {
  if (layout_.format == SeriesFormat::kJson && part_ == Part::kWhole) buffer_ += "]}\n";
  flush();
}

}  // namespace halvessa::files
