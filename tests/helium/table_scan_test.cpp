// Every table look-up against the same look-up written out step by step, bit for bit, over
// grid points, their neighbours, midpoints, decimals, both ends and a dense sweep.
#include "helium/table_scan.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>

#include "common/constants.h"
#include "common/errors.h"
#include "common/message_sink.h"
#include "helium/dsg0.h"
#include "helium/heden.h"
#include "helium/helium_tables.h"
#include "helium/nden.h"
#include "helium/sommers.h"
#include "helium/wq.h"
#include "literal_scans.h"

namespace ornaplex {
namespace {

using namespace helium_tables;
using literal::Above;
using literal::Below;

constexpr double kUnset = -12345.0;  // what an output holds when a routine does not write it

std::uint64_t bits(double v) {
  return std::bit_cast<std::uint64_t>(v);
}

TEST(TableScan, GridsStrictlyIncrease) {
  auto increasing = [](const auto& x) {
    for (std::size_t i = 0; i + 1 < x.size(); ++i) {
      if (!(x[i] < x[i + 1])) return false;
    }
    return true;
  };
  EXPECT_TRUE(increasing(kDensityTemperature_K));
  EXPECT_TRUE(increasing(kSommersEnergy_meV));
  EXPECT_TRUE(increasing(kDispersionQ_perA));
  EXPECT_TRUE(increasing(kForwardTemperature_K));
}

TEST(TableScan, IntervalSearchAgreesWithGuessRefinement) {
  const auto& x = kDensityTemperature_K;
  for (double v : literal::probeInputs(x)) {
    if (!(v >= x.front() && v <= x.back())) continue;
    const std::size_t i = table_scan::intervalIndex(x, v);
    ASSERT_LE(x[i], v);
    ASSERT_TRUE(v < x[i + 1] || i == x.size() - 2) << v;
    for (std::size_t guess : {std::size_t{0}, std::size_t{17}, std::size_t{40}}) {
      EXPECT_EQ(table_scan::refineIndex(x, v, guess), i) << v;
    }
  }
}

TEST(TableScan, DensityMatchesStepByStepScan) {
  NullSink sink;
  for (double t : literal::probeInputs(kDensityTemperature_K)) {
    double rho = kUnset;
    HEDEN(t, rho, sink);
    const auto want =
        literal::scan(kDensityTemperature_K, kDensity_gPerCm3, t, Below::kNothing, Above::kNothing);
    EXPECT_EQ(bits(rho), bits(want.value_or(kUnset))) << "T = " << t;

    double ratio = kUnset;
    try {
      NDEN(t, ratio, sink);
    } catch (const RunStopped&) {
      ratio = kUnset;
    }
    const auto wantRatio =
        literal::scan(kDensityTemperature_K, kDensityRatio, t, Below::kNothing, Above::kNothing);
    EXPECT_EQ(bits(ratio), bits(wantRatio.value_or(kUnset))) << "T = " << t;
  }
}

TEST(TableScan, MeasuredCrossSectionMatchesStepByStepScanInEveryBand) {
  NullSink sink;
  const double bandTemperature_K[6] = {1.0, 2.0, 3.0, 4.0, 4.3, 5.0};
  for (std::size_t band = 0; band < 6; ++band) {
    for (double e : literal::probeInputs(kSommersEnergy_meV)) {
      double sigma = kUnset;
      SOMMERS(bandTemperature_K[band], e, sigma, sink);
      const auto want = literal::scan(kSommersEnergy_meV, kSommersCrossSection_barn[band], e,
                                      Below::kFirst, Above::kLast);
      EXPECT_EQ(bits(sigma), bits(want.value_or(kUnset))) << "band " << band << " E = " << e;
    }
  }
}

TEST(TableScan, DispersionMatchesStepByStepScan) {
  NullSink sink;
  // A fast neutron: the small-q correction leaves omega alone down to q = 1e-3.
  const double energy_meV = 1.0e6;
  const double k_perA = std::sqrt(kTwoNeutronMass_meVps2PerA2 * energy_meV) / kHbar_meVps;
  for (double q : literal::probeInputs(kDispersionQ_perA)) {
    if (q >= 0.0 && q < 1.0e-3) continue;
    double omega = kUnset;
    WQ(q, omega, energy_meV, k_perA, sink);
    const auto want =
        literal::scan(kDispersionQ_perA, kDispersionOmega_perPs, q, Below::kFirst, Above::kLast);
    EXPECT_EQ(bits(omega), bits(want.value_or(kUnset))) << "q = " << q;
  }
}

TEST(TableScan, ForwardCrossSectionMatchesStepByStepScan) {
  for (double t : literal::probeInputs(kForwardTemperature_K)) {
    double d = kUnset;
    DSG0(t, d);
    const auto want = literal::scan(kForwardTemperature_K, kForwardCrossSection_perCmSr, t,
                                    Below::kFirst, Above::kExtrapolate);
    EXPECT_EQ(bits(d), bits(want.value_or(kUnset))) << "T = " << t;
  }
}

}  // namespace
}  // namespace ornaplex
