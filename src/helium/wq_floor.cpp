#include "helium/wq_floor.h"

#include <algorithm>

#include "common/constants.h"
#include "common/message_sink.h"
#include "helium/helium_tables.h"
#include "helium/wq.h"

namespace ornaplex {
namespace {

// Widening of each bin edge for the rounding of a drawn q to single precision, 1/Angstrom.
constexpr double kEdgeSlack_perA = 1e-6;
// Relative margin of the bound below the least omega, far above the rounding of WQ's
// slope-intercept form and of E - hbar omega.
constexpr double kRelativeMargin = 1e-9;

// omega (1/ps) where WQ writes nothing and the incident energy does not enter.
double omegaAt(double q_perA) {
  NullSink none;
  double omega = 0.0;
  WQ(q_perA, omega, 1.0, 1.0, none);
  return omega;
}

}  // namespace

std::vector<double> wqFloor(double qLow_perA, double qWidth_perA, int bins) {
  const auto& grid = helium_tables::kDispersionQ_perA;
  std::vector<double> floor(static_cast<std::size_t>(std::max(bins, 0)), 0.0);
  for (int i = 0; i < bins; ++i) {
    const double a = qLow_perA + qWidth_perA * i - kEdgeSlack_perA;
    const double b = qLow_perA + qWidth_perA * (i + 1) + kEdgeSlack_perA;
    if (wqMayWrite(a) || wqMayWrite(b)) continue;
    // omega is linear between grid points: its least value lies at an end or a grid point.
    double least = std::min(omegaAt(a), omegaAt(b));
    for (double q : grid) {
      if (a < q && q < b) least = std::min(least, omegaAt(q));
    }
    if (least > 0.0)
      floor[static_cast<std::size_t>(i)] = kHbar_meVps * least * (1.0 - kRelativeMargin);
  }
  return floor;
}

}  // namespace ornaplex
