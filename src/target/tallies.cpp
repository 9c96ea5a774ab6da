#include "target/tallies.h"

namespace ornaplex {

void Counters::merge(const Counters& o) {
  tar1In += o.tar1In;
  tar1EnergyChanged += o.tar1EnergyChanged;
  tar1AngleNonZero += o.tar1AngleNonZero;
  tar1ToTar2 += o.tar1ToTar2;
  tar2In += o.tar2In;
  tar2EnergyChanged += o.tar2EnergyChanged;
  tar2AngleNonZero += o.tar2AngleNonZero;
  detIn += o.detIn;
  detScattered += o.detScattered;
  detEnergyChanged += o.detEnergyChanged;
  detAngleNonZero += o.detAngleNonZero;
  qRetriesExhausted += o.qRetriesExhausted;
  limitTaken += o.limitTaken;
}

void Tallies::merge(const Tallies& o) {
  rightTally.merge(o.rightTally);
  leftTally.merge(o.leftTally);
  scatRightTally.merge(o.scatRightTally);
  scatLeftTally.merge(o.scatLeftTally);
  scatLowRightTally.merge(o.scatLowRightTally);
  scatLowLeftTally.merge(o.scatLowLeftTally);
  lossRightTally.merge(o.lossRightTally);
  lossLeftTally.merge(o.lossLeftTally);
}

}  // namespace ornaplex
