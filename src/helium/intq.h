// Small-angle scattering cross section of liquid helium per atom: the forward strength with an
// Ornstein-Zernike fall-off in q.
#pragma once

#include "common/message_sink.h"

namespace ornaplex {

// sigma_barn receives 4 pi D(T) / (1 + xi(T)^2 q^2) / n(T) (barn/atom). k and spare are
// accepted and not read.
void INTQ(double temperature_K, double k_perA, double q_perA, double spare, double& sigma_barn,
          MessageSink& sink);

}  // namespace ornaplex
