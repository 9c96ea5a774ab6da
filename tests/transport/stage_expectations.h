// Checks shared by the transport stage tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>

#include "common/constants.h"
#include "common/det_math.h"
#include "transport/kinematics.h"
#include "transport/track_state.h"

namespace ornaplex::testing {

// A reflecting stage that stopped the neutron at its entrance: position, z and angles LOST,
// the energy passed through.
inline void expectStoppedAtEntrance(const TrackState& out, double energy) {
  EXPECT_EQ(out.x, LOST);
  EXPECT_EQ(out.y, LOST);
  EXPECT_EQ(out.z, LOST);
  EXPECT_EQ(out.thetaX, LOST);
  EXPECT_EQ(out.thetaY, LOST);
  EXPECT_EQ(out.energy, energy);
  EXPECT_TRUE(isLost(out.x));
}

// tan as the stages compute it: the math layer's, the same bits on every machine.
inline double layerTan(double angle_rad) {
  return detmath::tan(angle_rad);
}

// Energy (meV) of a neutron of wavelength lambda (Angstrom).
inline double energyAt(double lambda_A) {
  return energyOfWavelength(lambda_A);
}

}  // namespace ornaplex::testing
