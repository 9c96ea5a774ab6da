// Cost of one uniform number: single draws and the vector of four the source stage takes.
#include <benchmark/benchmark.h>

#include <array>

#include "random/ranlux.h"

namespace {

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

}  // namespace
