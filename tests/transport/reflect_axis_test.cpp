#include "transport/reflect_axis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/constants.h"
#include "stage_expectations.h"
#include "transport/beamline_geometry.h"

namespace ornaplex {
namespace {

using testing::layerTan;

constexpr double kH = GUIDE_HALF_WIDTH_cm;
constexpr double kL = GUIDE_LENGTH_cm;

using Exit = AxisTrack;

Exit reflect(double u, double theta, double thetaC, double h = kH, double L = kL) {
  return reflectAxis(h, {u, theta, layerTan(theta)}, u + layerTan(theta) * L, L, thetaC);
}

TEST(ReflectAxis, ImageConstantsAreExactDoublingsOfTheWalls) {
  // The stages pass h; the wall images 2h and 4h must equal the decimal constants exactly.
  EXPECT_EQ(2.0 * GUIDE_HALF_WIDTH_cm, 5.6);
  EXPECT_EQ(4.0 * GUIDE_HALF_WIDTH_cm, 11.2);
  EXPECT_EQ(2.0 * SM_HALF_WIDTH_X_cm, 5.7);
  EXPECT_EQ(4.0 * SM_HALF_WIDTH_X_cm, 11.4);
  EXPECT_EQ(2.0 * SM_HALF_WIDTH_Y_cm, 4.5);
  EXPECT_EQ(4.0 * SM_HALF_WIDTH_Y_cm, 9.0);
}

TEST(ReflectAxis, StraightFlightBetweenTheWallsIsUnchanged) {
  for (double theta : {0.01, -0.01, 0.0}) {
    const Exit e = reflect(0.0, theta, 0.0);  // thetaC = 0: no wall is touched, so no test
    EXPECT_EQ(e.u, layerTan(theta) * kL);
    EXPECT_EQ(e.theta, theta);
  }
}

TEST(ReflectAxis, ImageExactlyOnAWallIsInside) {
  Exit e = reflectAxis(kH, {2.0, 0.5, layerTan(0.5)}, kH, kL, 0.0);
  EXPECT_EQ(e.u, kH);
  EXPECT_EQ(e.theta, 0.5);
  e = reflectAxis(kH, {-2.0, -0.5, layerTan(-0.5)}, -kH, kL, 0.0);
  EXPECT_EQ(e.u, -kH);
  EXPECT_EQ(e.theta, -0.5);
}

TEST(ReflectAxis, OneReflectionForEachSign) {
  // Positive angle: image in the wall at +h, computed as 2h - u - tan(theta) L.
  const double t = layerTan(0.01) * kL;
  Exit e = reflect(2.0, 0.01, 0.02);
  EXPECT_EQ(e.u, 5.6 - 2.0 - t);
  EXPECT_NEAR(e.u, 5.6 - (2.0 + t), 1e-15);
  EXPECT_EQ(e.theta, -0.01);
  // Negative angle: image in the wall at -h.
  e = reflect(-2.0, -0.01, 0.02);
  EXPECT_EQ(e.u, -5.6 + 2.0 + t);
  EXPECT_EQ(e.theta, 0.01);
}

TEST(ReflectAxis, TwoReflectionsForEachSign) {
  // tan(0.08) * 111 = 8.89: one image lands beyond the opposite wall, the second comes back.
  const double t = layerTan(0.08) * kL;
  Exit e = reflect(0.0, 0.08, 0.1);
  EXPECT_EQ(e.u, 0.0 + t - 11.2);
  EXPECT_GE(e.u, -kH);
  EXPECT_EQ(e.theta, 0.08);
  e = reflect(0.0, -0.08, 0.1);
  EXPECT_EQ(e.u, 0.0 - t + 11.2);
  EXPECT_LE(e.u, kH);
  EXPECT_EQ(e.theta, -0.08);
}

TEST(ReflectAxis, NoThirdReflection) {
  // tan(0.15) * 111 = 16.8: after two images the neutron is still outside, and leaves so.
  Exit e = reflect(0.0, 0.15, 0.2);
  EXPECT_EQ(e.u, layerTan(0.15) * kL - 11.2);
  EXPECT_GT(e.u, kH);
  EXPECT_EQ(e.theta, 0.15);
  e = reflect(0.0, -0.15, 0.2);
  EXPECT_LT(e.u, -kH);
  EXPECT_EQ(e.theta, -0.15);
}

TEST(ReflectAxis, CriticalAngleIsInclusiveAndCoversBothReflections) {
  for (double sign : {1.0, -1.0}) {
    const double theta = sign * 0.01;
    EXPECT_EQ(reflect(2.0 * sign, theta, 0.01).theta, -theta);
    const double steeper = std::nextafter(0.01, 1.0);
    const Exit lost = reflect(2.0 * sign, theta, std::nextafter(0.01, 0.0));
    EXPECT_EQ(lost.u, LOST);
    EXPECT_EQ(lost.theta, LOST);
    EXPECT_EQ(reflect(2.0 * sign, sign * steeper, 0.01).u, LOST);
    // A double bounce at exactly thetaC is allowed: the test is made once, on entry.
    EXPECT_EQ(reflect(0.0, sign * 0.08, 0.08).theta, sign * 0.08);
  }
}

TEST(ReflectAxis, SignOfTheAngleChoosesTheWall) {
  // A zero angle whose image is outside (entry outside the channel) counts as positive.
  const Exit e = reflectAxis(kH, {3.0, 0.0, 0.0}, 3.0, kL, 0.01);
  EXPECT_EQ(e.u, 5.6 - 3.0 - 0.0);
}

// The tangent leaves with the angle: passed on untouched when the angle is kept (even one that
// is not the tangent of the angle shows it is not worked out again), the tangent of the
// reversed angle after one reflection, LOST when absorbed.
TEST(ReflectAxis, TheTangentFollowsTheAngle) {
  constexpr double kMarker = 7.0;
  const double straight = layerTan(0.01) * kL;
  EXPECT_EQ(reflectAxis(kH, {0.0, 0.01, kMarker}, straight, kL, 0.0).tanTheta, kMarker);
  const double twice = layerTan(0.08) * kL;
  const Exit back = reflectAxis(kH, {0.0, 0.08, layerTan(0.08)}, twice, kL, 0.1);
  EXPECT_EQ(back.theta, 0.08);
  EXPECT_EQ(back.tanTheta, layerTan(0.08));

  for (double theta : {0.01, -0.01}) {
    const Exit once = reflect(2.0 * (theta > 0 ? 1.0 : -1.0), theta, 0.02);
    ASSERT_EQ(once.theta, -theta);
    EXPECT_EQ(once.tanTheta, layerTan(-theta));
  }
  const Exit absorbed = reflect(2.0, 0.01, 0.005);
  EXPECT_EQ(absorbed.u, LOST);
  EXPECT_EQ(absorbed.tanTheta, LOST);
}

}  // namespace
}  // namespace ornaplex
