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
#include "driver/run_settings.h"
#include "driver/text_file.h"
#include "h5file/partial_file.h"

namespace ornaplex {

namespace {

bool exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Refuses b unless it describes the same run as a (everything that fixes the results).
void checkSameRun(const PartialContents& a, const std::string& pathA, const PartialContents& b,
                  const std::string& pathB) {
  if (const auto d = firstIdentityDifference(a.run, b.run))
    throw InputError("cannot merge " + pathB + " with " + pathA + " (its " + d->attribute + " " +
                     d->second + " differs from " + d->first + " in " + pathA +
                     ") merge only the partial files of one run");
  const Attribute* bookingA = a.attribute("booking_sha256");
  const Attribute* bookingB = b.attribute("booking_sha256");
  if (!bookingA || !bookingB || bookingA->value != bookingB->value)
    throw InputError("cannot merge " + pathB + " with " + pathA +
                     " (their histogram bookings differ) merge only the partial files of one run");
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
