// The neutron at one stage boundary, and the lost test the driver applies after every stage.
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

// tan of a state's projected angles. The stages need them for every straight image; a caller
// that carries them along from stage to stage works each one out once per direction.
struct Tangents {
  double x = 0.0;  // tan(thetaX)
  double y = 0.0;  // tan(thetaY)
};

inline Tangents tangentsOf(const TrackState& s) {
  const detmath::Pair t = detmath::tanPair(s.thetaX, s.thetaY);
  return {t.a, t.b};
}

// The tangents of next, taking those of prev for an angle that is bit for bit the same (tan of
// the same double is the same double) and computing the others.
inline Tangents tangentsAfter(const TrackState& prev, const Tangents& t, const TrackState& next) {
  const auto same = [](double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
  };
  return {same(prev.thetaX, next.thetaX) ? t.x : detmath::tan(next.thetaX),
          same(prev.thetaY, next.thetaY) ? t.y : detmath::tan(next.thetaY)};
}

// A coordinate strictly below LOST_LIMIT marks a stopped neutron.
constexpr bool isLost(double coordinate) {
  return coordinate < LOST_LIMIT;
}
// The driver's test after a stage: outgoing x first, then y.
constexpr bool isLost(const TrackState& s) {
  return isLost(s.x) || isLost(s.y);
}

}  // namespace ornaplex
