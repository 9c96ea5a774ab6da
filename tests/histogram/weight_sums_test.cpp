#include "histogram/weight_sums.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

namespace ornaplex {
namespace {

constexpr FixedSum kOne = FixedSum(1) << 64;

TEST(FixedSumTest, TruncatesTowardZeroInUnitsOfTwoToTheMinus64) {
  EXPECT_EQ(toFixed(1.0), kOne);
  EXPECT_EQ(toFixed(-2.5), -(kOne * 5) / 2);
  EXPECT_EQ(toFixed(0x1.8p-64), 1);    // 1.5 units
  EXPECT_EQ(toFixed(-0x1.8p-64), -1);  // toward zero, not down
  EXPECT_EQ(toFixed(0x1p-65), 0);
  EXPECT_EQ(toFixed(-0.0), 0);
  // A double with bits below 2^-64 keeps its bits above it.
  EXPECT_EQ(toFixed(1.0 + 0x1p-52), kOne + (FixedSum(1) << 12));
}

TEST(FixedSumTest, RoundTripsEveryDoubleOnTheGrid) {
  for (double v : {0.1, 1e-3, 3.7e11, -42.25, 0x1p-64, 4.0e18}) {
    EXPECT_EQ(fromFixed(toFixed(v)), v) << v;
  }
}

TEST(FixedSumTest, RefusesWhatItCannotHoldExactly) {
  const double limit = 0x1p62;
  EXPECT_NO_THROW(toFixed(std::nextafter(limit, 0.0)));
  for (double v : {limit, -limit, std::numeric_limits<double>::infinity(),
                   std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_THROW(toFixed(v), std::overflow_error) << v;
  }
  const FixedSum big = toFixed(std::nextafter(limit, 0.0)) * 2;  // just below 2^127
  EXPECT_THROW(addFixed(big, big), std::overflow_error);
  EXPECT_THROW(addFixed(-big, -big), std::overflow_error);
  EXPECT_EQ(addFixed(big, -big), 0);
}

TEST(FixedSumTest, WordsRoundTrip) {
  for (FixedSum s : {FixedSum(0), FixedSum(1), FixedSum(-1), kOne, -kOne - 7, toFixed(3.7e11),
                     toFixed(-1.0e18) + 12345}) {
    EXPECT_TRUE(fromWords(highWord(s), lowWord(s)) == s);
  }
  EXPECT_EQ(highWord(-1), -1);
  EXPECT_EQ(lowWord(-1), ~std::uint64_t{0});
  EXPECT_EQ(highWord(kOne), 1);
  EXPECT_EQ(lowWord(kOne), 0u);
}

TEST(WeightSumsTest, BlockSumsShowOnlyAfterTheFlush) {
  std::vector<double> counts(3, 0.0);
  WeightSums s;
  EXPECT_FALSE(s.on());
  s.enable(counts, 1);
  EXPECT_TRUE(s.on());
  s.fill(1, 0.5);
  s.fill(1, 2.0);
  s.fill(2, -1.0);
  EXPECT_EQ(counts, (std::vector<double>{0.0, 0.0, 0.0}));
  s.flush(counts, 1);
  EXPECT_EQ(counts, (std::vector<double>{0.0, 2.5, -1.0}));
  EXPECT_EQ(s.squares(), (std::vector<double>{0.0, 4.25, 1.0}));
  s.flush(counts, 1);  // an empty block changes nothing
  EXPECT_EQ(counts, (std::vector<double>{0.0, 2.5, -1.0}));
}

TEST(WeightSumsTest, AnOverflowingBlockNamesTheHistogram) {
  std::vector<double> counts(3, 0.0);
  WeightSums s;
  s.enable(counts, 3007);
  s.fill(0, 3e18);
  s.fill(0, 3e18);
  try {
    s.flush(counts, 3007);
    FAIL() << "no refusal";
  } catch (const std::overflow_error& e) {
    EXPECT_NE(std::string(e.what()).find("histogram 3007"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace ornaplex
