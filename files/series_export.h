// A series written out: CSV (RFC 4180: a header line, "," between fields, CR LF after each
// record, "." decimals whatever the locale) or one JSON object holding the site, the panels
// and an array of rows. Numbers at full precision (the shortest text that reads back as the
// same double) or to a given number of decimals. Rows are gathered into large buffers and
// handed to a sink, so that a year of minutes never sits in memory whole.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/pipeline.h"
#include "site/site.h"
#include "series/engine.h"
#include "text/time_zone.h"

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
  // A weather file's rows: its light as used (ghi, dni, dhi), temp_air and wind_speed, each
  // panel's poa, cell_temp, dc and ac, and the system's ac; the time is the row's start.
  bool weather = false;
  int digits = -1;                                  // decimals, or -1 for full precision
  // For the JSON object's "site" member.
  double latitude = 0;
  double longitude = 0;
  double timeZone = 0;      // fixed hours, when zoneName is empty
  std::string zoneName;     // the zone's name, or empty
  std::int64_t stepSeconds = 0;

  // The site's part: where, the zone (its name, or a fixed zone's hours) and the panels.
  void setSite(double latitudeDegrees, double longitudeDegrees, const text::SiteZone& zone,
               const std::array<PanelGeometry, kPanelCount>& sitePanels);
};

// The text of a series' rows, made straight into a buffer. Each value is a number column:
// the sun's columns, each panel's, the sky's and each panel's sky columns, in that order (the
// tables in series_export.cpp; a new column is a new entry there). One per thread: it caches
// the date and offset texts of the last row.
class SeriesText {
 public:
  explicit SeriesText(const SeriesLayout& layout);

  // Text that grows as needed, its room left as it is (not cleared) when it grows.
  class Buffer {
   public:
    std::string_view text() const { return {bytes_.get(), size_}; }
    void clear() { size_ = 0; }
    // Where at least n more characters can go, after the text.
    char* room(std::size_t n);
    // The text now ends at end (within the room given).
    void endAt(const char* end) { size_ = static_cast<std::size_t>(end - bytes_.get()); }
    void append(std::string_view text);

   private:
    std::unique_ptr<char[]> bytes_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
  };
  // The header (CSV) or the start of the object up to its rows (JSON).
  void head(Buffer& out) const;
  // The block's rows; sky is read when the layout has the clear sky. first: the block's first
  // row is the series' first (no comma before it in JSON).
  void rows(const series::Block& block, const series::SkyBlock* sky, bool first, Buffer& out);
  // The rows of a pipeline's block, its weather's columns too when the layout has them.
  void rows(const pipeline::Block& block, bool first, Buffer& out);
  // The end of the JSON object after the rows; nothing in CSV.
  void end(Buffer& out) const;

  // Where a block's values are: the sun's, the sky's (or null), the weather's (or null).
  struct Source {
    const series::Block& sun;
    const series::SkyBlock* sky;
    const pipeline::Block* weather;
  };

 private:
  struct Column {
    std::string name;
    std::array<char, 48> key;  // what goes before each value: "," in CSV, ",\"name\":" in JSON
    std::size_t keySize;
    const double* (*values)(const Source&, int panel);
    int panel;
    bool sky;
  };
  void rows(const Source& source, std::size_t size, bool first, Buffer& out);
  SeriesLayout layout_;
  std::vector<Column> columns_;
  std::vector<const double*> values_;  // where each column's values are in the block
  std::size_t rowMax_ = 0;  // the longest a row's text can be
  std::int64_t dateDay_ = INT64_MIN;  // the local day whose date text is cached
  char dateText_[16] = {};            // "yyyy-mm-ddT"
  std::int64_t offset_ = INT64_MIN;   // the offset whose text is cached
  char offsetText_[16] = {};
  std::size_t offsetSize_ = 0;
};

// A whole series on the calling thread, handed to the sink a megabyte at a time (WriteSeries
// below makes a long one on both cores).
class SeriesWriter {
 public:
  SeriesWriter(const SeriesLayout& layout, OutputSink& sink);
  // The block's rows; sky is read when the layout has the clear sky.
  void rows(const series::Block& block, const series::SkyBlock* sky);
  void rows(const pipeline::Block& block);
  // Hands over what is buffered.
  void flush();
  // Ends the output (closes the JSON object) and hands over what is still buffered.
  void finish();

 private:
  SeriesText text_;
  OutputSink& sink_;
  SeriesText::Buffer buffer_;
  bool firstRow_ = true;
};

// Fills and computes the block (and the sky, when the layout has it) with the series' rows
// first, first + 1, ..., at most block.size of them (up to the series' end); sets block.size
// to how many.
using ComputeRows =
    std::function<void(std::int64_t first, series::Block& block, series::SkyBlock& sky)>;

// Writes a whole series of rowCount rows to the sink on two cores: stretches of blocks are
// computed and formatted by two workers side by side (each taking the next stretch when done
// with one), and handed to the sink in order by the calling thread, which calls progress (if
// given) with the fraction written after each stretch. compute is called from both threads.
// What compute or the sink throws ends the work and is thrown again here.
void WriteSeries(const SeriesLayout& layout, OutputSink& sink, std::int64_t rowCount,
                 const ComputeRows& compute, const std::function<void(double)>& progress = {});

// A number as the series writes it, at most kNumberMax characters from out; returns the end:
// the shortest text that reads back as the same double (as std::to_chars gives it), or the
// given decimals (0 to 17, as std::to_chars with std::chars_format::fixed gives them), and
// never a minus before a zero ("-0", "-0.00").
inline constexpr std::size_t kNumberMax = 330;
char* ShortestText(double value, char* out);
char* FixedText(double value, int decimals, char* out);

// "+hh:mm" or "-hh:mm" of an offset in seconds, "+hh:mm:ss" when it is not whole minutes
// (local mean time: Zurich in 1850 was +00:34:08), so that a time text names its instant.
std::string OffsetText(std::int64_t offsetSeconds);

}  // namespace halvessa::files
