#include "helium/heden.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "common/fortran_format.h"

namespace ornaplex {
namespace {

double heden(double t) {
  NullSink sink;
  double rho = -1.0;
  HEDEN(t, rho, sink);
  return rho;
}

TEST(HEDEN, GridPointsGiveTheTableValues) {
  EXPECT_EQ(heden(double(0.2f)), double(0.145f));
  EXPECT_EQ(heden(double(4.4f)), double(0.1216f));
  EXPECT_EQ(heden(double(2.2f)), double(0.1460f));
  EXPECT_EQ(heden(double(2.6f)), double(0.1442f));
  EXPECT_EQ(heden(double(2.8f)), double(0.1429f));
}

TEST(HEDEN, InterpolatesBetweenGridPoints) {
  // The flat part below 1.4 K gives 0.145 wherever T lies.
  EXPECT_EQ(heden(1.0), double(0.145f));
  EXPECT_EQ(heden(0.25), double(0.145f));
  EXPECT_EQ(heden(1.37), double(0.145f));
  EXPECT_NEAR(heden(2.7), 0.14355, 1e-8);
  // The decimal 4.4 lies just below the single-precision end point and is interpolated.
  EXPECT_NEAR(heden(4.4), 0.1216, 1e-8);
  EXPECT_NEAR(heden(2.1), 0.1458, 1e-8);
}

TEST(HEDEN, OutOfRangeWrites33PairsAndLeavesDensity) {
  for (double t : {4.5, 0.1, -3.0, 0.2 /* the decimal, below the single-precision 0.2 */}) {
    BufferSink sink;
    double rho = 0.125;
    HEDEN(t, rho, sink);
    EXPECT_EQ(rho, 0.125) << t;
    ASSERT_EQ(sink.lines().size(), 66u) << t;
    const std::string values = ListLine().real8(t).real8(double(0.2f)).real8(double(4.4f)).str();
    for (std::size_t i = 0; i < 66; i += 2) {
      EXPECT_EQ(sink.lines()[i], values);
      EXPECT_EQ(sink.lines()[i + 1], " The value is out of range ... heden code");
    }
  }
}

TEST(HEDEN, NotANumberWritesNothing) {
  BufferSink sink;
  double rho = 0.125;
  HEDEN(std::numeric_limits<double>::quiet_NaN(), rho, sink);
  EXPECT_EQ(rho, 0.125);
  EXPECT_TRUE(sink.lines().empty());
}

}  // namespace
}  // namespace ornaplex
