// Cost of one source draw (wavelength, cone, start point and the event's q) and of one guide
// traversal. The tables are synthetic, shaped like the measured ones: a cold spectrum peaked
// near 4 Angstrom and a liquid-helium S(q) rising to its peak near 2.0 1/Angstrom.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "common/constants.h"
#include "common/message_sink.h"
#include "histogram/histogram.h"
#include "histogram/histogram_sampler.h"
#include "random/ranlux.h"
#include "transport/guide.h"
#include "transport/source.h"

namespace {

using namespace ornaplex;

HistogramSampler syntheticSpectrum() {
  Histogram1D h(100, "lambda", {200, 0.0, 20.0});
  for (int i = 0; i < 200; ++i) {
    const double lambda = 0.1 * (i + 0.5);
    const double a = 4.0 / lambda;  // Maxwellian in wavelength, peak near 4 A
    h.setSlot(i + 1, std::pow(a, 5) * std::exp(-1.25 * a * a));
  }
  return HistogramSampler(h);
}

StructureFactorDraw syntheticStructureFactor() {
  Histogram1D h(301, "S(q)", {90, 0.0, 3.6});
  for (int i = 0; i < 90; ++i) {
    const double q = 0.04 * (i + 0.5);
    h.setSlot(i + 1, 0.05 + 0.3 * q + 1.2 * std::exp(-(q - 2.0) * (q - 2.0) / 0.08));
  }
  return StructureFactorDraw(h);
}

void BM_DrawSource(benchmark::State& state) {
  const HistogramSampler lambda = syntheticSpectrum();
  const StructureFactorDraw sOfQ = syntheticStructureFactor();
  Ranlux rng(12345);
  NullSink sink;
  std::int64_t tries = 0;
  for (auto _ : state) {
    const SourceSample s = drawSource({lambda, sOfQ}, rng, sink);
    tries += s.qTries;
    benchmark::DoNotOptimize(s);
  }
  state.counters["qTriesPerEvent"] = benchmark::Counter(double(tries) / double(state.iterations()));
}
BENCHMARK(BM_DrawSource);

void BM_Guide(benchmark::State& state) {
  // Source states drawn once; the loop cycles through them.
  const HistogramSampler lambda = syntheticSpectrum();
  const StructureFactorDraw sOfQ = syntheticStructureFactor();
  Ranlux rng(777);
  NullSink sink;
  std::vector<Track> states;
  while (states.size() < 4096) {
    const SourceSample s = drawSource({lambda, sOfQ}, rng, sink);
    if (s.outcome == SourceSample::Outcome::Accepted) states.emplace_back(s.state, s.tangents);
  }
  std::size_t i = 0;
  Track out;
  for (auto _ : state) {
    GUIDE(GUIDE_LENGTH_cm, GUIDE_CRITICAL_COEFFICIENT, states[i], out);
    benchmark::DoNotOptimize(out);
    i = (i + 1) & 4095;
  }
}
BENCHMARK(BM_Guide);

}  // namespace
