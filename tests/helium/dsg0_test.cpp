#include "helium/dsg0.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ornaplex {
namespace {

double dsg0(double t) {
  double d = -1.0;
  DSG0(t, d);
  return d;
}

TEST(DSG0, HeldBelowTheTable) {
  EXPECT_EQ(dsg0(1.0), 0.0001433225);
  EXPECT_EQ(dsg0(0.0), 0.0001433225);
  EXPECT_EQ(dsg0(1.6), 0.0001433225);  // the decimal lies below the single-precision 1.6
  EXPECT_EQ(dsg0(double(1.6f)), 0.0001433225);
}

TEST(DSG0, InterpolatesInside) {
  EXPECT_EQ(dsg0(double(2.2f)), 0.0002010544);
  EXPECT_EQ(dsg0(double(4.0f)), 0.0007687297);
  // Midway between the single-precision grid points; the decimals lie up to 1e-7 K off them.
  EXPECT_NEAR(dsg0(0.5 * (double(2.2f) + double(2.4f))), 0.5 * (0.0002010544 + 0.000224013), 1e-16);
  EXPECT_NEAR(dsg0(2.3), 0.5 * (0.0002010544 + 0.000224013), 1e-10);
  EXPECT_NEAR(dsg0(2.1), 0.5 * (0.0001820104 + 0.0002010544), 1e-10);
}

TEST(DSG0, ExtrapolatesTheLastIntervalAbove) {
  EXPECT_NEAR(dsg0(4.2), 0.0007687297 + (0.0007687297 - 0.0006123778), 1e-10);
  EXPECT_NEAR(dsg0(5.0), 0.0007687297 + 5 * (0.0007687297 - 0.0006123778), 1e-9);
}

TEST(DSG0, NotANumberLeavesTheOutput) {
  EXPECT_EQ(dsg0(std::nan("")), -1.0);
}

}  // namespace
}  // namespace ornaplex
