// A small histogram file with known contents, written as the driver writes a run's file.
#pragma once

#include <cmath>
#include <string>

#include "h5file/histogram_file.h"
#include "results/histogram_catalogue.h"
#include "results/run_summary.h"

namespace ornaplex::testing {

// Counters and tallies with round numbers: 200 enter target 1, 50 of them with an energy
// change; 4495690 detector hits counted, 40 of them tallied left at 2 and 4 mrad, 60 right at 1
// mrad; no scattered hit reaches the detector.
inline RunTotals sampleTotals() {
  RunTotals t;
  t.counters.tar1In = 200;
  t.counters.tar1EnergyChanged = 50;
  t.counters.tar1AngleNonZero = 50;
  t.counters.tar2In = 160;
  t.counters.tar2EnergyChanged = 40;
  t.counters.tar2AngleNonZero = 40;
  t.counters.detIn = 4495690;  // large: a count is printed in full
  for (int k = 0; k < 20; ++k) {
    t.tallies.leftTally.add(std::sin(0.002));
    t.tallies.leftTally.add(std::sin(0.004));
  }
  for (int k = 0; k < 60; ++k) t.tallies.rightTally.add(std::sin(0.001));
  return t;
}

// Every catalogue histogram; 3007 holds 3 fills in range (-1.0 twice, 2.0), one below and two
// above; 8010 holds one fill in range and one left of x.
inline void writeSampleRunFile(const std::string& path) {
  HistogramStore store;
  bookCatalogue(store);
  Histogram1D& rot = store.h1(3007);
  for (double v : {-1.0, -1.0, 2.0, -20.0, 60.0, 50.0}) rot.fill(v);
  Histogram2D& sig = store.h2(8010);
  sig.fill(1.0, 0.5);
  sig.fill(-1.0, 0.5);
  const RunTotals t = sampleTotals();
  const std::vector<Attribute> run = {
      {"program", std::string("ornaplex")},
      {"seed", std::int64_t(12345)},
      {"events", std::int64_t(1000)},
      {"field_mG", 0.1},
      {"start_time", std::string("20240101 120000.000")},
  };
  writeHistogramFile(path, store, run, summaryValues(t.counters, t.tallies, false));
}

}  // namespace ornaplex::testing
