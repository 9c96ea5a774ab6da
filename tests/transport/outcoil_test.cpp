#include "transport/outcoil.h"

#include <gtest/gtest.h>

#include <cmath>

#include "stage_expectations.h"

namespace ornaplex {
namespace {

using testing::layerTan;

using testing::energyAt;

constexpr double kL = OUTCOIL_LENGTH_cm;
constexpr double kWide = 1.0;  // critical coefficient that lets every test angle reflect

Track outcoil(double x, double thetaX, double y = 0.0, double thetaY = 0.0,
              double coefficient = kWide) {
  Track out;
  OUTCOIL(coefficient, {x, y, 10.0, thetaX, thetaY, energyAt(4.0)}, out);
  return out;
}

TEST(Outcoil, EntranceHasTwoChannelsAndASeptum) {
  const double e = energyAt(4.0);
  for (double x : {0.2, 0.0, -0.2, 3.1, -3.1}) {
    Track out;
    OUTCOIL(kWide, {x, 0.0, 0.0, 0.0, 0.0, e}, out);
    testing::expectStoppedAtEntrance(out, e);
  }
  Track out;
  OUTCOIL(kWide, {1.0, 2.6, 0.0, 0.0, 0.0, e}, out);
  testing::expectStoppedAtEntrance(out, e);
  for (double x : {0.35, 3.05, -0.35, -3.05}) {
    const Track ok = outcoil(x, 0.0, 2.5);
    EXPECT_EQ(ok.x, x);
    EXPECT_EQ(ok.y, 2.5);
    EXPECT_EQ(ok.z, 10.0 + kL);
  }
}

TEST(Outcoil, PositiveChannelReflections) {
  // Outer wall once: x1 = 3.25, x' = 6.1 - x1.
  Track out = outcoil(2.0, 0.01);
  double x1 = 2.0 + layerTan(0.01) * kL;
  EXPECT_EQ(out.x, 6.1 - x1);
  EXPECT_EQ(out.thetaX, -0.01);
  // Outer wall, then the septum: x1 = 6.0, 6.1 - x1 < 0.35, x' = x1 - 5.4.
  out = outcoil(1.0, 0.04);
  x1 = 1.0 + layerTan(0.04) * kL;
  EXPECT_EQ(out.x, x1 - 5.4);
  EXPECT_EQ(out.thetaX, 0.04);
  // Septum wall once: x' = 0.7 - x1.
  out = outcoil(1.0, -0.01);
  x1 = 1.0 + layerTan(-0.01) * kL;
  EXPECT_EQ(out.x, 0.7 - x1);
  EXPECT_EQ(out.thetaX, 0.01);
  // Septum, then the outer wall: 0.7 - x1 > 3.05, x' = x1 + 5.4.
  out = outcoil(1.0, -0.03);
  x1 = 1.0 + layerTan(-0.03) * kL;
  EXPECT_EQ(out.x, x1 + 5.4);
  EXPECT_EQ(out.thetaX, -0.03);
}

TEST(Outcoil, NegativeChannelReflections) {
  Track out = outcoil(-2.0, -0.01);
  double x1 = -2.0 + layerTan(-0.01) * kL;
  EXPECT_EQ(out.x, -6.1 - x1);
  EXPECT_EQ(out.thetaX, 0.01);
  out = outcoil(-1.0, -0.04);  // outer wall, then the septum
  x1 = -1.0 + layerTan(-0.04) * kL;
  EXPECT_EQ(out.x, x1 + 5.4);
  EXPECT_EQ(out.thetaX, -0.04);
  out = outcoil(-1.0, 0.01);  // septum wall once
  x1 = -1.0 + layerTan(0.01) * kL;
  EXPECT_EQ(out.x, -0.7 - x1);
  EXPECT_EQ(out.thetaX, -0.01);
  out = outcoil(-1.0, 0.04);  // septum, then the outer wall
  x1 = -1.0 + layerTan(0.04) * kL;
  EXPECT_EQ(out.x, x1 - 5.4);
  EXPECT_EQ(out.thetaX, 0.04);
}

TEST(Outcoil, NeverCrossesTheSeptum) {
  // The straight image from x = 0.5 lands inside the negative channel; the neutron still
  // reflects off the septum face of its own channel.
  const Track out = outcoil(0.5, -0.01);
  const double x1 = 0.5 + layerTan(-0.01) * kL;
  ASSERT_LT(x1, -0.35);
  EXPECT_EQ(out.x, 0.7 - x1);
  EXPECT_GT(out.x, 0.35);
  // And the image staying in the channel is a straight flight.
  EXPECT_EQ(outcoil(-2.0, 0.005).x, -2.0 + layerTan(0.005) * kL);
}

TEST(Outcoil, TooSteepForTheWallIsLostOnThatAxisOnly) {
  // lambda = 4 A: thetaC = 0.00438.
  const Track out = outcoil(2.5, 0.005, 0.0, 0.001, GUIDE_CRITICAL_COEFFICIENT);
  EXPECT_EQ(out.x, LOST);
  EXPECT_EQ(out.thetaX, LOST);
  EXPECT_EQ(out.y, layerTan(0.001) * kL);
  EXPECT_EQ(out.z, 10.0 + kL);
  const Track y = outcoil(2.0, 0.0, 2.0, 0.005, GUIDE_CRITICAL_COEFFICIENT);
  EXPECT_EQ(y.y, LOST);
  EXPECT_EQ(y.thetaY, LOST);
  EXPECT_EQ(y.x, 2.0);
}

TEST(Outcoil, SingleReflectionInY) {
  // y1 = 125 tan(0.07) = 8.76: one image at +2.5 gives -3.76, outside, and no second one.
  Track out = outcoil(1.0, 0.0, 0.0, 0.07);
  double y1 = layerTan(0.07) * kL;
  EXPECT_EQ(out.y, 5.0 - y1);
  EXPECT_GT(std::abs(out.y), 2.5);
  EXPECT_EQ(out.thetaY, -0.07);
  out = outcoil(1.0, 0.0, 0.0, -0.07);
  y1 = layerTan(-0.07) * kL;
  EXPECT_EQ(out.y, -5.0 - y1);
  EXPECT_GT(out.y, 2.5);
  EXPECT_EQ(out.thetaY, 0.07);
  // An ordinary single bounce stays inside.
  out = outcoil(1.0, 0.0, 2.0, 0.01);
  EXPECT_EQ(out.y, 5.0 - (2.0 + layerTan(0.01) * kL));
}

}  // namespace
}  // namespace ornaplex
