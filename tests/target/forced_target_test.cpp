// The forced crossing against the analog one: its unscattered weight is the analog crossing's
// probability not to scatter (side walls included), the weights of one q add up to one, and the
// forced scattering points fall where the analog ones do.
#include "target/forced_target.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/constants.h"
#include "common/message_sink.h"
#include "random/ranlux.h"
#include "transport/beamline_geometry.h"
#include "transport/kinematics.h"

namespace ornaplex {
namespace {

constexpr double kE = 5.112742;  // meV, 4 Angstrom
constexpr double kT = HELIUM_TEMPERATURE;
constexpr int kEvents = 200000;

// Near the septum, flying towards it: most neutrons leave through the side wall long before the
// exit face.
Track nearTheWall() {
  return Track(-0.37, 0.2, 0.0, 0.004, 0.0005, kE);
}

struct AnalogShare {
  double scattered = 0.0, meanExitX = 0.0, exitXError = 0.0;
};

AnalogShare analogCrossings(const EventTransfer& q, const Track& in, const Aperture& cell,
                            double length_cm) {
  Ranlux rng(99);
  NullSink sink;
  double n = 0.0, x = 0.0, xx = 0.0;  // x: the exit's distance from the axis of flight
  for (int i = 0; i < kEvents; ++i) {
    Track out;
    TargetScatter sc;
    TARGET(q, kT, in, cell, length_cm, out, sc, rng, sink);
    if (!(sc.energyChanged || sc.angleNonZero)) continue;
    n += 1.0;
    if (!isLost(out)) {
      const double r = std::hypot(out.x - in.x, out.y - in.y);
      x += r;
      xx += r * r;
    }
  }
  AnalogShare s;
  s.scattered = n / kEvents;
  s.meanExitX = x / n;
  s.exitXError = std::sqrt((xx / n - s.meanExitX * s.meanExitX) / n);
  return s;
}

TEST(ForcedTarget, UnscatteredWeightIsTheAnalogChanceNotToScatterSideWallsIncluded) {
  for (double q : {0.3, 1.0}) {  // the small-angle and the measured cross section
    const EventTransfer transfer(q);
    for (const Track& in : {nearTheWall(), Track(-1.6, 0.0, 0.0, 0.0, 0.0, kE)}) {
      const AnalogShare analog = analogCrossings(transfer, in, LEFT_CELL, TARGET_LENGTH_cm);
      Ranlux rng(7);
      NullSink sink;
      ForcedCrossing f;
      forcedTarget(transfer, SmallQWindow{}, {}, kT, in, LEFT_CELL, TARGET_LENGTH_cm, f, rng, sink);
      ASSERT_GE(f.count, 1);
      EXPECT_FALSE(f.branches[0].scattered);
      const double pScatter = 1.0 - f.branches[0].weight;
      const double sigma = std::sqrt(pScatter * (1 - pScatter) / kEvents);
      EXPECT_NEAR(analog.scattered, pScatter, 4.0 * sigma)
          << "q " << q << ", x " << in.x << ": analog share " << analog.scattered;
    }
  }
  // Near the wall the cell holds a neutron for a few cm only: far less scattering than in the
  // middle, so the wall is not a detail of the test.
  Ranlux rng(7);
  NullSink sink;
  ForcedCrossing wall, middle;
  forcedTarget(EventTransfer(0.3), {}, {}, kT, nearTheWall(), LEFT_CELL, TARGET_LENGTH_cm, wall,
               rng, sink);
  forcedTarget(EventTransfer(0.3), {}, {}, kT, Track(-1.6, 0.0, 0.0, 0.0, 0.0, kE), LEFT_CELL,
               TARGET_LENGTH_cm, middle, rng, sink);
  EXPECT_LT(1.0 - wall.branches[0].weight, 0.3 * (1.0 - middle.branches[0].weight));
}

TEST(ForcedTarget, ScatteredWeightIsTheRestOnAverageAfterTheRoulette) {
  NullSink sink;
  const Track in(-1.6, 0.0, 0.0, 0.0, 0.0, kE);
  // A small angle (q 0.03, 0.02 rad): never dropped, the weights add up to one.
  // A large one (q 0.3, 0.19 rad): dropped or weighed up, one on average.
  for (double q : {0.03, 0.3}) {
    Ranlux rng(11);
    const int calls = 20000;
    double sum = 0.0, pScatter = 0.0;
    int kept = 0;
    for (int i = 0; i < calls; ++i) {
      ForcedCrossing f;
      forcedTarget(EventTransfer(q), {}, {}, kT, in, LEFT_CELL, TARGET_LENGTH_cm, f, rng, sink);
      pScatter = 1.0 - f.branches[0].weight;
      ASSERT_EQ(f.count, 2);
      // The cell's counts score the branch whole, whether it goes on or not.
      EXPECT_NEAR(f.branches[1].cellWeight, pScatter, 1e-15);
      EXPECT_TRUE(f.branches[1].scattered && f.branches[1].angleNonZero);
      EXPECT_EQ(f.branches[1].kind, ForcedBranch::Kind::OwnQ);
      if (!(f.branches[1].weight > 0.0)) {
        EXPECT_TRUE(isLost(f.branches[1].exit));
        continue;
      }
      ++kept;
      sum += f.branches[1].weight;
      if (q == 0.03) {
        EXPECT_NEAR(f.branches[0].weight + f.branches[1].weight, 1.0, 1e-15);
      }
    }
    if (q == 0.03) {
      EXPECT_EQ(kept, calls);
    } else {
      EXPECT_NEAR(double(kept) / calls, kLargeAngleKept, 0.02);
      const double relative = std::sqrt((1.0 - kLargeAngleKept) / kLargeAngleKept / calls);
      EXPECT_NEAR(sum / calls / pScatter, 1.0, 4.0 * relative);
    }
  }
}

TEST(ForcedTarget, ForcedScatteringPointsFallWhereTheAnalogOnesDo) {
  // A long wide cell, so that the analog crossing scatters often and the exit's distance from
  // the axis of flight carries the depth of the scattering point.
  const Aperture wide{-1.0e4, 1.0e4, -1.0e4, 1.0e4};
  const double length = 2000.0;
  const EventTransfer transfer(0.3);
  const Track in(0.0, 0.0, 0.0, 0.0, 0.0, kE);
  const AnalogShare analog = analogCrossings(transfer, in, wide, length);
  Ranlux rng(3);
  NullSink sink;
  double x = 0.0, xx = 0.0, n = 0.0;
  for (int i = 0; i < kEvents / 4; ++i) {
    ForcedCrossing f;
    forcedTarget(transfer, {}, {}, kT, in, wide, length, f, rng, sink);
    ASSERT_EQ(f.count, 2);
    if (!(f.branches[1].weight > 0.0)) continue;  // dropped by the roulette, whatever its depth
    const Track& out = f.branches[1].exit;
    if (isLost(out)) continue;
    const double r = std::hypot(out.x - in.x, out.y - in.y);
    x += r;
    xx += r * r;
    n += 1.0;
  }
  const double mean = x / n, error = std::sqrt((xx / n - mean * mean) / n);
  EXPECT_NEAR(mean, analog.meanExitX, 4.0 * std::hypot(error, analog.exitXError));
}

TEST(ForcedTarget, MissingTheEntranceGivesNoBranchAndTheWindowAddsOne) {
  Ranlux rng(1);
  NullSink sink;
  ForcedCrossing f;
  forcedTarget(EventTransfer(0.3), {}, {}, kT, Track(0.0, 0.0, 0.0, 0.0, 0.0, kE), LEFT_CELL,
               TARGET_LENGTH_cm, f, rng, sink);
  EXPECT_EQ(f.count, 0);

  // With a window that holds the event's q, the event's own q scatters only in the window draw.
  Histogram1D h(301, "", {90, 0.0, 3.6});
  for (int i = 0; i < 90; ++i) h.setSlot(std::size_t(i) + 1, 1.0);
  const StructureFactorDraw sq(h);
  SourceSample s;
  s.outcome = SourceSample::Outcome::Accepted;
  s.energy = kE;
  drawMomentumTransfer(sq, s, rng, sink);
  const SmallQWindow window = smallQWindow(sq, s, 10.0, {});
  int windowBranches = 0;
  for (int i = 0; i < 50; ++i) {
    forcedTarget(EventTransfer(s.transfer), window, {}, kT, Track(-1.6, 0.0, 0.0, 0.0, 0.0, kE),
                 LEFT_CELL, TARGET_LENGTH_cm, f, rng, sink);
    ASSERT_GE(f.count, 1);
    ASSERT_LE(f.count, 2);
    EXPECT_FALSE(f.branches[0].scattered);
    if (f.count == 2) {
      EXPECT_EQ(f.branches[1].kind, ForcedBranch::Kind::Window);
      EXPECT_GT(f.branches[1].cellWeight, 0.0);
      ++windowBranches;
    }
  }
  EXPECT_GT(windowBranches, 0);
}

}  // namespace
}  // namespace ornaplex
