#include "results/histogram_catalogue.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>
#include <stdexcept>

#include "h5file/histogram_file.h"

namespace ornaplex {
namespace {

TEST(HistogramCatalogueTest, HoldsSeventyThreeDistinctBookings) {
  std::set<int> ids;
  int twoD = 0;
  for (const HistogramBooking& b : kHistogramCatalogue) {
    EXPECT_TRUE(ids.insert(b.id).second) << "duplicate id " << b.id;
    EXPECT_GT(b.xbins, 0);
    EXPECT_LT(b.xlow, b.xhigh) << b.id;
    if (b.kind == HistogramKind::k2D) {
      ++twoD;
      EXPECT_GT(b.ybins, 0);
      EXPECT_LT(b.ylow, b.yhigh) << b.id;
    }
  }
  EXPECT_EQ(ids.size(), 73u);
  EXPECT_EQ(twoD, 4);
  // The input histograms and the working copy of S(q) are not booked here.
  for (int input : {100, 151, 152, 301, 302}) EXPECT_EQ(ids.count(input), 0u) << input;
}

TEST(HistogramCatalogueTest, BooksInTableOrderWithExactTitlesAndRanges) {
  HistogramStore store;
  bookCatalogue(store);
  ASSERT_EQ(store.ids().size(), 73u);
  EXPECT_EQ(store.ids().front(), 305);
  EXPECT_EQ(store.ids()[7], 1);
  EXPECT_EQ(store.ids()[37], 8010);
  EXPECT_EQ(store.ids().back(), 8012);
  EXPECT_EQ(store.h1(4018).title(), "phi-0 (deg) ");
  EXPECT_EQ(store.h1(3006).title(), "Path length (cm) DeB");
  EXPECT_EQ(store.h1(1005).title(), "E (meV)/ non-scat both");
  for (int id : {1001, 1, 2, 3, 4, 5, 6}) EXPECT_EQ(store.h1(id).title(), "x (cm) Up");
  const Axis& path = store.h1(6001).axis();
  EXPECT_EQ(path.bins, 200);
  EXPECT_EQ(path.low, static_cast<double>(209.95f));
  EXPECT_EQ(path.high, static_cast<double>(210.15f));
  EXPECT_EQ(store.h1(3003).axis().high, static_cast<double>(0.1f));
  const Histogram2D& rot = store.h2(6020);
  EXPECT_EQ(rot.title(), "th_rot (mrad) vs. E (meV) detB");
  EXPECT_EQ(rot.axisX().bins, 1000);
  EXPECT_EQ(rot.axisX().high, 40.0);
  EXPECT_EQ(rot.axisY().bins, 200);
  EXPECT_EQ(rot.axisY().low, -10.0);
  EXPECT_EQ(rot.axisY().high, 50.0);
  for (std::size_t k = 0; k < kHistogramCatalogue.size(); ++k) {
    const HistogramBooking& b = kHistogramCatalogue[k];
    ASSERT_EQ(store.ids()[k], b.id);
    EXPECT_EQ(store.is2D(b.id), b.kind == HistogramKind::k2D);
  }
}

TEST(HistogramCatalogueTest, UpperEdgeGoesToOverflow) {
  HistogramStore store;
  bookCatalogue(store);
  Histogram1D& h = store.h1(3006);
  h.fill(static_cast<double>(477.34f));
  EXPECT_EQ(h.overflow(), 1.0);
  h.fill(static_cast<double>(477.18f));
  EXPECT_EQ(h.content(0), 1.0);
}

TEST(HistogramCatalogueTest, BookingTwiceIsRefused) {
  HistogramStore store;
  bookCatalogue(store);
  EXPECT_THROW(bookCatalogue(store), std::invalid_argument);
}

TEST(HistogramCatalogueTest, RoundTripOfAllBookingsThroughTheHistogramFile) {
  HistogramStore store;
  bookCatalogue(store);
  double v = 0.1;
  for (int id : store.ids()) {
    if (store.is2D(id)) {
      Histogram2D& h = store.h2(id);
      const double xs[] = {h.axisX().low - 1.0, h.axisX().low, h.axisX().high};
      const double ys[] = {h.axisY().low - 1.0, 0.5 * (h.axisY().low + h.axisY().high),
                           h.axisY().high};
      for (int k = 0; k < 9; ++k) {
        for (int n = 0; n <= k; ++n) h.fill(xs[k / 3], ys[k % 3]);
      }
    } else {
      Histogram1D& h = store.h1(id);
      for (int k = 0; k < 40; ++k) {
        v = std::fmod(v * 7.31 + 0.17, 1.0);
        h.fill(h.axis().low + (h.axis().high - h.axis().low) * (1.2 * v - 0.1));
      }
    }
  }
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("ornaplex-catalogue-" + std::to_string(::getpid()) + ".h5"))
                               .string();
  std::remove(path.c_str());
  writeHistogramFile(path, store);
  const HistogramStore back = readHistogramFile(path);
  std::remove(path.c_str());
  ASSERT_EQ(back.ids(), store.ids());
  ASSERT_TRUE(back.sameBooking(store));
  for (const HistogramBooking& b : kHistogramCatalogue) {
    if (b.kind == HistogramKind::k2D) {
      EXPECT_EQ(back.h2(b.id).slots(), store.h2(b.id).slots()) << b.id;
      EXPECT_EQ(back.h2(b.id).entries(), store.h2(b.id).entries()) << b.id;
    } else {
      EXPECT_EQ(back.h1(b.id).slots(), store.h1(b.id).slots()) << b.id;
      EXPECT_EQ(back.h1(b.id).entries(), store.h1(b.id).entries()) << b.id;
    }
  }
  EXPECT_EQ(back.h1(4018).title(), "phi-0 (deg) ");
}

}  // namespace
}  // namespace ornaplex
