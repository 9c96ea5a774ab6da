// The guided bin search against a plain binary search, and whole draws against the draw it
// replaced, value for value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "histogram/histogram_sampler.h"
#include "random/ranlux.h"

namespace ornaplex {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

Histogram1D withContents(const std::vector<double>& c, float low = 0.0f, float high = 10.0f) {
  Histogram1D h(301, "S(q)", Axis{static_cast<int>(c.size()), low, high});
  for (std::size_t i = 0; i < c.size(); ++i) h.setSlot(i + 1, c[i]);
  return h;
}

std::vector<double> cumulativeOf(const std::vector<double>& c) {
  std::vector<double> cum;
  double sum = 0.0;
  for (double v : c) cum.push_back(sum += v);
  return cum;
}

int referenceBin(const std::vector<double>& cum, double u, int n) {
  return static_cast<int>(std::upper_bound(cum.begin(), cum.begin() + n, u) - cum.begin());
}

// The draw as a binary search over the first n cumulative sums.
float referenceDraw(const Histogram1D& h, const std::vector<double>& c, int n, Ranlux& rng) {
  const std::vector<double> cum = cumulativeOf(c);
  const double total = cum[static_cast<std::size_t>(n - 1)];
  const double u = static_cast<double>(rng.next()) * total;
  auto i = static_cast<std::size_t>(referenceBin(cum, u, n));
  const double below = i == 0 ? 0.0 : cum[i - 1];
  const double fraction = (u - below) / c[i];
  const Axis& a = h.axis();
  return static_cast<float>(a.low + a.width() * (static_cast<double>(i) + fraction));
}

// Contents with runs of empty bins, ties, a dominant bin and tiny ones.
const std::vector<std::vector<double>> kContents = {
    {0.0, 2.0, 0.0, 1.0},
    {5.0},
    {0.0, 0.0, 0.0, 1e-300, 0.0, 1.0},
    {1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0},
    {1e6, 0.0, 1e-9, 0.0, 0.0, 3.0, 0.1, 0.0},
    {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1e12},
    {1e12, 0.1, 0.2, 0.0, 0.0, 0.3},
    {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 7.0},
};

TEST(SamplerGuideTest, BinAgreesAtEveryCumulativeSumAndItsNeighbours) {
  for (const auto& c : kContents) {
    const HistogramSampler s(withContents(c));
    const std::vector<double> cum = cumulativeOf(c);
    const int bins = static_cast<int>(c.size());
    std::vector<double> us = {0.0, -0.0, 1e-310, s.total(), kInf, 2.0 * s.total()};
    for (double v : cum) {
      double lo = v, hi = v;
      us.push_back(v);
      for (int step = 0; step < 4; ++step) {
        us.push_back(lo = std::nextafter(lo, -kInf));
        us.push_back(hi = std::nextafter(hi, kInf));
      }
    }
    // Where the guide entries begin, in case the search mishandles the start.
    for (int j = 0; j <= bins; ++j) us.push_back(j * (s.total() / bins));
    for (int n = 1; n <= bins; ++n) {
      for (double u : us) {
        if (u < 0.0) continue;
        ASSERT_EQ(s.binFor(u, n), referenceBin(cum, u, n)) << "u " << u << " n " << n;
      }
    }
  }
}

TEST(SamplerGuideTest, NotANumberFindsNoBin) {
  const HistogramSampler s(withContents({1.0, 2.0, 3.0}));
  EXPECT_EQ(s.binFor(std::numeric_limits<double>::quiet_NaN(), 3), 3);
  EXPECT_EQ(s.binFor(-1.0, 2), 0);
}

TEST(SamplerGuideTest, DrawsMatchTheBinarySearchValueForValue) {
  // A spectrum-like shape over 200 bins with empty bins below and above.
  std::vector<double> spectrum(200, 0.0);
  for (int i = 10; i < 190; ++i) {
    const double a = 40.0 / (i + 0.5);
    spectrum[static_cast<std::size_t>(i)] = std::pow(a, 5) * std::exp(-1.25 * a * a);
  }
  std::vector<std::vector<double>> all = kContents;
  all.push_back(spectrum);
  for (const auto& c : all) {
    const Histogram1D h = withContents(c, 0.0f, 20.0f);
    const HistogramSampler s(h);
    const std::vector<double> cum = cumulativeOf(c);
    for (int n = 1; n <= h.axis().bins; n += std::max(1, h.axis().bins / 17)) {
      if (!s.canDrawFirst(n)) continue;
      Ranlux a(97 + n), b(97 + n);
      for (int k = 0; k < 5000; ++k) {
        ASSERT_EQ(s.drawFirst(n, a), referenceDraw(h, c, n, b)) << "n " << n << " draw " << k;
      }
    }
  }
}

}  // namespace
}  // namespace ornaplex
