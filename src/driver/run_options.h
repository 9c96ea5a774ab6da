// What a run was asked to do: the command-line options with their defaults. With no options the
// run is the standard one: 300000000 events, seed from the clock, 0.1 mG, 2.1 K.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/constants.h"

namespace ornaplex {

struct RunOptions {
  std::int64_t events = DEFAULT_EVENTS;
  std::optional<std::int32_t> seed;  // none: derived from the clock
  double field_mG = FIELD_mG;
  double temperature_K = HELIUM_TEMPERATURE;
  std::string dataDir;          // shipped inputs; read when absent from the current directory
  std::string outputDir = ".";  // log, histogram file and long-path diagnostics
  int threads = 0;              // 0: every core
  std::int64_t blockSize = 0;   // 0: the default block size
  std::optional<std::int64_t> firstBlock, lastBlock;  // a partial run of these blocks only
  bool quiet = false;                                 // no live progress bar
};

// Refuses a value outside what the program can run; throws UsageError naming the option.
void validateRunOptions(const RunOptions& options);

// The helium tables' temperature range (K), as the tables hold their end points.
inline constexpr double kHeliumTableMin_K = double(0.2f);
inline constexpr double kHeliumTableMax_K = double(4.4f);

}  // namespace ornaplex
