// Events per second of the whole beamline on one thread, as the program runs them: blocks of
// 65536 events dealt over the lanes, the shipped wavelength spectrum and S(q), every output
// histogram booked and filled, on the instruction-set path given (0 scalar ... 3 avx512).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "common/simd_level.h"
#include "driver/block_plan.h"
#include "driver/block_runner.h"
#include "h5file/histogram_file.h"
#include "histogram/histogram.h"
#include "histogram/histogram_sampler.h"
#include "results/histogram_catalogue.h"
#include "target/detector_histograms.h"

namespace ornaplex {
namespace {

void BM_RunEvents(benchmark::State& state) {
  const auto level = static_cast<SimdLevel>(state.range(0));
  if (!cpuSupports(level)) {
    state.SkipWithError("this CPU lacks the path");
    return;
  }
  const std::string dir = ORNAPLEX_DATA_DIR;
  const HistogramSampler wavelength(readInputHistogram(dir + "/lam.h5", 100));
  const StructureFactorDraw structureFactor(readInputHistogram(dir + "/sq.h5", 301));
  const EventTables tables{&wavelength, &structureFactor};
  const BeamlineSettings settings;
  HistogramStore store;
  bookCatalogue(store);
  DetectorHistograms histograms(store);
  const BlockPlan plan{std::int64_t(1) << 40, DEFAULT_BLOCK_SIZE};
  std::int64_t block = 0, events = 0, hits = 0;
  for (auto _ : state) {
    const BlockResult r = runBlock(plan, block++, 12345, tables, settings, histograms, level);
    events += plan.eventsIn(r.block);
    hits += r.counters.detIn;
  }
  state.SetItemsProcessed(events);
  state.SetLabel(std::string(simdLevelName(level)));
  state.counters["detectorHits"] = double(hits);
}
BENCHMARK(BM_RunEvents)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace ornaplex
