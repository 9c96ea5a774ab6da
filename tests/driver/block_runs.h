// Runs of whole blocks inside the test program, without the program's files: a mode's report
// numbers, histograms and scattered hits; and a reduced S(q) that sends scattered neutrons to
// the detector often, for comparisons of modes at little cost.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "driver/block_runner.h"
#include "results/histogram_catalogue.h"
#include "results/report_numbers.h"
#include "transport/structure_factor_draw.h"

namespace ornaplex::testing {

// S(q) of the shipped file up to 0.12 1/Angstrom and from 2.2 1/Angstrom on (where neutrons are
// turned straight back), nothing between.
inline StructureFactorDraw reducedS(const Histogram1D& shipped) {
  Histogram1D h = shipped;
  for (int i = 3; i < 55; ++i) h.setSlot(std::size_t(i) + 1, 0.0);
  return StructureFactorDraw(h);
}

struct ModeRun {
  std::map<std::string, ReportNumber> numbers;
  HistogramStore store;
  double scatteredHits = 0.0;
};

// The run of events (blocks of 16384) with this seed and these settings, its report as the
// program derives it.
inline ModeRun runBlocks(const EventTables& tables, std::int64_t events, std::int32_t seed,
                         const BeamlineSettings& settings) {
  const BlockPlan plan{events, 16384};
  ModeRun run;
  bookCatalogue(run.store);
  if (settings.bias.weighted) run.store.enableWeights();
  DetectorHistograms h(run.store);
  Counters counters;
  Tallies tallies;
  for (std::int64_t b = 0; b < plan.blockCount(); ++b) {
    const BlockResult r = runBlock(plan, b, seed, tables, settings, h);
    run.store.flushBlock();
    counters.merge(r.counters);
    tallies.merge(r.tallies);
  }
  for (ReportNumber& n :
       reportNumbers(events, counters, tallies, settings.bias.weighted, settings.pairs))
    run.numbers.emplace(n.key, n);
  run.scatteredHits = double(tallies.scatLeftTally.N + tallies.scatRightTally.N);
  return run;
}

}  // namespace ornaplex::testing
