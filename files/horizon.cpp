#include "files/horizon.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "files/read_file.h"
#include "text/numbers.h"
#include "text/patterns.h"

namespace halvessa::files {

namespace {

using Fields = std::vector<std::string_view>;

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Fields split at commas, semicolons and tabs when the line holds one, else at blanks;
// trailing empty fields dropped.
Fields Split(std::string_view line) {
  Fields fields;
  const bool marked = line.find_first_of(",;\t") != std::string_view::npos;
  const char* separators = marked ? ",;\t" : " ";
  std::size_t at = 0;
  while (at <= line.size()) {
    const std::size_t end = std::min(line.find_first_of(separators, at), line.size());
    const std::string_view field = Trim(line.substr(at, end - at));
    if (marked || !field.empty()) fields.push_back(field);
    at = end + 1;
  }
  while (!fields.empty() && fields.back().empty()) fields.pop_back();
  return fields;
}

QString Shown(std::string_view field) {
  return text::Quoted(QString::fromUtf8(field.data(), static_cast<qsizetype>(field.size())));
}

// The lines of a text, with their numbers from 1; LF, CR LF or CR end a line.
class Lines {
 public:
  explicit Lines(std::string_view text) : rest_(text) {}
  bool next(std::string_view& line) {
    if (rest_.empty()) return false;
    const std::size_t end = rest_.find_first_of("\r\n");
    line = rest_.substr(0, end);
    if (end == std::string_view::npos) {
      rest_ = {};
    } else {
      rest_.remove_prefix(end + (rest_[end] == '\r' && rest_.substr(end + 1, 1) == "\n" ? 2 : 1));
    }
    ++number_;
    return true;
  }
  int number() const { return number_; }

 private:
  std::string_view rest_;
  int number_ = 0;
};

struct Entry {
  double azimuth;
  double height;
  int line;
};

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  // The reason, with "line N: " first when a line is at fault; empty when the file was read.
  QString parse(HorizonRead& read) {
    int header = 0;
    Lines lines(text_);
    std::string_view line;
    while (lines.next(line)) {
      if (auto reason = checkText(line); !reason.isEmpty()) return at(lines.number(), reason);
      if (header == 0 && Trim(line).starts_with('A')) {
        const Fields f = Split(line);
        if (f.size() >= 2 && f[0] == "A" && f[1] == "H_hor") header = lines.number();
      }
    }
    read.form = header ? HorizonForm::PvgisOutput : HorizonForm::Pairs;
    QString reason = header ? pvgis(header) : plain(read.form);
    if (reason.isEmpty()) reason = finish(read);
    return reason;
  }

 private:
  static QString at(int line, const QString& reason) {
    return QStringLiteral("line %1: %2").arg(line).arg(reason);
  }

  static QString checkText(std::string_view line) {
    if (line.size() > static_cast<std::size_t>(kHorizonMaxLineChars)) {
      return QStringLiteral("longer than %1 characters: not a horizon file")
          .arg(kHorizonMaxLineChars);
    }
    for (const char c : line) {
      const auto byte = static_cast<unsigned char>(c);
      if ((byte < 0x20 && c != '\t') || byte == 0x7f) {
        return QStringLiteral("a control byte (0x%1): not a text file")
            .arg(byte, 2, 16, QLatin1Char('0'));
      }
    }
    return {};
  }

  static bool skipped(std::string_view trimmed) { return trimmed.empty() || trimmed[0] == '#'; }

  // An azimuth and a height from two fields, azimuth within low to high; the reason if not.
  QString add(std::string_view azimuthText, std::string_view heightText, double low, double high,
              double shift, int line) {
    const auto azimuth = text::PlainNumber(azimuthText);
    if (!azimuth)
      return at(line, Shown(azimuthText) + QStringLiteral(" is not an azimuth in degrees"));
    if (*azimuth < low || *azimuth > high) {
      return at(line, QStringLiteral("the azimuth %1 is outside %2 to %3 degrees")
                          .arg(Shown(azimuthText))
                          .arg(low)
                          .arg(high));
    }
    return addHeight(std::fmod(*azimuth + shift, 360.0), heightText, line);
  }

  QString addHeight(double azimuth, std::string_view heightText, int line) {
    const auto height = text::PlainNumber(heightText);
    if (!height) return at(line, Shown(heightText) + QStringLiteral(" is not a height in degrees"));
    if (*height < kHorizonLowest || *height > kHorizonHighest) {
      return at(line, QStringLiteral("the height %1 is outside %2 to %3 degrees")
                          .arg(Shown(heightText))
                          .arg(kHorizonLowest)
                          .arg(kHorizonHighest));
    }
    if (entries_.size() == static_cast<std::size_t>(kHorizonMaxPoints)) {
      return at(line, QStringLiteral("more than %1 points").arg(kHorizonMaxPoints));
    }
    entries_.push_back({azimuth, *height, line});
    return {};
  }

  QString pvgis(int header) {
    Lines lines(text_);
    std::string_view line;
    while (lines.next(line) && lines.number() < header) {
    }
    while (lines.next(line)) {
      const std::string_view trimmed = Trim(line);
      if (trimmed.empty()) break;  // the footer follows
      if (trimmed[0] == '#') continue;
      // The footer's first label, "A: Azimuth ...".
      if (trimmed.substr(0, trimmed.find_first_of(" \t,;")).ends_with(':')) break;
      const Fields f = Split(trimmed);
      if (f.size() < 2)
        return at(lines.number(), QStringLiteral("an azimuth and a height expected"));
      // From south (west positive) to from north clockwise: add 180.
      if (auto reason = add(f[0], f[1], -180, 180, 180, lines.number()); !reason.isEmpty())
        return reason;
    }
    return {};
  }

  QString plain(HorizonForm& form) {
    Lines lines(text_);
    std::string_view line;
    bool first = true;
    while (lines.next(line)) {
      const std::string_view trimmed = Trim(line);
      if (skipped(trimmed)) continue;
      const Fields f = Split(trimmed);
      if (first) {
        first = false;
        const bool numbers =
            std::all_of(f.begin(), f.end(), [](auto s) { return text::PlainNumber(s).has_value(); });
        if (!numbers && f.size() == 2) continue;  // the header of azimuth,height pairs
        if (!numbers) {  // a weather file's header, a JSON document, a typo on line 1
          return at(lines.number(),
                    QStringLiteral("not a horizon file: expected azimuth,height pairs, "
                                   "a list of heights or the PVGIS horizon output"));
        }
        form = f.size() == 2 ? HorizonForm::Pairs : HorizonForm::HeightList;
      }
      if (form == HorizonForm::HeightList) {
        for (const std::string_view field : f) {
          if (auto reason = addHeight(0, field, lines.number()); !reason.isEmpty()) return reason;
        }
      } else if (f.size() != 2) {
        return at(lines.number(),
                  QStringLiteral("%1 values; a line holds an azimuth and a height").arg(f.size()));
      } else if (auto reason = add(f[0], f[1], 0, 360, 0, lines.number()); !reason.isEmpty()) {
        return reason;
      }
    }
    return {};
  }

  QString finish(HorizonRead& read) {
    if (entries_.empty()) return QStringLiteral("no heights in the file");
    std::vector<site::Horizon::Point> points;
    if (read.form == HorizonForm::HeightList) {
      const std::size_t n = entries_.size();
      if (n < 4) return QStringLiteral("%1 heights; a list of heights needs at least 4").arg(n);
      for (std::size_t i = 0; i < n; ++i) {
        const double azimuth = 360.0 * static_cast<double>(i) / static_cast<double>(n);
        points.push_back({azimuth, entries_[i].height});
      }
    } else {
      std::stable_sort(entries_.begin(), entries_.end(),
                       [](const Entry& a, const Entry& b) { return a.azimuth < b.azimuth; });
      for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        if (i > 0 && e.azimuth == entries_[i - 1].azimuth) {
          if (e.height == entries_[i - 1].height) continue;
          const auto [first, second] = std::minmax(e.line, entries_[i - 1].line);
          return at(second,
                    QStringLiteral("the same azimuth as line %1 with another height").arg(first));
        }
        points.push_back({e.azimuth, e.height});
      }
      if (points.size() < 2)
        return QStringLiteral("one point; a horizon needs at least 2 azimuths");
    }
    read.horizon = site::Horizon(std::move(points));
    return {};
  }

  std::string_view text_;
  std::vector<Entry> entries_;
};

}  // namespace

HorizonRead ParseHorizon(const QByteArray& bytes, const QString& name) {
  HorizonRead read;
  QString reason;
  if (bytes.isEmpty()) {
    reason = QStringLiteral("the file is empty");
  } else if (bytes.size() > kHorizonMaxBytes) {
    reason = QStringLiteral("larger than %1 bytes: not a horizon file").arg(kHorizonMaxBytes);
  } else {
    std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    reason = Parser(text).parse(read);
  }
  if (!reason.isEmpty()) {
    read.horizon.reset();
    read.error = name + QStringLiteral(": ") + reason;
  }
  return read;
}

HorizonRead ReadHorizon(const QString& path) {
  const FileBytes file = ReadRegularFile(path, kHorizonMaxBytes);
  if (!file.error.isEmpty()) {
    HorizonRead read;
    read.error = file.error;
    return read;
  }
  return ParseHorizon(file.bytes, path);
}

}  // namespace halvessa::files
