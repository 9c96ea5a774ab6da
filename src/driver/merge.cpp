#include "driver/merge.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <variant>

#include "common/errors.h"
#include "driver/partial_run.h"
#include "driver/progress_bar.h"
#include "driver/run_report.h"
#include "driver/text_file.h"
#include "h5file/partial_file.h"

namespace ornaplex {

namespace {

bool exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

std::string show(const Attribute& a) {
  return std::visit(
      [](const auto& v) {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>)
          return v;
        else {
          std::ostringstream s;
          s.precision(17);
          s << v;
          return s.str();
        }
      },
      a.value);
}

// Refuses b unless it describes the same run as a (everything that fixes the results).
void checkSameRun(const PartialContents& a, const std::string& pathA, const PartialContents& b,
                  const std::string& pathB) {
  std::vector<std::string> names = {"version",  "seed",          "events", "block_size",
                                    "field_mG", "temperature_K", "inputs", "booking_sha256"};
  names.push_back("field_used_mG");
  for (const Attribute& x : a.run)
    if (x.name.rfind("input_", 0) == 0 && x.name.size() > 7 &&
        x.name.compare(x.name.size() - 7, 7, "_sha256") == 0)
      names.push_back(x.name);
  names.push_back("stream_scheme");  // older partial files have none: they merge only together
  names.push_back("scattering_model");
  // A weighted run records its mode and bias; analog files have none of them.
  for (const char* n : {"mode", "bias_scheme", "bias_angle_mrad", "bias_slow_meV", "bias_splits"})
    names.push_back(n);
  // Files written before the model was recorded ran the standard model.
  const Attribute standard{"scattering_model", std::string("standard")};
  for (const std::string& n : names) {
    const Attribute* x = a.attribute(n);
    const Attribute* y = b.attribute(n);
    if (n == "scattering_model") {
      if (!x) x = &standard;
      if (!y) y = &standard;
    }
    if ((n == "stream_scheme" || n == "field_used_mG" || n.rfind("bias_", 0) == 0 || n == "mode") &&
        !x && !y)
      continue;
    if (!x || !y || x->value != y->value)
      throw InputError("cannot merge " + pathB + " with " + pathA + " (their " + n +
                       " differ: " + (y ? show(*y) : "none") + " against " +
                       (x ? show(*x) : "none") + ") merge only the partial files of one run");
  }
  if (a.weighted != b.weighted)
    throw InputError("cannot merge " + pathB + " with " + pathA + " (one holds a weighted run, " +
                     "the other an analog run) merge only the partial files of one run");
  if (a.store.weighted() != b.store.weighted())
    throw InputError("cannot merge " + pathB + " with " + pathA + " (" +
                     (b.store.weighted() ? pathB : pathA) +
                     " holds weighted histograms, the other not) merge only the partial files "
                     "of one run");
  if (!a.store.sameBooking(b.store))
    throw InputError("cannot merge " + pathB + " with " + pathA +
                     " (their histograms are booked differently) merge only the partial files "
                     "of one run");
}

}  // namespace

std::string mergeLogName(const std::string& outPath) {
  const std::string ext = ".h5";
  if (outPath.size() > ext.size() &&
      outPath.compare(outPath.size() - ext.size(), ext.size(), ext) == 0)
    return outPath.substr(0, outPath.size() - ext.size()) + ".o";
  return outPath + ".o";
}

int runMerge(const std::string& outPath, const std::vector<std::string>& inputs,
             std::ostream& out) {
  const std::string logPath = mergeLogName(outPath);
  for (const std::string& p : {outPath, logPath})
    if (exists(p))
      throw OutputError(p + " already exists (a merge never overwrites a file) move it away or " +
                        "choose another OUT");
  if (inputs.empty()) throw UsageError("merge: give the partial files to add after OUT");

  std::vector<PartialContents> files;
  for (const std::string& p : inputs) {
    files.push_back(readPartialFile(p));
    describedRun(files.back(), p);  // every file must describe a run
    if (files.size() > 1) checkSameRun(files.front(), inputs.front(), files.back(), p);
  }

  struct Row {
    const PartialRecord* record;
    std::size_t file;
  };
  std::vector<Row> rows;
  for (std::size_t f = 0; f < files.size(); ++f)
    for (const PartialRecord& r : files[f].records) rows.push_back({&r, f});
  std::sort(rows.begin(), rows.end(),
            [](const Row& a, const Row& b) { return a.record->first < b.record->first; });

  const RunDescription any = describedRun(files.front(), inputs.front());
  const std::int64_t count = any.plan.blockCount();
  std::string missing;
  std::int64_t next = 0;
  auto gap = [&](std::int64_t from, std::int64_t to) {
    if (!missing.empty()) missing += ", ";
    missing += std::to_string(from) + ":" + std::to_string(to);
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const PartialRecord& r = *rows[i].record;
    if (r.last >= count)
      throw InputError("cannot merge " + inputs[rows[i].file] + " (it holds block " +
                       std::to_string(r.last) + " of a run of " + std::to_string(count) +
                       " blocks) give partial files of one run");
    if (r.first < next)
      throw InputError("cannot merge " + inputs[rows[i].file] + " with " +
                       inputs[rows[i - 1].file] + " (both hold block " + std::to_string(r.first) +
                       ") give every block once");
    if (r.first > next) gap(next, r.first - 1);
    next = r.last + 1;
  }
  if (next < count) gap(next, count - 1);
  if (!missing.empty())
    throw InputError("cannot merge: blocks " + missing + " are in none of the files (a run's " +
                     "output needs every block) run them with --blocks FIRST:LAST and merge " +
                     "again");

  std::size_t headFile = rows.empty() ? 0 : rows.front().file;
  const RunDescription run = describedRun(files[headFile], inputs[headFile]);
  HistogramStore store = files.front().store;
  for (std::size_t f = 1; f < files.size(); ++f) store.merge(files[f].store);

  std::string dir = std::filesystem::path(outPath).parent_path().string();
  if (dir.empty()) dir = ".";
  TextFile log = TextFile::createNew(logPath, "merge log");
  // A failed merge leaves no log: the same merge can simply be run again.
  struct LogGuard {
    TextFile& log;
    bool keep = false;
    ~LogGuard() {
      if (!keep) log.discard();
    }
  } logGuard{log};
  ProgressBar bar(0, false);
  ScreenSink screen(out, bar);
  LazyTextFile longPath(dir, "fort.18");
  RunReport report(run, screen, log, longPath);
  report.banner();
  log.flush();
  for (const Row& row : rows) report.add(resultOf(*row.record, files[row.file].lines));
  const std::string written = report.finish(store, NewFileName::exactly(outPath));
  longPath.close();
  log.close();
  screen.line(filesWrittenLine(written, log.path(), longPath));
  logGuard.keep = true;
  return 0;
}

}  // namespace ornaplex
