#include "results/run_summary.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "results/sample_run_file.h"
#include "target/distinct_totals.h"

namespace ornaplex {
namespace {

using testing::distinctTotals;
using testing::sameTotals;

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(RunSummaryTest, RoundTripKeepsEveryCounterAndSum) {
  RunTotals t = testing::sampleTotals();
  t.counters.limitTaken = 3;
  t.tallies.lossLeftTally.add(0.125);
  const std::optional<RunTotals> back =
      totalsFromSummary(summaryValues(t.counters, t.tallies, false));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->counters.limitTaken, 3);
  EXPECT_EQ(back->counters.tar2EnergyChanged, 40);
  EXPECT_EQ(back->tallies.leftTally.S, t.tallies.leftTally.S);
  EXPECT_EQ(back->tallies.leftTally.N, 40);
  EXPECT_EQ(back->tallies.lossLeftTally.Q, 0.125 * 0.125);
}

TEST(RunSummaryTest, AnAnalogSummaryHoldsNoWeightedPartsAndAWeightedOneAllOfThem) {
  const testing::DistinctTotals d = distinctTotals();
  const std::vector<SummaryValue> analog = summaryValues(d.counters, d.tallies, false);
  ASSERT_EQ(analog.size(), kCounterCount + 3 * kTallyCount);
  for (const SummaryValue& v : analog)
    EXPECT_FALSE(endsWith(v.name, "_W") || endsWith(v.name, "_WW") || endsWith(v.name, "_SW"))
        << v.name;
  const std::optional<RunTotals> plain = totalsFromSummary(analog);
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->weighted);
  EXPECT_EQ(plain->counters.weighted[0].W, 0.0);
  EXPECT_EQ(plain->tallies.lossLeftTally.SW, 0.0);

  const std::vector<SummaryValue> weighted = summaryValues(d.counters, d.tallies, true);
  EXPECT_EQ(weighted.size(), 3 * kCounterCount + 6 * kTallyCount);
  // The analog names come first and unchanged.
  for (std::size_t i = 0; i < analog.size(); ++i) EXPECT_EQ(weighted[i].name, analog[i].name);
  const std::optional<RunTotals> back = totalsFromSummary(weighted);
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->weighted);
  EXPECT_FALSE(back->pairs);
  EXPECT_TRUE(sameTotals(back->counters, back->tallies, d.counters, d.tallies));

  // A run of mirror pairs adds its cross sums after the weighted parts.
  const testing::DistinctTotals p = distinctTotals(1.0, true);
  const std::vector<SummaryValue> paired = summaryValues(p.counters, p.tallies, false, true);
  EXPECT_EQ(paired.size(), weighted.size() + 4 * kTallyPairCount + 1);
  const std::optional<RunTotals> pairs = totalsFromSummary(paired);
  ASSERT_TRUE(pairs);
  EXPECT_TRUE(pairs->weighted && pairs->pairs);
  EXPECT_TRUE(sameTotals(pairs->counters, pairs->tallies, p.counters, p.tallies));
}

TEST(RunSummaryTest, NoneIsNoSummaryButSomeIsDamage) {
  EXPECT_FALSE(totalsFromSummary({{"other", 1.0}}));
  std::vector<SummaryValue> v = summaryValues({}, {}, false);
  v.erase(v.begin() + 3);
  EXPECT_THROW(totalsFromSummary(v), InputError);
  v = summaryValues({}, {}, false);
  v[0].value = 1.5;  // tar1In as a real number
  EXPECT_THROW(totalsFromSummary(v), InputError);
  // Some weighted parts without the others.
  v = summaryValues({}, {}, true);
  for (std::size_t i = 0; i < v.size(); ++i)
    if (v[i].name == "lossLeftTally_SW") v.erase(v.begin() + std::ptrdiff_t(i));
  try {
    totalsFromSummary(v);
    ADD_FAILURE() << "a summary without lossLeftTally_SW was taken";
  } catch (const InputError& e) {
    EXPECT_NE(std::string(e.what()).find("lossLeftTally_SW is missing"), std::string::npos);
  }
}

TEST(RunSummaryTest, APartialRecordKeepsEveryFieldWeightedPartsIncluded) {
  const testing::DistinctTotals d = distinctTotals(1.0, true);
  const PartialRecord p = recordOfTotals(4, 9, d.counters, d.tallies);
  EXPECT_EQ(p.first, 4);
  EXPECT_EQ(p.last, 9);
  const RunTotals back = totalsOfRecord(p);
  EXPECT_TRUE(sameTotals(back.counters, back.tallies, d.counters, d.tallies));
}

}  // namespace
}  // namespace ornaplex
