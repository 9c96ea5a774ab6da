#include "target/score.h"

namespace ornaplex {

void EventSums::addCrossSums() {
  for (std::size_t i = 0; i < kTallyPairCount; ++i) {
    const Part& l = parts_[tallyIndex(kTallyPairFields[i].left)];
    const Part& r = parts_[tallyIndex(kTallyPairFields[i].right)];
    CrossSums& x = tallies_.cross[i];
    x.SS += l.ws * r.ws;
    x.SW += l.ws * r.w;
    x.WS += l.w * r.ws;
    x.WW += l.w * r.w;
  }
  tallies_.tar1Tar2EnergyChanged += counts_[counterIndex(&Counters::tar1EnergyChanged)] *
                                    counts_[counterIndex(&Counters::tar2EnergyChanged)];
}

void EventSums::endEvent() {
  if (!touched_) return;
  if (pair_) addCrossSums();
  for (std::size_t i = 0; i < kCounterCount; ++i) {
    const double w = counts_[i];
    WeightedCount& to = counters_.weighted[i];
    to.W += w;
    to.WW += w * w;
  }
  for (std::size_t i = 0; i < kTallyCount; ++i) {
    const Part& p = parts_[i];
    if (p.n == 0) continue;
    Tally& t = tallies_.*kTallyFields[i].member;
    t.S += p.ws;
    t.Q += p.ws * p.ws;
    t.N += p.n;
    t.W += p.w;
    t.WW += p.w * p.w;
    t.SW += p.ws * p.w;
  }
  counts_.fill(0.0);
  parts_.fill(Part{});
  touched_ = false;
}

}  // namespace ornaplex
