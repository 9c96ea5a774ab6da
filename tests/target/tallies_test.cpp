#include "target/tallies.h"

#include <gtest/gtest.h>

#include "target/distinct_totals.h"

namespace ornaplex {
namespace {

using testing::DistinctTotals;
using testing::distinctTotals;
using testing::sameTotals;

TEST(TallyFields, TheWeightedPartsAreIndexedByTheCounterList) {
  static_assert(counterIndex(&Counters::tar1In) == 0);
  static_assert(counterIndex(&Counters::tar2In) == 4);
  static_assert(counterIndex(&Counters::detIn) == 7);
  static_assert(counterIndex(&Counters::limitTaken) == kCounterCount - 1);
  Counters c;
  c.weighted[counterIndex(&Counters::detIn)].W = 2.5;
  EXPECT_EQ(c.weighted[7].W, 2.5);
}

TEST(TallyFields, MergeAddsEveryFieldWeightedPartsIncluded) {
  const DistinctTotals a = distinctTotals(1.0, true);
  Counters c;
  Tallies t;
  c.merge(a.counters);
  t.merge(a.tallies);
  EXPECT_TRUE(sameTotals(c, t, a.counters, a.tallies));  // no field left out
  c.merge(a.counters);
  t.merge(a.tallies);
  const DistinctTotals twice = distinctTotals(2.0, true);
  EXPECT_TRUE(sameTotals(c, t, twice.counters, twice.tallies));  // added, not replaced
}

TEST(TallyFields, AnAnalogTallyLeavesItsWeightedSumsZero) {
  Tally t;
  t.add(0.25);
  t.add(-0.5);
  EXPECT_EQ(t.S, -0.25);
  EXPECT_EQ(t.Q, 0.3125);
  EXPECT_EQ(t.N, 2);
  EXPECT_EQ(t.W, 0.0);
  EXPECT_EQ(t.WW, 0.0);
  EXPECT_EQ(t.SW, 0.0);
}

}  // namespace
}  // namespace ornaplex
