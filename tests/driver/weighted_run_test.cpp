// The weighted run is an unbiased estimate of the analog run: on a reduced set-up (S(q) cut to
// its first and last bins, so that scattered neutrons reach the detector often), every report value
// with an error agrees between the two modes within 4 standard deviations, and so do the
// scattered hits' histograms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>

#include "block_runs.h"
#include "shipped_tables.h"

namespace ornaplex {
namespace {

bool sanitized() {
  return std::getenv("ORNAPLEX_SANITIZED") != nullptr;
}

using testing::ModeRun;
using testing::reducedS;

ModeRun runMode(const EventTables& tables, std::int64_t events, std::int32_t seed, bool weighted) {
  BeamlineSettings settings;
  settings.bias.weighted = weighted;
  return testing::runBlocks(tables, events, seed, settings);
}

TEST(WeightedRun, AgreesWithTheAnalogRunOnEveryValueWithAnError) {
  const testing::ShippedTables shipped;
  const StructureFactorDraw sq = reducedS(*shipped.inputs.structureFactor);
  const BackScatterTable back(BeamlineSettings{}.bias.acceptance_rad);
  const EventTables tables{&shipped.wavelength, &sq, &back};
  const std::int64_t analogEvents = sanitized() ? 800000 : 1600000;
  const ModeRun analog = runMode(tables, analogEvents, 11, false);
  const ModeRun weighted = runMode(tables, analogEvents / 4, 12, true);
  ASSERT_GE(analog.scatteredHits, 300.0) << "too few analog scattered hits to compare";

  int compared = 0;
  for (const auto& [key, a] : analog.numbers) {
    const ReportNumber& w = weighted.numbers.at(key);
    if (!a.error || !w.error || !std::isfinite(*a.error) || !std::isfinite(*w.error)) continue;
    ++compared;
    const double sigma = std::hypot(*a.error, *w.error);
    EXPECT_LE(std::fabs(a.value - w.value), 4.0 * sigma)
        << key << ": analog " << a.value << " +- " << *a.error << ", weighted " << w.value << " +- "
        << *w.error;
  }
  EXPECT_GE(compared, 15);
  // The scattered rotations are what the weighted run is for: far smaller errors here.
  for (const char* key : {"rot_scat_right", "rot_scat_left", "rot_diff_scat"})
    EXPECT_LT(*weighted.numbers.at(key).error, 0.5 * *analog.numbers.at(key).error) << key;

  // The scattered hits' rotations (histogram 6004), bin by bin, per event: the analog counts'
  // variance is the counts, the weighted sums' is their squares.
  const Histogram1D& ha = analog.store.h1(6004);
  const Histogram1D& hw = weighted.store.h1(6004);
  const double na = double(analogEvents), nw = double(analogEvents / 4);
  double chi2 = 0.0;
  int bins = 0;
  for (std::size_t i = 0; i < ha.slots().size(); ++i) {
    const double a = ha.slots()[i], w = hw.slots()[i];
    if (a < 10.0) continue;
    const double d = a / na - w / nw;
    chi2 += d * d / (a / (na * na) + hw.squares()[i] / (nw * nw));
    ++bins;
  }
  ASSERT_GE(bins, 5);
  // The 0.1 % point of chi-square is below 2.3 per bin for 5 bins or more.
  EXPECT_LT(chi2 / bins, 2.3) << bins << " bins";
}

}  // namespace
}  // namespace ornaplex
