#include "results/progress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "common/fortran_format.h"

namespace ornaplex {
namespace {

using Points = std::vector<std::int64_t>;

TEST(ProgressPoints, TenthsOfTheRun) {
  EXPECT_EQ(progressPoints(300000000),
            (Points{30000000, 60000000, 90000000, 120000000, 150000000, 180000000, 210000000,
                    240000000, 270000000, 300000000}));
  EXPECT_EQ(progressPoints(10), (Points{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(progressPoints(25), (Points{2, 5, 7, 10, 12, 15, 17, 20, 22, 25}));
}

TEST(ProgressPoints, ShortRunsSkipZerosAndRepeats) {
  EXPECT_EQ(progressPoints(3), (Points{1, 2, 3}));
  EXPECT_EQ(progressPoints(1), (Points{1}));
  EXPECT_TRUE(progressPoints(0).empty());
  EXPECT_TRUE(progressPoints(-5).empty());
}

TEST(ProgressPoints, LargeCountsAreExact) {
  const std::int64_t n = std::int64_t{1} << 40;
  const Points p = progressPoints(n);
  ASSERT_EQ(p.size(), 10u);
  for (std::int64_t j = 1; j <= 10; ++j) EXPECT_EQ(p[j - 1], j * n / 10);
  EXPECT_EQ(p[0], 109951162777);
  EXPECT_EQ(p[9], n);
  // j * N would overflow here; the points must not.
  const std::int64_t big = std::numeric_limits<std::int64_t>::max();
  const Points q = progressPoints(big);
  ASSERT_EQ(q.size(), 10u);
  EXPECT_EQ(q[0], big / 10);
  EXPECT_EQ(q[9], big);
  for (std::size_t i = 1; i < q.size(); ++i) EXPECT_LT(q[i - 1], q[i]);
}

TEST(ProgressTracker, EventByEventGivesEachLineOnce) {
  ProgressTracker t(25);
  std::vector<std::string> all;
  for (std::int64_t e = 1; e <= 25; ++e) {
    if (e < t.next()) continue;
    for (std::string& line : t.advanceTo(e)) all.push_back(line);
  }
  ASSERT_EQ(all.size(), 10u);
  EXPECT_EQ(all[0], formatProgress(2));
  EXPECT_EQ(all[9], formatProgress(25));
  EXPECT_EQ(t.next(), std::numeric_limits<std::int64_t>::max());
  EXPECT_TRUE(t.advanceTo(25).empty());
}

TEST(ProgressTracker, BlocksPassingSeveralPointsGiveThemInOrder) {
  ProgressTracker t(300000000);
  EXPECT_EQ(t.next(), 30000000);
  EXPECT_TRUE(t.advanceTo(29999999).empty());
  EXPECT_EQ(t.advanceTo(100000000),
            (std::vector<std::string>{formatProgress(30000000), formatProgress(60000000),
                                      formatProgress(90000000)}));
  EXPECT_TRUE(t.advanceTo(100000000).empty());
  EXPECT_EQ(t.next(), 120000000);
  EXPECT_EQ(t.advanceTo(300000000).size(), 7u);
}

TEST(ProgressTracker, EmptyRunPrintsNothing) {
  ProgressTracker t(0);
  EXPECT_TRUE(t.advanceTo(1000).empty());
}

}  // namespace
}  // namespace ornaplex
