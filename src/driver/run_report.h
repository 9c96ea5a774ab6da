// What a run writes: the banner, the lines its blocks printed with the progress lines, and at
// the end the counts, the output histogram file and the two summaries. The whole run, the MPI
// run and `ornaplex merge` all write through this one class, so their texts agree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/message_sink.h"
#include "driver/block_plan.h"
#include "driver/block_runner.h"
#include "driver/run_inputs.h"
#include "driver/run_settings.h"
#include "h5file/histogram_file.h"
#include "histogram/histogram.h"
#include "random/stream_generator.h"
#include "results/progress.h"
#include "target/tallies.h"
#include "transport/scattering_bias.h"
#include "transport/scattering_model.h"

namespace ornaplex {

// The banner line of a weighted run.
std::string weightedRunLine(const ScatteringBias& bias);

class RunReport {
 public:
  // log may be a NullSink (a partial run keeps its log lines in the partial file). With
  // progress false the blocks' screen lines are written without progress lines (a partial run
  // does not start at event 1).
  RunReport(const RunDescription& run, MessageSink& screen, MessageSink& log, MessageSink& longPath,
            bool progress = true);

  // "Nevents", start time, the target line, ranNo, the inputs and their warnings.
  void banner();
  // The next result in block order: its lines (screen lines between the progress lines of the
  // events before and after them), then its counters and sums added to the run's.
  void add(const BlockResult& r);
  // Counts and diagnostic lines, the output histogram file under outputName (never
  // overwritten), the name it got, the end time and the summaries. Returns the file's path.
  std::string finish(const HistogramStore& store, const NewFileName& outputName);

  const Counters& counters() const { return counters_; }
  const Tallies& tallies() const { return tallies_; }

 private:
  void both(std::string_view line);

  const RunDescription& run_;
  MessageSink& screen_;
  MessageSink& log_;
  MessageSink& longPath_;
  bool progressLines_;
  ProgressTracker progress_;
  Counters counters_;
  Tallies tallies_;
};

// A character field of 12, as the clock's date and time texts are held.
std::string field12(const std::string& s);

}  // namespace ornaplex
