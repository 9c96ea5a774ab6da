// Mirror pairs, analog and weighted: an unbiased estimate of the analog run on every value with
// an error, and printed errors of the left-right difference that are the spread of its estimate
// over independent seeds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "block_runs.h"
#include "shipped_tables.h"

namespace ornaplex {
namespace {

using testing::ModeRun;
using testing::runBlocks;

bool sanitized() {
  return std::getenv("ORNAPLEX_SANITIZED") != nullptr;
}

BeamlineSettings pairSettings(bool weighted) {
  BeamlineSettings s;
  s.pairs = true;
  s.bias.weighted = weighted;
  return s;
}

// On the reduced set-up, analog pairs and weighted pairs agree with an analog run on every value
// with an error within 4 standard deviations, and their rotation difference is far sharper.
TEST(PairRun, AgreesWithTheAnalogRunOnEveryValueWithAnError) {
  const testing::ShippedTables shipped;
  const StructureFactorDraw sq = testing::reducedS(*shipped.inputs.structureFactor);
  const BackScatterTable back(BeamlineSettings{}.bias.acceptance_rad);
  const EventTables tables{&shipped.wavelength, &sq, &back};
  const std::int64_t events = sanitized() ? 800000 : 1600000;
  const ModeRun analog = runBlocks(tables, events, 21, BeamlineSettings{});
  ASSERT_GE(analog.scatteredHits, 300.0);
  for (const bool weighted : {false, true}) {
    SCOPED_TRACE(weighted ? "weighted pairs" : "analog pairs");
    const ModeRun pairs =
        runBlocks(tables, weighted ? events / 4 : events, 22, pairSettings(weighted));
    int compared = 0;
    for (const auto& [key, a] : analog.numbers) {
      const ReportNumber& p = pairs.numbers.at(key);
      if (!a.error || !p.error || !std::isfinite(*a.error) || !std::isfinite(*p.error)) continue;
      ++compared;
      EXPECT_LE(std::fabs(a.value - p.value), 4.0 * std::hypot(*a.error, *p.error))
          << key << ": analog " << a.value << " +- " << *a.error << ", pairs " << p.value << " +- "
          << *p.error;
    }
    EXPECT_GE(compared, 15);
    EXPECT_LT(*pairs.numbers.at("rot_diff").error, 0.2 * *analog.numbers.at("rot_diff").error);
  }
}

// Over 60 seeds on the shipped inputs, the spread of rot_diff is its printed error, taken as the
// root mean square of the seeds' errors (a small run's error of a difference made by a few
// far-rotated pairs is itself noisy; its square is unbiased). Tolerance: the spread of 60
// estimates is known to about 10 %, more for the heavy tail of those pairs. Without the pairs'
// covariance the error would be ten times larger (analog pairs) and more (weighted pairs).
TEST(PairRun, PrintedErrorOfTheRotationDifferenceIsItsSpreadOverSeeds) {
  const testing::ShippedTables shipped;
  const BackScatterTable back(BeamlineSettings{}.bias.acceptance_rad);
  const EventTables tables{&shipped.wavelength, &shipped.structureFactor, &back};
  const int seeds = 60;
  for (const bool weighted : {false, true}) {
    SCOPED_TRACE(weighted ? "weighted pairs" : "analog pairs");
    const std::int64_t events = (weighted ? 100000 : 200000) / (sanitized() ? 2 : 1);
    double sum = 0.0, squares = 0.0, errorSquares = 0.0, independent = 0.0;
    for (int seed = 1; seed <= seeds; ++seed) {
      const ModeRun run = runBlocks(tables, events, 500 + seed, pairSettings(weighted));
      const ReportNumber& d = run.numbers.at("rot_diff");
      sum += d.value;
      squares += d.value * d.value;
      errorSquares += *d.error * *d.error;
      independent += std::pow(*run.numbers.at("rot_left").error, 2) +
                     std::pow(*run.numbers.at("rot_right").error, 2);
    }
    const double mean = sum / seeds;
    const double spread = std::sqrt((squares - seeds * mean * mean) / (seeds - 1));
    const double printed = std::sqrt(errorSquares / seeds);
    EXPECT_GT(spread / printed, 0.75) << spread << " vs " << printed;
    EXPECT_LT(spread / printed, 1.33) << spread << " vs " << printed;
    EXPECT_LT(printed, 0.2 * std::sqrt(independent / seeds));
  }
}

}  // namespace
}  // namespace ornaplex
