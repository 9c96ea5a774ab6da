// Forward (q -> 0) differential scattering cross section of liquid helium per unit volume.
#pragma once

namespace ornaplex {

// D receives the value (1/(cm sr)) at temperature T (K): held below 1.6 K, interpolated to
// 4.0 K, extrapolated from the last segment above.
void DSG0(double temperature_K, double& D_perCmSr);

}  // namespace ornaplex
