#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "histogram/histogram.h"
#include "random/ranlux.h"
#include "results/histogram_catalogue.h"

namespace ornaplex {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Every axis of the output bookings (x and, for 2-D, y), widened as they are booked.
std::vector<Axis> bookedAxes() {
  std::vector<Axis> axes;
  for (const HistogramBooking& b : kHistogramCatalogue) {
    axes.push_back({b.xbins, double(b.xlow), double(b.xhigh)});
    if (b.kind == HistogramKind::k2D) axes.push_back({b.ybins, double(b.ylow), double(b.yhigh)});
  }
  return axes;
}

// Compares the two rules at v and at the 8 representable values either side of it.
void expectSameAround(const Axis& a, const SlotFinder& f, double v, const char* what, int k) {
  double lo = v, hi = v;
  ASSERT_EQ(f.slot(v), a.slot(v)) << what << " " << k << " v " << v;
  for (int step = 0; step < 8; ++step) {
    lo = std::nextafter(lo, -kInf);
    hi = std::nextafter(hi, kInf);
    ASSERT_EQ(f.slot(lo), a.slot(lo)) << what << " " << k << " below by " << step + 1;
    ASSERT_EQ(f.slot(hi), a.slot(hi)) << what << " " << k << " above by " << step + 1;
  }
}

TEST(SlotFinderTest, AgreesAtEveryEdgeOfEveryBooking) {
  const std::vector<Axis> axes = bookedAxes();
  ASSERT_GE(axes.size(), kCatalogueSize);
  for (const Axis& a : axes) {
    const SlotFinder f(a);
    for (int k = 0; k <= a.bins; ++k) {
      expectSameAround(a, f, a.lowEdge(k), "edge", k);
      // Where the quotient puts the edge, which can differ from lowEdge by a few units.
      expectSameAround(a, f, a.low + k * a.width(), "quotient edge", k);
    }
  }
}

TEST(SlotFinderTest, AgreesOnRandomValuesInAndAroundTheRange) {
  Ranlux rng(4711);
  for (const Axis& a : bookedAxes()) {
    const SlotFinder f(a);
    const double span = a.high - a.low;
    for (int n = 0; n < 20000; ++n) {
      const double v = a.low - 0.05 * span + 1.1 * span * double(rng.next());
      ASSERT_EQ(f.slot(v), a.slot(v)) << v;
    }
  }
}

TEST(SlotFinderTest, AgreesOnAxesWhereTheQuotientIsPoor) {
  // Narrow ranges far from zero, one bin, many bins, and a range too wide to subtract.
  const Axis axes[] = {{1000, 1e15, 1e15 + 1.0}, {3, 0.1, 0.7},
                       {1, -1.0, 1.0},           {100000, -1e-300, 1e-300},
                       {10, -1.5e308, 1.5e308},  {7, double(209.95f), double(210.15f)}};
  for (const Axis& a : axes) {
    const SlotFinder f(a);
    for (int k = 0; k <= std::min(a.bins, 2000); ++k) {
      expectSameAround(a, f, a.lowEdge(k), "edge", k);
    }
    for (double v : {-kInf, kInf, std::numeric_limits<double>::quiet_NaN(), a.low, a.high, -0.0}) {
      EXPECT_EQ(f.slot(v), a.slot(v)) << v;
    }
  }
}

TEST(SlotFinderTest, HistogramFillsUseTheEdgeRule) {
  Histogram2D h(8011, "Thx vs. E", {1000, 0.0, 40.0}, {200, 0.0, double(0.1f)});
  const Axis& y = h.axisY();
  // Just below and at an interior y edge, in the first x bin.
  h.fill(0.01, std::nextafter(y.lowEdge(37), 0.0));
  h.fill(0.01, y.lowEdge(37));
  EXPECT_EQ(h.slot(1, 37), 1.0);
  EXPECT_EQ(h.slot(1, 38), 1.0);
}

}  // namespace
}  // namespace ornaplex
