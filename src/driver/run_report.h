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
#include "h5file/histogram_file.h"
#include "histogram/histogram.h"
#include "random/stream_generator.h"
#include "results/progress.h"
#include "target/tallies.h"
#include "transport/scattering_bias.h"
#include "transport/scattering_model.h"

namespace ornaplex {

// Everything that fixes a run's results (seed, events, block size, physics settings, inputs)
// and what its banner shows.
struct RunDescription {
  std::int32_t seed = 0;
  BlockPlan plan;
  double field_mG = 0.0;       // used by the physics: single precision
  double fieldAsked_mG = 0.0;  // as given (/run@field_mG); the used one is /run@field_used_mG
  double temperature_K = 0.0;
  ScatteringModel model;  // recorded as /run@scattering_model; files without it are standard
  ScatteringBias bias;    // a weighted run records /run@mode and its bias; files without are analog
  std::vector<InputFile> inputs;
  std::vector<std::string> warnings;  // banner lines about absent optional inputs
  std::string startDate, startTime;   // the clock's texts at the start
  int threads = 1;
  int ranks = 1;
  // How the blocks' generator streams are made; empty for partial files written before it was
  // recorded.
  std::string streamScheme{kStreamScheme};

  // The /run attributes of the output and partial files.
  std::vector<Attribute> attributes() const;
};

// A weighted run's /run attributes (mode, bias_scheme, bias_angle_mrad); none for an analog run.
std::vector<Attribute> biasAttributes(const ScatteringBias& bias);
// Reads them back from a file's /run attributes (path for the message): analog when there is no
// mode; throws InputError for a mode or scheme this version does not write.
ScatteringBias biasOfAttributes(const std::vector<Attribute>& run, const std::string& path);
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
