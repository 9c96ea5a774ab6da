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
#include "driver/mpi_run.h"
#include "driver/partial_run.h"
#include "driver/progress_bar.h"
#include "driver/run_inputs.h"
#include "driver/run_report.h"
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
  return workerThreads(opt.threads, std::thread::hardware_concurrency(), mine);
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

std::string inputDigest(const std::vector<InputFile>& files) {
  std::string d;
  for (const InputFile& f : files) d += f.role + ":" + f.sha256 + ";";
  return d;
}

std::int64_t eventsOf(const BlockPlan& plan, const BlockRange& range) {
  if (range.count() <= 0) return 0;
  return plan.firstEvent(range.last) + plan.eventsIn(range.last) - plan.firstEvent(range.first);
}

}  // namespace

int runSimulation(const RunOptions& opt, std::ostream& out, const std::atomic<bool>* stop) {
  validateRunOptions(opt);
  const bool root = rankIndex() == 0;
  const ClockRecord start = readClock();
  RunDescription run;
  // Every rank takes rank 0's seed (drawn from rank 0's clock when not given).
  run.seed = std::int32_t(broadcastFromRoot(std::int64_t(opt.seed ? *opt.seed : ranNoOf(start))));
  run.plan = BlockPlan{opt.events, opt.blockSize > 0 ? opt.blockSize : DEFAULT_BLOCK_SIZE};
  run.field_mG = opt.field_mG;
  run.fieldAsked_mG = opt.fieldAsked_mG;
  run.temperature_K = opt.temperature_K;
  run.model = opt.model;
  run.startDate = start.date;
  run.startTime = start.time;
  run.threads = resolvedThreads(opt, run.plan);
  run.ranks = rankCount();
  const BlockRange asked = askedBlocks(opt, run.plan);
  const bool partial = opt.firstBlock.has_value();

  // Everything that can refuse the run is checked before the log exists.
  const RunInputs inputs = loadRunInputs(opt.dataDir);
  run.inputs = inputs.files;
  run.warnings = inputs.warnings;
  if (broadcastFromRoot(inputDigest(run.inputs)) != inputDigest(run.inputs))
    throw InputError(
        "this rank reads other input files than rank 0 (their SHA-256 differ) give "
        "every rank the same lam.h5, gradx.h5 and sq.h5");
  const HistogramSampler wavelength(*inputs.wavelength);
  const StructureFactorDraw structureFactor(*inputs.structureFactor);
  const SimdLevel simd = simdLevelFromEnvironment();
  if (root) makeDirectory(opt.outputDir);
  std::optional<TextFile> log;
  if (root && !partial)
    log.emplace(TextFile::createFirstFree(opt.outputDir, logBaseOf(start), ".o", "run log"));
  // A run that fails before its events are done leaves no log behind (it would hold only the
  // banner and would block the next run of the same minute); one whose events ran keeps it:
  // it holds the report.
  struct LogGuard {
    std::optional<TextFile>& log;
    bool keep = false;
    ~LogGuard() {
      if (log && !keep) log->discard();
    }
  } logGuard{log};

  NullSink none;
  ProgressBar bar(eventsOf(run.plan, asked), root && !opt.quiet && ::isatty(2) == 1);
  ScreenSink screen(out, bar);
  LazyTextFile longPath(opt.outputDir, "fort.18");
  RunReport report(run, root ? static_cast<MessageSink&>(screen) : none,
                   log ? static_cast<MessageSink&>(*log) : none,
                   partial ? static_cast<MessageSink&>(none) : longPath, !partial);
  report.banner();
  // A log of this minute was there already (a scripted loop of runs, say): say which one this is.
  if (log && log->path() != joinPath(opt.outputDir, logNameOf(start)))
    screen.line("   Run log " + log->path() + " (" + logNameOf(start) + " is taken)");
  // The banner (with the seed) is on the disk before the events run, so a killed run leaves
  // its seed behind; the events' lines stay buffered.
  if (log) log->flush();
  auto num = [](std::int64_t v) { return std::to_string(v); };
  if (partial)
    screen.line("   Blocks " + num(asked.first) + " to " + num(asked.last) + " of " +
                num(run.plan.blockCount()) + " (events " + num(run.plan.firstEvent(asked.first)) +
                " to " + num(run.plan.firstEvent(asked.first) + eventsOf(run.plan, asked) - 1) +
                ")");

  HistogramStore store;
  bookCatalogue(store);
  BlockJob job;
  job.plan = run.plan;
  job.range = asked;
  job.runSeed = run.seed;
  job.threads = run.threads;
  job.tables = EventTables{&wavelength, &structureFactor};
  job.simd = simd;
  job.settings.field_mG = opt.field_mG;
  job.settings.temperature_K = opt.temperature_K;
  job.settings.model = opt.model;

  PartialCollector collector;
  auto consume = [&](BlockResult& r) {
    report.add(r);
    collector.add(r);
    bar.addEvents(run.plan.firstEvent(r.last) + run.plan.eventsIn(r.last) -
                  run.plan.firstEvent(r.block));
  };
  // An MPI job is ended by its launcher; only a single process stops between blocks.
  const std::int64_t ran = runBlocksOnRanks(job, store, consume, ranksActive() ? nullptr : stop);
  bar.stop();
  logGuard.keep = true;
  if (!root) return 0;

  const bool interrupted = ran < asked.count();
  if (!partial && !interrupted) {
    std::string written;
    try {
      written = report.finish(
          store, NewFileName::firstFree(opt.outputDir, outputFileBase(run.seed), ".h5"));
    } catch (const OutputError& e) {
      // The log keeps the report; it also says why there is no histogram file.
      log->line(e.what());
      try {
        log->close();
      } catch (const OutputError&) {
        // The histogram file's failure is the one reported.
      }
      throw;
    }
    longPath.close();
    log->close();
    screen.line(filesWrittenLine(written, log->path(), longPath));
    return 0;
  }

  const std::int64_t lastRun = asked.first + ran - 1;
  const std::string base =
      ran > 0 ? partialFileBase(run.seed, asked.first, lastRun)
              : outputFileBase(run.seed) + "-b" + std::to_string(asked.first) + "-none";
  // Named with its directory, as every file a run writes.
  const std::string name =
      writePartialFile(NewFileName::firstFree(opt.outputDir, base, ".h5"),
                       collector.contents(run, asked.first, asked.last, interrupted, store));
  MessageSink& logOrNone = log ? static_cast<MessageSink&>(*log) : none;
  auto both = [&](std::string_view l) {
    screen.line(l);
    logOrNone.line(l);
  };
  if (interrupted) {
    both("   Interrupted: partial file " + name + " holds " +
         (ran > 0 ? "blocks " + num(asked.first) + " to " + num(lastRun) : "no block"));
    both("   Run the rest with --blocks " + num(asked.first + ran) + ":" + num(asked.last) +
         " and add the partial files with ornaplex merge");
  } else {
    both("   Partial file " + name);
  }
  longPath.close();
  if (log) log->close();
  return interrupted ? kInterruptedExitCode : 0;
}

}  // namespace ornaplex
