#include "histogram/histogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

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

// Contents read from outside replace the slots and entries whole, and only with as many slots.
TEST(Histogram1DTest, SetContentsTakesExactlyTheSlots) {
  Histogram1D h(1, "", {2, 0.0, 1.0});
  h.setContents({1.0, 2.0, 3.0, 4.0}, 7);
  EXPECT_EQ(h.slots(), (std::vector<double>{1.0, 2.0, 3.0, 4.0}));
  EXPECT_EQ(h.entries(), 7);
  EXPECT_THROW(h.setContents({1.0, 2.0, 3.0}, 1), std::invalid_argument);
  EXPECT_THROW(h.setSlot(4, 1.0), std::out_of_range);
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

// ---------------------------------------------------------------------------------------------
// Weighted histograms.

HistogramStore weightedStore() {
  HistogramStore s = smallStore();
  s.enableWeights();
  return s;
}

TEST(WeightedHistogramTest, FillsSumWeightsAndSquaresPerSlotFromTheFlushOn) {
  HistogramStore s = weightedStore();
  Histogram1D& h = s.h1(305);
  h.fill(1.0, 0.5);
  h.fill(1.0, 3.0);
  h.fill(-1.0, 2.0);
  h.fill(kNaN, 0.25);
  EXPECT_EQ(h.entries(), 4);
  EXPECT_EQ(h.content(25), 0.0);  // the block is still open
  s.flushBlock();
  EXPECT_EQ(h.content(25), 3.5);
  EXPECT_EQ(h.squares()[26], 9.25);
  EXPECT_EQ(h.underflow(), 2.0);
  EXPECT_EQ(h.squares().front(), 4.0);
  EXPECT_EQ(h.overflow(), 0.25);
  EXPECT_EQ(h.squares().back(), 0.0625);
  EXPECT_EQ(h.squares().size(), h.slots().size());

  Histogram2D& m = s.h2(8010);
  m.fill(-1.0, 0.5, 2.0);
  m.fill(-1.0, 0.5, 2.0);
  m.fill(1.0, 2.0, 0.5);
  s.flushBlock();
  EXPECT_EQ(m.slot(0, 11), 4.0);
  EXPECT_EQ(m.squares()[11], 8.0);
  EXPECT_EQ(m.slot(3, 21), 0.5);
  EXPECT_EQ(m.squares()[3 * 22 + 21], 0.25);
  EXPECT_EQ(m.entries(), 3);
}

TEST(WeightedHistogramTest, WeightsReachLaterBookingsAndTakeEarlierCountsAsWeightOne) {
  HistogramStore s = smallStore();
  EXPECT_FALSE(s.weighted());
  EXPECT_TRUE(s.h1(305).squares().empty());
  s.h1(305).fill(1.0);
  s.h1(305).fill(1.0);
  s.enableWeights();
  EXPECT_TRUE(s.weighted());
  EXPECT_EQ(s.h1(305).content(25), 2.0);
  EXPECT_EQ(s.h1(305).squares()[26], 2.0);
  EXPECT_TRUE(s.book1(1, "later", 10, 0.0f, 1.0f).weighted());
  EXPECT_TRUE(s.add(Histogram2D(2, "added", Axis{2, 0.0, 1.0}, Axis{2, 0.0, 1.0})).weighted());
  // An unweighted store keeps its counts as they are and refuses a weighted histogram.
  HistogramStore plain = smallStore();
  plain.h1(305).fill(1.0);
  plain.flushBlock();
  EXPECT_EQ(plain.h1(305).content(25), 1.0);
  Histogram1D weighted(7, "w", Axis{2, 0.0, 1.0});
  weighted.enableWeights();
  EXPECT_THROW(plain.add(weighted), std::invalid_argument);
}

TEST(WeightedHistogramTest, ClearEmptiesEverySumAndKeepsTheWeights) {
  HistogramStore s = weightedStore();
  s.h1(305).fill(1.0, 2.0);
  s.h2(8010).fill(1.0, 0.5, 2.0);
  s.flushBlock();
  s.h1(305).fill(1.0, 5.0);  // left in the open block
  s.clear();
  EXPECT_TRUE(s.weighted());
  s.flushBlock();
  for (int id : s.ids()) {
    const auto& slots = s.is2D(id) ? s.h2(id).slots() : s.h1(id).slots();
    const auto& squares = s.is2D(id) ? s.h2(id).squares() : s.h1(id).squares();
    for (std::size_t k = 0; k < slots.size(); ++k) {
      ASSERT_EQ(slots[k], 0.0) << id;
      ASSERT_EQ(squares[k], 0.0) << id;
    }
  }
  EXPECT_EQ(s.h1(305).entries(), 0);
}

TEST(WeightedHistogramTest, MergeAddsSumsAndRefusesToMixWithUnweighted) {
  HistogramStore a = weightedStore();
  HistogramStore b = weightedStore();
  a.h1(305).fill(1.0, 2.0);
  b.h1(305).fill(1.0, 3.0);
  a.flushBlock();
  b.flushBlock();
  b.h1(305).fill(1.0, 0.5);  // b's open block is added as b's flush would
  a.merge(b);
  EXPECT_EQ(a.h1(305).content(25), 5.5);
  EXPECT_EQ(a.h1(305).squares()[26], 13.25);
  EXPECT_EQ(a.h1(305).entries(), 3);

  HistogramStore plain = smallStore();
  EXPECT_FALSE(a.sameBooking(plain));
  EXPECT_FALSE(plain.sameBooking(a));
  for (auto [to, from] : {std::pair{&a, &plain}, std::pair{&plain, &a}}) {
    try {
      to->merge(*from);
      ADD_FAILURE() << "merged";
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find("weighted"), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(a.h1(305).add(plain.h1(305)), std::invalid_argument);
  EXPECT_EQ(a.h1(305).content(25), 5.5);
}

// One block of weighted fills whose double sums depend on the order of addition: weights over
// twelve orders of magnitude, many per slot; r carries the chaotic sequence on.
void fillBlock(HistogramStore& s, double& r) {
  for (int k = 0; k < 400; ++k) {
    r = 3.99 * r * (1.0 - r);
    const double w = std::pow(10.0, 12.0 * r - 6.0);
    s.h1(305).fill(4.4 * r - 0.2, w);
    s.h2(8010).fill(4.0 * r, r, w);
    s.h1(4018).fill(100.0, 1.0 / 3.0);
  }
  s.flushBlock();
}

void expectSameBits(const HistogramStore& a, const HistogramStore& b) {
  for (int id : a.ids()) {
    const bool two = a.is2D(id);
    ASSERT_EQ(two ? a.h2(id).slots() : a.h1(id).slots(), two ? b.h2(id).slots() : b.h1(id).slots())
        << id;
    ASSERT_EQ(two ? a.h2(id).squares() : a.h1(id).squares(),
              two ? b.h2(id).squares() : b.h1(id).squares())
        << id;
    ASSERT_TRUE((two ? a.h2(id).exactCounts() : a.h1(id).exactCounts()) ==
                (two ? b.h2(id).exactCounts() : b.h1(id).exactCounts()))
        << id;
    ASSERT_EQ(two ? a.h2(id).entries() : a.h1(id).entries(),
              two ? b.h2(id).entries() : b.h1(id).entries())
        << id;
  }
}

TEST(WeightedHistogramTest, AnyOrderAndGroupingOfBlocksGivesTheSameBits) {
  std::vector<HistogramStore> blocks(12, weightedStore());
  // A worker filling one store block after block, flushing in between.
  HistogramStore worker = weightedStore();
  double r = 0.377, again = 0.377;
  for (HistogramStore& b : blocks) {
    fillBlock(b, r);
    fillBlock(worker, again);
  }
  // In block order, one by one.
  HistogramStore forward = weightedStore();
  for (const HistogramStore& b : blocks) forward.merge(b);
  // Backward.
  HistogramStore backward = weightedStore();
  for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) backward.merge(*it);
  // As three workers taking every third block, then their stores merged in reverse.
  std::vector<HistogramStore> workers(3, weightedStore());
  for (std::size_t b = 0; b < blocks.size(); ++b) workers[b % 3].merge(blocks[b]);
  HistogramStore grouped = weightedStore();
  for (int w = 2; w >= 0; --w) grouped.merge(workers[std::size_t(w)]);
  expectSameBits(forward, backward);
  expectSameBits(forward, grouped);
  expectSameBits(forward, worker);
  // The test has teeth: the blocks' doubles added in the two orders differ in some slot.
  int orderDependent = 0;
  for (std::size_t k = 0; k < forward.h1(305).slots().size(); ++k) {
    double up = 0.0, down = 0.0;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
      up += blocks[b].h1(305).slots()[k];
      down += blocks[blocks.size() - 1 - b].h1(305).slots()[k];
    }
    orderDependent += up != down;
  }
  EXPECT_GT(orderDependent, 0);
}

}  // namespace
}  // namespace ornaplex
