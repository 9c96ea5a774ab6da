#include "histogram/histogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace ornaplex {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Axis floatAxis(int bins, float low, float high) {
  return Axis{bins, static_cast<double>(low), static_cast<double>(high)};
}

// Bookings whose edges are not exact binary fractions, so the quotient rounds both ways.
const Axis kAxes[] = {
    floatAxis(100, -3.5f, 3.5f),  floatAxis(200, 477.18f, 477.34f),
    floatAxis(3000, 0.0f, 40.0f), floatAxis(200, 0.0f, 0.1f),
    floatAxis(7, 0.1f, 0.7f),     floatAxis(200, 209.95f, 210.15f),
    floatAxis(1000, 0.0f, 50.0f), floatAxis(1, -1.0f, 1.0f),
};

TEST(AxisTest, OutOfRangeRules) {
  const Axis a = floatAxis(10, 0.0f, 1.0f);
  EXPECT_EQ(a.slot(-kInf), 0);
  EXPECT_EQ(a.slot(-1e300), 0);
  EXPECT_EQ(a.slot(std::nextafter(0.0, -1.0)), 0);
  EXPECT_EQ(a.slot(0.0), 1);
  EXPECT_EQ(a.slot(-0.0), 1);
  EXPECT_EQ(a.slot(1.0), 11);  // the upper edge is overflow
  EXPECT_EQ(a.slot(kInf), 11);
  EXPECT_EQ(a.slot(kNaN), 11);  // NaN counts as overflow
  EXPECT_EQ(a.slot(std::nextafter(1.0, 0.0)), 10);
}

TEST(AxisTest, EdgesAreExactAtEnds) {
  for (const Axis& a : kAxes) {
    EXPECT_EQ(a.lowEdge(0), a.low);
    EXPECT_EQ(a.lowEdge(a.bins), a.high);
    for (int k = 0; k < a.bins; ++k) ASSERT_LT(a.lowEdge(k), a.lowEdge(k + 1)) << k;
  }
}

TEST(AxisTest, EveryEdgeAndItsNeighboursLandInTheRightSlot) {
  for (const Axis& a : kAxes) {
    for (int k = 0; k <= a.bins; ++k) {
      const double e = a.lowEdge(k);
      const double below = std::nextafter(e, -kInf);
      const double above = std::nextafter(e, kInf);
      // Edge k opens bin k (slot k+1); edge bins is the upper edge (overflow).
      // Just below it is bin k-1 (slot k, underflow for k = 0).
      ASSERT_EQ(a.slot(e), k + 1) << "bins " << a.bins << " edge " << k;
      ASSERT_EQ(a.slot(below), k) << "bins " << a.bins << " below edge " << k;
      ASSERT_EQ(a.slot(above), k + 1) << "bins " << a.bins << " above edge " << k;
    }
  }
}

TEST(AxisTest, BinCentresLandInTheirBins) {
  for (const Axis& a : kAxes) {
    for (int k = 0; k < a.bins; ++k) {
      ASSERT_EQ(a.slot(0.5 * (a.lowEdge(k) + a.lowEdge(k + 1))), k + 1);
    }
  }
}

TEST(Histogram1DTest, FillsCountAndEntries) {
  Histogram1D h(7, "x (cm) Up", floatAxis(4, 0.0f, 4.0f));
  for (double v : {-1.0, 0.0, 0.5, 3.999, 4.0, kNaN, 2.0}) h.fill(v);
  EXPECT_EQ(h.entries(), 7);
  EXPECT_EQ(h.underflow(), 1.0);
  EXPECT_EQ(h.overflow(), 2.0);
  EXPECT_EQ(h.content(0), 2.0);
  EXPECT_EQ(h.content(1), 0.0);
  EXPECT_EQ(h.content(2), 1.0);
  EXPECT_EQ(h.content(3), 1.0);
}

TEST(Histogram1DTest, RejectsUnusableBinning) {
  EXPECT_THROW(Histogram1D(1, "", Axis{0, 0.0, 1.0}), std::invalid_argument);
  EXPECT_THROW(Histogram1D(1, "", Axis{10, 1.0, 1.0}), std::invalid_argument);
  EXPECT_THROW(Histogram1D(1, "", Axis{10, 2.0, 1.0}), std::invalid_argument);
  EXPECT_THROW(Histogram1D(1, "", Axis{10, 0.0, kNaN}), std::invalid_argument);
  EXPECT_THROW(Histogram1D(1, "", Axis{10, -kInf, 0.0}), std::invalid_argument);
}

TEST(Histogram2DTest, EveryOutOfRangeRegionHasItsOwnSlot) {
  Histogram2D h(8010, "t", floatAxis(2, 0.0f, 2.0f), floatAxis(3, 0.0f, 3.0f));
  const double xs[] = {-1.0, 0.5, 2.0};  // under, in (bin 0), over
  const double ys[] = {-1.0, 2.5, 3.0};  // under, in (bin 2), over
  const int sx[] = {0, 1, 3};
  const int sy[] = {0, 3, 4};
  double expected = 0.0;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      for (int n = 0; n <= 3 * i + j; ++n) h.fill(xs[i], ys[j]);
    }
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(h.slot(sx[i], sy[j]), 3 * i + j + 1) << i << " " << j;
      expected += 3 * i + j + 1;
    }
  }
  h.fill(kNaN, kNaN);
  EXPECT_EQ(h.slot(3, 4), 10.0);
  EXPECT_EQ(h.entries(), static_cast<std::int64_t>(expected) + 1);
  EXPECT_EQ(h.slots().size(), 4u * 5u);
}

HistogramStore smallStore() {
  HistogramStore s;
  s.book1(305, "q sim(1/Ang)", 100, 0.0f, 4.0f);
  s.book2(8010, "sig", 10, 0.0f, 4.0f, 20, 0.0f, 1.0f);
  s.book1(4018, "phi-0 (deg) ", 200, 0.0f, 360.0f);
  return s;
}

TEST(HistogramStoreTest, KeepsBookingOrderAndFindsById) {
  HistogramStore s = smallStore();
  EXPECT_EQ(s.ids(), (std::vector<int>{305, 8010, 4018}));
  EXPECT_TRUE(s.is2D(8010));
  EXPECT_FALSE(s.is2D(4018));
  EXPECT_EQ(s.h1(4018).title(), "phi-0 (deg) ");
  EXPECT_EQ(s.h2(8010).axisY().bins, 20);
  EXPECT_FALSE(s.has(1));
  EXPECT_THROW(s.h1(1), std::out_of_range);
  EXPECT_THROW(s.h1(8010), std::out_of_range);
  EXPECT_THROW(s.h2(305), std::out_of_range);
  EXPECT_THROW(s.is2D(1), std::out_of_range);
  EXPECT_THROW(s.book1(305, "again", 1, 0.0f, 1.0f), std::invalid_argument);
}

TEST(HistogramStoreTest, BookingWidensSinglePrecisionRanges) {
  HistogramStore s;
  const Histogram1D& h = s.book1(3006, "Path length (cm) DeB", 200, 477.18f, 477.34f);
  EXPECT_EQ(h.axis().low, static_cast<double>(477.18f));
  EXPECT_NE(h.axis().low, 477.18);
}

TEST(HistogramStoreTest, ReferencesSurviveFurtherBookings) {
  HistogramStore s;
  Histogram1D& first = s.book1(1, "a", 10, 0.0f, 1.0f);
  for (int id = 2; id < 200; ++id) s.book1(id, "b", 10, 0.0f, 1.0f);
  first.fill(0.5);
  EXPECT_EQ(s.h1(1).entries(), 1);
}

TEST(HistogramStoreTest, MergeAddsIdenticallyBookedStores) {
  HistogramStore a = smallStore();
  HistogramStore b = smallStore();
  a.h1(305).fill(1.0);
  b.h1(305).fill(1.0);
  b.h1(305).fill(10.0);
  b.h2(8010).fill(-1.0, 0.5);
  a.merge(b);
  EXPECT_EQ(a.h1(305).content(25), 2.0);
  EXPECT_EQ(a.h1(305).overflow(), 1.0);
  EXPECT_EQ(a.h1(305).entries(), 3);
  EXPECT_EQ(a.h2(8010).slot(0, 11), 1.0);
  EXPECT_EQ(a.h2(8010).entries(), 1);
}

TEST(HistogramStoreTest, MergeRefusesDifferentBookingsAndLeavesStoreUnchanged) {
  HistogramStore a = smallStore();
  a.h1(305).fill(1.0);
  HistogramStore otherTitle;
  otherTitle.book1(305, "q sim(1/Ang)", 100, 0.0f, 4.0f);
  otherTitle.book2(8010, "sig", 10, 0.0f, 4.0f, 20, 0.0f, 1.0f);
  otherTitle.book1(4018, "phi-0 (deg)", 200, 0.0f, 360.0f);  // no trailing blank
  HistogramStore otherRange;
  otherRange.book1(305, "q sim(1/Ang)", 100, 0.0f, 4.0f);
  otherRange.book2(8010, "sig", 10, 0.0f, 4.0f, 20, 0.0f, 2.0f);
  otherRange.book1(4018, "phi-0 (deg) ", 200, 0.0f, 360.0f);
  HistogramStore otherOrder;
  otherOrder.book1(305, "q sim(1/Ang)", 100, 0.0f, 4.0f);
  otherOrder.book1(4018, "phi-0 (deg) ", 200, 0.0f, 360.0f);
  otherOrder.book2(8010, "sig", 10, 0.0f, 4.0f, 20, 0.0f, 1.0f);
  HistogramStore fewer;
  fewer.book1(305, "q sim(1/Ang)", 100, 0.0f, 4.0f);
  for (const HistogramStore* o : {&otherTitle, &otherRange, &otherOrder, &fewer}) {
    EXPECT_FALSE(a.sameBooking(*o));
    EXPECT_THROW(a.merge(*o), std::invalid_argument);
  }
  EXPECT_EQ(a.h1(305).entries(), 1);
  EXPECT_EQ(a.h1(305).content(25), 1.0);
}

}  // namespace
}  // namespace ornaplex
