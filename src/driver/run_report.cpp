#include "driver/run_report.h"

#include <cstdio>
#include <filesystem>
#include <optional>

#include "common/errors.h"
#include "common/fortran_format.h"
#include "common/number_text.h"
#include "driver/clock_record.h"
#include "results/report.h"
#include "results/run_summary.h"

namespace ornaplex {

std::string field12(const std::string& s) {
  return s.size() >= 12 ? s : s + std::string(12 - s.size(), ' ');
}

std::string weightedRunLine(const ScatteringBias& bias) {
  char text[200];
  std::snprintf(text, sizeof text,
                "  Weighted run: forced scattering in the helium; below %.4g meV split %d ways, "
                "above q < %.4g mrad x k drawn apart; counts and sums are weighted",
                bias.slowBelow_meV, bias.splits, bias.acceptance_rad * 1000.0);
  return text;
}

RunReport::RunReport(const RunDescription& run, MessageSink& screen, MessageSink& log,
                     MessageSink& longPath, bool progress)
    : run_(run),
      screen_(screen),
      log_(log),
      longPath_(longPath),
      progressLines_(progress),
      progress_(run.plan.events) {}

void RunReport::both(std::string_view line) {
  screen_.line(line);
  log_.line(line);
}

void RunReport::banner() {
  const std::string nevents = (ListLine() << "  Nevents: " << run_.plan.events).str();
  const std::string start =
      (ListLine() << "  Start time: " << field12(run_.startDate) << field12(run_.startTime)).str();
  screen_.line(nevents);
  screen_.line(start);
  log_.line(nevents);
  log_.line(start);
  both(ListLine() << "  Upstream target on left, x<0.  Dn on right ");
  both(ListLine() << "ranNo is " << run_.seed);
  if (run_.pairs)
    both(
        "  Mirror pairs: each source draw makes the neutron and its image in x, carried on the "
        "same random numbers; counts are of neutrons, errors of whole pairs");
  // Only a variant is named: the standard run's banner stays as it always was.
  if (!run_.model.standard()) both(ListLine() << "  Scattering model: " << run_.model.name());
  if (run_.bias.weighted) both(weightedRunLine(run_.bias));
  for (const InputFile& f : run_.inputs) both(ListLine() << "  Input histograms from " << f.path);
  for (const std::string& w : run_.warnings) both(ListLine() << w);
  // The log also keeps what reproduces the run beside the seed (the screen has no room for it).
  // Nothing here depends on how the run was spread, so a merged log reads as the whole run's.
  const std::string scheme =
      run_.streamScheme.empty()
          ? std::string("no stream scheme recorded")
          : std::to_string(kLanes) + " lanes, stream scheme " + run_.streamScheme;
  log_.line("  Program: ornaplex " + std::string(ORNAPLEX_VERSION) + ", block size " +
            std::to_string(run_.plan.blockSize) + ", " + scheme);
  // Where the file came from: files written before these were recorded have no command.
  if (!run_.command.empty()) {
    const BuildInfo build = buildInfo();
    log_.line("  Command: " + run_.command);
    log_.line("  Build: " +
              (build.commit.empty() ? std::string("no source commit recorded")
                                    : "commit " + std::string(build.commit)) +
              ", " + std::string(build.buildType) + ", " + std::string(build.compiler));
  }
  log_.line("  Helium temperature " + shortestText(run_.temperature_K) + " K, field " +
            shortestText(run_.fieldAsked_mG) + " mG (in single precision " +
            shortestText(run_.field_mG) + " mG)");
  for (const InputFile& f : run_.inputs) log_.line("  SHA-256 " + f.sha256 + "  " + f.path);
}

void RunReport::add(const BlockResult& r) {
  const BlockPlan& plan = run_.plan;
  const std::int64_t lastEvent = plan.firstEvent(r.last) + plan.eventsIn(r.last) - 1;
  for (const EventLine& l : r.screen) {
    if (progressLines_)
      while (progress_.next() < l.event)
        for (const std::string& p : progress_.advanceTo(progress_.next())) screen_.line(p);
    screen_.line(l.text);
  }
  if (progressLines_)
    for (const std::string& p : progress_.advanceTo(lastEvent)) screen_.line(p);
  for (const EventLine& l : r.log) log_.line(l.text);
  for (const EventLine& l : r.longPath) longPath_.line(l.text);
  counters_.merge(r.counters);
  tallies_.merge(r.tallies);
}

std::string RunReport::finish(const HistogramStore& store, const NewFileName& outputName) {
  const ReportInput report{run_.plan.events, run_.field_mG,      counters_,
                           tallies_,         run_.bias.weighted, run_.pairs};
  for (const std::string& l : countLines(report)) screen_.line(l);
  for (const std::string& l : countLines(report)) log_.line(l);
  for (const std::string& l : diagnosticLines(report)) both(l);

  std::vector<Attribute> attributes = run_.attributes();
  const ClockRecord end = readClock();
  attributes.push_back({"end_time", end.date + " " + end.time});
  const std::string written =
      writeHistogramFile(outputName, store, attributes,
                         summaryValues(counters_, tallies_, run_.bias.weighted, run_.pairs));
  std::string padded = std::filesystem::path(written).filename().string();
  if (padded.size() < 28) padded.resize(28, ' ');
  both(ListLine() << padded);

  for (const std::string& l : screenSummary(report, field12(end.date), field12(end.time)))
    screen_.line(l);
  for (const std::string& l : logSummary(report, field12(end.date), field12(end.time)))
    log_.line(l);
  return written;
}

}  // namespace ornaplex
