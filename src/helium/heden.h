// Mass density of liquid helium-4 against temperature, from a table.
#pragma once

#include "common/message_sink.h"

namespace ornaplex {

// density_gPerCm3 receives rho(T) in g/cm^3 for 0.2 <= T <= 4.4 K (the table's single-precision
// end points). Outside it, 33 pairs of diagnostic lines go to sink and the output is left as
// it was.
void HEDEN(double temperature_K, double& density_gPerCm3, MessageSink& sink);

}  // namespace ornaplex
