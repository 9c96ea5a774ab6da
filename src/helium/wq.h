// Excitation (phonon-roton) dispersion of superfluid helium-4, omega(q), from a table, with the
// small-q correction that keeps a scattering of incident energy E kinematically allowed.
#pragma once

#include "common/message_sink.h"

namespace ornaplex {

// Below this momentum transfer (1/Angstrom) omega is lowered until the scattering is allowed: a
// neutron slower than sound then scatters almost straight on, losing energy.
inline constexpr double WQ_CORRECTION_LIMIT_perA = 0.1;

// omega_perPs receives omega (1/ps) for momentum transfer q (1/Angstrom). E (meV) and
// k (1/Angstrom) of the incident neutron enter only the correction below q = 0.1.
void WQ(double q_perA, double& omega_perPs, double energy_meV, double k_perA, MessageSink& sink);

// False when WQ writes no line for this q whatever E and k: q inside the table and not below
// q = 0.1, where the correction works.
bool wqMayWrite(double q_perA);

}  // namespace ornaplex
