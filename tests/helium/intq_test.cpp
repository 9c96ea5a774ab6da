#include "helium/intq.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "helium/dsg0.h"
#include "helium/heden.h"

namespace ornaplex {
namespace {

double intq(double t, double q, double k = 1.5, double spare = 0.0) {
  NullSink sink;
  double sigma = -1.0;
  INTQ(t, k, q, spare, sigma, sink);
  return sigma;
}

TEST(INTQ, ForwardValueIsFourPiDOverN) {
  NullSink sink;
  for (double t : {1.2, 2.0, 2.1, 3.3}) {
    double d = 0.0, rho = 0.0;
    DSG0(t, d);
    HEDEN(t, rho, sink);
    const double n = rho * 0.6022 / 4.0;
    EXPECT_EQ(intq(t, 0.0), d * 12.56636 / n) << t;
  }
  // The run's helium at 2.1 K scatters about 0.11 barn per atom forward.
  EXPECT_NEAR(intq(2.1, 0.0), 0.1097, 5e-4);
}

TEST(INTQ, FallsOffAsOrnsteinZernike) {
  // sigma(0) / sigma(q) = 1 + xi^2 q^2; at 2.0 K the correlation length is about 1.88 A.
  const double s0 = intq(2.0, 0.0);
  const double xi = std::sqrt(s0 / intq(2.0, 0.3) - 1.0) / 0.3;
  EXPECT_NEAR(xi, 1.8845, 5e-4);
  for (double q : {0.05, 0.2, 0.5628}) {
    EXPECT_NEAR(intq(2.0, q) * (1.0 + xi * xi * q * q), s0, 1e-12) << q;
  }
}

TEST(INTQ, WaveNumberAndSpareArgumentDoNotEnter) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double want = intq(2.1, 0.3);
  for (double k : {0.0, 0.7, 12.0, nan}) {
    for (double spare : {0.0, 1.0, -7.0, nan}) {
      EXPECT_EQ(intq(2.1, 0.3, k, spare), want);
    }
  }
}

TEST(INTQ, TemperatureOutsideTheDensityTableGivesInfinity) {
  // The density is never found, so the number density stays zero; the run refuses such
  // temperatures before it starts.
  BufferSink sink;
  double sigma = -1.0;
  INTQ(5.0, 1.0, 0.1, 0.0, sigma, sink);
  EXPECT_TRUE(std::isinf(sigma));
  EXPECT_EQ(sink.lines().size(), 66u);
}

// The factors a run works out once give INTQ's bits; outside the density table there are none.
TEST(INTQ, FactorsWorkedOutOnceGiveTheSameBits) {
  // The table's ends are single-precision values.
  for (double t : {double(0.2f), 1.2, 2.1, double(4.4f)}) {
    const std::optional<SmallAngleFactors> f = smallAngleFactors(t);
    ASSERT_TRUE(f) << t;
    for (double q : {0.0, 0.03, 0.1, 0.37})
      EXPECT_EQ(std::bit_cast<std::uint64_t>(smallAngleCrossSection(*f, q)),
                std::bit_cast<std::uint64_t>(intq(t, q)))
          << t << " " << q;
  }
  EXPECT_FALSE(smallAngleFactors(0.2));  // just below double(0.2f)
  EXPECT_FALSE(smallAngleFactors(std::numeric_limits<double>::quiet_NaN()));
}

}  // namespace
}  // namespace ornaplex
