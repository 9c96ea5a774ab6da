// The weighted score sums an event's branches before it squares: two branches of one event
// add their w s to S and the square of that sum to Q, an event with nothing scored adds nothing.
#include "target/score.h"

#include <gtest/gtest.h>

namespace ornaplex {
namespace {

TEST(EventSums, BranchesOfOneEventAreSummedBeforeTheyAreSquared) {
  Counters c;
  Tallies t;
  EventSums sums(c, t);
  // Event 1: two branches on the right (weights 0.25 and 0.75), both detected.
  for (double w : {0.25, 0.75}) {
    const WeightedScore branch{sums, w};
    branch.count(&Counters::detIn);
    branch.add(&Tallies::rightTally, w == 0.25 ? 0.004 : 0.002);
  }
  sums.endEvent();
  sums.endEvent();  // an event that scored nothing
  // Event 2: one branch of weight 2.
  const WeightedScore single{sums, 2.0};
  single.count(&Counters::detIn);
  single.add(&Tallies::rightTally, 0.001);
  sums.endEvent();

  EXPECT_EQ(c.detIn, 3);  // branches
  const WeightedCount& det = c.weighted[counterIndex(&Counters::detIn)];
  EXPECT_DOUBLE_EQ(det.W, 3.0);
  EXPECT_DOUBLE_EQ(det.WW, 1.0 * 1.0 + 2.0 * 2.0);
  const Tally& r = t.rightTally;
  const double a1 = 0.25 * 0.004 + 0.75 * 0.002, a2 = 2.0 * 0.001;
  EXPECT_EQ(r.N, 3);
  EXPECT_DOUBLE_EQ(r.S, a1 + a2);
  EXPECT_DOUBLE_EQ(r.Q, a1 * a1 + a2 * a2);
  EXPECT_DOUBLE_EQ(r.W, 3.0);
  EXPECT_DOUBLE_EQ(r.WW, 5.0);
  EXPECT_DOUBLE_EQ(r.SW, a1 * 1.0 + a2 * 2.0);
  EXPECT_EQ(t.leftTally.N, 0);
  EXPECT_EQ(t.leftTally.W, 0.0);
}

}  // namespace
}  // namespace ornaplex
