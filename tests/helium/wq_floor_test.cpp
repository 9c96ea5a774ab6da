#include "helium/wq_floor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/constants.h"
#include "common/message_sink.h"
#include "helium/helium_tables.h"
#include "helium/wq.h"

namespace ornaplex {
namespace {

double hbarOmega(double q) {
  NullSink quiet;
  double omega = 0.0;
  WQ(q, omega, 1.0, 1.0, quiet);
  return kHbar_meVps * omega;
}

// Every q a draw from a bin can return: single-precision values from just below its low edge
// to just above its high edge, the table's grid points inside, and 2000 evenly between.
TEST(WqFloor, NoQOfABinTransfersLessThanItsFloor) {
  const double low = 0.0, width = 0.04;
  const int bins = 90;
  const std::vector<double> floor = wqFloor(low, width, bins);
  ASSERT_EQ(floor.size(), 90u);
  int bounded = 0;
  for (int i = 0; i < bins; ++i) {
    const double f = floor[static_cast<std::size_t>(i)];
    if (f == 0.0) continue;
    ++bounded;
    const float a = static_cast<float>(low + width * i);
    const float b = static_cast<float>(low + width * (i + 1));
    std::vector<double> qs;
    for (float q = std::nextafter(std::nextafter(a, 0.0f), 0.0f); q <= a + 4e-7f;
         q = std::nextafter(q, 10.0f))
      qs.push_back(q);
    for (float q = std::nextafter(std::nextafter(b, 10.0f), 10.0f); q >= b - 4e-7f;
         q = std::nextafter(q, 0.0f))
      qs.push_back(q);
    for (double g : helium_tables::kDispersionQ_perA) {
      if (a <= g && g <= b) qs.push_back(g);
    }
    for (int k = 0; k < 2000; ++k) qs.push_back(static_cast<float>(a + (b - a) * (k + 0.5) / 2000));
    double least = std::numeric_limits<double>::infinity();
    for (double q : qs) {
      const double e = hbarOmega(q);
      ASSERT_GT(e, f) << "bin " << i << " q " << q;
      least = std::min(least, e);
    }
    // Tight: the edge slack costs at most 1e-4 of the least transfer of the bin.
    EXPECT_GT(f, least * (1.0 - 1e-4)) << "bin " << i;
  }
  // Only the bins below q = 0.1 and beyond the dispersion table have none.
  EXPECT_GE(bounded, 80);
}

TEST(WqFloor, NoneWhereTheSmallQCorrectionOrTheTableEndCouldGoLower) {
  const std::vector<double> floor = wqFloor(0.0, 0.04, 90);
  // Bins 0..2 reach below q = 0.1 (bin 2 is [0.08, 0.12]).
  for (int i = 0; i <= 2; ++i) EXPECT_EQ(floor[static_cast<std::size_t>(i)], 0.0) << i;
  EXPECT_GT(floor[3], 0.0);
  // A bin reaching past the table's last q.
  const double end = helium_tables::kDispersionQ_perA.back();
  const std::vector<double> past = wqFloor(end - 0.02, 0.04, 1);
  EXPECT_EQ(past[0], 0.0);
  EXPECT_TRUE(wqFloor(0.0, 0.04, 0).empty());
}

}  // namespace
}  // namespace ornaplex
