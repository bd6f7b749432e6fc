// A series written out: CSV (RFC 4180: a header line, "," between fields, CR LF after each
// record, "." decimals whatever the locale) or one JSON object holding the site, the panels
// and an array of rows. Numbers at full precision (the shortest text that reads back as the
// same double) or to a given number of decimals. Rows are gathered into large buffers and
// handed to a sink, so that a year of minutes never sits in memory whole.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "site/site.h"
#include "series/engine.h"

namespace halvessa::files {

// Where the text goes. write() throws OutputError when it cannot take it.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  virtual void write(std::string_view text) = 0;
};

class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Collects the text, for tests and small outputs.
class StringSink : public OutputSink {
 public:
  void write(std::string_view text) override { text_.append(text); }
  const std::string& text() const { return text_; }
  void clear() { text_.clear(); }

 private:
  std::string text_;
};

enum class SeriesFormat { kCsv, kJson };

struct SeriesLayout {
  SeriesFormat format = SeriesFormat::kCsv;
  std::array<PanelGeometry, kPanelCount> panels{};  // those in use get columns
  bool clearSky = false;                            // ghi, dni, dhi and panelN_poa
  int digits = -1;                                  // decimals, or -1 for full precision
  // For the JSON object's "site" member.
  double latitude = 0;
  double longitude = 0;
  double timeZone = 0;      // fixed hours, when zoneName is empty
  std::string zoneName;     // the zone's name, or empty
  std::int64_t stepSeconds = 0;
};

class SeriesWriter {
 public:
  // The whole output, or a continuation: rows that follow rows written elsewhere (the header
  // and the end are the other writer's), so that parts of a series can be made side by side.
  enum class Part { kWhole, kContinuation };

  SeriesWriter(const SeriesLayout& layout, OutputSink& sink, Part part = Part::kWhole);
  // The block's rows; sky is read when the layout has the clear sky.
  void rows(const series::Block& block, const series::SkyBlock* sky);
  // For a continuation: the next row is the series' first after all.
  void startSeries() { firstRow_ = true; }
  // Hands over what is buffered.
  void flush();
  // Ends the output (closes the JSON object) and hands over what is still buffered.
  void finish();

 private:
  // At the layout's precision, or in full.
  void number(double value, bool full = false);
  void flushIfFull();

  SeriesLayout layout_;
  OutputSink& sink_;
  Part part_;
  std::string buffer_;
  bool firstRow_;
  std::int64_t dateDay_ = INT64_MIN;  // the local day whose date text is cached
  std::string dateText_;
  std::int64_t offset_ = INT64_MIN;  // the offset whose text is cached
  std::string offsetText_;
  struct Keys {
    std::string azimuth, elevation, ghi, dni, dhi;
    std::array<std::string, kPanelCount> aoi, production, poa;
  } keys_;
};

// "+hh:mm" or "-hh:mm" of an offset in seconds, "+hh:mm:ss" when it is not whole minutes
// (local mean time: Zurich in 1850 was +00:34:08), so that a time text names its instant.
std::string OffsetText(std::int64_t offsetSeconds);

}  // namespace halvessa::files
