// Cost of one uniform number: single draws and the vector of four the source stage takes, from
// one stream, and from 16 lanes computed side by side (time per number delivered by one lane).
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string>

#include "common/simd_level.h"
#include "random/lane_ranlux.h"
#include "random/ranlux.h"
#include "random/stream_generator.h"

namespace {

using ornaplex::kLanes;
using ornaplex::LaneRanlux;
using ornaplex::SimdLevel;

void BM_RanluxNext(benchmark::State& state) {
  ornaplex::Ranlux r(12345, static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(r.next());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RanluxNext)->Arg(3)->Arg(0)->Arg(4);

void BM_RanluxFill4(benchmark::State& state) {
  ornaplex::Ranlux r(12345, 3);
  std::array<float, 4> v{};
  for (auto _ : state) {
    r.fill(v);
    benchmark::DoNotOptimize(v);
  }
  state.SetItemsProcessed(4 * state.iterations());
}
BENCHMARK(BM_RanluxFill4);

std::array<ornaplex::RanluxState, kLanes> blockStarts() {
  std::array<ornaplex::RanluxState, kLanes> starts;
  for (int j = 0; j < kLanes; ++j) starts[j] = ornaplex::streamGenerator({12345, 1, j}).state();
  return starts;
}

// Every lane in turn draws an event's numbers, `length(j, rng)` of them; one iteration is one
// number delivered.
template <class Length>
void drawEvents(benchmark::State& state, SimdLevel level, Length length) {
  if (!ornaplex::cpuSupports(level)) {
    state.SkipWithError(("this CPU lacks " + std::string(ornaplex::simdLevelName(level))).c_str());
    return;
  }
  LaneRanlux lanes(blockStarts(), level);
  std::uint64_t rng = 0x9e3779b97f4a7c15ULL;
  int j = 0;
  int left = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(lanes.lane(j).next());
    if (--left == 0) {
      j = (j + 1) % kLanes;
      rng = rng * 6364136223846793005ULL + 1442695040888963407ULL;
      left = length(j, rng);
    }
  }
  state.SetItemsProcessed(state.iterations());
}

// One number per lane in turn.
void BM_LaneRanlux(benchmark::State& state, SimdLevel level) {
  drawEvents(state, level, [](int, std::uint64_t) { return 1; });
}
// Events of 1 to 64 numbers, the same spread on every lane.
void BM_LaneRanluxUneven(benchmark::State& state, SimdLevel level) {
  drawEvents(state, level, [](int, std::uint64_t rng) { return 1 + static_cast<int>(rng >> 58); });
}
// Lane j draws j + 1 numbers a turn: every lane is computed as often as the fastest needs.
void BM_LaneRanluxSkewed(benchmark::State& state, SimdLevel level) {
  drawEvents(state, level, [](int lane, std::uint64_t) { return lane + 1; });
}

#define ORNAPLEX_LANE_BENCH(name)                     \
  BENCHMARK_CAPTURE(name, scalar, SimdLevel::Scalar); \
  BENCHMARK_CAPTURE(name, sse2, SimdLevel::Sse2);     \
  BENCHMARK_CAPTURE(name, avx, SimdLevel::Avx);       \
  BENCHMARK_CAPTURE(name, avx512, SimdLevel::Avx512)
ORNAPLEX_LANE_BENCH(BM_LaneRanlux);
ORNAPLEX_LANE_BENCH(BM_LaneRanluxUneven);
ORNAPLEX_LANE_BENCH(BM_LaneRanluxSkewed);

}  // namespace
