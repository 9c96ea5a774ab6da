// Partial files carry weighted histograms exactly, so that `ornaplex merge` adds them up to the
// same bits as the whole run.
#include "h5file/partial_file.h"

#include <gtest/gtest.h>

#include "h5file/temp_dir.h"

namespace ornaplex {
namespace {

TEST(PartialFileTest, WeightedHistogramsComeBackWithTheirExactSums) {
  testing::TempDir dir;
  PartialContents c;
  c.run = {{"partial", std::int64_t{1}}, {"interrupted", std::int64_t{0}}};
  c.records.push_back(PartialRecord{});
  c.store.book1(3007, "th_rotation (mrad) DetB", 200, -10.f, 50.f);
  c.store.book2(6020, "th_rot", 100, 0.f, 40.f, 20, -10.f, 50.f);
  c.store.enableWeights();
  double r = 0.3;
  for (int k = 0; k < 2000; ++k) {
    r = 3.99 * r * (1.0 - r);
    c.store.h1(3007).fill(-12.0 + 70.0 * r, 1e-4 / r);
    c.store.h2(6020).fill(42.0 * r, 60.0 * r - 10.0, 1.0 + r / 3.0);
    if (k % 500 == 499) c.store.flushBlock();
  }
  const PartialContents back = readPartialFile(writePartialFile(dir / "p.h5", c));
  ASSERT_TRUE(back.store.weighted());
  const Histogram1D& one = back.store.h1(3007);
  EXPECT_TRUE(one.exactCounts() == c.store.h1(3007).exactCounts());
  EXPECT_TRUE(one.exactSquares() == c.store.h1(3007).exactSquares());
  EXPECT_EQ(one.squares(), c.store.h1(3007).squares());
  const Histogram2D& two = back.store.h2(6020);
  EXPECT_TRUE(two.exactCounts() == c.store.h2(6020).exactCounts());
  EXPECT_TRUE(two.exactSquares() == c.store.h2(6020).exactSquares());
  EXPECT_EQ(two.slots(), c.store.h2(6020).slots());
  EXPECT_EQ(two.entries(), 2000);
}

}  // namespace
}  // namespace ornaplex
