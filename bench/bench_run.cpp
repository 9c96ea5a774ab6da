// Events per second of the whole beamline on one thread: the shipped wavelength spectrum and
// S(q), every output histogram booked and filled, 10^6 events per iteration.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/message_sink.h"
#include "driver/beamline_event.h"
#include "h5file/histogram_file.h"
#include "histogram/histogram.h"
#include "histogram/histogram_sampler.h"
#include "random/ranlux.h"
#include "results/histogram_catalogue.h"
#include "target/detector_histograms.h"
#include "target/tallies.h"

namespace ornaplex {
namespace {

constexpr std::int64_t kEventsPerIteration = 1000000;

void BM_RunEvents(benchmark::State& state) {
  const std::string dir = ORNAPLEX_DATA_DIR;
  const HistogramSampler wavelength(readInputHistogram(dir + "/lam.h5", 100));
  const StructureFactorDraw structureFactor(readInputHistogram(dir + "/sq.h5", 301));
  const EventTables tables{&wavelength, &structureFactor};
  const BeamlineSettings settings;
  HistogramStore store;
  bookCatalogue(store);
  DetectorHistograms histograms(store);
  Counters counters;
  Tallies tallies;
  EventTallies out{counters, tallies, histograms};
  NullSink screen, log, longPath;
  EventOutput io{screen, log, longPath};
  Ranlux rng(12345);
  std::int64_t event = 0;
  for (auto _ : state) {
    for (std::int64_t k = 0; k < kEventsPerIteration; ++k) {
      runBeamlineEvent(++event, tables, settings, rng, out, io);
    }
  }
  benchmark::DoNotOptimize(counters.detIn);
  state.SetItemsProcessed(event);
  state.counters["detectorHits"] = double(counters.detIn);
}
BENCHMARK(BM_RunEvents)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace
}  // namespace ornaplex
