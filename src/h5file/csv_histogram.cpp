#include "h5file/csv_histogram.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/errors.h"
#include "h5file/histogram_file.h"
#include "h5file/sha256.h"

namespace ornaplex {

namespace {

struct Row {
  int line;
  double low, high, content;
  std::string contentText;
};

std::string trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return std::string(s.substr(first, last - first + 1));
}

bool parseNumber(const std::string& text, double& v) {
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, v);
  return !text.empty() && r.ec == std::errc() && r.ptr == end;
}

// Splits a line at commas; false unless it holds exactly three numbers.
bool parseRow(const std::string& line, double (&v)[3], std::string (&fields)[3]) {
  std::size_t start = 0;
  for (int k = 0; k < 3; ++k) {
    const std::size_t comma = line.find(',', start);
    if ((k < 2) == (comma == std::string::npos)) return false;
    fields[k] = trim(std::string_view(line).substr(start, comma - start));
    if (!parseNumber(fields[k], v[k])) return false;
    start = comma + 1;
  }
  return true;
}

// Rounds to single precision out of line: GCC 12.2 at -O2 and -O3 (SLP vectorizer) drops the
// rounding when two such conversions sit side by side and are widened again.
[[gnu::noinline]] float toSingle(double v) {
  return static_cast<float>(v);
}

bool nearlyEqual(double a, double b, double scale) {
  return std::fabs(a - b) <= 1e-9 * scale;
}

}  // namespace

Histogram1D readCsvHistogram(const std::string& csvPath, int id, const std::string& title) {
  auto bad = [&](int line, const std::string& problem, const std::string& why) {
    return InputError(problem + " in " + csvPath + " line " + std::to_string(line) + " (" + why +
                      ") correct the table");
  };
  std::ifstream in(csvPath);
  if (!in) {
    throw InputError("cannot read the table " + csvPath + " (" + std::strerror(errno) +
                     ") check the file name");
  }
  std::vector<Row> rows;
  std::string line;
  int number = 0;
  bool header = false;
  while (std::getline(in, line)) {
    ++number;
    // Blank lines and comments (# ..., as `inspect --id` heads its tables) are skipped.
    const std::string text = trim(line);
    if (text.empty() || text[0] == '#') continue;
    double v[3];
    std::string fields[3];
    const bool numeric = parseRow(line, v, fields);
    if (!header) {
      header = true;
      if (numeric) {
        throw bad(number, "a first row of numbers",
                  "the first line must be a header naming the columns");
      }
      continue;
    }
    if (!numeric) {
      throw bad(number, "unreadable row '" + trim(line) + "'",
                "each row must be: low edge, high edge, content");
    }
    rows.push_back({number, v[0], v[1], v[2], fields[2]});
  }
  if (in.bad()) throw InputError("cannot read the table " + csvPath + " (read error) check it");
  if (rows.empty()) {
    throw InputError("no bins in the table " + csvPath +
                     " (it holds no rows after the header) give one row per bin");
  }
  const double width = rows.front().high - rows.front().low;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const Row& r = rows[k];
    if (!std::isfinite(r.low) || !std::isfinite(r.high) || !(r.high > r.low)) {
      throw bad(r.line, "bad edges", "edges must be finite with low < high");
    }
    if (!nearlyEqual(r.high - r.low, width, width)) {
      throw bad(r.line, "bin width " + std::to_string(r.high - r.low),
                "all bins must have the first bin's width " + std::to_string(width));
    }
    if (k > 0 && !nearlyEqual(r.low, rows[k - 1].high, width)) {
      throw bad(
          r.line, "low edge " + std::to_string(r.low),
          "bins must be contiguous: the previous bin ends at " + std::to_string(rows[k - 1].high));
    }
    if (!std::isfinite(r.content) || r.content < 0.0) {
      throw bad(r.line, "content " + r.contentText, "contents must be finite and non-negative");
    }
  }
  const float low = toSingle(rows.front().low);
  const float high = toSingle(rows.back().high);
  Histogram1D h(id, title, Axis{static_cast<int>(rows.size()), low, high});
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const int bin = static_cast<int>(k);
    // Single-precision booking must not move an edge noticeably.
    if (std::fabs(h.axis().lowEdge(bin) - rows[k].low) > 1e-4 * width) {
      throw bad(rows[k].line, "low edge " + std::to_string(rows[k].low),
                "the range booked in single precision puts this edge at " +
                    std::to_string(h.axis().lowEdge(bin)));
    }
    h.setSlot(k + 1, rows[k].content);
  }
  return h;
}

void convertCsvsToHistogramFile(const std::vector<CsvTable>& tables, const std::string& h5Path) {
  HistogramStore store;
  std::string names, digests;
  for (const CsvTable& t : tables) {
    Histogram1D h = readCsvHistogram(t.csvPath, t.id, t.title);
    if (store.has(t.id)) {
      throw InputError("histogram " + std::to_string(t.id) + " given twice (from " + t.csvPath +
                       ") give each id once");
    }
    store.add(std::move(h));
    names += (names.empty() ? "" : ",") + std::filesystem::path(t.csvPath).filename().string();
    digests += (digests.empty() ? "" : ",") + sha256File(t.csvPath);
  }
  writeHistogramFile(h5Path, store,
                     {{"program", std::string("ornaplex")},
                      {"converted_from", names},
                      {"converted_from_sha256", digests}});
}

void convertCsvToHistogramFile(const std::string& csvPath, const std::string& h5Path, int id,
                               const std::string& title) {
  convertCsvsToHistogramFile({{csvPath, id, title}}, h5Path);
}

}  // namespace ornaplex
