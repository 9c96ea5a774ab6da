// The parts of an event on the shipped inputs, each per event: the source's starts in batches of
// one event per lane (per instruction-set path), the q draw (one event at a time and a batch of
// one event per lane), and the generator numbers an event
// takes. Together with BM_RunEvents they split the time of an event.
#include <benchmark/benchmark.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/message_sink.h"
#include "common/simd_level.h"
#include "h5file/histogram_file.h"
#include "histogram/histogram_sampler.h"
#include "random/ranlux.h"
#include "random/stream_generator.h"
#include "transport/source.h"
#include "transport/structure_factor_draw.h"

namespace ornaplex {
namespace {

struct Shipped {
  HistogramSampler wavelength{readInputHistogram(std::string(ORNAPLEX_DATA_DIR) + "/lam.h5", 100)};
  StructureFactorDraw structureFactor{
      readInputHistogram(std::string(ORNAPLEX_DATA_DIR) + "/sq.h5", 301)};
};

const Shipped& shipped() {
  static const Shipped s;
  return s;
}

void BM_SourceStarts(benchmark::State& state) {
  const auto level = static_cast<SimdLevel>(state.range(0));
  if (!cpuSupports(level)) {
    state.SkipWithError("this CPU lacks the path");
    return;
  }
  std::array<Ranlux, kLanes> lanes;
  std::array<Ranlux*, kLanes> rngs{};
  for (int j = 0; j < kLanes; ++j) {
    lanes[std::size_t(j)] = streamGenerator({1, 1, j});
    rngs[std::size_t(j)] = &lanes[std::size_t(j)];
  }
  std::array<SourceSample, kLanes> out;
  const detmath::BatchMath& math = detmath::batchMath(level);
  for (auto _ : state) {
    drawSourceStarts(shipped().wavelength, rngs, out, math);
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations() * kLanes);
  state.SetLabel(std::string(simdLevelName(level)));
}
BENCHMARK(BM_SourceStarts)->DenseRange(0, 3);

void BM_MomentumTransferDraw(benchmark::State& state) {
  // Starts drawn once; the loop draws the q of each in turn.
  Ranlux rng(5);
  std::vector<SourceSample> starts;
  while (starts.size() < 4096) {
    SourceSample s;
    Ranlux* const one[] = {&rng};
    drawSourceStarts(shipped().wavelength, one, std::span<SourceSample>(&s, 1),
                     detmath::batchMath(SimdLevel::Scalar));
    if (s.outcome == SourceSample::Outcome::Accepted) starts.push_back(s);
  }
  NullSink sink;
  std::int64_t tries = 0, numbers = 0;
  std::size_t i = 0;
  for (auto _ : state) {
    SourceSample s = starts[i++ % starts.size()];
    const std::uint64_t before = rng.delivered();
    drawMomentumTransfer(shipped().structureFactor, s, rng, sink);
    numbers += std::int64_t(rng.delivered() - before);
    tries += s.qTries;
    benchmark::DoNotOptimize(s);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["qTriesPerEvent"] = double(tries) / double(state.iterations());
}
BENCHMARK(BM_MomentumTransferDraw);

void BM_MomentumTransferDraws(benchmark::State& state) {
  // The same starts, their q drawn a batch of one event per lane at a time.
  Ranlux rng(5);
  std::vector<SourceSample> starts;
  while (starts.size() < 4096) {
    SourceSample s;
    Ranlux* const one[] = {&rng};
    drawSourceStarts(shipped().wavelength, one, std::span<SourceSample>(&s, 1),
                     detmath::batchMath(SimdLevel::Scalar));
    if (s.outcome == SourceSample::Outcome::Accepted) starts.push_back(s);
  }
  std::array<Ranlux, kLanes> lanes;
  std::array<Ranlux*, kLanes> rngs{};
  std::array<NullSink, kLanes> sinks;
  std::array<MessageSink*, kLanes> sinkOf{};
  for (int j = 0; j < kLanes; ++j) {
    lanes[std::size_t(j)] = streamGenerator({1, 1, j});
    rngs[std::size_t(j)] = &lanes[std::size_t(j)];
    sinkOf[std::size_t(j)] = &sinks[std::size_t(j)];
  }
  std::array<SourceSample, kLanes> batch;
  std::array<std::optional<TransferDraw>, kLanes> used;
  std::size_t i = 0;
  for (auto _ : state) {
    for (auto& s : batch) s = starts[i++ % starts.size()];
    drawMomentumTransfers(shipped().structureFactor, rngs, batch, sinkOf, {}, used);
    benchmark::DoNotOptimize(batch);
  }
  state.SetItemsProcessed(state.iterations() * kLanes);
}
BENCHMARK(BM_MomentumTransferDraws);

}  // namespace
}  // namespace ornaplex
