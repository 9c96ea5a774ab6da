#include "driver/run_options.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "common/errors.h"
#include "driver/option_values.h"
#include "target/forced_target.h"

namespace ornaplex {

namespace {

template <class T>
std::string str(T v) {
  std::ostringstream s;
  s.precision(10);
  s << v;
  return s.str();
}

constexpr std::int64_t kMaxInt64 = std::numeric_limits<std::int64_t>::max();

// "FIRST:LAST" (or one block number) into the options' block range.
void setBlocks(RunOptions& o, std::string_view text) {
  auto refuse = [&] {
    return UsageError("--blocks " + typedValue(text) +
                      ": not FIRST:LAST (block numbers from 0, both ends included) give, for "
                      "example, --blocks 0:99");
  };
  auto number = [&](std::string_view part) {
    try {
      return readWholeNumber("--blocks", part, 0, kMaxInt64);
    } catch (const UsageError&) {
      throw refuse();
    }
  };
  const std::size_t colon = text.find(':');
  o.firstBlock = number(text.substr(0, colon));
  o.lastBlock = colon == std::string_view::npos ? *o.firstBlock : number(text.substr(colon + 1));
}

void refuseEmpty(std::string_view option, std::string_view text, std::string_view what) {
  if (text.empty())
    throw UsageError(std::string(option) + " '': an empty value (" + std::string(option) +
                     " takes " + std::string(what) + ") give one");
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
  if (option == "--events") {
    o.events = readWholeNumber(option, text, 0, kMaxEvents, "events");
  } else if (option == "--seed") {
    o.seed = std::int32_t(readWholeNumber(option, text, 0, 2147483647));
  } else if (option == "--field") {
    // The field is a single-precision quantity, as its default is: typed 0.1 is the default.
    const double field = readRealNumber(option, text, "a field in mG");
    o.field_mG = double(float(field));
    o.fieldAsked_mG = field;
    if (!std::isfinite(o.field_mG))
      throw UsageError("--field " + typedValue(text) +
                       ": beyond single precision (the field is held as a float, at most "
                       "3.4e38 mG) give a smaller field");
  } else if (option == "--temperature") {
    const double t = readRealNumber(option, text, "a temperature in K");
    o.temperature_K = atHeliumTableEnds(t);
    if (!(o.temperature_K >= kHeliumTableMin_K && o.temperature_K <= kHeliumTableMax_K))
      throw UsageError("--temperature " + typedValue(text) +
                       ": outside the helium tables (they run from 0.2 K to 4.4 K, both ends "
                       "included: single-precision 0.200000003 K and 4.40000010 K) give a "
                       "temperature in that range");
  } else if (option == "--data-dir") {
    refuseEmpty(option, text, "a directory");
    o.dataDir = text;
  } else if (option == "--output-dir") {
    refuseEmpty(option, text, "a directory");
    o.outputDir = text;
  } else if (option == "--threads") {
    o.threads = int(readWholeNumber(option, text, 0, INT_MAX, "threads"));
  } else if (option == "--block-size") {
    o.blockSize = readWholeNumber(option, text, 1, kMaxInt64, "events per block");
  } else if (option == "--blocks") {
    setBlocks(o, text);
  } else if (option == "--model") {
    refuseEmpty(option, text, "a scattering model");
    try {
      o.model = parseScatteringModel(text);
    } catch (const std::invalid_argument& e) {
      throw UsageError("--model " + typedValue(text) + ": " + e.what() +
                       " (the model is standard, or variants joined by +: jacobian, "
                       "measured-sigma, density-once) give, for example, --model "
                       "jacobian+measured-sigma");
    }
  } else if (option == "--bias-angle") {
    const double mrad = readRealNumber(option, text, "an angle in mrad");
    if (!(mrad > 0.0 && mrad <= kMaxBiasAngle_mrad))
      throw UsageError("--bias-angle " + typedValue(text) +
                       ": not an acceptance angle (the small-q window is q below the angle "
                       "times k, so the angle lies above 0 and at most pi) give an angle in mrad, "
                       "for example 15");
    o.bias.weighted = true;
    o.bias.acceptance_rad = mrad / 1000.0;
  } else if (option == "--bias-splits") {
    o.bias.weighted = true;
    o.bias.splits = int(readWholeNumber(option, text, 1, kMaxSplits, "splits"));
  } else {
    throw UsageError(std::string(option) + ": not a run option");
  }
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
  const unsigned cores = std::thread::hardware_concurrency();
  if (o.threads > maxThreads(cores))
    throw UsageError(
        "--threads " + str(o.threads) + ": far more threads than cores (this machine has " +
        str(std::max(cores, 1u)) + "; past " + str(kMaxThreadsPerCore) +
        " a core, threads only cost memory, each holding its own histograms) give at most " +
        str(maxThreads(cores)) + ", or 0 for one per core");
  if (o.blockSize < 0)
    throw UsageError("--block-size " + str(o.blockSize) + ": give 1 or more events per block");
  if (o.outputDir.empty()) throw UsageError("--output-dir: an empty directory name");
}

}  // namespace ornaplex
