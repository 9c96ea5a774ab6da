#include "helium/wq.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/constants.h"
#include "common/fortran_format.h"
#include "helium/helium_tables.h"
#include "literal_scans.h"

namespace ornaplex {
namespace {

double waveNumber(double energy_meV) {
  return std::sqrt(kTwoNeutronMass_meVps2PerA2 * energy_meV) / kHbar_meVps;
}

double wq(double q, double energy_meV = 5.0, double k = -1.0) {
  NullSink sink;
  double omega = -1.0;
  WQ(q, omega, energy_meV, k < 0.0 ? waveNumber(energy_meV) : k, sink);
  return omega;
}

// Omega from the table alone, before any small-q correction.
double tableOmega(double q) {
  return *literal::scan(helium_tables::kDispersionQ_perA, helium_tables::kDispersionOmega_perPs, q,
                        literal::Below::kFirst, literal::Above::kLast);
}

// The small-q correction worked out from its physical meaning: lower the table omega in
// twentieths until the scattered wave number k' = sqrt(2 m (E - hbar omega)) / hbar satisfies
// q > |k - k'|, or give 0 when omega would go negative.
double correctedOmega(double q, double energy_meV) {
  const double k = waveNumber(energy_meV);
  const double start = tableOmega(q);
  const double step = start / 20.0;
  for (double omega = start; omega >= 0.0; omega -= step) {
    const double ep = energy_meV - kHbar_meVps * omega;
    if (ep < 0.0) continue;
    if (q > std::fabs(k - waveNumber(ep))) return omega;
  }
  return 0.0;
}

TEST(WQ, TableValuesAndMidpoints) {
  EXPECT_EQ(wq(double(1.9f)), double(1.139387f));
  EXPECT_EQ(wq(double(1.1f)), double(1.807303f));
  EXPECT_NEAR(wq(1.95), 0.5 * (1.139387 + 1.172128), 1e-7);
  EXPECT_NEAR(wq(1.9), 1.139387, 1e-7);  // the decimal is just above the grid point
  EXPECT_EQ(wq(double(0.1f)), double(0.235735f));
}

TEST(WQ, TopOfTheTableIsQuietOnlyAtTheGridPoint) {
  BufferSink sink;
  double omega = -1.0;
  WQ(double(3.6f), omega, 5.0, waveNumber(5.0), sink);
  EXPECT_EQ(omega, double(2.416286f));
  EXPECT_TRUE(sink.lines().empty());
  // The decimal 3.6 lies above the single-precision end point: clamped, with the diagnostic.
  WQ(3.6, omega, 5.0, waveNumber(5.0), sink);
  EXPECT_EQ(omega, double(2.416286f));
  EXPECT_EQ(sink.lines().size(), 36u);
}

TEST(WQ, AboveTheTableClampsWith36Lines) {
  BufferSink sink;
  double omega = -1.0;
  WQ(3.7, omega, 5.0, waveNumber(5.0), sink);
  EXPECT_EQ(omega, double(2.416286f));
  ASSERT_EQ(sink.lines().size(), 36u);
  for (int i = 1; i <= 36; ++i) {
    EXPECT_EQ(sink.lines()[i - 1], ListLine()
                                       .integer(i)
                                       .real8(3.7)
                                       .real8(0.0)
                                       .real8(double(3.6f))
                                       .text(" The value is out of range ... wq code")
                                       .str());
  }
}

TEST(WQ, NegativeQGivesZeroAndListsTheGrid) {
  // Even a neutron that could not lose any energy is not corrected.
  for (double energy : {5.0, -1.0}) {
    BufferSink sink;
    double omega = -1.0;
    WQ(-0.1, omega, energy, 1.0, sink);
    EXPECT_EQ(omega, 0.0);
    ASSERT_EQ(sink.lines().size(), 37u);
    EXPECT_NE(sink.lines()[0].find(" The value is out of range ... wq code"), std::string::npos);
    ListLine grid;
    grid.text("wq:  q<0 ");
    for (double q : helium_tables::kDispersionQ_perA) grid.real8(q);
    EXPECT_EQ(sink.lines()[36], grid.str());
    EXPECT_EQ(sink.lines()[36].rfind(" wq:  q<0 ", 0), 0u);
  }
}

TEST(WQ, SmallQCorrection) {
  // At 1 meV the table value 0.1178675 is already allowed: 0.05 > |k - k'| = 0.027.
  EXPECT_NEAR(tableOmega(0.05), 0.1178675, 1e-7);
  EXPECT_NEAR(tableOmega(0.05) / 20.0, 0.005893375, 1e-9);
  EXPECT_EQ(wq(0.05, 1.0), correctedOmega(0.05, 1.0));
  EXPECT_EQ(wq(0.05, 1.0), tableOmega(0.05));
  // Slower neutrons need a smaller energy transfer for the same q.
  for (double energy : {0.3, 0.1, 0.05, 0.01, 0.001}) {
    const double omega = wq(0.05, energy);
    EXPECT_EQ(omega, correctedOmega(0.05, energy)) << energy;
    EXPECT_LT(omega, tableOmega(0.05)) << energy;
    EXPECT_GE(omega, 0.0) << energy;
  }
  for (double q : {0.001, 0.02, 0.0999}) {
    for (double energy : {0.02, 0.5, 3.0}) {
      EXPECT_EQ(wq(q, energy), correctedOmega(q, energy)) << q << " " << energy;
    }
  }
}

TEST(WQ, CorrectionGivesUpAtZero) {
  // A negative energy, or a wave number far from the energy's, never allows the transfer.
  for (auto [energy, k] : {std::pair{-1.0, 0.5}, std::pair{1.0, 10.0}}) {
    BufferSink sink;
    double omega = -1.0;
    WQ(0.05, omega, energy, k, sink);
    EXPECT_EQ(omega, 0.0);
    ASSERT_EQ(sink.lines().size(), 1u);
    EXPECT_EQ(sink.lines()[0], " setting wp=0");
  }
}

TEST(WQ, CorrectionEndsAtZeroQ) {
  // Omega is 0 at q = 0 (and underflows to a zero step just above), so the correction has no
  // step; it must still return.
  for (double q : {0.0, -0.0, 5e-324}) {
    for (auto [energy, k] : {std::pair{1.0, waveNumber(1.0)}, std::pair{-1.0, 0.5}}) {
      BufferSink sink;
      double omega = -1.0;
      WQ(q, omega, energy, k, sink);
      EXPECT_EQ(omega, 0.0) << q;
      EXPECT_TRUE(sink.lines().empty());
    }
  }
  // A tiny q with a step that does not underflow takes the ordinary road.
  EXPECT_EQ(wq(1e-310, 1.0), tableOmega(1e-310));
  EXPECT_EQ(wq(1e-310, -1.0, 0.5), 0.0);
}

TEST(WQ, NoCorrectionFromTheFirstGridPointOn) {
  for (double energy : {0.001, 0.1, 1.0, -1.0}) {
    for (double q : {double(0.1f), 0.15, 0.3}) {
      BufferSink sink;
      double omega = -1.0;
      WQ(q, omega, energy, 3.0, sink);
      EXPECT_EQ(omega, tableOmega(q)) << q << " " << energy;
      EXPECT_TRUE(sink.lines().empty());
    }
  }
}

TEST(WQ, NotANumberLeavesTheOutput) {
  BufferSink sink;
  double omega = -1.0;
  WQ(std::nan(""), omega, 1.0, 1.0, sink);
  EXPECT_EQ(omega, -1.0);
  EXPECT_TRUE(sink.lines().empty());
}

}  // namespace
}  // namespace ornaplex
