#include "results/run_summary.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "results/sample_run_file.h"

namespace ornaplex {
namespace {

TEST(RunSummaryTest, RoundTripKeepsEveryCounterAndSum) {
  RunTotals t = testing::sampleTotals();
  t.counters.limitTaken = 3;
  t.tallies.lossLeftTally.add(0.125);
  const std::optional<RunTotals> back = totalsFromSummary(summaryValues(t.counters, t.tallies));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->counters.limitTaken, 3);
  EXPECT_EQ(back->counters.tar2EnergyChanged, 40);
  EXPECT_EQ(back->tallies.leftTally.S, t.tallies.leftTally.S);
  EXPECT_EQ(back->tallies.leftTally.N, 40);
  EXPECT_EQ(back->tallies.lossLeftTally.Q, 0.125 * 0.125);
}

TEST(RunSummaryTest, NoneIsNoSummaryButSomeIsDamage) {
  EXPECT_FALSE(totalsFromSummary({{"other", 1.0}}));
  std::vector<SummaryValue> v = summaryValues({}, {});
  v.erase(v.begin() + 3);
  EXPECT_THROW(totalsFromSummary(v), InputError);
  v = summaryValues({}, {});
  v[0].value = 1.5;  // tar1In as a real number
  EXPECT_THROW(totalsFromSummary(v), InputError);
}

}  // namespace
}  // namespace ornaplex
