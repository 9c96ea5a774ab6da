// The event's momentum transfer q, as the target cells ask for it: what q does to a neutron of
// the energy it enters a cell with. It keeps the working the source did for its own energy.
#pragma once

#include "common/message_sink.h"
#include "transport/kinematics.h"
#include "transport/momentum_transfer.h"

namespace ornaplex {

class EventTransfer {
 public:
  // q alone (1/Angstrom): worked out at every energy asked for.
  explicit EventTransfer(double q_perA) {
    known_.q = q_perA;
    known_.mayHaveWritten = true;
  }
  // q with its working for one energy (the source's).
  explicit EventTransfer(const MomentumTransfer& worked) : known_(worked) {}

  double q() const { return known_.q; }

  // What q does at energy_meV. The working kept is handed out again when it is for this energy
  // and the dispersion could have written no line with it (a line it wrote would be due again);
  // otherwise q is worked out anew, its lines going to sink. Either way the result and the
  // lines are those of momentumTransfer(q, energy_meV, waveNumberOf(energy_meV), sink).
  MomentumTransfer at(double energy_meV, MessageSink& sink) const {
    if (known_.energy == energy_meV && !known_.mayHaveWritten) return known_;
    return momentumTransfer(known_.q, energy_meV, waveNumberOf(energy_meV), sink);
  }

 private:
  MomentumTransfer known_;
};

}  // namespace ornaplex
