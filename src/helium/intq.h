// Small-angle scattering cross section of liquid helium per atom: the forward strength with an
// Ornstein-Zernike fall-off in q.
#pragma once

#include <optional>

#include "common/message_sink.h"

namespace ornaplex {

// sigma_barn receives 4 pi D(T) / (1 + xi(T)^2 q^2) / n(T) (barn/atom). k and spare are
// accepted and not read.
void INTQ(double temperature_K, double k_perA, double q_perA, double spare, double& sigma_barn,
          MessageSink& sink);

// The factors of INTQ that depend on the temperature alone: a run works them out once rather
// than at every crossing.
struct SmallAngleFactors {
  double xi_A = 0.0;             // correlation length
  double fourPiD_perCmSr = 0.0;  // 4 pi D(T)
  double n_perBarnCm = 0.0;      // number density
};
// Empty outside the density table (0.2 to 4.4 K), where INTQ writes its lines at every call.
std::optional<SmallAngleFactors> smallAngleFactors(double temperature_K);
// INTQ's sigma from the factors: the same bits as INTQ at their temperature.
inline double smallAngleCrossSection(const SmallAngleFactors& f, double q_perA) {
  const double xq = f.xi_A * q_perA;
  return (f.fourPiD_perCmSr / (1.0 + xq * xq)) / f.n_perBarnCm;
}

}  // namespace ornaplex
