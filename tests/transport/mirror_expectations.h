// The mirror image of a track in x (x and the x angle negated, its tangent with them), random
// tracks to mirror, and the bit-for-bit check that a stage carried the image to the image.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>

#include "common/constants.h"
#include "transport/kinematics.h"
#include "transport/track_state.h"

namespace ornaplex::testing {

// The same double, bit for bit, or both zeros (a negated 0 is -0).
inline bool sameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) ||
         (a == 0.0 && b == 0.0);
}

// x, the x angle and its tangent negated; a LOST field stays LOST.
inline Track mirrored(const Track& t) {
  Track m = t;
  if (!isLost(t.x)) m.x = -t.x;
  if (!isLost(t.thetaX)) m.thetaX = -t.thetaX;
  if (!isLost(t.tangents.x)) m.tangents.x = -t.tangents.x;
  return m;
}

// The image of a source or stage track as a paired neutron would start it: the tangent worked
// out from the negated angle, as every other tangent is.
inline Track mirrorInput(const Track& t) {
  return Track(TrackState{-t.x, t.y, t.z, -t.thetaX, t.thetaY, t.energy});
}

inline std::string describe(const TrackState& t) {
  return "x " + std::to_string(t.x) + " y " + std::to_string(t.y) + " thetaX " +
         std::to_string(t.thetaX) + " thetaY " + std::to_string(t.thetaY) + " E " +
         std::to_string(t.energy);
}

// Every field of image is the field of mirrored(out), bit for bit.
inline ::testing::AssertionResult isMirrorOf(const Track& image, const Track& out) {
  const Track m = mirrored(out);
  const double a[] = {image.x,      image.y,      image.z,          image.thetaX,
                      image.thetaY, image.energy, image.tangents.x, image.tangents.y};
  const double b[] = {m.x, m.y, m.z, m.thetaX, m.thetaY, m.energy, m.tangents.x, m.tangents.y};
  static const char* const names[] = {"x",      "y",      "z",     "thetaX",
                                      "thetaY", "energy", "tan x", "tan y"};
  for (int i = 0; i < 8; ++i) {
    if (!sameBits(a[i], b[i])) {
      return ::testing::AssertionFailure()
             << names[i] << ": " << a[i] << " against " << b[i] << " (out " << describe(out) << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

// Random tracks over a transverse half width, with angles up to maxAngle and wavelengths from
// 2 to 30 Angstrom (the long ones reflect at the steepest angles).
class RandomTracks {
 public:
  explicit RandomTracks(std::uint64_t seed) : engine_(seed) {}
  Track next(double halfWidth, double maxAngle, double z = 0.0) {
    std::uniform_real_distribution<double> position(-halfWidth, halfWidth);
    std::uniform_real_distribution<double> angle(-maxAngle, maxAngle);
    std::uniform_real_distribution<double> lambda(2.0, 30.0);
    const double x = position(engine_), y = position(engine_);
    const double thetaX = angle(engine_), thetaY = angle(engine_);
    return Track(TrackState{x, y, z, thetaX, thetaY, energyOfWavelength(lambda(engine_))});
  }

 private:
  std::mt19937_64 engine_;
};

}  // namespace ornaplex::testing
