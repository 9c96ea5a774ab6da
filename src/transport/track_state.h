// The neutron at one stage boundary, and the lost test the driver applies after every stage.
#pragma once

#include "common/constants.h"

namespace ornaplex {

struct TrackState {
  double x = 0.0;       // cm, transverse position (split direction)
  double y = 0.0;       // cm, transverse position (other direction)
  double z = 0.0;       // cm, longitudinal position
  double thetaX = 0.0;  // rad, projected angle in the x-z plane
  double thetaY = 0.0;  // rad, projected angle in the y-z plane
  double energy = 0.0;  // meV, kinetic energy

  // Every field LOST: the state of a neutron stopped at an entrance or exit aperture.
  static constexpr TrackState lost() { return {LOST, LOST, LOST, LOST, LOST, LOST}; }
};

// A coordinate strictly below LOST_LIMIT marks a stopped neutron.
constexpr bool isLost(double coordinate) {
  return coordinate < LOST_LIMIT;
}
// The driver's test after a stage: outgoing x first, then y.
constexpr bool isLost(const TrackState& s) {
  return isLost(s.x) || isLost(s.y);
}

}  // namespace ornaplex
