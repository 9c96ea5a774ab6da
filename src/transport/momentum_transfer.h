// What a momentum transfer q does to a neutron of energy E in helium: the energy transfer from
// the dispersion, the final energy and wave number, and the cosine of the scattering angle from
// the momentum balance. The source accepts a q with it and the target cell scatters with it.
#pragma once

#include "common/constants.h"
#include "common/message_sink.h"
#include "helium/wq.h"
#include "transport/kinematics.h"

namespace ornaplex {

struct MomentumTransfer {
  double q = 0.0;            // 1/Angstrom
  double energy = 0.0;       // meV, incident
  double k = 0.0;            // 1/Angstrom, incident
  double omega = 0.0;        // 1/ps, from the dispersion (small-q correction included)
  double energyFinal = 0.0;  // meV, E - hbar omega
  // Set unless energyFinal <= 0:
  double kFinal = 0.0;          // 1/Angstrom
  double cosAngle = 0.0;        // (k'^2 + k^2 - q^2) / (2 k k'); outside [-1, 1] when q cannot be
                                // transferred
  bool mayHaveWritten = false;  // the dispersion may have written lines to the sink
};

// For q (1/Angstrom) and a neutron of energy E (meV) and wave number k (1/Angstrom, as
// waveNumberOf(E)); the dispersion's diagnostic lines go to sink. Inline: the source calls it
// for every q it tries.
inline MomentumTransfer momentumTransfer(double q_perA, double energy_meV, double k_perA,
                                         MessageSink& sink) {
  MomentumTransfer t;
  t.q = q_perA;
  t.energy = energy_meV;
  t.k = k_perA;
  WQ(q_perA, t.omega, energy_meV, k_perA, sink);
  t.mayHaveWritten = wqMayWrite(q_perA);
  t.energyFinal = energy_meV - kHbar_meVps * t.omega;
  if (t.energyFinal <= 0.0) return t;
  t.kFinal = waveNumberOf(t.energyFinal);
  t.cosAngle =
      (t.kFinal * t.kFinal + k_perA * k_perA - q_perA * q_perA) / (2.0 * k_perA * t.kFinal);
  return t;
}

}  // namespace ornaplex
