#include "transport/guide.h"

#include <gtest/gtest.h>

#include <cmath>

#include "stage_expectations.h"
#include "transport/kinematics.h"

namespace ornaplex {
namespace {

using testing::layerTan;

using testing::energyAt;
using testing::expectStoppedAtEntrance;

constexpr double kL = GUIDE_LENGTH_cm;

Track at(double x, double y, double thetaX, double thetaY, double energy, double z = 0.0) {
  return {x, y, z, thetaX, thetaY, energy};
}

TEST(Guide, EntranceBoundsAreInclusive) {
  const double e = energyAt(4.0);
  for (double x : {2.8, -2.8}) {
    Track out;
    GUIDE(kL, GUIDE_CRITICAL_COEFFICIENT, at(x, -2.8, 0.0, 0.0, e), out);
    EXPECT_EQ(out.x, x);
    EXPECT_EQ(out.y, -2.8);
    EXPECT_EQ(out.z, kL);
  }
}

TEST(Guide, OutsideTheEntranceStopsEveryPositionAndAngle) {
  const double e = energyAt(4.0);
  Track out;
  GUIDE(kL, GUIDE_CRITICAL_COEFFICIENT, at(0.0, 2.9, 0.0, 0.0, e), out);  // x inside
  expectStoppedAtEntrance(out, e);
  GUIDE(kL, GUIDE_CRITICAL_COEFFICIENT, at(std::nextafter(2.8, 3.0), 0.0, 0.0, 0.0, e), out);
  expectStoppedAtEntrance(out, e);
  GUIDE(kL, GUIDE_CRITICAL_COEFFICIENT, at(-2.81, -2.81, 0.0, 0.0, e), out);
  expectStoppedAtEntrance(out, e);
}

TEST(Guide, ReflectsOffTheWallBeyondItsImage) {
  // lambda = 10 A: thetaC = 0.01095 >= 0.01. x1 = 2.0 + 111 tan(0.01) = 3.11 lies above 2.8.
  const double e = energyAt(10.0);
  Track out;
  GUIDE(kL, GUIDE_CRITICAL_COEFFICIENT, at(2.0, 0.0, 0.01, 0.0, e, 5.0), out);
  const double x1 = 2.0 + layerTan(0.01) * kL;
  EXPECT_EQ(out.x, 5.6 - 2.0 - layerTan(0.01) * kL);
  EXPECT_NEAR(out.x, 5.6 - x1, 1e-14);
  EXPECT_EQ(out.thetaX, -0.01);
  EXPECT_EQ(out.y, 0.0);
  EXPECT_EQ(out.thetaY, 0.0);
  EXPECT_EQ(out.z, 5.0 + kL);
  EXPECT_EQ(out.energy, e);
}

TEST(Guide, CriticalAngleGrowsWithTheWavelength) {
  // lambda = 4 A: thetaC = 0.001095 * 4 = 0.00438 rad.
  const double e = energyAt(4.0);
  EXPECT_NEAR(criticalAngleOf(GUIDE_CRITICAL_COEFFICIENT, e), 0.00438, 1e-12);
  Track out;
  GUIDE(kL, GUIDE_CRITICAL_COEFFICIENT, at(2.5, 0.0, 0.0043, 0.0, e), out);
  EXPECT_EQ(out.thetaX, -0.0043);
  GUIDE(kL, GUIDE_CRITICAL_COEFFICIENT, at(2.5, 0.0, 0.0045, 0.0, e), out);
  EXPECT_EQ(out.x, LOST);
}

TEST(Guide, EachAxisIsHandledByItself) {
  // lambda = 10 A: x reflects (0.01 <= thetaC), y is too steep (0.05 > thetaC) and is LOST;
  // z still moves on by the length and x keeps its reflected value.
  const double e = energyAt(10.0);
  Track out;
  GUIDE(kL, GUIDE_CRITICAL_COEFFICIENT, at(2.0, 0.0, 0.01, 0.05, e, 1.0), out);
  EXPECT_EQ(out.thetaX, -0.01);
  EXPECT_GT(out.x, -2.8);
  EXPECT_LT(out.x, 2.8);
  EXPECT_EQ(out.y, LOST);
  EXPECT_EQ(out.thetaY, LOST);
  EXPECT_EQ(out.z, 1.0 + kL);
  EXPECT_EQ(out.energy, e);
  EXPECT_TRUE(isLost(out));
  // The other way round: x LOST, y reflected.
  GUIDE(kL, GUIDE_CRITICAL_COEFFICIENT, at(0.0, -2.0, -0.05, -0.01, e), out);
  EXPECT_EQ(out.x, LOST);
  EXPECT_EQ(out.thetaX, LOST);
  EXPECT_EQ(out.thetaY, 0.01);
  EXPECT_EQ(out.z, kL);
}

TEST(Guide, UsesThePassedLength) {
  Track out;
  GUIDE(50.0, GUIDE_CRITICAL_COEFFICIENT, at(0.0, 0.0, 0.01, -0.02, energyAt(4.0)), out);
  EXPECT_EQ(out.x, layerTan(0.01) * 50.0);
  EXPECT_EQ(out.y, layerTan(-0.02) * 50.0);
  EXPECT_EQ(out.z, 50.0);
}

}  // namespace
}  // namespace ornaplex
