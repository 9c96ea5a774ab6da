// Time per call of the helium look-ups, over inputs spread as a run meets them (random order, so
// branch prediction does not learn a fixed pattern).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

#include "common/constants.h"
#include "common/message_sink.h"
#include "helium/heden.h"
#include "helium/intq.h"
#include "helium/sommers.h"
#include "helium/wq.h"

namespace {

constexpr std::size_t kInputs = 4096;  // a power of two, cycled through

std::vector<double> uniform(double lo, double hi, unsigned seed) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> u(lo, hi);
  std::vector<double> v(kInputs);
  for (double& x : v) x = u(gen);
  return v;
}

double waveNumber(double energy_meV) {
  return std::sqrt(ornaplex::kTwoNeutronMass_meVps2PerA2 * energy_meV) / ornaplex::kHbar_meVps;
}

// omega(q) over the whole table, 0.1 to 3.6 1/A (no small-q correction).
void BM_WQ(benchmark::State& state) {
  ornaplex::NullSink sink;
  const auto q = uniform(0.1, 3.5, 1);
  const double e = 5.11, k = waveNumber(e);
  std::size_t i = 0;
  for (auto _ : state) {
    double omega = 0.0;
    ornaplex::WQ(q[i++ & (kInputs - 1)], omega, e, k, sink);
    benchmark::DoNotOptimize(omega);
  }
}
BENCHMARK(BM_WQ);

// Below 0.1 1/A, where slow neutrons make the correction lower omega several times.
void BM_WQSmallQ(benchmark::State& state) {
  ornaplex::NullSink sink;
  const auto q = uniform(0.0, 0.1, 2);
  const auto e = uniform(0.05, 5.0, 3);
  std::vector<double> k(kInputs);
  for (std::size_t j = 0; j < kInputs; ++j) k[j] = waveNumber(e[j]);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t j = i++ & (kInputs - 1);
    double omega = 0.0;
    ornaplex::WQ(q[j], omega, e[j], k[j], sink);
    benchmark::DoNotOptimize(omega);
  }
}
BENCHMARK(BM_WQSmallQ);

// The measured cross section at the run's 2.1 K, over the energy grid.
void BM_SOMMERS(benchmark::State& state) {
  ornaplex::NullSink sink;
  const auto e = uniform(0.3, 100.0, 4);
  std::size_t i = 0;
  for (auto _ : state) {
    double sigma = 0.0;
    ornaplex::SOMMERS(ornaplex::HELIUM_TEMPERATURE, e[i++ & (kInputs - 1)], sigma, sink);
    benchmark::DoNotOptimize(sigma);
  }
}
BENCHMARK(BM_SOMMERS);

void BM_HEDEN(benchmark::State& state) {
  ornaplex::NullSink sink;
  const auto t = uniform(0.2, 4.4, 5);
  std::size_t i = 0;
  for (auto _ : state) {
    double rho = 0.0;
    ornaplex::HEDEN(t[i++ & (kInputs - 1)], rho, sink);
    benchmark::DoNotOptimize(rho);
  }
}
BENCHMARK(BM_HEDEN);

void BM_INTQ(benchmark::State& state) {
  ornaplex::NullSink sink;
  const auto q = uniform(0.0, 0.5628, 6);
  std::size_t i = 0;
  for (auto _ : state) {
    double sigma = 0.0;
    ornaplex::INTQ(ornaplex::HELIUM_TEMPERATURE, 1.5, q[i++ & (kInputs - 1)], 0.0, sigma, sink);
    benchmark::DoNotOptimize(sigma);
  }
}
BENCHMARK(BM_INTQ);

}  // namespace
