// Mirror symmetry of the helium crossings: a neutron in the left cell of target 1 and its image
// in the right cell of target 2, each cell entered at its own z, drawing the same numbers.
#include <gtest/gtest.h>

#include <random>

#include "random/ranlux.h"
#include "target/cell_steps.h"
#include "target/forced_target.h"
#include "target/spin_rotation.h"
#include "target/target.h"
#include "transport/beamline_geometry.h"
#include "transport/mirror_expectations.h"

namespace ornaplex {
namespace {

using testing::mirrorInput;
using testing::sameBits;

// Where the two cells begin, as the driver's flights add the lengths up.
const double kZTarget1 = GUIDE_LENGTH_cm + INCOIL_LENGTH_cm + GAP1_LENGTH_cm;
const double kZTarget2 = kZTarget1 + TARGET_LENGTH_cm + GAP2_LENGTH_cm;

// A track at the entrance of target 1's helium, left of the septum (some outside the cell), and
// its image at the entrance of target 2's.
struct Pair {
  Track left, right;
};
Pair nextPair(std::mt19937_64& engine) {
  std::uniform_real_distribution<double> x(-3.2, -0.2), y(-2.7, 2.7), angle(-0.02, 0.02),
      lambda(2.0, 12.0);
  const Track left(x(engine), y(engine), kZTarget1, angle(engine), angle(engine),
                   energyOfWavelength(lambda(engine)));
  Track right = mirrorInput(left);
  right.z = kZTarget2;
  return {left, right};
}

// The exit of the image's cell against the mirrored exit of the left one's, z apart.
::testing::AssertionResult exitsMirror(const Track& left, const Track& right) {
  Track shifted = right;
  if (!isLost(right.z)) shifted.z = left.z;
  return testing::isMirrorOf(shifted, left);
}

TEST(TargetMirror, UnscatteredPartnersLeaveMirroredWithTheSamePathAndRotation) {
  std::mt19937_64 engine(30);
  Ranlux leftRng(31), rightRng(31);
  const RunHelium helium = runHelium(HELIUM_TEMPERATURE, {});
  NullSink quiet;
  int scattered = 0, unscattered = 0, missed = 0;
  for (int i = 0; i < 20000; ++i) {
    const Pair p = nextPair(engine);
    const EventTransfer transfer(i % 3 == 0 ? 0.3 : i % 3 == 1 ? 1.0 : 1.9);
    Track leftExit, rightExit;
    TargetScatter leftScatter, rightScatter;
    TARGET(transfer, helium, p.left, cell::incidentDirection(p.left), LEFT_CELL, TARGET_LENGTH_cm,
           leftExit, leftScatter, leftRng, quiet);
    TARGET(transfer, helium, p.right, cell::incidentDirection(p.right), RIGHT_CELL,
           TARGET_LENGTH_cm, rightExit, rightScatter, rightRng, quiet);
    // The same q at the same energy and polar angle: the same cross section, angle and polar
    // angle out, and (the same free path) the same decision. The directions out are not mirror
    // images: the same azimuth about the incident direction turns the image the other way.
    ASSERT_TRUE(sameBits(leftScatter.crossSection, rightScatter.crossSection)) << i;
    ASSERT_TRUE(sameBits(leftScatter.scatterAngle, rightScatter.scatterAngle)) << i;
    ASSERT_TRUE(sameBits(leftScatter.theta_p, rightScatter.theta_p)) << i;
    ASSERT_EQ(leftScatter.energyChanged, rightScatter.energyChanged) << i;
    ASSERT_EQ(leftScatter.angleNonZero, rightScatter.angleNonZero) << i;
    if (!LEFT_CELL.contains(p.left.x, p.left.y)) {
      ++missed;
      continue;
    }
    if (leftScatter.energyChanged || leftScatter.angleNonZero) {
      ++scattered;
      continue;
    }
    ++unscattered;
    ASSERT_TRUE(exitsMirror(leftExit, rightExit)) << i;
    if (isLost(leftExit.x)) continue;
    const TargetSegment a = targetSegment(p.left, leftExit, TARGET_LENGTH_cm, FIELD_mG);
    // Measured from each cell's entrance: the image's cell moved to target 1's z.
    Track entry = p.right, exit = rightExit;
    entry.z = p.left.z;
    exit.z = leftExit.z;
    const TargetSegment b = targetSegment(entry, exit, TARGET_LENGTH_cm, FIELD_mG);
    ASSERT_TRUE(sameBits(a.path(), b.path())) << i;
    ASSERT_TRUE(sameBits(a.rotation(), b.rotation())) << i;
  }
  EXPECT_GT(scattered, 300);
  EXPECT_GT(unscattered, 10000);
  EXPECT_GT(missed, 1000);
}

// Partners that scatter alike, the image at the negated azimuth, leave as mirror images: the
// same energy, x and the x angle negated and y and the y angle the same, to what the azimuths'
// 3.14159 and 6.28318 (incident and outgoing) leave: here at most 9e-5 cm and 2.5e-5 of the
// polar angle out, where an image scattered the same way round lands centimetres away.
TEST(TargetMirror, ScatteredImagesLeaveAsMirrorImages) {
  std::mt19937_64 engine(34);
  Ranlux leftRng(35), rightRng(35);
  const RunHelium helium = runHelium(HELIUM_TEMPERATURE, {});
  NullSink quiet;
  int compared = 0;
  for (int i = 0; i < 20000; ++i) {
    const Pair p = nextPair(engine);
    const EventTransfer transfer(i % 2 == 0 ? 0.3 : 1.9);
    Track leftExit, rightExit;
    TargetScatter leftScatter, rightScatter;
    TARGET(transfer, helium, p.left, cell::incidentDirection(p.left), LEFT_CELL, TARGET_LENGTH_cm,
           leftExit, leftScatter, leftRng, quiet);
    TARGET(transfer, helium, p.right, cell::incidentDirection(p.right), RIGHT_CELL,
           TARGET_LENGTH_cm, rightExit, rightScatter, rightRng, quiet, {}, true);
    if (!leftScatter.energyChanged || isLost(leftExit.x) || isLost(rightExit.x)) continue;
    ++compared;
    ASSERT_TRUE(sameBits(leftExit.energy, rightExit.energy)) << i;
    const double turn = 5.0e-5 * leftScatter.theta_p;
    ASSERT_NEAR(rightExit.x, -leftExit.x, 2.0e-4) << i;
    ASSERT_NEAR(rightExit.y, leftExit.y, 2.0e-4) << i;
    ASSERT_NEAR(rightExit.thetaX, -leftExit.thetaX, turn) << i;
    ASSERT_NEAR(rightExit.thetaY, leftExit.thetaY, turn) << i;
  }
  EXPECT_GT(compared, 100);
}

// The forced crossing's unscattered branch: the same exit, mirrored, and the same weight when
// the neutron leaves through the exit face. One that reaches a side wall first weighs a little
// differently: the incident azimuth is shifted by 3.14159 (not pi) left of the y axis and by
// 6.28318 below the x axis, so an image's distance to the wall is off by up to a few parts in
// 1e5 (where the x component of the flight is small).
TEST(TargetMirror, ForcedPartnersLeaveStraightWithTheSameWeightThroughTheExitFace) {
  std::mt19937_64 engine(32);
  Ranlux leftRng(33), rightRng(33);
  const RunHelium helium = runHelium(HELIUM_TEMPERATURE, {});
  NullSink quiet;
  ForcedCrossing left, right;
  int throughTheFace = 0, throughAWall = 0;
  for (int i = 0; i < 20000; ++i) {
    const Pair p = nextPair(engine);
    const EventTransfer transfer(i % 3 == 0 ? 0.3 : i % 3 == 1 ? 1.0 : 1.9);
    forcedTarget(transfer, SmallQWindow{}, QRedraw{}, helium, p.left,
                 cell::incidentDirection(p.left), LEFT_CELL, TARGET_LENGTH_cm, left, leftRng,
                 quiet);
    forcedTarget(transfer, SmallQWindow{}, QRedraw{}, helium, p.right,
                 cell::incidentDirection(p.right), RIGHT_CELL, TARGET_LENGTH_cm, right, rightRng,
                 quiet);
    ASSERT_EQ(left.count, right.count) << i;
    if (left.count == 0) continue;
    const ForcedBranch& l = left.branches[0];
    const ForcedBranch& r = right.branches[0];
    ASSERT_EQ(l.kind, ForcedBranch::Kind::Straight);
    ASSERT_EQ(r.kind, ForcedBranch::Kind::Straight);
    ASSERT_TRUE(exitsMirror(l.exit, r.exit)) << i;
    if (!isLost(l.exit.x)) {
      ++throughTheFace;
      ASSERT_TRUE(sameBits(l.weight, r.weight)) << i;
    } else {
      ++throughAWall;
      ASSERT_NEAR(l.weight, r.weight, 1.0e-4 * l.weight) << i;
    }
  }
  EXPECT_GT(throughTheFace, 5000);
  EXPECT_GT(throughAWall, 1000);
}

}  // namespace
}  // namespace ornaplex
