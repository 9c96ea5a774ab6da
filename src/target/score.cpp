#include "target/score.h"

namespace ornaplex {

void EventSums::endEvent() {
  if (!touched_) return;
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
