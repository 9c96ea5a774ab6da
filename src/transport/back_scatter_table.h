// Where a neutron is turned straight back: for each energy, the momentum transfer q with
// q = k + k'(q) (scattering angle pi) and the q below it down to the angle pi - angle (or pi
// less the analyser's critical angle at the energy left, when that is wider). With
// the model's projected angles, a neutron turned back by nearly pi flies on with small ones and
// can reach the detector; these q are rare in S(q), so a weighted run draws them apart. The
// table only places that window: where it lies changes the weights, never their mean.
#pragma once

#include <vector>

namespace ornaplex {

class BackScatterTable {
 public:
  // Energies from kLowest_meV to kHighest_meV on a grid even in k; angle_rad as the window's
  // width in angle.
  explicit BackScatterTable(double angle_rad);

  struct Window {
    double low_perA = 0.0, high_perA = 0.0;  // empty when high <= low
  };
  // The window of a neutron of wave number k (1/Angstrom), interpolated between the grid's
  // points; empty outside the grid and where either neighbour has none.
  Window at(double k_perA) const;

  static constexpr double kLowest_meV = 1.0;
  static constexpr double kHighest_meV = 100.0;
  static constexpr int kPoints = 2048;

 private:
  double k0_ = 0.0, dk_ = 0.0;
  std::vector<Window> windows_;
};

}  // namespace ornaplex
