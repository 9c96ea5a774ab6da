// Measured total scattering cross section of liquid helium per atom, by temperature band and
// energy.
#pragma once

#include "common/message_sink.h"

namespace ornaplex {

// sigma_barn receives the cross section (barn/atom) for energy E (meV) at temperature T (K).
// Below the energy grid it writes 17 diagnostic groups to sink and gives the band's first value.
void SOMMERS(double temperature_K, double energy_meV, double& sigma_barn, MessageSink& sink);

}  // namespace ornaplex
