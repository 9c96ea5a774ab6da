#include "results/inspect.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "common/errors.h"
#include "common/number_text.h"
#include "h5file/histogram_file.h"
#include "h5file/partial_file.h"
#include "h5file/run_reader.h"
#include "h5file/scan_table_reader.h"
#include "histogram/histogram.h"
#include "results/report_numbers.h"
#include "results/run_summary.h"

namespace ornaplex {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Shortest text that reads back as the same double ("inf", "-inf", "nan" when not finite).
// Six significant digits for the tables meant to be read; whole numbers (counts) in full.
std::string brief(double v) {
  if (std::isnan(v)) return "nan";
  char buf[32];
  if (v == std::trunc(v) && std::fabs(v) < 0x1p53)
    std::snprintf(buf, sizeof buf, "%.0f", v);
  else
    std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

std::string jsonNumber(double v) {
  return std::isfinite(v) ? shortestText(v) : "null";
}

std::string jsonString(const std::string& s) {
  std::string o = "\"";
  for (const unsigned char ch : s) {
    switch (ch) {
      case '"':
        o += "\\\"";
        break;
      case '\\':
        o += "\\\\";
        break;
      case '\n':
        o += "\\n";
        break;
      case '\t':
        o += "\\t";
        break;
      default:
        if (ch < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", ch);
          o += buf;
        } else {
          o += static_cast<char>(ch);
        }
    }
  }
  return o + "\"";
}

std::string attributeText(const Attribute& a, bool json) {
  return std::visit(
      [json](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return json ? jsonString(v) : v;
        } else if constexpr (std::is_same_v<T, double>) {
          return json ? jsonNumber(v) : shortestText(v);
        } else {
          return std::to_string(v);
        }
      },
      a.value);
}

std::string summaryText(const SummaryValue& s, bool json) {
  return std::visit(
      [json](auto v) -> std::string {
        if constexpr (std::is_same_v<decltype(v), double>) {
          return json ? jsonNumber(v) : shortestText(v);
        } else {
          return std::to_string(v);
        }
      },
      s.value);
}

// What one line of the listing says about a histogram.
struct Overview {
  int id;
  bool is2D;
  const std::string* title;
  std::int64_t entries;
  double underflow;  // 2-D: every slot below either range
  double overflow;   // 2-D: every other slot outside the ranges
  double inRange;
  double meanX;  // of the in-range bins' centres; NaN when they are empty
  double meanY;  // 2-D only
};

double centre(const Axis& a, int bin) {
  return 0.5 * (a.lowEdge(bin) + a.lowEdge(bin + 1));
}

Overview overviewOf(const HistogramStore& store, int id) {
  Overview o{id, store.is2D(id), nullptr, 0, 0.0, 0.0, 0.0, 0.0, 0.0};
  if (!o.is2D) {
    const Histogram1D& h = store.h1(id);
    o.title = &h.title();
    o.entries = h.entries();
    o.underflow = h.underflow();
    o.overflow = h.overflow();
    double sx = 0.0;
    for (int i = 0; i < h.axis().bins; ++i) {
      o.inRange += h.content(i);
      sx += h.content(i) * centre(h.axis(), i);
    }
    o.meanX = o.inRange != 0.0 ? sx / o.inRange : std::nan("");
    o.meanY = std::nan("");
    return o;
  }
  const Histogram2D& h = store.h2(id);
  o.title = &h.title();
  o.entries = h.entries();
  const int nx = h.axisX().bins, ny = h.axisY().bins;
  double sx = 0.0, sy = 0.0;
  for (int ix = 0; ix <= nx + 1; ++ix) {
    for (int iy = 0; iy <= ny + 1; ++iy) {
      const double c = h.slot(ix, iy);
      if (ix == 0 || iy == 0) {
        o.underflow += c;
      } else if (ix == nx + 1 || iy == ny + 1) {
        o.overflow += c;
      } else {
        o.inRange += c;
        sx += c * centre(h.axisX(), ix - 1);
        sy += c * centre(h.axisY(), iy - 1);
      }
    }
  }
  o.meanX = o.inRange != 0.0 ? sx / o.inRange : std::nan("");
  o.meanY = o.inRange != 0.0 ? sy / o.inRange : std::nan("");
  return o;
}

// A bin edge as text without the rounding noise of its arithmetic: the shortest decimal within a
// millionth of a bin of it (-3.22, not -3.2199999999999998; 0.0005, not 0.0005000000074505806).
std::string edgeText(double v, double width) {
  if (!std::isfinite(v)) return shortestText(v);
  for (int digits = 1; digits < 17; ++digits) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, v);
    const double near = std::strtod(buffer, nullptr);
    if (std::fabs(near - v) <= 1e-6 * std::fabs(width)) return shortestText(near);
  }
  return shortestText(v);
}

// Outer edges of the out-of-range slots are infinite.
double slotLow(const Axis& a, int s) {
  return s == 0 ? -kInf : a.lowEdge(s - 1);
}
double slotHigh(const Axis& a, int s) {
  return s == a.bins + 1 ? kInf : a.lowEdge(s);
}

std::string axisJson(const Axis& a) {
  std::string o = "{\"bins\": " + std::to_string(a.bins) + ", \"low\": " + jsonNumber(a.low) +
                  ", \"high\": " + jsonNumber(a.high) + ", \"edges\": [";
  for (int k = 0; k <= a.bins; ++k) o += (k ? ", " : "") + edgeText(a.lowEdge(k), a.width());
  return o + "]}";
}

// What kind of run made a file, from its /run attributes mode, bias_*, pairs and
// scattering_model (files of analog runs and of the standard model may have none of them).
struct RunKind {
  std::string mode = "analog";  // or "weighted"
  std::string bias;             // weighted: "window 49.45 mrad, 16 splits, slow below 1.184 meV"
  std::string model = "standard";
  bool pairs = false;  // a run of mirror pairs
  // "weighted pairs (window ...)": the mode, named with its pairs and bias.
  std::string modeText() const {
    return mode + (pairs ? " pairs" : "") + (bias.empty() ? "" : " (" + bias + ")");
  }
  std::string text() const { return modeText() + ", model " + model; }
};

RunKind runKindOf(const StoredRun& run) {
  RunKind k;
  // Numbers in four digits, as the pictures print the bias.
  auto text = [&](const std::string& name) -> std::optional<std::string> {
    const std::optional<Attribute> a = findAttribute(run, name);
    if (!a) return std::nullopt;
    if (const double* v = std::get_if<double>(&a->value)) {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.4g", *v);
      return std::string(buf);
    }
    return attributeText(*a, false);
  };
  if (const auto m = text("scattering_model")) k.model = *m;
  k.pairs = text("pairs") == std::string(kPairsKind);
  if (text("mode") != "weighted") return k;
  k.mode = "weighted";
  const std::pair<const char*, std::pair<const char*, const char*>> parts[] = {
      {"bias_angle_mrad", {"window ", " mrad"}},
      {"bias_splits", {"", " splits"}},
      {"bias_slow_meV", {"slow below ", " meV"}},
  };
  for (const auto& [name, words] : parts) {
    if (const auto v = text(name))
      k.bias += (k.bias.empty() ? "" : ", ") + std::string(words.first) + *v + words.second;
  }
  return k;
}

// The statistical error of a slot: the square root of its sum of squared weights (weighted),
// or of its count.
double slotError(const std::vector<double>& slots, const std::vector<double>& squares,
                 bool weighted, std::size_t k) {
  return std::sqrt(weighted ? squares[k] : slots[k]);
}

// runTag: "run 7: analog, model standard", or empty for a file no run wrote.
void printCsv(const HistogramStore& store, int id, const std::string& runTag, std::ostream& out) {
  const bool weighted = store.weighted();
  const Overview o = overviewOf(store, id);
  std::string title = *o.title;
  title.erase(title.find_last_not_of(' ') + 1);
  out << "# h" << id << (title.empty() ? "" : " " + title) << "; "
      << (runTag.empty() ? "" : runTag + "; ")
      << (weighted ? "content: sum of weights, error: square root of the sum of squared weights"
                   : "content: counts, error: square root of the count")
      << '\n';
  if (!store.is2D(id)) {
    const Histogram1D& h = store.h1(id);
    out << "low,high,content,error\n";
    for (int s = 0; s < h.axis().bins + 2; ++s) {
      out << edgeText(slotLow(h.axis(), s), h.axis().width()) << ','
          << edgeText(slotHigh(h.axis(), s), h.axis().width()) << ',' << shortestText(h.slots()[s])
          << ',' << shortestText(slotError(h.slots(), h.squares(), weighted, std::size_t(s)))
          << '\n';
    }
    return;
  }
  const Histogram2D& h = store.h2(id);
  out << "xlow,xhigh,ylow,yhigh,content,error\n";
  const int ny = h.axisY().bins;
  for (int sx = 0; sx < h.axisX().bins + 2; ++sx) {
    for (int sy = 0; sy < ny + 2; ++sy) {
      const auto k = std::size_t(sx * (ny + 2) + sy);
      out << edgeText(slotLow(h.axisX(), sx), h.axisX().width()) << ','
          << edgeText(slotHigh(h.axisX(), sx), h.axisX().width()) << ','
          << edgeText(slotLow(h.axisY(), sy), h.axisY().width()) << ','
          << edgeText(slotHigh(h.axisY(), sy), h.axisY().width()) << ','
          << shortestText(h.slot(sx, sy)) << ','
          << shortestText(slotError(h.slots(), h.squares(), weighted, k)) << '\n';
    }
  }
}

void printHistogramJson(const HistogramStore& store, int id, const RunKind& kind,
                        std::ostream& out) {
  const Overview o = overviewOf(store, id);
  out << "{\"id\": " << id << ", \"mode\": " << jsonString(kind.mode)
      << ", \"model\": " << jsonString(kind.model) << ", \"kind\": \"" << (o.is2D ? "2-D" : "1-D")
      << "\", \"title\": " << jsonString(*o.title) << ", \"entries\": " << o.entries
      << ", \"underflow\": " << jsonNumber(o.underflow)
      << ", \"overflow\": " << jsonNumber(o.overflow) << ", \"sum\": " << jsonNumber(o.inRange);
  if (!o.is2D) {
    const Histogram1D& h = store.h1(id);
    out << ", \"mean\": " << jsonNumber(o.meanX) << ", \"x\": " << axisJson(h.axis())
        << ", \"contents\": [";
    for (int i = 0; i < h.axis().bins; ++i) out << (i ? ", " : "") << jsonNumber(h.content(i));
    out << "], \"errors\": [";
    for (int i = 0; i < h.axis().bins; ++i)
      out << (i ? ", " : "")
          << jsonNumber(slotError(h.slots(), h.squares(), store.weighted(), std::size_t(i + 1)));
    out << "]}";
    return;
  }
  const Histogram2D& h = store.h2(id);
  out << ", \"mean\": [" << jsonNumber(o.meanX) << ", " << jsonNumber(o.meanY)
      << "], \"x\": " << axisJson(h.axisX()) << ", \"y\": " << axisJson(h.axisY())
      << ", \"slots\": [";
  for (int sx = 0; sx < h.axisX().bins + 2; ++sx) {
    out << (sx ? ", " : "") << '[';
    for (int sy = 0; sy < h.axisY().bins + 2; ++sy)
      out << (sy ? ", " : "") << jsonNumber(h.slot(sx, sy));
    out << ']';
  }
  out << "], \"slot_errors\": [";
  const int ny = h.axisY().bins;
  for (int sx = 0; sx < h.axisX().bins + 2; ++sx) {
    out << (sx ? ", " : "") << '[';
    for (int sy = 0; sy < ny + 2; ++sy)
      out << (sy ? ", " : "")
          << jsonNumber(slotError(h.slots(), h.squares(), store.weighted(),
                                  std::size_t(sx * (ny + 2) + sy)));
    out << ']';
  }
  out << "]}";
}

std::string overviewJson(const Overview& o) {
  std::string s =
      "{\"id\": " + std::to_string(o.id) + ", \"kind\": \"" + (o.is2D ? "2-D" : "1-D") +
      "\", \"title\": " + jsonString(*o.title) + ", \"entries\": " + std::to_string(o.entries) +
      ", \"underflow\": " + jsonNumber(o.underflow) + ", \"overflow\": " + jsonNumber(o.overflow) +
      ", \"sum\": " + jsonNumber(o.inRange);
  if (o.is2D) return s + ", \"mean\": [" + jsonNumber(o.meanX) + ", " + jsonNumber(o.meanY) + "]}";
  return s + ", \"mean\": " + jsonNumber(o.meanX) + "}";
}

std::string padLeft(const std::string& s, std::size_t w) {
  return s.size() >= w ? s : std::string(w - s.size(), ' ') + s;
}
std::string padRight(const std::string& s, std::size_t w) {
  return s.size() >= w ? s : s + std::string(w - s.size(), ' ');
}

std::string meanText(const Overview& o) {
  if (std::isnan(o.meanX)) return "-";
  return o.is2D ? brief(o.meanX) + "," + brief(o.meanY) : brief(o.meanX);
}

// Everything the file says, read and checked before anything is printed.
// The blocks a partial file holds, whose numbers are an interim report.
struct PartialSpan {
  std::int64_t first = 0, last = 0, blocks = 0;  // blocks first..last of the run's blocks
};

struct FileContents {
  HistogramStore store;
  StoredRun run;
  std::optional<RunTotals> totals;
  std::int64_t events = 0;  // of the run, or of the blocks a partial file holds
  std::optional<PartialSpan> partial;
  std::vector<SummaryValue> summary;  // as written, or the sums of a partial file's blocks
};

std::optional<std::int64_t> integerAttribute(const StoredRun& run, const std::string& name) {
  const std::optional<Attribute> a = findAttribute(run, name);
  if (!a || !std::holds_alternative<std::int64_t>(a->value)) return std::nullopt;
  return std::get<std::int64_t>(a->value);
}

// A partial file's blocks added in block order, as merge adds them, and the events they hold.
void readPartialTotals(const std::string& path, FileContents& f) {
  const std::optional<std::int64_t> events = integerAttribute(f.run, "events");
  const std::optional<std::int64_t> size = integerAttribute(f.run, "block_size");
  if (!events || !size || *size < 1)
    throw InputError("cannot inspect " + path +
                     " (its events or block_size attribute is missing) give a partial file "
                     "written by ornaplex --blocks");
  const PartialContents p = readPartialFile(path);
  RunTotals sum;
  for (const PartialRecord& r : p.records) {
    const RunTotals t = totalsOfRecord(r);
    sum.counters.merge(t.counters);
    sum.tallies.merge(t.tallies);
    f.events += std::min(*events, (r.last + 1) * *size) - r.first * *size;
  }
  if (!p.records.empty())
    f.partial =
        PartialSpan{p.records.front().first, p.records.back().last, (*events + *size - 1) / *size};
  sum.weighted = p.weighted;
  sum.pairs = p.pairs;
  f.totals = sum;
  f.summary = summaryValues(sum.counters, sum.tallies, sum.weighted, sum.pairs);
}

FileContents readContents(const std::string& path) {
  FileContents f;
  f.run = readStoredRun(path);
  const std::optional<Attribute> program = findAttribute(f.run, "program");
  if (!program || !std::holds_alternative<std::string>(program->value) ||
      std::get<std::string>(program->value) != "ornaplex") {
    throw InputError("cannot inspect " + path +
                     " (its /run group does not name ornaplex as the program) give a histogram "
                     "file written by ornaplex");
  }
  f.store = readHistogramFile(path);
  f.totals = totalsFromSummary(f.run.summary);
  f.summary = f.run.summary;
  const std::optional<std::int64_t> partial = integerAttribute(f.run, "partial");
  if (!f.totals && partial == 1) {
    readPartialTotals(path, f);
  } else if (f.totals) {
    const std::optional<Attribute> events = findAttribute(f.run, "events");
    if (!events || !std::holds_alternative<std::int64_t>(events->value))
      throw InputError("cannot inspect " + path +
                       " (the run's events attribute is missing) give a histogram file written "
                       "by ornaplex");
    f.events = std::get<std::int64_t>(events->value);
  }
  return f;
}

// The report values that count hits or entries (sums of weights in a weighted run).
bool isCount(const std::string& key) {
  for (const char* k :
       {"tar1_in", "tar2_in", "det_in", "n_left", "n_right", "n_scat_left", "n_scat_right"}) {
    if (key == k) return true;
  }
  return false;
}

void printText(const std::string& path, const FileContents& f, std::ostream& out) {
  const RunKind kind = runKindOf(f.run);
  out << "file " << path << "\nmode " << kind.modeText() << "\nmodel " << kind.model << "\n\nrun\n";
  std::size_t w = 0;
  for (const Attribute& a : f.run.attributes) w = std::max(w, a.name.size());
  for (const Attribute& a : f.run.attributes)
    out << "  " << padRight(a.name, w) << "  " << attributeText(a, false) << '\n';

  out << "\nhistograms (" << f.store.ids().size()
      << "; 2-D: underflow is every slot below either range, overflow the rest outside, mean "
         "is x,y)\n";
  out << padLeft("id", 6) << "  kind" << padLeft("entries", 12) << padLeft("underflow", 12)
      << padLeft("overflow", 12) << "  " << padRight("mean", 22) << "title\n";
  for (int id : f.store.ids()) {
    const Overview o = overviewOf(f.store, id);
    out << padLeft(std::to_string(id), 6) << "  " << (o.is2D ? "2-D " : "1-D ")
        << padLeft(std::to_string(o.entries), 12) << padLeft(brief(o.underflow), 12)
        << padLeft(brief(o.overflow), 12) << "  " << padRight(meanText(o), 22) << *o.title << '\n';
  }

  if (!f.totals) {
    out << "\nreport\n  (the file holds no run summary)\n";
    return;
  }
  out << "\nsummary" << (f.partial ? " (the sums of the blocks held)" : "") << "\n";
  w = 0;
  for (const SummaryValue& s : f.summary) w = std::max(w, s.name.size());
  for (const SummaryValue& s : f.summary)
    out << "  " << padRight(s.name, w) << "  " << summaryText(s, false) << '\n';

  out << "\nreport";
  if (f.partial)
    out << " (partial file: blocks " << f.partial->first << " to " << f.partial->last << " of "
        << f.partial->blocks << ", " << f.events << " events; interim numbers of those blocks)";
  out << "\n";
  const std::vector<ReportNumber> numbers = reportNumbers(
      f.events, f.totals->counters, f.totals->tallies, f.totals->weighted, f.totals->pairs);
  w = 0;
  for (const ReportNumber& n : numbers) w = std::max(w, n.label.size());
  for (const ReportNumber& n : numbers) {
    out << "  " << padRight(n.label, w) << "  ";
    if (kind.mode == "weighted" && isCount(n.key)) {
      // A weighted run's counts are sums of weights: with their fraction, and said so.
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.10g", n.value);
      out << buf << " (sum of weights)";
    } else {
      out << brief(n.value);
    }
    if (n.error) out << " +- " << brief(*n.error);
    // What a left-right measurement quotes as the scattered neutrons' systematic (README).
    if (n.key == "rot_diff_scat_share")
      out << "  (the scattered hits' part of all: the systematic)";
    out << '\n';
  }
}

// "settings": each run setting the file records, or implies by its absence.
void printSettingsJson(const FileContents& f, const std::vector<SettingEntry>& settings,
                       std::ostream& out) {
  out << ",\n  \"settings\": {";
  bool first = true;
  for (const SettingEntry& s : settings) {
    const std::optional<Attribute> a = findAttribute(f.run, s.attribute);
    if (!a && s.absentMeans.empty()) continue;
    out << (first ? "\n" : ",\n") << "    " << jsonString(s.attribute)
        << ": {\"value\": " << (a ? attributeText(*a, true) : jsonString(s.absentMeans))
        << ", \"option\": " << (s.option.empty() ? "null" : jsonString(s.option))
        << ", \"label\": " << jsonString(s.label) << ", \"unit\": " << jsonString(s.unit)
        << ", \"identity\": " << (s.identity ? "true" : "false")
        << ", \"scannable\": " << (s.scannable ? "true" : "false") << '}';
    first = false;
  }
  out << "\n  }";
}

void printJson(const std::string& path, const FileContents& f,
               const std::vector<SettingEntry>& settings, std::ostream& out) {
  const RunKind kind = runKindOf(f.run);
  out << "{\n  \"file\": " << jsonString(path) << ",\n  \"mode\": " << jsonString(kind.mode)
      << ",\n  \"model\": " << jsonString(kind.model);
  if (!settings.empty()) printSettingsJson(f, settings, out);
  out << ",\n  \"run\": {";
  bool first = true;
  for (const Attribute& a : f.run.attributes) {
    out << (first ? "\n" : ",\n") << "    " << jsonString(a.name) << ": " << attributeText(a, true);
    first = false;
  }
  out << "\n  },\n  \"histograms\": [";
  first = true;
  for (int id : f.store.ids()) {
    out << (first ? "\n" : ",\n") << "    " << overviewJson(overviewOf(f.store, id));
    first = false;
  }
  out << "\n  ],\n  \"summary\": ";
  if (!f.totals) {
    out << "null,\n  \"report\": null\n}\n";
    return;
  }
  out << '{';
  first = true;
  for (const SummaryValue& s : f.summary) {
    out << (first ? "\n" : ",\n") << "    " << jsonString(s.name) << ": " << summaryText(s, true);
    first = false;
  }
  out << "\n  },\n";
  if (f.partial)
    out << "  \"partial\": {\"first_block\": " << f.partial->first
        << ", \"last_block\": " << f.partial->last << ", \"blocks\": " << f.partial->blocks
        << ", \"events\": " << f.events << "},\n";
  out << "  \"report\": {";
  first = true;
  for (const ReportNumber& n : reportNumbers(f.events, f.totals->counters, f.totals->tallies,
                                             f.totals->weighted, f.totals->pairs)) {
    out << (first ? "\n" : ",\n") << "    " << jsonString(n.key)
        << ": {\"label\": " << jsonString(n.label) << ", \"value\": " << jsonNumber(n.value);
    if (n.error) out << ", \"error\": " << jsonNumber(*n.error);
    out << '}';
    first = false;
  }
  out << "\n  }\n}\n";
}

// --- scan tables ------------------------------------------------------------------------------

std::string columnText(const ScanColumn& c, std::size_t k, bool json) {
  if (c.numeric) return json ? jsonNumber(c.numbers[k]) : brief(c.numbers[k]);
  return json ? jsonString(c.names[k]) : c.names[k];
}

// A column's distinct values in the order they first appear.
std::vector<std::string> distinctValues(const ScanColumn& c, bool json) {
  std::vector<std::string> out;
  for (std::size_t k = 0; k < c.size(); ++k) {
    const std::string v = columnText(c, k, json);
    if (std::find(out.begin(), out.end(), v) == out.end()) out.push_back(v);
  }
  return out;
}

std::string joined(const std::vector<std::string>& parts, const std::string& between) {
  std::string s;
  for (const std::string& p : parts) s += (s.empty() ? "" : between) + p;
  return s;
}

// Rows of cells, each column as wide as its widest cell, after an indent.
void printTable(std::ostream& out, const std::string& indent,
                const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> w;
  for (const auto& r : rows) {
    w.resize(std::max(w.size(), r.size()), 0);
    for (std::size_t c = 0; c < r.size(); ++c) w[c] = std::max(w[c], r[c].size());
  }
  for (const auto& r : rows) {
    std::string line = indent;
    for (std::size_t c = 0; c < r.size(); ++c)
      line += c + 1 < r.size() ? padRight(r[c], w[c]) + "  " : r[c];
    out << line << '\n';
  }
}

std::string withError(double value, double error) {
  return brief(value) + " +- " + brief(error);
}

std::int64_t scanPoints(const ScanTable& t) {
  const std::optional<std::int64_t> points = integerAttribute(t.run, "points");
  return points ? *points : static_cast<std::int64_t>(t.values.front().value.size());
}

void printScanText(const std::string& path, const ScanTable& t, std::ostream& out) {
  out << "file " << path << "\n\nscan of " << joined(t.columns, ", ") << ": "
      << t.values.front().value.size() << " of " << scanPoints(t)
      << " points finished (x: " << t.columns.front() << ")\n";
  if (!t.run.attributes.empty()) {
    out << "\nrun\n";
    std::size_t w = 0;
    for (const Attribute& a : t.run.attributes) w = std::max(w, a.name.size());
    for (const Attribute& a : t.run.attributes)
      out << "  " << padRight(a.name, w) << "  " << attributeText(a, false) << '\n';
  }
  out << "\ncolumns\n";
  std::vector<std::vector<std::string>> rows;
  for (const ScanColumn& c : t.values.front().columns)
    rows.push_back({c.name, c.longName, joined(distinctValues(c, false), ", ")});
  printTable(out, "  ", rows);
  for (const ScanValue& v : t.values) {
    out << '\n' << v.key << "  " << v.label << '\n';
    rows = {{"point"}};
    for (const ScanColumn& c : v.columns) rows[0].push_back(c.name);
    rows[0].push_back("value");
    if (v.error) rows[0].push_back("error");
    for (std::size_t k = 0; k < v.value.size(); ++k) {
      std::vector<std::string> r = {std::to_string(v.point[k])};
      for (const ScanColumn& c : v.columns) r.push_back(columnText(c, k, false));
      r.push_back(brief(v.value[k]));
      if (v.error) r.push_back(brief((*v.error)[k]));
      rows.push_back(r);
    }
    printTable(out, "  ", rows);
    if (!v.bracket) continue;
    const ScanBracket& b = *v.bracket;
    out << "  spread over the models\n";
    rows = {{}};
    for (const ScanColumn& c : b.columns) rows[0].push_back(c.name);
    for (const char* h : {"low", "high", "half range", "largest pull", "standard"})
      rows[0].push_back(h);
    for (std::size_t k = 0; k < b.low.size(); ++k) {
      std::vector<std::string> r;
      for (const ScanColumn& c : b.columns) r.push_back(columnText(c, k, false));
      r.push_back(withError(b.low[k], b.lowError[k]) + " (" + b.lowModel[k] + ")");
      r.push_back(withError(b.high[k], b.highError[k]) + " (" + b.highModel[k] + ")");
      r.push_back(brief(b.halfRange[k]));
      r.push_back(brief(b.largestPull[k]));
      r.push_back(brief(b.standard[k]));
      rows.push_back(r);
    }
    printTable(out, "    ", rows);
  }
}

void printScanJson(const std::string& path, const ScanTable& t, std::ostream& out) {
  out << "{\n  \"file\": " << jsonString(path) << ",\n  \"scan\": {\"points\": " << scanPoints(t)
      << ", \"finished\": " << t.values.front().value.size() << ", \"columns\": [";
  bool first = true;
  for (const ScanColumn& c : t.values.front().columns) {
    out << (first ? "" : ", ") << "{\"name\": " << jsonString(c.name)
        << ", \"long_name\": " << jsonString(c.longName) << ", \"units\": " << jsonString(c.units)
        << ", \"values\": [" << joined(distinctValues(c, true), ", ") << "]}";
    first = false;
  }
  out << "]},\n  \"run\": {";
  first = true;
  for (const Attribute& a : t.run.attributes) {
    out << (first ? "\n" : ",\n") << "    " << jsonString(a.name) << ": " << attributeText(a, true);
    first = false;
  }
  out << (first ? "" : "\n  ") << "},\n  \"values\": {";
  first = true;
  for (const ScanValue& v : t.values) {
    out << (first ? "\n" : ",\n") << "    " << jsonString(v.key)
        << ": {\"label\": " << jsonString(v.label) << ", \"unit\": " << jsonString(v.unit)
        << ", \"points\": [";
    for (std::size_t k = 0; k < v.value.size(); ++k) {
      out << (k ? ", " : "") << "{\"point\": " << v.point[k];
      for (const ScanColumn& c : v.columns)
        out << ", " << jsonString(c.name) << ": " << columnText(c, k, true);
      out << ", \"value\": " << jsonNumber(v.value[k]);
      if (v.error) out << ", \"error\": " << jsonNumber((*v.error)[k]);
      out << '}';
    }
    out << ']';
    if (v.bracket) {
      const ScanBracket& b = *v.bracket;
      out << ", \"bracket\": [";
      for (std::size_t k = 0; k < b.low.size(); ++k) {
        out << (k ? ", " : "") << '{';
        for (const ScanColumn& c : b.columns)
          out << jsonString(c.name) << ": " << columnText(c, k, true) << ", ";
        out << "\"low\": " << jsonNumber(b.low[k])
            << ", \"low_error\": " << jsonNumber(b.lowError[k])
            << ", \"low_model\": " << jsonString(b.lowModel[k])
            << ", \"high\": " << jsonNumber(b.high[k])
            << ", \"high_error\": " << jsonNumber(b.highError[k])
            << ", \"high_model\": " << jsonString(b.highModel[k])
            << ", \"half_range\": " << jsonNumber(b.halfRange[k])
            << ", \"largest_pull\": " << jsonNumber(b.largestPull[k])
            << ", \"standard\": " << jsonNumber(b.standard[k]) << '}';
      }
      out << ']';
    }
    out << '}';
    first = false;
  }
  out << "\n  }\n}\n";
}

// Messages end up on one line whatever the library put in them.
std::string oneLine(std::string s) {
  for (char& c : s) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return s;
}

}  // namespace

int inspectFile(const std::string& path, std::optional<int> id, bool json, std::ostream& out,
                std::ostream& err, const std::vector<SettingEntry>& settings) {
  std::ostringstream text;
  try {
    if (isScanTable(path)) {
      if (id) {
        err << "ornaplex inspect: " << path
            << " is a scan table (it holds report values per point, no histograms) inspect it "
               "without --id, or inspect a point's file\n";
        return kInspectFailure;
      }
      const ScanTable t = readScanTable(path);
      if (json) {
        printScanJson(path, t, text);
      } else {
        printScanText(path, t, text);
      }
      out << text.str();
      return 0;
    }
    const FileContents f = readContents(path);
    if (id) {
      if (!f.store.has(*id)) {
        err << "ornaplex inspect: " << path << " holds no histogram " << *id
            << " (run inspect without --id to list the ids)\n";
        return kInspectFailure;
      }
      const RunKind kind = runKindOf(f.run);
      if (json) {
        printHistogramJson(f.store, *id, kind, text);
        text << '\n';
      } else {
        // A run's file says which run made it; a converted table has no run to name.
        const std::optional<Attribute> seed = findAttribute(f.run, "seed");
        printCsv(f.store, *id,
                 seed ? "run " + attributeText(*seed, false) + ": " + kind.text() : std::string(),
                 text);
      }
    } else if (json) {
      printJson(path, f, settings, text);
    } else {
      printText(path, f, text);
    }
  } catch (const std::exception& e) {
    err << "ornaplex inspect: " << oneLine(e.what()) << '\n';
    return kUnreadableFile;
  }
  out << text.str();
  return 0;
}

}  // namespace ornaplex
