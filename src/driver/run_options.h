// What a run was asked to do: the command-line options with their defaults. With no options the
// run is the standard one: 300000000 events, seed from the clock, 0.1 mG, 2.1 K.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "common/constants.h"
#include "transport/scattering_bias.h"
#include "transport/scattering_model.h"

namespace ornaplex {

struct RunOptions {
  std::int64_t events = DEFAULT_EVENTS;
  std::optional<std::int32_t> seed;  // none: derived from the clock
  double field_mG = FIELD_mG;        // the field the physics uses, single precision
  double fieldAsked_mG = 0.1;        // the field as given (decimal), recorded beside it
  double temperature_K = HELIUM_TEMPERATURE;
  std::string dataDir;          // shipped inputs; read when absent from the current directory
  std::string outputDir = ".";  // log, histogram file and long-path diagnostics
  int threads = 0;              // 0: one per core
  std::int64_t blockSize = 0;   // 0: the default block size (typed 0 is refused)
  std::optional<std::int64_t> firstBlock, lastBlock;  // a partial run of these blocks only
  bool quiet = false;                                 // no live progress bar
  ScatteringModel model;                              // helium scattering variants
  ScatteringBias bias;                                // weighted: forced scattering, small-q window
  bool pairs = false;   // each source draw makes a mirror pair of neutrons
  std::string command;  // the command line as typed, for /run
  bool inScan = false;  // a point of a scan: the scan says how to finish an interrupted one
};

// Refuses a value outside what the program can run; throws UsageError naming the option.
void validateRunOptions(const RunOptions& options);

// Sets the option (a row of the run settings, run_settings.h) from its value as typed, read by the
// rules of option_values.h; throws UsageError naming the option and the value when it is refused.
void setRunOption(RunOptions& options, std::string_view option, std::string_view text);

// The widest small-q window angle: pi, in mrad.
inline constexpr double kMaxBiasAngle_mrad = 3141.592653589793;

// The largest event count: the number one past the last event must still be countable.
inline constexpr std::int64_t kMaxEvents = std::numeric_limits<std::int64_t>::max() - 1;

// The helium tables' temperature range (K), as the tables hold their end points.
inline constexpr double kHeliumTableMin_K = double(0.2f);
inline constexpr double kHeliumTableMax_K = double(4.4f);

// A temperature as the tables see it: one equal to a table end in single precision (0.2 and 4.4
// as typed) is that end point; any other is itself.
double atHeliumTableEnds(double temperature_K);

// More worker threads than this many per core only cost memory (each holds its own
// histograms), so --threads refuses more than kMaxThreadsPerCore * cores.
inline constexpr int kMaxThreadsPerCore = 8;
int maxThreads(unsigned cores);

// The worker threads that run: as asked (0: one per core; cores 0 when unknown counts as one),
// but no more than the blocks there are to run, and at least one.
int workerThreads(int requested, unsigned cores, std::int64_t blocksToRun);

}  // namespace ornaplex
