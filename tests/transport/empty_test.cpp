#include "transport/empty.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/constants.h"
#include "stage_expectations.h"

namespace ornaplex {
namespace {

using testing::layerTan;

constexpr Aperture kRightCell = RIGHT_CELL;
constexpr double kL = TARGET_LENGTH_cm;

void expectAllLost(const Track& out) {
  EXPECT_EQ(out.tangents.x, LOST);
  EXPECT_EQ(out.tangents.y, LOST);
  EXPECT_EQ(out.x, LOST);
  EXPECT_EQ(out.y, LOST);
  EXPECT_EQ(out.z, LOST);
  EXPECT_EQ(out.thetaX, LOST);
  EXPECT_EQ(out.thetaY, LOST);
  EXPECT_EQ(out.energy, LOST);
}

TEST(Empty, OnTheEdgeAtBothEndsPasses) {
  Track out;
  EMPTY({3.0, -2.5, 161.0, 0.0, 0.0, 5.11}, kRightCell, kL, out);
  EXPECT_EQ(out.x, 3.0);
  EXPECT_EQ(out.y, -2.5);
  EXPECT_EQ(out.z, 161.0 + kL);
  EXPECT_EQ(out.energy, 5.11);
  EMPTY({0.35, 2.5, 0.0, 0.0, 0.0, 1.0}, kRightCell, kL, out);
  EXPECT_EQ(out.x, 0.35);
  EXPECT_EQ(out.y, 2.5);
}

TEST(Empty, StraightFlightKeepsAnglesAndEnergy) {
  Track out;
  EMPTY({1.0, 0.0, 20.0, 0.01, -0.02, 3.3}, kRightCell, kL, out);
  EXPECT_EQ(out.x, 1.0 + layerTan(0.01) * kL);
  EXPECT_EQ(out.y, layerTan(-0.02) * kL);
  EXPECT_EQ(out.z, 20.0 + kL);
  EXPECT_EQ(out.thetaX, 0.01);
  EXPECT_EQ(out.thetaY, -0.02);
  EXPECT_EQ(out.energy, 3.3);
  // The tangents carried in fly on as they are, whatever they hold.
  const Track marked({1.0, 0.0, 20.0, 0.01, -0.02, 3.3}, Tangents{0.001, 0.002});
  EMPTY(marked, kRightCell, kL, out);
  EXPECT_EQ(out.tangents.x, 0.001);
  EXPECT_EQ(out.tangents.y, 0.002);
  EXPECT_EQ(out.x, 1.0 + 0.001 * kL);
}

TEST(Empty, OutsideAtEitherEndLosesEverythingEnergyIncluded) {
  Track out;
  EMPTY({2.0, 0.0, 0.0, 0.05, 0.0, 5.11}, kRightCell, kL, out);  // leaves through x = 3.0
  expectAllLost(out);
  EMPTY({2.0, 2.0, 0.0, 0.0, 0.02, 5.11}, kRightCell, kL, out);  // leaves through y = 2.5
  expectAllLost(out);
  EMPTY({0.3, 0.0, 0.0, 0.05, 0.0, 5.11}, kRightCell, kL, out);  // enters in the septum
  expectAllLost(out);
  EMPTY({1.0, -2.6, 0.0, 0.0, 0.01, 5.11}, kRightCell, kL, out);
  expectAllLost(out);
  EXPECT_TRUE(isLost(out));
}

}  // namespace
}  // namespace ornaplex
