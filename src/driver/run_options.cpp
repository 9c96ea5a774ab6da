#include "driver/run_options.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "common/errors.h"
#include "driver/cpu_count.h"
#include "driver/run_settings.h"

namespace ornaplex {

namespace {

template <class T>
std::string str(T v) {
  std::ostringstream s;
  s.precision(10);
  s << v;
  return s.str();
}

}  // namespace

double atHeliumTableEnds(double t) {
  if (float(t) == float(kHeliumTableMin_K)) return kHeliumTableMin_K;
  if (float(t) == float(kHeliumTableMax_K)) return kHeliumTableMax_K;
  return t;
}

int maxThreads(unsigned cores) {
  return kMaxThreadsPerCore * int(std::clamp(cores, 1u, unsigned(INT_MAX / kMaxThreadsPerCore)));
}

int workerThreads(int requested, unsigned cores, std::int64_t blocksToRun) {
  const std::int64_t asked =
      requested > 0 ? std::int64_t(requested) : std::int64_t(std::max(cores, 1u));
  return int(std::max<std::int64_t>(1, std::min(asked, blocksToRun)));
}

void setRunOption(RunOptions& o, std::string_view option, std::string_view text) {
  const RunSetting* s = settingOfOption(option);
  if (!s || !s->read) throw UsageError(std::string(option) + ": not a run option");
  s->read(o, text);
}

void validateRunOptions(const RunOptions& o) {
  if (o.events < 0 || o.events > kMaxEvents)
    throw UsageError("--events " + str(o.events) + ": out of range (a run has 0 to " +
                     str(kMaxEvents) + " events) give a count in that range");
  if (o.seed && *o.seed < 0)
    throw UsageError("--seed " + str(*o.seed) +
                     ": a negative seed (the generator takes 0 to 2147483647) give a seed in "
                     "that range");
  if (!std::isfinite(o.field_mG))
    throw UsageError("--field " + str(o.field_mG) + ": not a finite field in mG");
  if (!(o.temperature_K >= kHeliumTableMin_K && o.temperature_K <= kHeliumTableMax_K))
    throw UsageError("--temperature " + str(o.temperature_K) +
                     " K: outside the helium tables (their grid runs from 0.200000003 K to "
                     "4.40000010 K, the single-precision end points) give a temperature inside");
  if (o.threads < 0)
    throw UsageError("--threads " + str(o.threads) + ": give 1 or more threads (0: one per core)");
  const unsigned cores = usableCpus();
  if (o.threads > maxThreads(cores))
    throw UsageError(
        "--threads " + str(o.threads) + ": far more threads than cores (this process may use " +
        str(std::max(cores, 1u)) + " CPUs; past " + str(kMaxThreadsPerCore) +
        " a CPU, threads only cost memory, each holding its own histograms) give at most " +
        str(maxThreads(cores)) + ", or 0 for one per CPU");
  if (o.blockSize < 0)
    throw UsageError("--block-size " + str(o.blockSize) + ": give 1 or more events per block");
  // A mirror pair is two source neutrons, and a block holds whole pairs.
  if (o.pairs && o.events % 2 != 0)
    throw UsageError("--events " + str(o.events) +
                     ": odd with --pairs (each source draw makes a pair of neutrons) give an "
                     "even count");
  if (o.pairs && o.blockSize % 2 != 0)
    throw UsageError("--block-size " + str(o.blockSize) +
                     ": odd with --pairs (a block holds whole pairs of neutrons) give an even "
                     "size");
  if (o.outputDir.empty()) throw UsageError("--output-dir: an empty directory name");
}

}  // namespace ornaplex
