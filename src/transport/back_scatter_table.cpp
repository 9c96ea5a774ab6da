#include "transport/back_scatter_table.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "common/message_sink.h"
#include "helium/helium_tables.h"
#include "transport/beamline_geometry.h"
#include "transport/kinematics.h"
#include "transport/momentum_transfer.h"

namespace ornaplex {

namespace {

// The cosine of the scattering angle of q for a neutron of energy E, when q can be transferred.
std::optional<double> cosineOf(double q, double energy_meV, double k) {
  NullSink quiet;
  const MomentumTransfer t = momentumTransfer(q, energy_meV, k, quiet);
  if (!(t.energyFinal > 0.0)) return std::nullopt;
  return t.cosAngle;
}

// The first q from k upwards (below the dispersion table's end and 2k) at which the cosine
// reaches `target` from above, refined by bisection; none when it never does.
std::optional<double> firstCrossing(double energy_meV, double k, double target, double from) {
  const double end = std::min(2.0 * k, helium_tables::kDispersionQ_perA.back());
  constexpr double kStep = 0.005;  // 1/Angstrom, finer than the dispersion's features
  double lo = from;
  for (double q = from + kStep; q <= end; q += kStep) {
    const std::optional<double> c = cosineOf(q, energy_meV, k);
    if (!c) return std::nullopt;  // the energy runs out before the neutron turns back
    if (*c > target) {
      lo = q;
      continue;
    }
    double hi = q;
    for (int i = 0; i < 50; ++i) {
      const double mid = 0.5 * (lo + hi);
      const std::optional<double> cm = cosineOf(mid, energy_meV, k);
      if (cm && *cm > target)
        lo = mid;
      else
        hi = mid;
    }
    return lo;
  }
  return std::nullopt;
}

}  // namespace

BackScatterTable::BackScatterTable(double angle_rad) {
  k0_ = waveNumberOf(kLowest_meV);
  dk_ = (waveNumberOf(kHighest_meV) - k0_) / (kPoints - 1);
  windows_.resize(kPoints);
  for (int i = 0; i < kPoints; ++i) {
    const double k = k0_ + dk_ * i;
    const double e = k * k * kHbarSquared_meV2ps2 / kTwoNeutronMass_meVps2PerA2;
    const std::optional<double> high = firstCrossing(e, k, -1.0, k);
    if (!high) continue;
    // A neutron slowed down much by its scattering is reflected by the analyser's walls up to
    // their critical angle: it is accepted further from the axis.
    NullSink quiet;
    const double slowed = momentumTransfer(*high, e, k, quiet).energyFinal;
    const double angle =
        std::max(angle_rad, criticalAngleOf(ANALYSER_CRITICAL_COEFFICIENT, slowed));
    const std::optional<double> low = firstCrossing(e, k, -std::cos(angle), k);
    if (low && *low < *high) windows_[std::size_t(i)] = {*low, *high};
  }
}

BackScatterTable::Window BackScatterTable::at(double k) const {
  const double x = (k - k0_) / dk_;
  if (!(x >= 0.0 && x < kPoints - 1)) return {};
  const auto i = static_cast<std::size_t>(x);
  const Window a = windows_[i], b = windows_[i + 1];
  if (!(a.high_perA > a.low_perA && b.high_perA > b.low_perA)) return {};
  const double f = x - double(i);
  return {a.low_perA + f * (b.low_perA - a.low_perA),
          a.high_perA + f * (b.high_perA - a.high_perA)};
}

}  // namespace ornaplex
