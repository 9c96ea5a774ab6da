// Events per second of the whole beamline on one thread, as the program runs them: blocks of
// 65536 events dealt over the lanes, the shipped wavelength spectrum and S(q), every output
// histogram booked and filled, on the instruction-set path given (0 scalar ... 3 avx512); the
// analog run and the weighted one.
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
#include "transport/back_scatter_table.h"

namespace ornaplex {
namespace {

// Whole blocks of the run's events on the shipped inputs; weighted: the --bias run, its
// histograms flushed after every block as the driver does.
void runEvents(benchmark::State& state, bool weighted) {
  const auto level = static_cast<SimdLevel>(state.range(0));
  if (!cpuSupports(level)) {
    state.SkipWithError("this CPU lacks the path");
    return;
  }
  const std::string dir = ORNAPLEX_DATA_DIR;
  const HistogramSampler wavelength(readInputHistogram(dir + "/lam.h5", 100));
  const StructureFactorDraw structureFactor(readInputHistogram(dir + "/sq.h5", 301));
  BeamlineSettings settings;
  settings.bias.weighted = weighted;
  const BackScatterTable backScatter(settings.bias.acceptance_rad);
  const EventTables tables{&wavelength, &structureFactor, weighted ? &backScatter : nullptr};
  HistogramStore store;
  bookCatalogue(store);
  if (weighted) store.enableWeights();
  DetectorHistograms histograms(store);
  const BlockPlan plan{std::int64_t(1) << 40, DEFAULT_BLOCK_SIZE};
  std::int64_t block = 0, events = 0, hits = 0;
  for (auto _ : state) {
    const BlockResult r = runBlock(plan, block++, 12345, tables, settings, histograms, level);
    store.flushBlock();
    events += plan.eventsIn(r.block);
    hits += r.counters.detIn;
  }
  state.SetItemsProcessed(events);
  state.SetLabel(std::string(simdLevelName(level)));
  state.counters["detectorHits"] = double(hits);
}

void BM_RunEvents(benchmark::State& state) {
  runEvents(state, false);
}
BENCHMARK(BM_RunEvents)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_RunWeightedEvents(benchmark::State& state) {
  runEvents(state, true);
}
BENCHMARK(BM_RunWeightedEvents)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace ornaplex
