#include "transport/sm.h"

#include <gtest/gtest.h>

#include <cmath>

#include "stage_expectations.h"

namespace ornaplex {
namespace {

using testing::layerTan;

using testing::energyAt;

constexpr double kL = SM_LENGTH_cm;

Track sm(double x, double y, double thetaX, double thetaY, double lambda_A) {
  Track out;
  SM({x, y, 300.0, thetaX, thetaY, energyAt(lambda_A)}, out);
  return out;
}

TEST(Sm, EntranceApertureIsInclusive) {
  const double e = energyAt(4.0);
  Track out;
  SM({2.9, 0.0, 0.0, 0.0, 0.0, e}, out);
  testing::expectStoppedAtEntrance(out, e);
  SM({0.0, 2.3, 0.0, 0.0, 0.0, e}, out);
  testing::expectStoppedAtEntrance(out, e);
  SM({-2.9, -2.3, 0.0, 0.0, 0.0, e}, out);
  testing::expectStoppedAtEntrance(out, e);
  out = sm(2.85, -2.25, 0.0, 0.0, 4.0);
  EXPECT_EQ(out.x, 2.85);
  EXPECT_EQ(out.y, -2.25);
  EXPECT_EQ(out.z, 300.0 + kL);
}

TEST(Sm, WallsOfTheAnalyser) {
  // lambda = 20 A: thetaC = 0.06. x wall at 2.85 (image 5.7), y wall at -2.25 (image -4.5).
  const Track out = sm(2.0, -2.0, 0.05, -0.05, 20.0);
  EXPECT_EQ(out.x, 5.7 - 2.0 - layerTan(0.05) * kL);
  EXPECT_EQ(out.thetaX, -0.05);
  EXPECT_EQ(out.y, -4.5 - -2.0 - layerTan(-0.05) * kL);
  EXPECT_EQ(out.thetaY, 0.05);
}

TEST(Sm, TwoReflectionsInY) {
  // lambda = 100 A: thetaC = 0.3. y1 = 28 tan(0.25) = 7.15; 4.5 - y1 < -2.25; y' = y1 - 9.0.
  const Track out = sm(0.0, 0.0, 0.0, 0.25, 100.0);
  EXPECT_EQ(out.y, 0.0 + layerTan(0.25) * kL - 9.0);
  EXPECT_EQ(out.thetaY, 0.25);
  // lambda = 120 A: thetaC = 0.36. x1 = -9.58; -5.7 - x1 > 2.85; x' = x1 + 11.4.
  const Track x = sm(0.0, 0.0, -0.33, 0.0, 120.0);
  EXPECT_EQ(x.x, 0.0 + layerTan(-0.33) * kL + 11.4);
  EXPECT_EQ(x.thetaX, -0.33);
}

TEST(Sm, CriticalAngleIsThreeMilliradPerAngstrom) {
  // lambda = 4 A: thetaC = 0.012, well above the guide's 0.00438.
  EXPECT_NEAR(criticalAngleOf(ANALYSER_CRITICAL_COEFFICIENT, energyAt(4.0)), 0.012, 1e-12);
  Track out = sm(0.0, 2.0, 0.0, 0.011, 4.0);
  EXPECT_EQ(out.thetaY, -0.011);
  out = sm(1.0, 2.0, 0.001, 0.013, 4.0);
  EXPECT_EQ(out.y, LOST);
  EXPECT_EQ(out.thetaY, LOST);
  EXPECT_EQ(out.x, 1.0 + layerTan(0.001) * kL);
  EXPECT_EQ(out.thetaX, 0.001);
  EXPECT_EQ(out.z, 300.0 + kL);
}

}  // namespace
}  // namespace ornaplex
