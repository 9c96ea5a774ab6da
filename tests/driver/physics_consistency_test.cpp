// Physics checks on whole runs: two seeds agree within their errors on every fraction and mean
// rotation of the report, and the mean rotation of unscattered neutrons is the field integral
// over the beamline divided by their speed, averaged over their detected energies.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/constants.h"
#include "h5file/histogram_file.h"
#include "h5file/run_reader.h"
#include "results/report.h"
#include "results/run_summary.h"
#include "run_program.h"
#include "transport/beamline_geometry.h"

namespace ornaplex {
namespace {

namespace fs = std::filesystem;

const std::string kData = std::string(ORNAPLEX_SOURCE_DIR) + "/data";

std::int64_t eventsPerRun() {
  return std::getenv("ORNAPLEX_SANITIZED") ? 200000 : 1000000;
}

struct FinishedRun {
  RunTotals totals;
  HistogramStore histograms;
};

FinishedRun runSeed(int seed) {
  const fs::path dir = testing::freshDir("physics-" + std::to_string(seed));
  const auto r = testing::runProgram(dir, "--events " + std::to_string(eventsPerRun()) +
                                              " --seed " + std::to_string(seed) +
                                              " --output-dir out --data-dir '" + kData + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string file = (dir / "out" / ("h" + std::to_string(seed) + ".h5")).string();
  FinishedRun run;
  run.totals = *totalsFromSummary(readStoredRun(file).summary);
  run.histograms = readHistogramFile(file);
  return run;
}

void expectSameFraction(const char* what, double a1, double n1, double a2, double n2) {
  const double p1 = a1 / n1, p2 = a2 / n2;
  const double sigma = std::sqrt(p1 * (1 - p1) / n1 + p2 * (1 - p2) / n2);
  EXPECT_LE(std::fabs(p1 - p2), 5 * sigma + 1e-12) << what << ": " << p1 << " vs " << p2;
}

void expectSameRotation(const char* what, const Tally& t1, const Tally& t2) {
  if (t1.N < 2 || t2.N < 2) return;
  const ValueAndError r1 = tallyRotation(t1), r2 = tallyRotation(t2);
  EXPECT_LE(std::fabs(r1.value - r2.value), 5 * std::hypot(r1.error, r2.error))
      << what << ": " << r1.value << " +- " << r1.error << " vs " << r2.value << " +- " << r2.error;
}

TEST(PhysicsConsistency, TwoSeedsAgreeWithinErrors) {
  const FinishedRun a = runSeed(1001), b = runSeed(2002);
  const Counters &c1 = a.totals.counters, &c2 = b.totals.counters;
  const double n = double(eventsPerRun());
  ASSERT_GT(c1.detIn, 1000);
  expectSameFraction("tar1 in / events", c1.tar1In, n, c2.tar1In, n);
  expectSameFraction("tar2 in / events", c1.tar2In, n, c2.tar2In, n);
  expectSameFraction("det in / events", c1.detIn, n, c2.detIn, n);
  expectSameFraction("Ef.ne.Ei tar1", c1.tar1EnergyChanged, c1.tar1In, c2.tar1EnergyChanged,
                     c2.tar1In);
  expectSameFraction("th>0 tar1", c1.tar1AngleNonZero, c1.tar1In, c2.tar1AngleNonZero, c2.tar1In);
  expectSameFraction("Ef.ne.Ei tar2", c1.tar2EnergyChanged, c1.tar2In, c2.tar2EnergyChanged,
                     c2.tar2In);
  expectSameFraction("th>0 tar2", c1.tar2AngleNonZero, c1.tar2In, c2.tar2AngleNonZero, c2.tar2In);
  expectSameFraction("scattered / events", c1.detScattered, n, c2.detScattered, n);
  expectSameFraction("scattered / det", c1.detScattered, c1.detIn, c2.detScattered, c2.detIn);
  expectSameFraction("Ef.ne.Ei / det", c1.detEnergyChanged, c1.detIn, c2.detEnergyChanged,
                     c2.detIn);
  const Tallies &t1 = a.totals.tallies, &t2 = b.totals.tallies;
  expectSameRotation("right", t1.rightTally, t2.rightTally);
  expectSameRotation("left", t1.leftTally, t2.leftTally);
  expectSameRotation("scat right", t1.scatRightTally, t2.scatRightTally);
  expectSameRotation("scat left", t1.scatLeftTally, t2.scatLeftTally);
  expectSameRotation("scat low right", t1.scatLowRightTally, t2.scatLowRightTally);
  expectSameRotation("scat low left", t1.scatLowLeftTally, t2.scatLowLeftTally);
  EXPECT_EQ(c1.qRetriesExhausted, 0);
  EXPECT_EQ(c2.qRetriesExhausted, 0);
}

TEST(PhysicsConsistency, UnscatteredRotationIsTheFieldIntegralOverTheSpeed) {
  // A beam of 3.99 to 4.01 Angstrom: the spectrum in the run's directory takes the place of the
  // shipped one.
  const fs::path dir = testing::freshDir("physics-4A");
  std::ofstream(dir / "lam.csv") << "low_edge_A,high_edge_A,content\n3.99,4.01,1\n";
  ASSERT_EQ(testing::runProgram(dir, "convert lam.csv lam.h5 --id 100").status, 0);
  const auto r =
      testing::runProgram(dir, "--events " + std::to_string(eventsPerRun() / 4) +
                                   " --seed 3003 --output-dir out --data-dir '" + kData + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  const Tallies t =
      totalsFromSummary(readStoredRun((dir / "out/h3003.h5").string()).summary)->tallies;

  // Unscattered hits: all hits less those whose energy changed.
  Tally unscattered;
  unscattered.S = t.leftTally.S + t.rightTally.S - t.scatLeftTally.S - t.scatRightTally.S;
  unscattered.N = t.leftTally.N + t.rightTally.N - t.scatLeftTally.N - t.scatRightTally.N;
  ASSERT_GT(unscattered.N, 1000);
  const double measured = 1000.0 * std::asin(unscattered.S / double(unscattered.N));

  // 1/v = m lambda / h, and the wavelengths are uniform around 4 Angstrom.
  const double meanInverseSpeed = kNeutronMass_meVps2PerA2 * 4.0 / kPlanck_meVps;
  // Field integral: after the middle of the gap between the targets minus before it, cm.
  const double netPath = (GAP2_LENGTH_cm / 2.0 + TARGET_LENGTH_cm + GAP3_LENGTH_cm +
                          OUTCOIL_LENGTH_cm + GAP4_LENGTH_cm + SM_LENGTH_cm) -
                         (GUIDE_LENGTH_cm + INCOIL_LENGTH_cm + GAP1_LENGTH_cm + TARGET_LENGTH_cm +
                          GAP2_LENGTH_cm / 2.0);
  const double expected =
      netPath * kPrecessionFactor_mradAperPsPerCmPerMg * FIELD_mG * meanInverseSpeed;
  // The spread of 1/v in the beam is 0.3 %, so its mean is known to about 1e-5 here; the
  // directions lengthen the paths by less than 1e-4.
  EXPECT_NEAR(measured, expected, 2e-4 * std::fabs(expected))
      << "measured " << measured << " mrad, expected " << expected << " mrad";
}

}  // namespace
}  // namespace ornaplex
