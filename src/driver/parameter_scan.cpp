#include "driver/parameter_scan.h"

#include <filesystem>
#include <sstream>
#include <system_error>

#include "common/errors.h"
#include "common/simd_level.h"
#include "driver/clock_record.h"
#include "driver/merge.h"
#include "driver/mpi_run.h"
#include "driver/option_values.h"
#include "driver/run_inputs.h"
#include "driver/run_settings.h"
#include "driver/scan_point.h"
#include "driver/scan_record.h"
#include "driver/scan_table.h"
#include "driver/simulation.h"
#include "driver/text_file.h"
#include "h5file/readable_file.h"
#include "h5file/run_reader.h"
#include "results/plot_command.h"
#include "results/report.h"
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

// One point of the scan: its row of the table, where it runs and what its files must hold.
struct ScanPoint {
  ScanPointRow row;
  std::string dir, file;
  RunOptions options;
  std::vector<Attribute> expected;  // the /run attributes its run records
};

// What to do for a point, as rank 0 decided it.
enum class PointStep : std::int64_t { Done = 0, Run = 1, Resume = 2 };

// The finished point's report numbers, read back from its histogram file; none when the file
// is missing or incomplete.
std::optional<std::vector<ReportNumber>> resultOf(const std::string& file) {
  if (!fs::exists(file) || !unreadableReason(file).empty()) return std::nullopt;
  try {
    const StoredRun run = readStoredRun(file);
    const std::optional<RunTotals> totals = totalsFromSummary(run.summary);
    const std::optional<Attribute> events = findAttribute(run, "events");
    if (!totals || !events || !std::holds_alternative<std::int64_t>(events->value))
      return std::nullopt;
    return reportNumbers(std::get<std::int64_t>(events->value), totals->counters, totals->tallies,
                         totals->weighted, totals->pairs);
  } catch (const Error&) {
    return std::nullopt;
  }
}

std::vector<std::string> columnsOf(const std::vector<ScanAxis>& axes) {
  std::vector<std::string> columns;
  for (const ScanAxis& a : axes) columns.emplace_back(settingOfOption(a.option)->attribute);
  return columns;
}

// The points: the product of the axes, the first typed varying slowest. Every point's options
// are read before the first runs.
std::vector<ScanPoint> planPoints(const RunOptions& base, const std::vector<ScanAxis>& axes,
                                  std::int32_t scanSeed, const std::vector<InputFile>& inputs) {
  std::vector<std::vector<std::string>> values(1);
  for (const ScanAxis& a : axes) {
    std::vector<std::vector<std::string>> next;
    for (const auto& v : values)
      for (const std::string& x : a.values) {
        next.push_back(v);
        next.back().push_back(x);
      }
    values = next;
  }
  const std::string width = std::to_string(values.size() - 1);
  std::vector<ScanPoint> points;
  for (std::size_t k = 0; k < values.size(); ++k) {
    ScanPoint p;
    std::string number = std::to_string(k);
    number.insert(0, width.size() - number.size(), '0');
    p.row.number = std::int64_t(k);
    p.row.values = values[k];
    p.row.seed = pointSeed(scanSeed, std::int64_t(k));
    p.options = base;
    for (std::size_t a = 0; a < axes.size(); ++a)
      setRunOption(p.options, axes[a].option, values[k][a]);
    p.options.seed = p.row.seed;
    p.options.outputDir = joinPath(base.outputDir, "point-" + number);
    p.options.inScan = true;
    validateRunOptions(p.options);
    p.dir = p.options.outputDir;
    p.row.file = "point-" + number + "/" + outputFileBase(p.row.seed) + ".h5";
    p.file = joinPath(base.outputDir, p.row.file);
    const RunDescription run = describeOptions(p.options, p.row.seed, inputs);
    p.expected = run.attributes();
    p.row.settings = p.expected;
    points.push_back(std::move(p));
  }
  return points;
}

// A directory that holds a scan but no record of it: written before scans kept one.
bool holdsUnrecordedScan(const std::string& dir) {
  if (!fs::is_directory(dir)) return false;
  for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name == "scan.csv" || name.rfind("point-", 0) == 0) return true;
  }
  return false;
}

// The scan's seed: as given, else the one the directory's scan holds, else the clock's.
std::int32_t scanSeedOf(const RunOptions& base, const std::optional<std::vector<Attribute>>& held,
                        std::ostream& out) {
  if (base.seed) return *base.seed;
  if (held) {
    const std::string seed = recordValue(*held, "seed");
    out << "   Scan seed " << seed << ": the seed of the scan " << base.outputDir
        << " holds (give --seed to choose one)\n";
    return std::int32_t(readWholeNumber("seed", seed, 0, 2147483647));
  }
  if (holdsUnrecordedScan(base.outputDir))
    throw UsageError("--output-dir " + base.outputDir +
                     ": it holds a scan with no settings record (written by an earlier "
                     "ornaplex) give that scan's --seed to complete it, or another --output-dir");
  return ranNoOf(readClock());
}

std::string valuesText(const std::vector<std::string>& columns, const ScanPoint& p) {
  std::string text;
  for (std::size_t a = 0; a < columns.size(); ++a) text += " " + columns[a] + " " + p.row.values[a];
  return text;
}

// Merges a resumed point's partial files into its file and moves what they superseded aside.
void finishResumedPoint(const ScanPoint& p, std::ostream& out) {
  const PointFiles files = examinePoint(p.dir, p.row.seed, p.expected);
  // The interrupted run's log and long-path lines are superseded by the merge's, which holds all.
  std::vector<std::string> leftovers = interruptedLeftovers(p.dir);
  moveSuperseded(p.dir, leftovers);
  runMerge(p.file, files.partials, out);
  std::vector<std::string> done = files.partials;
  done.insert(done.end(), files.empty.begin(), files.empty.end());
  out << "   Point " << p.row.number << ": superseded files moved to "
      << moveSuperseded(p.dir, done) << "\n";
}

// Runs point p from where its files leave it (rank 0 decided step and nextBlock). Returns the
// run's exit status.
int runPoint(ScanPoint& p, PointStep step, std::int64_t nextBlock, const std::string& where,
             std::ostream& out, const std::atomic<bool>* stop) {
  RunOptions o = p.options;
  if (step == PointStep::Resume) {
    out << "   Point " << p.row.number << where << ", seed " << p.row.seed
        << ": resumed from block " << nextBlock << "\n";
    const std::int64_t blocks =
        BlockPlan{o.events, o.blockSize > 0 ? o.blockSize : DEFAULT_BLOCK_SIZE}.blockCount();
    if (nextBlock < blocks) {
      o.firstBlock = nextBlock;
      o.lastBlock = blocks - 1;
      const int status = runSimulation(o, out, stop);
      if (status != 0) return status;
    }
    if (rankIndex() == 0) finishResumedPoint(p, out);
    return 0;
  }
  out << "   Point " << p.row.number << where << ", seed " << p.row.seed << "\n";
  return runSimulation(o, out, stop);
}

struct ScanState {
  std::vector<ScanPoint> points;
  std::vector<Attribute> record;
  std::vector<PointFiles> files;  // rank 0
};

// Removes what a scan that failed before any point ran created: the empty point directories, the
// record and the scan directory itself when nothing else is in it.
void removeUnused(const std::string& dir, const std::vector<ScanPoint>& points,
                  const fs::path& topCreated) {
  std::error_code ec;
  for (const ScanPoint& p : points)
    if (fs::is_directory(p.dir, ec) && fs::is_empty(p.dir, ec)) fs::remove(p.dir, ec);
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec))
    if (e.path().filename() != kScanRecordName) return;
  fs::remove(joinPath(dir, kScanRecordName), ec);
  // The directories the scan created, from the deepest up.
  for (fs::path d = dir; !d.empty(); d = d.parent_path()) {
    if (!fs::remove(d, ec) || d == topCreated) break;
  }
}

// The outermost directory of path that does not exist yet (empty when path exists).
fs::path firstMissing(const fs::path& path) {
  fs::path missing;
  for (fs::path d = path; !d.empty() && !fs::exists(d); d = d.parent_path()) missing = d;
  return missing;
}

// Sets each damaged file aside (never deleting it) with what its run left beside it.
void setDamagedAside(const ScanState& s, std::ostream& out) {
  for (std::size_t k = 0; k < s.files.size(); ++k) {
    const PointFiles& f = s.files[k];
    for (std::size_t i = 0; i < f.damaged.size(); ++i)
      out << "   Point " << k << ": " << f.damaged[i] << " cannot be read (" << f.reasons[i]
          << "); set aside as " << setAside(f.damaged[i]) << ", the point runs again\n";
    if (!f.damaged.empty() && !f.finished && f.nextBlock == 0) {
      const std::vector<std::string> leftovers = interruptedLeftovers(s.points[k].dir);
      if (!leftovers.empty()) moveSuperseded(s.points[k].dir, leftovers);
    }
  }
}

// Everything checked before anything is written: the directory's scan, the seed, the points and
// every file they hold.
ScanState prepareScan(const RunOptions& base, const std::vector<ScanAxis>& axes, bool root,
                      std::ostream& out, std::optional<std::vector<Attribute>>& held) {
  const RunInputs inputs = loadRunInputs(base.dataDir);
  simdLevelFromEnvironment();  // a refused path is refused before anything is written
  held = root ? readScanRecord(base.outputDir) : std::nullopt;
  const auto seed =
      std::int32_t(broadcastFromRoot(std::int64_t(root ? scanSeedOf(base, held, out) : 0)));
  ScanState s;
  s.record = scanRecord(base, axes, seed, inputs.files);
  if (held) refuseOtherScan(base.outputDir, *held, s.record);
  s.points = planPoints(base, axes, seed, inputs.files);
  if (root)
    for (const ScanPoint& p : s.points)
      s.files.push_back(examinePoint(p.dir, p.row.seed, p.expected));
  out << "   Scan of " << s.points.size() << " points, seed " << seed << ", in " << base.outputDir
      << "\n";
  return s;
}

// Runs the points in order until one is interrupted; returns the exit status.
int runPoints(ScanState& s, const std::vector<std::string>& columns, bool root, std::ostream& out,
              const std::atomic<bool>* stop) {
  for (std::size_t k = 0; k < s.points.size(); ++k) {
    ScanPoint& p = s.points[k];
    // Ctrl-C between points stops the scan, whether or not the points have events.
    if (broadcastFromRoot(std::int64_t(stop && stop->load())) != 0) return kInterruptedExitCode;
    PointStep step = PointStep::Run;
    std::int64_t next = 0;
    if (root) {
      const PointFiles& f = s.files[k];
      step = f.finished ? PointStep::Done : f.nextBlock > 0 ? PointStep::Resume : PointStep::Run;
      next = f.nextBlock;
    }
    step = PointStep(broadcastFromRoot(std::int64_t(step)));
    next = broadcastFromRoot(next);
    if (step == PointStep::Done) {
      out << "   Point " << k << valuesText(columns, p) << ": done already (" << p.file << ")\n";
    } else if (const int status = runPoint(p, step, next, valuesText(columns, p), out, stop);
               status != 0) {
      return status;
    }
    if (root) p.row.result = resultOf(p.file);
  }
  return 0;
}

void drawScan(const std::string& dir, std::ostream& out) {
  // The curves, drawn as `ornaplex plot` draws the table; a machine without the plotting modules
  // still has its scan.
  std::ostringstream why;
  out.flush();  // the plotting script's lines come after the scan's own
  if (plotFile(joinPath(dir, "scan.h5"), joinPath(dir, "scan-plots"), why,
               plotScriptPath(ORNAPLEX_DATA_DIR)) != 0)
    out << "   The curves were not drawn: " << why.str();
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
  const auto notRange = [&](const std::string& why) {
    return UsageError(shown + " " + typedValue(text) + ": not a range (" + why +
                      ") give LOW:HIGH:POINTS, e.g. 0.8:2.4:5");
  };
  if (option == "--model") throw notRange("the model takes a list such as standard,jacobian");
  if (parts.size() != 3) throw notRange("a range is LOW:HIGH:POINTS");
  std::int64_t n = 0;
  try {
    n = readWholeNumber(option, parts[2], 2, 1000, "points");
  } catch (const UsageError&) {
    throw notRange("its POINTS " + typedValue(parts[2]) + " is not a whole number from 2 to 1000");
  }
  axis.values = decimalSteps(option, text, parts[0], parts[1], n);
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
  const std::vector<std::string> columns = columnsOf(axes);
  std::optional<std::vector<Attribute>> held;
  ScanState s = prepareScan(base, axes, root, out, held);
  const fs::path created = firstMissing(base.outputDir);
  int status = 0;
  try {
    if (root) {
      fs::create_directories(base.outputDir);
      if (!held) writeScanRecord(base.outputDir, s.record, base.command);
      setDamagedAside(s, out);
    }
    status = runPoints(s, columns, root, out, stop);
  } catch (const Error&) {
    if (root && !created.empty()) removeUnused(base.outputDir, s.points, created);
    throw;
  }
  if (!root) return status;
  std::vector<ScanPointRow> rows;
  for (const ScanPoint& p : s.points) rows.push_back(p.row);
  std::vector<Attribute> settings = s.record;  // and the command that made the table
  settings.push_back({"command", base.command});
  writeScanTables({base.outputDir, columns, settings, rows}, out);
  std::size_t finished = 0;
  for (const ScanPointRow& r : rows) finished += r.result.has_value();
  out << "   Scan table " << joinPath(base.outputDir, "scan.csv") << " and "
      << joinPath(base.outputDir, "scan.h5") << ": " << finished << " of " << rows.size()
      << " points\n";
  if (finished == rows.size()) drawScan(base.outputDir, out);
  if (finished < rows.size()) {
    out << "   Interrupted: run the same command again to complete the missing points (the "
           "finished ones are kept, an interrupted one resumes from its finished blocks)\n";
    return kInterruptedExitCode;
  }
  return status;
}

}  // namespace ornaplex
