#include "target/spin_rotation.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/constants.h"
#include "transport/beamline_geometry.h"

namespace ornaplex {
namespace {

constexpr double kE0 = 5.112742;  // meV, 4 Angstrom
constexpr double kE1 = 3.9;       // meV, after an energy loss
constexpr double kLength = TARGET_LENGTH_cm;

// Rotation in mrad written out with the speed in Angstrom/ps.
double expectedRotation(double d, double energy) {
  return d * 1.8324718 * FIELD_mG / std::sqrt(2.0 * energy / 0.1045407751);
}

TEST(SegmentRotation, PrecessionOfAStraightFlight) {
  // 4 Angstrom neutrons fly at 9.890063 Angstrom/ps.
  EXPECT_NEAR(segmentRotation(41.6, kE0, FIELD_mG), 41.6 * 1.8324718 * 0.1 / 9.890063, 1e-7);
  EXPECT_EQ(segmentRotation(0.0, kE0, FIELD_mG), 0.0);
  EXPECT_EQ(segmentRotation(41.6, kE0, 0.0), 0.0);
  EXPECT_DOUBLE_EQ(segmentRotation(2.0, kE0, FIELD_mG), 2.0 * segmentRotation(1.0, kE0, FIELD_mG));
}

TEST(TargetSegment, UnscatteredOnAxisIsOneStraightSegment) {
  const Track in{-1.5, 0.0, 0.0, 0.0, 0.0, kE0};
  const Track out{-1.5, 0.0, kLength, 0.0, 0.0, kE0};
  const TargetSegment seg = targetSegment(in, out, kLength, FIELD_mG);
  EXPECT_FALSE(seg.split);
  EXPECT_FALSE(seg.limitTaken);
  EXPECT_EQ(seg.straightPath, kLength);  // the chord
  EXPECT_DOUBLE_EQ(seg.straightRotation, expectedRotation(kLength, kE0));
  EXPECT_EQ(seg.splitPath, 0.0);
  EXPECT_EQ(seg.splitRotation, 0.0);
  EXPECT_EQ(seg.path(), seg.straightPath);
  EXPECT_EQ(seg.rotation(), seg.straightRotation);
}

TEST(TargetSegment, ElasticScatteringCountsAsTheStraightChord) {
  // Direction changed inside the cell, energy kept: entrance to exit point in one piece.
  const Track in{-1.0, 0.0, 0.0, 0.0, 0.0, kE0};
  const Track out{-2.0, 0.5, kLength, -0.05, 0.02, kE0};
  const TargetSegment seg = targetSegment(in, out, kLength, FIELD_mG);
  EXPECT_FALSE(seg.split);
  const double d = std::sqrt(1.0 + 0.25 + kLength * kLength);
  EXPECT_DOUBLE_EQ(seg.path(), d);
  EXPECT_DOUBLE_EQ(seg.rotation(), expectedRotation(d, kE0));
}

TEST(TargetSegment, EnergyChangeSplitsAtTheScatteringDepth) {
  // In at tan = (0.01, 0.02), scattered 10 cm deep, out at tan = (-0.03, 0.05).
  const double s = 10.0, rest = kLength - s;
  const Track in{-1.0, 0.0, 0.0, std::atan(0.01), std::atan(0.02), kE0};
  const Track out{-1.0 + 0.01 * s - 0.03 * rest,
                  0.02 * s + 0.05 * rest,
                  kLength,
                  std::atan(-0.03),
                  std::atan(0.05),
                  kE1};
  const TargetSegment seg = targetSegment(in, out, kLength, FIELD_mG);
  ASSERT_TRUE(seg.split);
  EXPECT_FALSE(seg.limitTaken);
  const double d1 = s * std::sqrt(1.0 + 0.0001 + 0.0004);
  const double d2 = rest * std::sqrt(1.0 + 0.0009 + 0.0025);
  EXPECT_NEAR(seg.splitPath, d1 + d2, 1e-9);
  EXPECT_NEAR(seg.splitRotation, expectedRotation(d1, kE0) + expectedRotation(d2, kE1), 1e-12);
  EXPECT_EQ(seg.straightPath, 0.0);
  EXPECT_EQ(seg.straightRotation, 0.0);
  // The two pieces are longer than the chord, and the slower second piece turns more per cm.
  EXPECT_GT(seg.path(), chordLength(in, out));
}

TEST(TargetSegment, ParallelXProjectionsTakeTheStraightLimit) {
  // Scattered in an earlier cell, passed this one unscattered and handed back another energy:
  // same tan(thetaX) in and out, the depth is 0/0.
  const Track in{0.5, 0.0, 0.0, 0.01, 0.0, kE1};
  const Track out{0.5 + std::tan(0.01) * kLength, 0.0, kLength, 0.01, 0.0, kE0};
  const TargetSegment seg = targetSegment(in, out, kLength, FIELD_mG);
  EXPECT_TRUE(seg.split);
  EXPECT_TRUE(seg.limitTaken);
  EXPECT_DOUBLE_EQ(seg.path(), chordLength(in, out));
  EXPECT_DOUBLE_EQ(seg.rotation(), expectedRotation(chordLength(in, out), kE0));

  // Equal x slopes with an x offset (x/0), and slopes so close that the depth overflows.
  Track shifted = out;
  shifted.x += 0.3;
  const TargetSegment offset = targetSegment(in, shifted, kLength, FIELD_mG);
  EXPECT_TRUE(offset.limitTaken);
  EXPECT_DOUBLE_EQ(offset.path(), chordLength(in, shifted));

  const Track flat{0.0, 0.0, 0.0, 1e-300, 0.0, kE1};
  const Track flatOut{0.3, 0.0, kLength, 0.0, 0.0, kE0};
  const TargetSegment far = targetSegment(flat, flatOut, kLength, FIELD_mG);
  EXPECT_TRUE(far.limitTaken);
  EXPECT_DOUBLE_EQ(far.path(), chordLength(flat, flatOut));
  EXPECT_TRUE(std::isfinite(far.rotation()));
}

}  // namespace
}  // namespace ornaplex
