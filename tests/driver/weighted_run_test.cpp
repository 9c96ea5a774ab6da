// The weighted run is an unbiased estimate of the analog run: on a reduced set-up (S(q) cut to
// its first and last bins, so that scattered neutrons reach the detector often), every report value
// with an error agrees between the two modes within 4 standard deviations, and so do the
// scattered hits' histograms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>

#include "driver/block_runner.h"
#include "results/histogram_catalogue.h"
#include "results/report_numbers.h"
#include "shipped_tables.h"
#include "transport/structure_factor_draw.h"

namespace ornaplex {
namespace {

bool sanitized() {
  return std::getenv("ORNAPLEX_SANITIZED") != nullptr;
}

// S(q) of the shipped file up to 0.12 1/Angstrom and from 2.2 1/Angstrom on (where neutrons are
// turned straight back), nothing between.
StructureFactorDraw reducedS(const Histogram1D& shipped) {
  Histogram1D h = shipped;
  for (int i = 3; i < 55; ++i) h.setSlot(std::size_t(i) + 1, 0.0);
  return StructureFactorDraw(h);
}

struct ModeRun {
  std::map<std::string, ReportNumber> numbers;
  HistogramStore store;
  double scatteredHits = 0.0;
};

ModeRun runMode(const EventTables& tables, std::int64_t events, std::int32_t seed, bool weighted) {
  BeamlineSettings settings;
  settings.bias.weighted = weighted;
  const BlockPlan plan{events, 16384};
  ModeRun run;
  bookCatalogue(run.store);
  if (weighted) run.store.enableWeights();
  DetectorHistograms h(run.store);
  Counters counters;
  Tallies tallies;
  for (std::int64_t b = 0; b < plan.blockCount(); ++b) {
    const BlockResult r = runBlock(plan, b, seed, tables, settings, h);
    run.store.flushBlock();
    counters.merge(r.counters);
    tallies.merge(r.tallies);
  }
  for (ReportNumber& n : reportNumbers(events, counters, tallies, weighted))
    run.numbers.emplace(n.key, n);
  run.scatteredHits = double(tallies.scatLeftTally.N + tallies.scatRightTally.N);
  return run;
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
