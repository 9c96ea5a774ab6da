#include "target/tallies.h"

namespace ornaplex {

void Counters::merge(const Counters& o) {
  for (std::size_t i = 0; i < kCounterFields.size(); ++i) {
    this->*kCounterFields[i].member += o.*kCounterFields[i].member;
    weighted[i].W += o.weighted[i].W;
    weighted[i].WW += o.weighted[i].WW;
  }
}

void Tallies::merge(const Tallies& o) {
  for (const TallyField& f : kTallyFields) (this->*f.member).merge(o.*f.member);
  for (std::size_t i = 0; i < kTallyPairCount; ++i) {
    cross[i].SS += o.cross[i].SS;
    cross[i].SW += o.cross[i].SW;
    cross[i].WS += o.cross[i].WS;
    cross[i].WW += o.cross[i].WW;
  }
  tar1Tar2EnergyChanged += o.tar1Tar2EnergyChanged;
}

}  // namespace ornaplex
