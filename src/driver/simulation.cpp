#include "driver/simulation.h"

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "common/errors.h"
#include "common/fortran_format.h"
#include "common/simd_level.h"
#include "driver/block_plan.h"
#include "driver/block_scheduler.h"
#include "driver/clock_record.h"
#include "driver/cpu_count.h"
#include "driver/mpi_run.h"
#include "driver/option_values.h"
#include "driver/partial_run.h"
#include "driver/progress_bar.h"
#include "driver/run_inputs.h"
#include "driver/run_report.h"
#include "driver/run_settings.h"
#include "driver/text_file.h"
#include "h5file/partial_file.h"
#include "histogram/histogram_sampler.h"
#include "results/histogram_catalogue.h"
#include "results/report.h"

namespace ornaplex {

namespace {

void makeDirectory(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || !std::filesystem::is_directory(dir))
    throw OutputError("cannot create the output directory " + dir + " (" +
                      (ec ? ec.message() : std::string("not a directory")) +
                      ") give a writable --output-dir");
}

// The worker threads this rank runs (and the run records): as asked, 0 for one per core, but
// never more than the blocks this rank has to run.
int resolvedThreads(const RunOptions& opt, const BlockPlan& plan) {
  std::int64_t asked = plan.blockCount();
  if (opt.firstBlock) {  // a range that is not the run's is refused later, by askedBlocks
    const std::int64_t last = opt.lastBlock.value_or(*opt.firstBlock);
    asked = (last < asked ? last : asked - 1) - *opt.firstBlock + 1;
  }
  // Rank r runs blocks r, r + ranks, r + 2 ranks, ... of the range.
  const std::int64_t mine = asked > rankIndex() ? (asked - rankIndex() - 1) / rankCount() + 1 : 0;
  return workerThreads(opt.threads, usableCpus(), mine);
}

// The blocks the options ask for: all of them, or --blocks FIRST:LAST.
BlockRange askedBlocks(const RunOptions& opt, const BlockPlan& plan) {
  const std::int64_t count = plan.blockCount();
  if (!opt.firstBlock) return BlockRange{0, count - 1};
  const std::int64_t first = *opt.firstBlock;
  const std::int64_t last = opt.lastBlock ? *opt.lastBlock : first;
  if (first < 0 || last < first || last >= count)
    throw UsageError("--blocks " + std::to_string(first) + ":" + std::to_string(last) +
                     ": not a range of this run's blocks (it has " + std::to_string(count) +
                     " blocks, numbered 0 to " + std::to_string(count - 1) +
                     ") give FIRST:LAST with 0 <= FIRST <= LAST < " + std::to_string(count));
  return BlockRange{first, last};
}

std::string hostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

std::string inputDigest(const std::vector<InputFile>& files) {
  std::string d;
  for (const InputFile& f : files) d += f.role + ":" + f.sha256 + ";";
  return d;
}

std::int64_t eventsOf(const BlockPlan& plan, const BlockRange& range) {
  if (range.count() <= 0) return 0;
  return plan.firstEvent(range.last) + plan.eventsIn(range.last) - plan.firstEvent(range.first);
}

// What a run is and reads, worked out and checked before anything is written: every refusal
// of options or inputs comes from here.
struct PreparedRun {
  ClockRecord start;
  RunDescription run;
  BlockRange asked;
  bool partial = false;
  RunInputs inputs;
  std::optional<HistogramSampler> wavelength;          // id 100
  std::optional<StructureFactorDraw> structureFactor;  // id 301
  std::optional<BackScatterTable> backScatter;         // weighted runs
  SimdLevel simd = SimdLevel::Scalar;
};

PreparedRun prepareRun(const RunOptions& opt) {
  validateRunOptions(opt);
  PreparedRun p;
  p.start = readClock();
  p.inputs = loadRunInputs(opt.dataDir);
  // Every rank takes rank 0's seed (drawn from rank 0's clock when not given).
  const auto seed =
      std::int32_t(broadcastFromRoot(std::int64_t(opt.seed ? *opt.seed : ranNoOf(p.start))));
  p.run = describeOptions(opt, seed, p.inputs.files);
  RunDescription& run = p.run;
  run.startDate = p.start.date;
  run.startTime = p.start.time;
  run.threads = resolvedThreads(opt, run.plan);
  run.ranks = rankCount();
  run.warnings = p.inputs.warnings;
  p.simd = simdLevelFromEnvironment();
  run.simd = std::string(simdLevelName(p.simd));
  run.host = hostName();
  p.asked = askedBlocks(opt, run.plan);
  p.partial = opt.firstBlock.has_value();
  if (broadcastFromRoot(inputDigest(run.inputs)) != inputDigest(run.inputs))
    throw InputError(
        "this rank reads other input files than rank 0 (their SHA-256 differ) give "
        "every rank the same lam.h5, gradx.h5 and sq.h5");
  p.wavelength.emplace(*p.inputs.wavelength);
  p.structureFactor.emplace(*p.inputs.structureFactor);
  if (opt.bias.weighted) p.backScatter.emplace(opt.bias.acceptance_rad);
  return p;
}

// Where a run writes, open from its banner to its end: the screen (with the progress bar), the
// log (rank 0 of a whole run), the long-path file and the report over them. A run that fails
// before its events are done leaves no log behind (it would hold only the banner and would block
// the next run of the same minute); one whose events ran keeps it: it holds the report.
struct RunOutputs {
  RunOutputs(const PreparedRun& p, const RunOptions& opt, std::ostream& out, bool root)
      : log(root && !p.partial ? std::optional<TextFile>(TextFile::createFirstFree(
                                     opt.outputDir, logBaseOf(p.start), ".o", "run log"))
                               : std::nullopt),
        bar(eventsOf(p.run.plan, p.asked), root && !opt.quiet && ::isatty(2) == 1),
        screen(out, bar),
        longPath(opt.outputDir, "fort.18"),
        report(p.run, root ? static_cast<MessageSink&>(screen) : none,
               log ? static_cast<MessageSink&>(*log) : none,
               p.partial ? static_cast<MessageSink&>(none) : longPath, !p.partial) {}
  ~RunOutputs() {
    if (log && !keepLog) log->discard();
  }
  RunOutputs(const RunOutputs&) = delete;
  RunOutputs& operator=(const RunOutputs&) = delete;

  std::optional<TextFile> log;
  NullSink none;
  ProgressBar bar;
  ScreenSink screen;
  LazyTextFile longPath;
  RunReport report;
  bool keepLog = false;
};

std::string number(std::int64_t v) {
  return std::to_string(v);
}

// The banner, and the lines that say which log and which blocks this is.
void announceRun(const PreparedRun& p, const RunOptions& opt, RunOutputs& o) {
  o.report.banner();
  // A log of this minute was there already (a scripted loop of runs, say): say which one this is.
  if (o.log && o.log->path() != joinPath(opt.outputDir, logNameOf(p.start)))
    o.screen.line("   Run log " + o.log->path() + " (" + logNameOf(p.start) + " is taken)");
  // The banner (with the seed) is on the disk before the events run, so a killed run leaves
  // its seed behind; the events' lines stay buffered.
  if (o.log) o.log->flush();
  if (p.partial) {
    const BlockPlan& plan = p.run.plan;
    // The other blocks of the run need the same seed.
    if (!opt.seed)
      o.screen.line("   Seed " + number(p.run.seed) + " from the clock: give --seed " +
                    number(p.run.seed) + " to the runs of the other blocks");
    o.screen.line("   Blocks " + number(p.asked.first) + " to " + number(p.asked.last) + " of " +
                  number(plan.blockCount()) + " (events " + number(plan.firstEvent(p.asked.first)) +
                  " to " + number(plan.firstEvent(p.asked.first) + eventsOf(plan, p.asked) - 1) +
                  ")");
  }
}

// Runs the asked blocks into store, the report and the partial records taking each block in
// order; returns the number of blocks run (fewer when stop ended the run).
std::int64_t executeBlocks(const PreparedRun& p, RunOutputs& o, HistogramStore& store,
                           PartialCollector& collector, const std::atomic<bool>* stop) {
  BlockJob job;
  job.plan = p.run.plan;
  job.range = p.asked;
  job.runSeed = p.run.seed;
  job.threads = p.run.threads;
  job.tables =
      EventTables{&*p.wavelength, &*p.structureFactor, p.backScatter ? &*p.backScatter : nullptr};
  job.simd = p.simd;
  job.settings.field_mG = p.run.field_mG;
  job.settings.temperature_K = p.run.temperature_K;
  job.settings.model = p.run.model;
  job.settings.bias = p.run.bias;
  job.settings.pairs = p.run.pairs;
  const BlockPlan& plan = p.run.plan;
  auto consume = [&](BlockResult& r) {
    o.report.add(r);
    collector.add(r);
    o.bar.addEvents(plan.firstEvent(r.last) + plan.eventsIn(r.last) - plan.firstEvent(r.block));
  };
  // An MPI job is ended by its launcher; only a single process stops between blocks.
  const std::int64_t ran = runBlocksOnRanks(job, store, consume, ranksActive() ? nullptr : stop);
  o.bar.stop();
  return ran;
}

// Rank 0 writes what the run made: the histogram file, the report's end and the log of a whole
// run, or the partial file of the blocks run. Returns the exit status.
int publishRun(const PreparedRun& p, const RunOptions& opt, RunOutputs& o,
               const HistogramStore& store, const PartialCollector& collector, std::int64_t ran) {
  const bool interrupted = ran < p.asked.count();
  if (!p.partial && !interrupted) {
    std::string written;
    try {
      written = o.report.finish(
          store, NewFileName::firstFree(opt.outputDir, outputFileBase(p.run.seed), ".h5"));
    } catch (const OutputError& e) {
      // The log keeps the report; it also says why there is no histogram file.
      o.log->line(e.what());
      try {
        o.log->close();
      } catch (const OutputError&) {
        // The histogram file's failure is the one reported.
      }
      throw;
    }
    o.longPath.close();
    o.log->close();
    o.screen.line(filesWrittenLine(written, o.log->path(), o.longPath));
    return 0;
  }

  const std::int64_t lastRun = p.asked.first + ran - 1;
  const std::string base =
      ran > 0 ? partialFileBase(p.run.seed, p.asked.first, lastRun)
              : outputFileBase(p.run.seed) + "-b" + number(p.asked.first) + "-none";
  // Named with its directory, as every file a run writes.
  const std::string name =
      writePartialFile(NewFileName::firstFree(opt.outputDir, base, ".h5"),
                       collector.contents(p.run, p.asked.first, p.asked.last, interrupted, store));
  MessageSink& logOrNone = o.log ? static_cast<MessageSink&>(*o.log) : o.none;
  auto both = [&](std::string_view l) {
    o.screen.line(l);
    logOrNone.line(l);
  };
  if (interrupted) {
    both("   Interrupted: partial file " + name + " holds " +
         (ran > 0 ? "blocks " + number(p.asked.first) + " to " + number(lastRun) : "no block"));
    if (!opt.inScan) {
      const std::int64_t next = p.asked.first + ran;
      const std::string rest = partialFileBase(p.run.seed, next, p.asked.last) + ".h5";
      both("   Run the rest with: " + commandForBlocks(p.run, opt, next, p.asked.last));
      both("   then add the pieces: ornaplex merge " +
           shellWord(joinPath(opt.outputDir, outputFileBase(p.run.seed) + ".h5")) + " " +
           shellWord(name) + " " + shellWord(joinPath(opt.outputDir, rest)));
    }
  } else {
    both("   Partial file " + name);
  }
  o.longPath.close();
  if (o.log) o.log->close();
  return interrupted ? kInterruptedExitCode : 0;
}

}  // namespace

int runSimulation(const RunOptions& opt, std::ostream& out, const std::atomic<bool>* stop) {
  const PreparedRun prepared = prepareRun(opt);
  const bool root = rankIndex() == 0;
  if (root) makeDirectory(opt.outputDir);
  RunOutputs outputs(prepared, opt, out, root);
  announceRun(prepared, opt, outputs);
  HistogramStore store;
  bookCatalogue(store);
  if (opt.bias.weighted) store.enableWeights();
  PartialCollector collector;
  const std::int64_t ran = executeBlocks(prepared, outputs, store, collector, stop);
  outputs.keepLog = true;
  if (!root) return 0;
  return publishRun(prepared, opt, outputs, store, collector, ran);
}

}  // namespace ornaplex
