#include "transport/structure_factor_draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace ornaplex {
namespace {

TEST(FirstAbove, IsUpperBoundWithTiesAndBothEnds) {
  std::mt19937 g(7);
  for (int n = 1; n <= 40; ++n) {
    std::vector<double> a(static_cast<std::size_t>(n));
    for (int trial = 0; trial < 50; ++trial) {
      double sum = 0;
      // Flat runs (closed bins) are frequent: a third of the steps add nothing.
      for (double& x : a) x = sum += (g() % 3 == 0) ? 0.0 : double(g() % 5);
      for (double u : {-1.0, 0.0, a.front(), a.back(), a.back() + 1, a[g() % n], 0.5 * a.back()}) {
        const int want = int(std::upper_bound(a.begin(), a.end(), u) - a.begin());
        ASSERT_EQ(firstAbove(a.data(), n, u), want) << "n " << n << " u " << u;
      }
    }
  }
}

// The run's S(q) grid with contents that make every bin's share visible.
Histogram1D wavyS() {
  Histogram1D h(301, "S(q)", {90, 0.0, 3.6});
  for (int i = 0; i < 90; ++i) h.setSlot(std::size_t(i) + 1, 1.0 + (i % 7));
  return h;
}

TEST(StructureFactorDraw, OpenBinsAreThoseWhoseFloorTheEnergyReaches) {
  const Histogram1D h = wavyS();
  const StructureFactorDraw draw(h);
  const std::vector<double>& floor = draw.floor_meV();
  ASSERT_EQ(floor.size(), 90u);
  std::mt19937_64 g(3);
  std::uniform_real_distribution<double> energy(0.0, 3.0);
  for (int trial = 0; trial < 3000; ++trial) {
    const double e = trial < 90 ? floor[std::size_t(trial)] : energy(g);  // floors are edges
    const int n = 1 + int(g() % 90);
    double literal = 0.0;
    for (int b = 0; b < n; ++b)
      if (floor[std::size_t(b)] <= e) literal += h.content(b);
    const auto open = draw.open(n, e);
    if (literal == 0.0) {
      EXPECT_FALSE(open) << e;
      continue;
    }
    ASSERT_TRUE(open) << e;
    EXPECT_EQ(open->total, literal) << "energy " << e << " n " << n;
  }
}

TEST(StructureFactorDraw, DrawsOnlyOpenBinsInProportionToTheirContent) {
  const Histogram1D h = wavyS();
  const StructureFactorDraw draw(h);
  // 0.9 meV opens the bins at small q and around the roton minimum, not those near the maxon.
  const double e = 0.9;
  const auto open = draw.open(90, e);
  ASSERT_TRUE(open);
  std::vector<double> seen(90, 0.0);
  Ranlux rng(11);
  constexpr int kDraws = 200000;
  for (int i = 0; i < kDraws; ++i) {
    const auto d = draw.drawBin(*open, rng);
    ASSERT_LE(draw.floor_meV()[std::size_t(d.bin)], e);
    const float q = draw.valueOf(d);
    ASSERT_GE(q, 0.04f * float(d.bin));
    ASSERT_LE(q, 0.04f * float(d.bin + 1));
    seen[std::size_t(d.bin)] += 1.0;
  }
  int closed = 0;
  for (int b = 0; b < 90; ++b) {
    if (draw.floor_meV()[std::size_t(b)] > e) {
      ++closed;
      continue;
    }
    const double expected = kDraws * h.content(b) / open->total;
    EXPECT_NEAR(seen[std::size_t(b)], expected, 5 * std::sqrt(expected)) << "bin " << b;
  }
  EXPECT_GT(closed, 10);  // the floor closed part of the table
}

TEST(StructureFactorDraw, EveryBinDrawsFindTheExactBinFromTheGuide) {
  // Energies above every floor take the guided search; it must name upper_bound's bin, for
  // every n (the guide is built for all 90 bins and clamped to the first n).
  const StructureFactorDraw draw(wavyS());
  Ranlux rng(23);
  for (int n : {1, 2, 17, 31, 89, 90}) {
    const auto open = draw.open(n, 50.0);
    ASSERT_TRUE(open);
    ASSERT_TRUE(open->everyBin);
    for (int i = 0; i < 20000; ++i) {
      const auto d = draw.drawBin(*open, rng);
      const int want =
          int(std::upper_bound(open->cumulative, open->cumulative + n, d.u) - open->cumulative);
      ASSERT_EQ(d.bin, want) << "n " << n << " u " << d.u;
    }
  }
  EXPECT_FALSE(draw.open(90, 0.9)->everyBin);
}

TEST(StructureFactorDraw, RefusesWhatCannotBeDrawn) {
  const StructureFactorDraw draw(wavyS());
  EXPECT_FALSE(draw.open(0, 1.0));
  EXPECT_FALSE(draw.open(91, 1.0));
  EXPECT_FALSE(draw.open(90, std::nan("")));
  EXPECT_FALSE(draw.open(90, -1.0));  // below every floor, even the zero ones
  Histogram1D empty(301, "S(q)", {90, 0.0, 3.6});
  EXPECT_FALSE(StructureFactorDraw(empty).open(90, 5.0));
  Histogram1D negative = wavyS();
  negative.setSlot(5, -1.0);
  EXPECT_THROW(StructureFactorDraw{negative}, std::invalid_argument);
  // Without the floor every bin is open to every energy.
  const auto all = StructureFactorDraw(wavyS(), false).open(90, 0.0);
  ASSERT_TRUE(all);
  double sum = 0;
  for (int b = 0; b < 90; ++b) sum += 1.0 + (b % 7);
  EXPECT_EQ(all->total, sum);
}

}  // namespace
}  // namespace ornaplex
