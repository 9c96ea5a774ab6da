#include "transport/incoil.h"

#include <gtest/gtest.h>

#include <cmath>

#include "stage_expectations.h"

namespace ornaplex {
namespace {

using testing::layerTan;

using testing::energyAt;

TEST(Incoil, FixedLengthOf89cm) {
  Track out;
  INCOIL(GUIDE_CRITICAL_COEFFICIENT, {0.5, -0.5, 111.0, 0.01, -0.01, energyAt(4.0)}, out);
  EXPECT_EQ(out.x, 0.5 + layerTan(0.01) * INCOIL_LENGTH_cm);
  EXPECT_EQ(out.y, -0.5 + layerTan(-0.01) * INCOIL_LENGTH_cm);
  EXPECT_EQ(out.z, 200.0);
}

TEST(Incoil, GuideWallsAndCriticalAngle) {
  const double e = energyAt(10.0);  // thetaC = 0.01095
  Track out;
  INCOIL(GUIDE_CRITICAL_COEFFICIENT, {2.8, 2.9, 0.0, 0.0, 0.0, e}, out);
  testing::expectStoppedAtEntrance(out, e);
  // Down to the wall at -2.8 and back: x' = -5.6 - x - tan(theta) L.
  INCOIL(GUIDE_CRITICAL_COEFFICIENT, {-2.8, 2.8, 0.0, -0.01, 0.011, e}, out);
  EXPECT_EQ(out.x, -5.6 - -2.8 - layerTan(-0.01) * INCOIL_LENGTH_cm);
  EXPECT_EQ(out.thetaX, 0.01);
  EXPECT_EQ(out.y, LOST);  // 0.011 > thetaC
}

}  // namespace
}  // namespace ornaplex
