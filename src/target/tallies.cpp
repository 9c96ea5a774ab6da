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
}

}  // namespace ornaplex
