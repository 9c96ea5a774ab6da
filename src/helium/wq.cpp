// Phonon-roton dispersion of superfluid helium-4, omega(q), with the small-q correction.
#include "helium/wq.h"

#include <cmath>
#include <cstddef>
#include <string>

#include "common/constants.h"
#include "common/fortran_format.h"
#include "helium/helium_tables.h"
#include "helium/table_scan.h"

namespace ornaplex {
namespace {

using helium_tables::kDispersionOmega_perPs;
using helium_tables::kDispersionQ_perA;

constexpr auto kSegments = table_scan::makeSegments(kDispersionQ_perA, kDispersionOmega_perPs);
// The interval scan tries each of the 36 intervals and complains at every one of them.
constexpr int kSteps = static_cast<int>(kDispersionQ_perA.size()) - 1;
// Grid points per 1/Angstrom: a first guess of the interval, corrected against the grid.
constexpr double kPointsPerInverseA = 10.0;
constexpr double kSmallQ_perA = WQ_CORRECTION_LIMIT_perA;
// Number of steps in which the correction may lower omega to zero.
constexpr double kCorrectionSteps = 20.0;

[[gnu::cold, gnu::noinline]] void reportOutOfRange(double q_perA, MessageSink& sink) {
  for (int step = 1; step <= kSteps; ++step) {
    sink.line(ListLine()
                  .integer(step)
                  .real8(q_perA)
                  .real8(kDispersionQ_perA.front())
                  .real8(kDispersionQ_perA.back())
                  .text(" The value is out of range ... wq code"));
  }
  if (q_perA < kDispersionQ_perA.front()) {
    ListLine grid;
    grid.text("wq:  q<0 ");
    for (double x : kDispersionQ_perA) grid.real8(x);
    sink.line(grid);
  }
}

[[gnu::cold, gnu::noinline]] void reportSetToZero(MessageSink& sink) {
  sink.line(ListLine().text("setting wp=0"));
}

// Lowers omega in steps of a twentieth of its table value until a neutron of energy E and wave
// number k can transfer q, that is until q^2 - k^2 > k'^2 - 2 k k' (q > |k - k'|). Below zero it
// gives up and returns 0.
double correctSmallQ(double q_perA, double omega_perPs, double energy_meV, double k_perA,
                     MessageSink& sink) {
  const double step_perPs = omega_perPs / kCorrectionSteps;
  // With no step (omega 0 at q = 0) omega could never change: the loop would not end.
  if (!(step_perPs > 0.0)) return 0.0;
  double omega = omega_perPs;
  for (;;) {
    if (omega < 0.0) {
      reportSetToZero(sink);
      return 0.0;
    }
    const double ep_meV = energy_meV - kHbar_meVps * omega;
    if (ep_meV < 0.0) {
      omega = omega - step_perPs;
      continue;
    }
    const double a = kTwoNeutronMass_meVps2PerA2 * ep_meV / kHbarSquared_meV2ps2 -
                     2.0 * k_perA * std::sqrt(kTwoNeutronMass_meVps2PerA2 * ep_meV) / kHbar_meVps;
    if (q_perA * q_perA - k_perA * k_perA > a) return omega;
    omega = omega - step_perPs;
  }
}

}  // namespace

bool wqMayWrite(double q_perA) {
  return !(kSmallQ_perA <= q_perA && q_perA <= kDispersionQ_perA.back());
}

void WQ(double q_perA, double& omega_perPs, double energy_meV, double k_perA, MessageSink& sink) {
  const double lo = kDispersionQ_perA.front();
  const double hi = kDispersionQ_perA.back();
  if (q_perA < lo || q_perA > hi) {
    reportOutOfRange(q_perA, sink);
    // Clamped to the end of the table; below it there is no correction.
    omega_perPs = q_perA < lo ? kDispersionOmega_perPs.front() : kDispersionOmega_perPs.back();
    return;
  }
  if (!(q_perA <= hi)) return;  // not a number: matches no interval, nothing written
  const auto guess = static_cast<std::size_t>(q_perA * kPointsPerInverseA);
  const std::size_t i = table_scan::refineIndex(kDispersionQ_perA, q_perA, guess);
  const double omega =
      table_scan::valueInInterval(kDispersionQ_perA, kDispersionOmega_perPs, kSegments, q_perA, i);
  omega_perPs =
      q_perA < kSmallQ_perA ? correctSmallQ(q_perA, omega, energy_meV, k_perA, sink) : omega;
}

}  // namespace ornaplex
