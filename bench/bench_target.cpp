// Cost of one TARGET call, with and without a scattering in the cell, and of a target segment's
// spin-rotation bookkeeping.
#include <benchmark/benchmark.h>

#include "common/constants.h"
#include "common/message_sink.h"
#include "random/ranlux.h"
#include "target/spin_rotation.h"
#include "target/target.h"
#include "transport/beamline_geometry.h"

namespace {

using namespace ornaplex;

const Aperture kWide{-1.0e15, 1.0e15, -1.0e15, 1.0e15};
constexpr double kE = 5.112742;  // meV, 4 Angstrom

void runTarget(benchmark::State& state, double q, const Aperture& aperture, double length) {
  Ranlux rng(4711);
  NullSink sink;
  const Track in{-1.5, 0.3, 210.0, 0.002, -0.001, kE};
  Track out;
  TargetScatter scatter;
  std::int64_t scattered = 0;
  for (auto _ : state) {
    TARGET(EventTransfer(q), HELIUM_TEMPERATURE, in, aperture, length, out, scatter, rng, sink);
    scattered += scatter.energyChanged;
    benchmark::DoNotOptimize(out);
  }
  state.counters["scattered"] = benchmark::Counter(double(scattered) / double(state.iterations()));
}

// Free path always beyond the exit: straight flight.
void BM_TargetNoScatter(benchmark::State& state) {
  runTarget(state, 0.3, LEFT_CELL, 1.0e-9);
}
// Free path always inside: scattered (small-angle and measured cross section).
void BM_TargetScatterSmallQ(benchmark::State& state) {
  runTarget(state, 0.3, kWide, 1.0e5);
}
void BM_TargetScatterLargeQ(benchmark::State& state) {
  runTarget(state, 1.9, kWide, 1.0e5);
}
// The left cell as the beamline uses it.
void BM_TargetBeamlineCell(benchmark::State& state) {
  runTarget(state, 1.9, LEFT_CELL, TARGET_LENGTH_cm);
}

void BM_TargetSegmentSplit(benchmark::State& state) {
  const Track in{-1.0, 0.0, 210.0, 0.01, 0.02, kE};
  const Track out{-1.848, 1.78, 251.6, -0.03, 0.05, 3.9};
  for (auto _ : state) {
    benchmark::DoNotOptimize(targetSegment(in, out, TARGET_LENGTH_cm, FIELD_mG));
  }
}

BENCHMARK(BM_TargetNoScatter);
BENCHMARK(BM_TargetScatterSmallQ);
BENCHMARK(BM_TargetScatterLargeQ);
BENCHMARK(BM_TargetBeamlineCell);
BENCHMARK(BM_TargetSegmentSplit);

}  // namespace
