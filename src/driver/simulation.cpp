#include "driver/simulation.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "common/errors.h"
#include "common/fortran_format.h"
#include "driver/block_plan.h"
#include "driver/block_scheduler.h"
#include "driver/clock_record.h"
#include "driver/run_inputs.h"
#include "driver/text_file.h"
#include "h5file/histogram_file.h"
#include "histogram/histogram_sampler.h"
#include "results/histogram_catalogue.h"
#include "results/progress.h"
#include "results/report.h"

namespace ornaplex {

namespace {

// A character field of 12, as the clock's date and time texts are held.
std::string field12(const std::string& s) {
  return s.size() >= 12 ? s : s + std::string(12 - s.size(), ' ');
}

void makeDirectory(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || !std::filesystem::is_directory(dir))
    throw OutputError("cannot create the output directory " + dir + " (" +
                      (ec ? ec.message() : std::string("not a directory")) +
                      ") give a writable --output-dir");
}

int resolvedThreads(int requested) {
  if (requested > 0) return requested;
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : int(n);
}

std::vector<SummaryValue> summaryValues(const Counters& c, const Tallies& t) {
  std::vector<SummaryValue> v = {
      {"tar1In", c.tar1In},
      {"tar1EnergyChanged", c.tar1EnergyChanged},
      {"tar1AngleNonZero", c.tar1AngleNonZero},
      {"tar1ToTar2", c.tar1ToTar2},
      {"tar2In", c.tar2In},
      {"tar2EnergyChanged", c.tar2EnergyChanged},
      {"tar2AngleNonZero", c.tar2AngleNonZero},
      {"detIn", c.detIn},
      {"detScattered", c.detScattered},
      {"detEnergyChanged", c.detEnergyChanged},
      {"detAngleNonZero", c.detAngleNonZero},
      {"qRetriesExhausted", c.qRetriesExhausted},
      {"limitTaken", c.limitTaken},
  };
  auto tally = [&v](const char* name, const Tally& x) {
    v.push_back({std::string(name) + "_S", x.S});
    v.push_back({std::string(name) + "_Q", x.Q});
    v.push_back({std::string(name) + "_N", x.N});
  };
  tally("rightTally", t.rightTally);
  tally("leftTally", t.leftTally);
  tally("scatRightTally", t.scatRightTally);
  tally("scatLeftTally", t.scatLeftTally);
  tally("scatLowRightTally", t.scatLowRightTally);
  tally("scatLowLeftTally", t.scatLowLeftTally);
  tally("lossRightTally", t.lossRightTally);
  tally("lossLeftTally", t.lossLeftTally);
  return v;
}

}  // namespace

int runSimulation(const RunOptions& opt, std::ostream& screen, const std::atomic<bool>* stop) {
  validateRunOptions(opt);
  const ClockRecord start = readClock();
  const std::int32_t seed = opt.seed ? *opt.seed : ranNoOf(start);

  // Everything that can refuse the run is checked before the log exists.
  const RunInputs inputs = loadRunInputs(opt.dataDir);
  const HistogramSampler wavelength(*inputs.wavelength);
  const HistogramSampler structureFactor(*inputs.structureFactor);
  makeDirectory(opt.outputDir);
  TextFile log = TextFile::createNew(joinPath(opt.outputDir, logNameOf(start)), "run log");
  auto toScreen = [&screen](std::string_view l) { screen << l << '\n'; };
  auto both = [&](std::string_view l) {
    toScreen(l);
    log.line(l);
  };

  const std::string nevents = (ListLine() << "  Nevents: " << opt.events).str();
  const std::string startTime =
      (ListLine() << "  Start time: " << field12(start.date) << field12(start.time)).str();
  toScreen(nevents);
  toScreen(startTime);
  log.line(nevents);
  log.line(startTime);
  both(ListLine() << "  Upstream target on left, x<0.  Dn on right ");
  both(ListLine() << "ranNo is " << seed);
  for (const InputFile& f : inputs.files) both(ListLine() << "  Input histograms from " << f.path);
  for (const std::string& w : inputs.warnings) both(ListLine() << w);
  screen.flush();

  HistogramStore store;
  bookCatalogue(store);

  BlockJob job;
  job.plan = BlockPlan{opt.events, opt.blockSize > 0 ? opt.blockSize : DEFAULT_BLOCK_SIZE};
  job.range = BlockRange{0, job.plan.blockCount() - 1};
  job.runSeed = seed;
  job.threads = resolvedThreads(opt.threads);
  job.tables = EventTables{&wavelength, &structureFactor};
  job.settings.field_mG = opt.field_mG;
  job.settings.temperature_K = opt.temperature_K;

  Counters counters;
  Tallies tallies;
  ProgressTracker progress(opt.events);
  LazyTextFile longPath(opt.outputDir, "fort.18");
  auto consume = [&](BlockResult& r) {
    const std::int64_t lastEvent = job.plan.firstEvent(r.block) + job.plan.eventsIn(r.block) - 1;
    for (const EventLine& l : r.screen) {
      while (progress.next() < l.event)
        for (const std::string& p : progress.advanceTo(progress.next())) toScreen(p);
      toScreen(l.text);
    }
    for (const std::string& p : progress.advanceTo(lastEvent)) toScreen(p);
    for (const EventLine& l : r.log) log.line(l.text);
    for (const EventLine& l : r.longPath) longPath.line(l.text);
    counters.merge(r.counters);
    tallies.merge(r.tallies);
    screen.flush();
  };
  runBlocks(job, store, consume, stop);

  const ReportInput report{opt.events, opt.field_mG, counters, tallies};
  for (const std::string& l : countLines(report)) toScreen(l);
  for (const std::string& l : countLines(report)) log.line(l);
  for (const std::string& l : diagnosticLines(report)) both(l);

  const ClockRecord end = readClock();
  const std::string name = freeOutputName(opt.outputDir, outputFileBase(seed), ".h5");
  std::vector<Attribute> run = {
      {"program", std::string("ornaplex")},
      {"version", std::string(ORNAPLEX_VERSION)},
      {"seed", std::int64_t(seed)},
      {"events", std::int64_t(opt.events)},
      {"block_size", std::int64_t(job.plan.blockSize)},
      {"start_time", start.date + " " + start.time},
      {"end_time", end.date + " " + end.time},
      {"field_mG", opt.field_mG},
      {"temperature_K", opt.temperature_K},
      {"threads", std::int64_t(job.threads)},
  };
  for (const InputFile& f : inputs.files) {
    run.push_back({"input_" + f.role, f.path});
    run.push_back({"input_" + f.role + "_sha256", f.sha256});
  }
  writeHistogramFile(joinPath(opt.outputDir, name), store, run, summaryValues(counters, tallies));
  std::string padded = name;
  if (padded.size() < 28) padded.resize(28, ' ');
  both(ListLine() << padded);

  for (const std::string& l : screenSummary(report, field12(end.date), field12(end.time)))
    toScreen(l);
  for (const std::string& l : logSummary(report, field12(end.date), field12(end.time))) log.line(l);
  screen.flush();
  longPath.close();
  log.close();
  return 0;
}

}  // namespace ornaplex
