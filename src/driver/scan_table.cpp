#include "driver/scan_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <sstream>

#include "common/number_text.h"
#include "driver/run_settings.h"
#include "driver/text_file.h"
#include "h5file/published_file.h"
#include "h5file/scan_file.h"

namespace ornaplex {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr const char* kModel = "scattering_model";

// The settings every table line shows, scanned or not, so that a table says what it holds.
// (The events are among the report values.)
constexpr std::string_view kShownSettings[] = {"field_mG",        "temperature_K", kModel, "mode",
                                               "bias_angle_mrad", "bias_splits",   "pairs"};

// The values the bracket's screen table shows; the files hold every value.
constexpr std::string_view kHeadline[] = {"rot_diff_scat_share",   "rot_diff_scat",
                                          "rot_scat_left",         "rot_scat_right",
                                          "frac_helium_scattered", "frac_det_scattered"};

std::string csvNumber(double v) {
  return std::isfinite(v) ? shortestText(v) : "";
}

std::string shownValue(const ScanPointRow& p, std::string_view name) {
  for (const Attribute& a : p.settings)
    if (a.name == name) return settingText(a.value);
  // What a run that records nothing there has: "analog", pairs "off".
  const RunSetting* s = settingOfAttribute(name);
  return s ? std::string(s->absentMeans) : "";
}

std::vector<unsigned char> bytesOf(const std::string& s) {
  return {s.begin(), s.end()};
}

void writeText(const std::string& path, const std::string& what, const std::string& text) {
  publishNewFile(NewFileName::replacingAt(path), what, bytesOf(text));
}

const std::vector<ReportNumber>* anyResult(const ScanTableInput& in) {
  for (const ScanPointRow& p : in.points)
    if (p.result) return &*p.result;
  return nullptr;
}

void writeCsv(const ScanTableInput& in) {
  const std::vector<ReportNumber>* keys = anyResult(in);
  std::vector<std::string_view> fixed;
  for (std::string_view s : kShownSettings)
    if (std::find(in.columns.begin(), in.columns.end(), s) == in.columns.end()) fixed.push_back(s);
  std::ostringstream csv;
  csv << "point";
  for (const std::string& c : in.columns) csv << ',' << c;
  for (std::string_view f : fixed) csv << ',' << f;
  csv << ",seed,file";
  if (keys)
    for (const ReportNumber& n : *keys)
      csv << ',' << n.key << (n.error ? "," + n.key + "_error" : "");
  csv << '\n';
  for (const ScanPointRow& p : in.points) {
    if (!p.result) continue;
    csv << p.number;
    for (const std::string& v : p.values) csv << ',' << v;
    for (std::string_view f : fixed) csv << ',' << shownValue(p, f);
    csv << ',' << p.seed << ',' << p.file;
    for (const ReportNumber& n : *p.result)
      csv << ',' << csvNumber(n.value) << (n.error ? "," + csvNumber(*n.error) : "");
    csv << '\n';
  }
  writeText(joinPath(in.dir, "scan.csv"), "scan table", csv.str());
}

// The points of each combination of the other scanned settings, in order of first appearance.
struct BracketGroup {
  std::vector<std::string> others;  // the other columns' values, as typed
  std::vector<const ScanPointRow*> points;
};

std::vector<BracketGroup> bracketGroups(const ScanTableInput& in, std::size_t model) {
  std::vector<BracketGroup> groups;
  for (const ScanPointRow& p : in.points) {
    std::vector<std::string> others = p.values;
    others.erase(others.begin() + std::ptrdiff_t(model));
    auto g = std::find_if(groups.begin(), groups.end(),
                          [&](const BracketGroup& x) { return x.others == others; });
    if (g == groups.end()) g = groups.insert(groups.end(), BracketGroup{others, {}});
    if (p.result) g->points.push_back(&p);
  }
  return groups;
}

struct BracketRow {
  double low = kNaN, lowError = kNaN, high = kNaN, highError = kNaN, halfRange = kNaN;
  double largestPull = kNaN, standard = kNaN;
  std::string lowModel, highModel;
};

// The spread of report value i over the models of one group.
BracketRow bracketOf(const BracketGroup& g, std::size_t i) {
  BracketRow b;
  const ReportNumber* standard = nullptr;
  for (const ScanPointRow* p : g.points)
    if (shownValue(*p, kModel) == "standard") standard = &(*p->result)[i];
  for (const ScanPointRow* p : g.points) {
    const ReportNumber& n = (*p->result)[i];
    if (!std::isfinite(n.value)) continue;
    const double error = n.error.value_or(kNaN);
    if (b.lowModel.empty() || n.value < b.low) {
      b.low = n.value;
      b.lowError = error;
      b.lowModel = shownValue(*p, kModel);
    }
    if (b.highModel.empty() || n.value > b.high) {
      b.high = n.value;
      b.highError = error;
      b.highModel = shownValue(*p, kModel);
    }
    if (standard && std::isfinite(standard->value) && &n != standard) {
      const double e = std::hypot(error, standard->error.value_or(kNaN));
      const double pull = std::fabs(n.value - standard->value) / e;
      if (std::isfinite(pull) && !(pull <= b.largestPull)) b.largestPull = pull;
    }
  }
  b.halfRange = 0.5 * (b.high - b.low);
  b.standard = standard ? standard->value : kNaN;
  return b;
}

std::string otherColumns(const ScanTableInput& in, std::size_t model) {
  std::string names;
  for (std::size_t c = 0; c < in.columns.size(); ++c)
    if (c != model) names += in.columns[c] + ",";
  return names;
}

void writeBracketCsv(const ScanTableInput& in, std::size_t model,
                     const std::vector<BracketGroup>& groups) {
  const std::vector<ReportNumber>& keys = *anyResult(in);
  std::ostringstream csv;
  csv << otherColumns(in, model)
      << "value,low,low_error,low_model,high,high_error,high_model,half_range,largest_pull,"
         "standard\n";
  for (const BracketGroup& g : groups)
    for (std::size_t i = 0; i < keys.size() && !g.points.empty(); ++i) {
      const BracketRow b = bracketOf(g, i);
      for (const std::string& v : g.others) csv << v << ',';
      csv << keys[i].key << ',' << csvNumber(b.low) << ',' << csvNumber(b.lowError) << ','
          << b.lowModel << ',' << csvNumber(b.high) << ',' << csvNumber(b.highError) << ','
          << b.highModel << ',' << csvNumber(b.halfRange) << ',' << csvNumber(b.largestPull) << ','
          << csvNumber(b.standard) << '\n';
    }
  writeText(joinPath(in.dir, "scan-bracket.csv"), "scan bracket table", csv.str());
}

// A scanned setting's column over rows: numbers, or names (the model).
ScanColumn columnOf(const std::string& name, const std::vector<const ScanPointRow*>& rows) {
  const RunSetting* s = settingOfAttribute(name);
  ScanColumn c;
  c.name = name;
  c.longName = name;
  if (s) {
    c.units = std::string(s->unit);
    c.longName = std::string(s->label) + (s->unit.empty() ? "" : " (" + c.units + ")");
  }
  for (const ScanPointRow* p : rows) {
    AttributeValue v = std::string();
    for (const Attribute& a : p->settings)
      if (a.name == name) v = a.value;
    c.numeric = !std::holds_alternative<std::string>(v);
    if (const auto* i = std::get_if<std::int64_t>(&v)) c.numbers.push_back(double(*i));
    if (const auto* d = std::get_if<double>(&v)) c.numbers.push_back(*d);
    if (const auto* t = std::get_if<std::string>(&v)) c.names.push_back(*t);
  }
  return c;
}

ScanBracket scanBracket(const ScanTableInput& in, std::size_t model,
                        const std::vector<BracketGroup>& groups, std::size_t i) {
  ScanBracket out;
  std::vector<const ScanPointRow*> firsts;
  for (const BracketGroup& g : groups) {
    if (g.points.empty()) continue;
    firsts.push_back(g.points.front());
    const BracketRow b = bracketOf(g, i);
    out.low.push_back(b.low);
    out.lowError.push_back(b.lowError);
    out.high.push_back(b.high);
    out.highError.push_back(b.highError);
    out.halfRange.push_back(b.halfRange);
    out.largestPull.push_back(b.largestPull);
    out.standard.push_back(b.standard);
    out.lowModel.push_back(b.lowModel);
    out.highModel.push_back(b.highModel);
  }
  for (std::size_t c = 0; c < in.columns.size(); ++c)
    if (c != model) out.columns.push_back(columnOf(in.columns[c], firsts));
  return out;
}

void writeH5(const ScanTableInput& in, std::optional<std::size_t> model,
             const std::vector<BracketGroup>& groups) {
  const std::vector<ReportNumber>* keys = anyResult(in);
  if (!keys) return;
  ScanTable t;
  t.columns = in.columns;
  t.run.attributes = in.record;
  t.run.attributes.push_back({"points", std::int64_t(in.points.size())});
  std::vector<const ScanPointRow*> done;
  std::vector<std::int64_t> numbers;
  for (const ScanPointRow& p : in.points)
    if (p.result) {
      done.push_back(&p);
      numbers.push_back(p.number);
    }
  std::vector<ScanColumn> columns;
  for (const std::string& c : in.columns) columns.push_back(columnOf(c, done));
  for (std::size_t i = 0; i < keys->size(); ++i) {
    const ReportNumber& key = (*keys)[i];
    ScanValue v;
    v.key = key.key;
    v.label = key.label;
    const std::size_t open = key.label.rfind(" (");
    if (open != std::string::npos && key.label.back() == ')')
      v.unit = key.label.substr(open + 2, key.label.size() - open - 3);
    v.point = numbers;
    v.columns = columns;
    if (key.error) v.error.emplace();
    for (const ScanPointRow* p : done) {
      v.value.push_back((*p->result)[i].value);
      if (v.error) v.error->push_back((*p->result)[i].error.value_or(kNaN));
    }
    if (model) v.bracket = scanBracket(in, *model, groups, i);
    t.values.push_back(std::move(v));
  }
  writeScanFile(joinPath(in.dir, "scan.h5"), t);
}

std::string withError(double v, double e) {
  char text[64];
  if (std::isfinite(e))
    std::snprintf(text, sizeof text, "%.4g +- %.2g", v, e);
  else
    std::snprintf(text, sizeof text, "%.4g", v);
  return text;
}

void printBracket(const ScanTableInput& in, std::size_t model,
                  const std::vector<BracketGroup>& groups, std::ostream& screen) {
  const std::vector<ReportNumber>& keys = *anyResult(in);
  screen << "   Spread over the models (every value in " << joinPath(in.dir, "scan-bracket.csv")
         << "):\n";
  for (const BracketGroup& g : groups) {
    std::string where;
    for (std::size_t c = 0, o = 0; c < in.columns.size(); ++c)
      if (c != model) where += " " + in.columns[c] + " " + g.others[o++];
    if (!where.empty()) screen << "  " << where << "\n";
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (std::find(std::begin(kHeadline), std::end(kHeadline), keys[i].key) == std::end(kHeadline))
        continue;
      const BracketRow b = bracketOf(g, i);
      char pull[32] = "";
      if (std::isfinite(b.largestPull))
        std::snprintf(pull, sizeof pull, ", largest pull %.2f", b.largestPull);
      char half[32];
      std::snprintf(half, sizeof half, "%.3g", b.halfRange);
      screen << "     " << keys[i].key << ": " << withError(b.low, b.lowError) << " (" << b.lowModel
             << ") to " << withError(b.high, b.highError) << " (" << b.highModel << "), half range "
             << half << pull << "\n";
    }
  }
}

}  // namespace

void writeScanTables(const ScanTableInput& in, std::ostream& screen) {
  writeCsv(in);
  std::optional<std::size_t> model;
  for (std::size_t c = 0; c < in.columns.size(); ++c)
    if (in.columns[c] == kModel) model = c;
  std::vector<BracketGroup> groups;
  if (model && anyResult(in)) {
    groups = bracketGroups(in, *model);
    writeBracketCsv(in, *model, groups);
  }
  writeH5(in, model, groups);
  const bool all = std::all_of(in.points.begin(), in.points.end(),
                               [](const ScanPointRow& p) { return p.result.has_value(); });
  if (model && all && anyResult(in)) printBracket(in, *model, groups, screen);
}

}  // namespace ornaplex
