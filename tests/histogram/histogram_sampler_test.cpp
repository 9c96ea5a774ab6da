#include "histogram/histogram_sampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

namespace ornaplex {
namespace {

Histogram1D withContents(const std::vector<double>& c, float low = 0.0f, float high = 10.0f) {
  Histogram1D h(100, "lambda", Axis{static_cast<int>(c.size()), low, high});
  for (std::size_t i = 0; i < c.size(); ++i) h.setSlot(i + 1, c[i]);
  return h;
}

TEST(HistogramSamplerTest, ValueFollowsTheGeneratorNumber) {
  // Contents 0, 2, 0, 1 on [0, 4): u = 3r; u < 2 -> bin 1 at u/2, else bin 3 at u-2.
  const HistogramSampler s(withContents({0.0, 2.0, 0.0, 1.0}, 0.0f, 4.0f));
  Ranlux rng(12345);
  for (int k = 0; k < 1000; ++k) {
    Ranlux copy = rng;
    const double u = static_cast<double>(copy.next()) * 3.0;
    const double expected = u < 2.0 ? 1.0 + u / 2.0 : 3.0 + (u - 2.0);
    const std::uint64_t before = rng.delivered();
    ASSERT_EQ(s.draw(rng), static_cast<float>(expected));
    ASSERT_EQ(rng.delivered(), before + 1);  // one generator number per draw
  }
}

TEST(HistogramSamplerTest, ChiSquareAtFixedSeed) {
  const std::vector<double> c = {0.0, 1.0, 4.0, 9.0, 0.0, 16.0, 7.5, 3.0, 0.0, 0.25};
  const Histogram1D h = withContents(c);
  const HistogramSampler s(h);
  Histogram1D drawn(1, "drawn", h.axis());
  Ranlux rng(4711);
  constexpr int kDraws = 200000;
  for (int k = 0; k < kDraws; ++k) drawn.fill(s.draw(rng));
  EXPECT_EQ(drawn.underflow() + drawn.overflow(), 0.0);
  double chi2 = 0.0;
  int dof = -1;
  for (std::size_t i = 0; i < c.size(); ++i) {
    if (c[i] == 0.0) {
      EXPECT_EQ(drawn.content(static_cast<int>(i)), 0.0) << "empty bin " << i << " was drawn";
      continue;
    }
    const double expected = kDraws * c[i] / s.total();
    const double d = drawn.content(static_cast<int>(i)) - expected;
    chi2 += d * d / expected;
    ++dof;
  }
  // 6 degrees of freedom: P(chi2 > 22.46) = 0.001.
  EXPECT_EQ(dof, 6);
  EXPECT_LT(chi2, 22.46);
}

TEST(HistogramSamplerTest, DrawsWithinABinAreUniform) {
  const HistogramSampler s(withContents({0.0, 1.0, 0.0}, 0.0f, 3.0f));
  Histogram1D inner(1, "inner", Axis{10, 1.0, 2.0});
  Ranlux rng(99);
  for (int k = 0; k < 50000; ++k) inner.fill(s.draw(rng));
  EXPECT_EQ(inner.underflow() + inner.overflow(), 0.0);
  double chi2 = 0.0;
  for (int i = 0; i < 10; ++i) {
    const double d = inner.content(i) - 5000.0;
    chi2 += d * d / 5000.0;
  }
  EXPECT_LT(chi2, 27.88);  // 9 degrees of freedom, P = 0.001
}

TEST(HistogramSamplerTest, DrawFirstStaysInTheFirstBins) {
  const Histogram1D h = withContents({1.0, 0.0, 2.0, 5.0, 5.0, 5.0});
  const HistogramSampler s(h);
  Ranlux rng(7);
  for (int k = 0; k < 5000; ++k) {
    const float v = s.drawFirst(3, rng);
    ASSERT_GE(v, 0.0f);
    ASSERT_LT(static_cast<double>(v), h.axis().lowEdge(3));
    ASSERT_NE(h.axis().slot(v), 2);  // bin 1 is empty
  }
}

TEST(HistogramSamplerTest, EmptyRangesThrowInsteadOfHanging) {
  const HistogramSampler s(withContents({0.0, 0.0, 3.0}));
  Ranlux rng(1);
  EXPECT_FALSE(s.canDrawFirst(2));
  EXPECT_TRUE(s.canDrawFirst(3));
  EXPECT_FALSE(s.canDrawFirst(0));
  EXPECT_FALSE(s.canDrawFirst(4));
  EXPECT_THROW(s.drawFirst(2, rng), std::domain_error);
  EXPECT_THROW(s.drawFirst(0, rng), std::domain_error);
  EXPECT_THROW(s.drawFirst(4, rng), std::domain_error);
  EXPECT_EQ(rng.delivered(), 0u);  // refused draws take no number
  const HistogramSampler empty(withContents({0.0, 0.0}));
  EXPECT_EQ(empty.total(), 0.0);
  EXPECT_THROW(empty.draw(rng), std::domain_error);
}

TEST(HistogramSamplerTest, RejectsNegativeAndNonFiniteContents) {
  const double inf = std::numeric_limits<double>::infinity();
  for (double bad : {-1e-300, -1.0, inf, -inf, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_THROW(HistogramSampler(withContents({1.0, bad, 1.0})), std::invalid_argument) << bad;
  }
  EXPECT_THROW(HistogramSampler(withContents({1e308, 1e308})), std::invalid_argument);
  // Out-of-range slots are not drawn from and may hold anything.
  Histogram1D h = withContents({1.0});
  h.setSlot(0, -5.0);
  EXPECT_NO_THROW(HistogramSampler{h});
}

}  // namespace
}  // namespace ornaplex
