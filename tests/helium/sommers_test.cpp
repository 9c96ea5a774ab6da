#include "helium/sommers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/fortran_format.h"
#include "helium/helium_tables.h"

namespace ornaplex {
namespace {

double sommers(double t, double e) {
  NullSink sink;
  double sigma = -1.0;
  SOMMERS(t, e, sigma, sink);
  return sigma;
}

// The lowest-energy value tells the bands apart: 0.009, 0.026, 0.047, 0.138, 0.175, 0.265.
double firstValue(double t) {
  return sommers(t, double(0.2830584f));
}

TEST(SOMMERS, EnergyGridIsTheWavelengthGrid) {
  // 81.80388 / lambda^2 meV for lambda = 17 ... 1 Angstrom, then 100 meV.
  const auto& e = helium_tables::kSommersEnergy_meV;
  for (int i = 0; i < 17; ++i) {
    const double lambda = 17 - i;
    EXPECT_NEAR(e[i] / (81.80388 / (lambda * lambda)), 1.0, 2e-6) << lambda;
  }
  EXPECT_EQ(e[17], 100.0);
}

TEST(SOMMERS, GridPointGivesTheTableValue) {
  EXPECT_EQ(sommers(1.2, double(5.112742f)), double(0.5688f));
  EXPECT_EQ(sommers(2.1, double(5.112742f)), double(0.5707f));
}

TEST(SOMMERS, BandEdgesBelongToTheLowerBand) {
  EXPECT_EQ(firstValue(-5.0), double(0.009f));
  EXPECT_EQ(firstValue(1.5), double(0.009f));
  EXPECT_EQ(firstValue(1.5000001), double(0.026f));
  EXPECT_EQ(firstValue(2.17), double(0.026f));
  EXPECT_EQ(firstValue(2.1700001), double(0.047f));
  EXPECT_EQ(firstValue(3.5), double(0.047f));
  EXPECT_EQ(firstValue(3.5000001), double(0.138f));
  EXPECT_EQ(firstValue(4.1), double(0.138f));
  EXPECT_EQ(firstValue(4.1000001), double(0.175f));
  EXPECT_EQ(firstValue(4.4), double(0.175f));
  EXPECT_EQ(firstValue(4.4000001), double(0.265f));
  EXPECT_EQ(firstValue(5.0), double(0.265f));
  EXPECT_EQ(firstValue(std::nan("")), double(0.265f));
}

TEST(SOMMERS, InterpolatesLinearlyInEnergy) {
  const double e0 = double(2.272330f), e1 = double(3.272155f);
  const double s0 = double(0.315f), s1 = double(0.478f);
  EXPECT_NEAR(sommers(3.0, 2.772), s0 + (2.772 - e0) * (s1 - s0) / (e1 - e0), 1e-15);
}

TEST(SOMMERS, AboveTheGridIsQuietAndFlat) {
  for (double t : {1.0, 3.0, 5.0}) {
    BufferSink sink;
    double sigma = -1.0;
    SOMMERS(t, 150.0, sigma, sink);
    EXPECT_EQ(sigma, double(0.76f));
    EXPECT_TRUE(sink.lines().empty());
    EXPECT_EQ(sommers(t, 100.0), double(0.76f));
  }
}

TEST(SOMMERS, BelowTheGridWrites17NumberedGroups) {
  BufferSink sink;
  double sigma = -1.0;
  SOMMERS(1.0, 0.2, sigma, sink);
  EXPECT_EQ(sigma, double(0.009f));
  ASSERT_EQ(sink.lines().size(), 51u);
  const std::string values = ListLine().real8(0.2).real8(double(0.2830584f)).real8(100.0).str();
  for (int i = 1; i <= 17; ++i) {
    const auto* group = &sink.lines()[3 * (i - 1)];
    EXPECT_EQ(group[0], values);
    EXPECT_EQ(group[1], " ...");
    EXPECT_EQ(group[2], ListLine().integer(i).text(" The value is out of range ... sommers").str());
  }
  EXPECT_EQ(sommers(5.0, 0.2), double(0.265f));
}

TEST(SOMMERS, NotANumberEnergyLeavesTheOutput) {
  BufferSink sink;
  double sigma = -1.0;
  SOMMERS(2.1, std::nan(""), sigma, sink);
  EXPECT_EQ(sigma, -1.0);
  EXPECT_TRUE(sink.lines().empty());
}

}  // namespace
}  // namespace ornaplex
