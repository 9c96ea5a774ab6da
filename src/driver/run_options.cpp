#include "driver/run_options.h"

#include <cmath>
#include <sstream>

#include "common/errors.h"

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

void validateRunOptions(const RunOptions& o) {
  if (o.events < 0)
    throw UsageError("--events " + str(o.events) +
                     ": a negative event count (nothing to run) give 0 or more events");
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
    throw UsageError("--threads " + str(o.threads) + ": give 1 or more threads (0: every core)");
  if (o.blockSize < 0)
    throw UsageError("--block-size " + str(o.blockSize) + ": give 1 or more events per block");
  if (o.outputDir.empty()) throw UsageError("--output-dir: an empty directory name");
}

}  // namespace ornaplex
