// Density of liquid helium-4 divided by its maximum (0.146 g/cm^3 at 2.2 K), from a table.
#pragma once

#include "common/message_sink.h"

namespace ornaplex {

// ratio receives rho(T)/0.146 for 0.2 <= T <= 4.4 K. Outside it, the two diagnostic lines go to
// sink and RunStopped is thrown: the run ends with no output file.
void NDEN(double temperature_K, double& ratio, MessageSink& sink);

}  // namespace ornaplex
