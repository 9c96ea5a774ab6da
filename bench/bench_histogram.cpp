// Cost of one 1-D fill, one 2-D fill (unweighted and weighted), of ending a block of weighted
// fills, and of one draw from a histogram.
#include <benchmark/benchmark.h>

#include <vector>

#include "histogram/histogram.h"
#include "histogram/histogram_sampler.h"
#include "random/ranlux.h"

namespace ornaplex {
namespace {

// Values spread over and a little beyond the range, precomputed so only the fill is timed.
std::vector<double> values(double low, double high, std::size_t n) {
  std::vector<double> v(n);
  double r = 0.123;
  for (double& x : v) {
    r = r * 3.9 * (1.0 - r);  // chaotic but deterministic
    x = low + (high - low) * (1.1 * r - 0.05);
  }
  return v;
}

void BM_Fill1D(benchmark::State& state) {
  Histogram1D h(3006, "Path length (cm) DeB", Axis{200, double(477.18f), double(477.34f)});
  const std::vector<double> v = values(477.18, 477.34, 4096);
  std::size_t k = 0;
  for (auto _ : state) {
    h.fill(v[k++ & 4095]);
  }
  benchmark::DoNotOptimize(h.slots().data());
}
BENCHMARK(BM_Fill1D);

void BM_Fill2D(benchmark::State& state) {
  Histogram2D h(6020, "th_rot", Axis{1000, 0.0, 40.0}, Axis{200, -10.0, 50.0});
  const std::vector<double> x = values(0.0, 40.0, 4096);
  const std::vector<double> y = values(-10.0, 50.0, 4099);
  std::size_t k = 0;
  for (auto _ : state) {
    h.fill(x[k & 4095], y[k % 4099]);
    ++k;
  }
  benchmark::DoNotOptimize(h.slots().data());
}
BENCHMARK(BM_Fill2D);

void BM_Fill1DWeighted(benchmark::State& state) {
  Histogram1D h(3006, "Path length (cm) DeB", Axis{200, double(477.18f), double(477.34f)});
  h.enableWeights();
  const std::vector<double> v = values(477.18, 477.34, 4096);
  const std::vector<double> w = values(0.5, 2.0, 4093);
  std::size_t k = 0;
  for (auto _ : state) {
    h.fill(v[k & 4095], w[k % 4093]);
    ++k;
  }
  benchmark::DoNotOptimize(h.slots().data());
}
BENCHMARK(BM_Fill1DWeighted);

void BM_Fill2DWeighted(benchmark::State& state) {
  Histogram2D h(6020, "th_rot", Axis{1000, 0.0, 40.0}, Axis{200, -10.0, 50.0});
  h.enableWeights();
  const std::vector<double> x = values(0.0, 40.0, 4096);
  const std::vector<double> y = values(-10.0, 50.0, 4099);
  const std::vector<double> w = values(0.5, 2.0, 4093);
  std::size_t k = 0;
  for (auto _ : state) {
    h.fill(x[k & 4095], y[k % 4099], w[k % 4093]);
    ++k;
  }
  benchmark::DoNotOptimize(h.slots().data());
}
BENCHMARK(BM_Fill2DWeighted);

// Ending a block on the largest 2-D booking (1002 x 202 slots) after range(0) fills.
void BM_FlushBlock2D(benchmark::State& state) {
  Histogram2D h(6020, "th_rot", Axis{1000, 0.0, 40.0}, Axis{200, -10.0, 50.0});
  h.enableWeights();
  const std::vector<double> x = values(0.0, 40.0, 4096);
  const std::vector<double> y = values(-10.0, 50.0, 4099);
  const auto fills = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    for (std::size_t k = 0; k < fills; ++k) h.fill(x[k & 4095], y[k % 4099], 0.75);
    state.ResumeTiming();
    h.flushBlock();
  }
  benchmark::DoNotOptimize(h.slots().data());
}
BENCHMARK(BM_FlushBlock2D)->Arg(0)->Arg(4096)->Arg(65536);

void BM_Draw(benchmark::State& state) {
  Histogram1D h(301, "S(q)", Axis{100, 0.0, 4.0});
  for (int i = 0; i < 100; ++i) h.setSlot(static_cast<std::size_t>(i) + 1, 1.0 + (i % 7));
  const HistogramSampler s(h);
  Ranlux rng(12345);
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.drawFirst(n, rng));
  }
}
BENCHMARK(BM_Draw)->Arg(10)->Arg(90);

void BM_RanluxOnly(benchmark::State& state) {
  Ranlux rng(12345);
  for (auto _ : state) benchmark::DoNotOptimize(rng.next());
}
BENCHMARK(BM_RanluxOnly);

}  // namespace
}  // namespace ornaplex
