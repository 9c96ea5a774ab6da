// The neutron at one stage boundary, the lost test the driver applies after every stage, and the
// track: the state with the tangents of its angles carried along.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "common/constants.h"
#include "common/det_math.h"

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

// tan of a state's projected angles.
struct Tangents {
  double x = 0.0;  // tan(thetaX)
  double y = 0.0;  // tan(thetaY)
};

inline Tangents tangentsOf(const TrackState& s) {
  const detmath::Pair t = detmath::tanPair(s.thetaX, s.thetaY);
  return {t.a, t.b};
}

// The tangent of one axis after a stage set its angle from theta to newTheta: the one carried
// in when the angle is bit for bit the same (tan of the same double is the same double), LOST
// for a LOST angle, otherwise tan of the new angle.
inline double tangentAfter(double theta, double tanTheta, double newTheta) {
  if (std::bit_cast<std::uint64_t>(theta) == std::bit_cast<std::uint64_t>(newTheta)) {
    return tanTheta;
  }
  return isLost(newTheta) ? LOST : detmath::tan(newTheta);
}

// A neutron in flight: its boundary state with the tangents of its projected angles, which every
// straight image needs. Each tangent is worked out once per direction: a stage that keeps an
// angle passes its tangent on, one that turns the neutron sets the tangent of the new angle.
// A stopped neutron's tangents are LOST.
struct Track : TrackState {
  Tangents tangents;

  Track() = default;
  // A state given field by field or as a whole; its tangents are worked out here.
  Track(double x_cm, double y_cm, double z_cm, double thetaX_rad, double thetaY_rad,
        double energy_meV)
      : Track(TrackState{x_cm, y_cm, z_cm, thetaX_rad, thetaY_rad, energy_meV}) {}
  explicit Track(const TrackState& s) : TrackState(s), tangents(tangentsOf(s)) {}
  // A state with the tangents of its angles already worked out (the source's, in a batch).
  Track(const TrackState& s, const Tangents& t) : TrackState(s), tangents(t) {}

  // Every field LOST, the tangents too.
  static Track lost() { return Track(TrackState::lost(), Tangents{LOST, LOST}); }
};

}  // namespace ornaplex
