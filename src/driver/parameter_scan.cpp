#include "driver/parameter_scan.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/errors.h"
#include "common/number_text.h"
#include "driver/clock_record.h"
#include "driver/mpi_run.h"
#include "driver/option_values.h"
#include "driver/simulation.h"
#include "h5file/h5_handle.h"
#include "h5file/histogram_writer.h"
#include "h5file/readable_file.h"
#include "h5file/run_reader.h"
#include "results/plot_command.h"
#include "results/report.h"
#include "results/report_numbers.h"
#include "results/run_summary.h"

namespace ornaplex {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> split(std::string_view text, char by) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(by, from);
    parts.emplace_back(text.substr(from, at == std::string_view::npos ? at : at - from));
    if (at == std::string_view::npos) return parts;
    from = at + 1;
  }
}

// The table's name of a scanned option: the /run attribute it sets.
std::string columnOf(const std::string& option) {
  return option == "--temperature" ? "temperature_K"
         : option == "--field"     ? "field_mG"
                                   : option.substr(2);
}

// One point of the scan: its values and where it runs.
struct Point {
  std::vector<std::string> values;  // one per axis
  std::int32_t seed = 0;
  std::string dir, file;
};

// The finished point's report numbers, read back from its histogram file; empty when the file
// is missing or incomplete.
std::optional<std::vector<ReportNumber>> resultOf(const Point& p) {
  if (!fs::exists(p.file) || !unreadableReason(p.file).empty()) return std::nullopt;
  try {
    const StoredRun run = readStoredRun(p.file);
    const std::optional<RunTotals> totals = totalsFromSummary(run.summary);
    const std::optional<Attribute> events = findAttribute(run, "events");
    if (!totals || !events || !std::holds_alternative<std::int64_t>(events->value))
      return std::nullopt;
    return reportNumbers(std::get<std::int64_t>(events->value), totals->counters, totals->tallies,
                         totals->weighted);
  } catch (const Error&) {
    return std::nullopt;
  }
}

std::string csvNumber(double v) {
  return std::isfinite(v) ? shortestText(v) : "";
}

// Writes path whole: a temporary file next to it, renamed over the scan's previous table.
void replaceWith(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".partial";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      fs::remove(temporary);
      throw OutputError("cannot write " + path +
                        " (the write failed) check the disk and run "
                        "the scan again: its finished points are kept");
    }
  }
  fs::rename(temporary, path);
}

void writeTables(const std::string& dir, const std::vector<ScanAxis>& axes,
                 const std::vector<Point>& points,
                 const std::vector<std::optional<std::vector<ReportNumber>>>& results) {
  const std::vector<ReportNumber>* keys = nullptr;
  for (const auto& r : results)
    if (r) keys = &*r;
  std::ostringstream csv;
  csv << "point";
  for (const ScanAxis& a : axes) csv << ',' << columnOf(a.option);
  csv << ",seed,file";
  if (keys)
    for (const ReportNumber& n : *keys)
      csv << ',' << n.key << (n.error ? "," + n.key + "_error" : "");
  csv << '\n';
  for (std::size_t k = 0; k < points.size(); ++k) {
    if (!results[k]) continue;
    csv << k;
    for (const std::string& v : points[k].values) csv << ',' << v;
    csv << ',' << points[k].seed << ',' << points[k].file;
    for (const ReportNumber& n : *results[k])
      csv << ',' << csvNumber(n.value) << (n.error ? "," + csvNumber(*n.error) : "");
    csv << '\n';
  }
  replaceWith(dir + "/scan.csv", csv.str());
  if (!keys) return;

  // scan.h5: one NXdata per report value against the first scanned option (and the point
  // number), rebuilt whole each time.
  std::vector<double> axis, number;
  std::vector<std::size_t> done;
  for (std::size_t k = 0; k < points.size(); ++k)
    if (results[k]) {
      done.push_back(k);
      number.push_back(double(k));
      axis.push_back(std::stod(points[k].values[0]));
    }
  const std::string axisName = columnOf(axes[0].option);
  const std::string h5 = dir + "/scan.h5";
  fs::remove(h5);
  publishBuiltFile(NewFileName::exactly(h5), "scan table", [&](hid_t f) {
    // Marked so that ornaplex plot draws it as a scan.
    h5::Handle root(H5Gopen2(f, "/", H5P_DEFAULT), H5Gclose, "open the root group");
    h5::writeAttribute(root.get(), "program", std::string("ornaplex"));
    h5::writeAttribute(root.get(), "ornaplex_scan", axisName);
    root.close("close the root group");
    const auto n = static_cast<hsize_t>(done.size());
    for (std::size_t i = 0; i < keys->size(); ++i) {
      const ReportNumber& key = (*keys)[i];
      std::vector<double> values, errors;
      for (std::size_t k : done) {
        values.push_back((*results[k])[i].value);
        errors.push_back((*results[k])[i].error.value_or(0.0));
      }
      h5::Handle g(H5Gcreate2(f, key.key.c_str(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT), H5Gclose,
                   "create group " + key.key);
      h5::writeAttribute(g.get(), "NX_class", std::string("NXdata"));
      h5::writeAttribute(g.get(), "signal", std::string("value"));
      h5::writeAttribute(g.get(), "axes", axisName);
      h5::writeAttribute(g.get(), "title", key.label);
      h5::writeDataset(g.get(), "value", {n}, values.data(), false, {{"long_name", key.label}});
      if (key.error) h5::writeDataset(g.get(), "errors", {n}, errors.data(), false);
      h5::writeDataset(g.get(), axisName, {n}, axis.data(), false, {{"long_name", axisName}});
      h5::writeDataset(g.get(), "point", {n}, number.data(), false);
      g.close("close group " + key.key);
    }
  });
}

}  // namespace

std::optional<ScanAxis> scanAxisOf(std::string_view option, std::string_view text) {
  const bool list = text.find(',') != std::string_view::npos;
  const bool range = text.find(':') != std::string_view::npos;
  if (!list && !range) return std::nullopt;
  const std::string shown(option);
  ScanAxis axis{shown, {}};
  if (list) {
    axis.values = split(text, ',');
    for (const std::string& v : axis.values)
      if (v.empty())
        throw UsageError(shown + " " + typedValue(text) +
                         ": an empty item in the list give values separated by single commas");
    return axis;
  }
  const std::vector<std::string> parts = split(text, ':');
  if (parts.size() != 3)
    throw UsageError(shown + " " + typedValue(text) +
                     ": not a range (a range is LOW:HIGH:POINTS) give e.g. 0.8:2.4:5");
  const double lo = readRealNumber(option, parts[0], "the range's low end");
  const double hi = readRealNumber(option, parts[1], "the range's high end");
  const std::int64_t n = readWholeNumber(option, parts[2], 2, 1000, "points");
  for (std::int64_t i = 0; i < n; ++i)
    axis.values.push_back(
        shortestText(i + 1 == n ? hi : lo + (hi - lo) * double(i) / double(n - 1)));
  return axis;
}

std::int32_t pointSeed(std::int32_t scanSeed, std::int64_t point) {
  // The splitmix64 finaliser of (seed, point): distinct points rarely share a seed.
  std::uint64_t z = (std::uint64_t(std::uint32_t(scanSeed)) << 32) ^ std::uint64_t(point);
  z += 0x9e3779b97f4a7c15ULL;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  z ^= z >> 31;
  return std::int32_t(z % 2147483647ULL) + 1;
}

int runScan(const RunOptions& base, const std::vector<ScanAxis>& axes, std::ostream& screen,
            const std::atomic<bool>* stop) {
  // Under MPI every rank runs every point together; rank 0 alone decides, writes and prints.
  const bool root = rankIndex() == 0;
  std::ostringstream elsewhere;
  std::ostream& out = root ? screen : elsewhere;
  const auto scanSeed =
      std::int32_t(broadcastFromRoot(std::int64_t(base.seed ? *base.seed : ranNoOf(readClock()))));
  std::vector<Point> points(1);
  for (const ScanAxis& a : axes) {
    std::vector<Point> next;
    for (const Point& p : points)
      for (const std::string& v : a.values) {
        Point q = p;
        q.values.push_back(v);
        next.push_back(q);
      }
    points = next;
  }
  const std::string width = std::to_string(points.size() - 1);
  if (root) fs::create_directories(base.outputDir);
  // Every point's options are read before the first runs.
  std::vector<RunOptions> options;
  for (std::size_t k = 0; k < points.size(); ++k) {
    Point& p = points[k];
    std::string number = std::to_string(k);
    number.insert(0, width.size() - number.size(), '0');
    p.seed = pointSeed(scanSeed, std::int64_t(k));
    p.dir = base.outputDir + "/point-" + number;
    p.file = p.dir + "/" + outputFileBase(p.seed) + ".h5";
    RunOptions o = base;
    for (std::size_t a = 0; a < axes.size(); ++a) setRunOption(o, axes[a].option, p.values[a]);
    o.seed = p.seed;
    o.outputDir = p.dir;
    validateRunOptions(o);
    options.push_back(o);
  }
  out << "   Scan of " << points.size() << " points, seed " << scanSeed << ", in " << base.outputDir
      << "\n";

  std::vector<std::optional<std::vector<ReportNumber>>> results(points.size());
  int status = 0;
  for (std::size_t k = 0; k < points.size(); ++k) {
    results[k] = resultOf(points[k]);
    if (broadcastFromRoot(std::int64_t(results[k].has_value())) == 0) results[k].reset();
    std::string values;
    for (std::size_t a = 0; a < axes.size(); ++a)
      values += " " + columnOf(axes[a].option) + " " + points[k].values[a];
    if (results[k]) {
      out << "   Point " << k << values << ": done already (" << points[k].file << ")\n";
      continue;
    }
    if (status == 0) {
      out << "   Point " << k << values << ", seed " << points[k].seed << "\n";
      status = runSimulation(options[k], out, stop);
      results[k] = resultOf(points[k]);
    }
  }
  if (!root) return status;
  writeTables(base.outputDir, axes, points, results);
  std::size_t finished = 0;
  for (const auto& r : results) finished += r.has_value();
  out << "   Scan table " << base.outputDir << "/scan.csv and " << base.outputDir
      << "/scan.h5: " << finished << " of " << points.size() << " points\n";
  if (finished == points.size()) {
    // The curves, drawn as `ornaplex plot` draws the table; a machine without the plotting
    // modules still has its scan.
    std::ostringstream why;
    const std::string pictures = base.outputDir + "/scan-plots";
    if (plotFile(base.outputDir + "/scan.h5", pictures, why, plotScriptPath(ORNAPLEX_DATA_DIR)) !=
        0)
      out << "   The curves were not drawn: " << why.str();
  }
  if (finished < points.size()) {
    out << "   Run the same command again (with --seed " << scanSeed
        << ") to complete the missing points; the finished ones are kept\n";
    return kInterruptedExitCode;
  }
  return status;
}

}  // namespace ornaplex
