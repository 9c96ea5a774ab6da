#include "helium/nden.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/errors.h"
#include "common/fortran_format.h"
#include "helium/heden.h"
#include "helium/helium_tables.h"

namespace ornaplex {
namespace {

double nden(double t) {
  NullSink sink;
  double r = -1.0;
  NDEN(t, r, sink);
  return r;
}

TEST(NDEN, GridPointsGiveTheTableValues) {
  EXPECT_EQ(nden(double(0.2f)), double(0.9931507f));
  EXPECT_EQ(nden(double(4.4f)), double(0.8328767f));
  EXPECT_EQ(nden(double(2.2f)), 1.0);
  EXPECT_EQ(nden(1.0), double(0.9931507f));
}

TEST(NDEN, IsTheDensityOverItsMaximum) {
  // Two separate tables; each ratio is the density over 0.146 g/cm^3 to seven decimals.
  NullSink sink;
  for (double t : helium_tables::kDensityTemperature_K) {
    double rho = 0.0;
    HEDEN(t, rho, sink);
    EXPECT_NEAR(nden(t), rho / 0.146, 1.2e-7) << t;
  }
  for (double t = 0.25; t < 4.4; t += 0.1) {
    double rho = 0.0;
    HEDEN(t, rho, sink);
    EXPECT_NEAR(nden(t), rho / 0.146, 1.2e-7) << t;
  }
}

TEST(NDEN, OutOfRangeWritesOnePairAndStopsTheRun) {
  for (double t : {0.1, 4.5}) {
    BufferSink sink;
    double r = 0.5;
    try {
      NDEN(t, r, sink);
      FAIL() << "no stop at " << t;
    } catch (const RunStopped& e) {
      EXPECT_EQ(e.exitCode(), 3);
      EXPECT_NE(std::string(e.what()).find("0.2 to 4.4 K"), std::string::npos) << e.what();
    }
    EXPECT_EQ(r, 0.5);
    ASSERT_EQ(sink.lines().size(), 2u);
    EXPECT_EQ(sink.lines()[0], ListLine().real8(t).real8(double(0.2f)).real8(double(4.4f)).str());
    EXPECT_EQ(sink.lines()[1], " The value is out of range ... nden code");
  }
}

TEST(NDEN, NotANumberWritesNothing) {
  BufferSink sink;
  double r = 0.5;
  NDEN(std::nan(""), r, sink);
  EXPECT_EQ(r, 0.5);
  EXPECT_TRUE(sink.lines().empty());
}

}  // namespace
}  // namespace ornaplex
