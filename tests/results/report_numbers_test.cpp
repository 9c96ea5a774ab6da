#include "results/report_numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace ornaplex {
namespace {

double number(const std::vector<ReportNumber>& all, const std::string& key, bool error = false) {
  for (const ReportNumber& n : all) {
    if (n.key == key) return error ? n.error.value() : n.value;
  }
  throw std::out_of_range(key);
}

TEST(ReportNumbersTest, UnscatteredIsTheSideLessItsEnergyChangedHits) {
  Tallies t;
  for (double r : {1.0, 1.0, 3.0, 3.0}) t.rightTally.add(std::sin(r / 1000));
  for (double r : {3.0, 3.0}) t.scatRightTally.add(std::sin(r / 1000));
  const std::vector<ReportNumber> n = reportNumbers(10, Counters{}, t);
  EXPECT_NEAR(number(n, "rot_right"), 2.0, 1e-5);  // asin of a mean of sines
  EXPECT_NEAR(number(n, "rot_scat_right"), 3.0, 1e-9);
  EXPECT_NEAR(number(n, "rot_unscat_right"), 1.0, 1e-9);
  EXPECT_NEAR(number(n, "frac_rot_scat_right"), 0.75, 1e-6);
}

TEST(ReportNumbersTest, HeliumScatteringIsAFractionOfTheSourceNeutronsPerCellAndTogether) {
  Counters c;
  c.tar1In = 400;
  c.tar1EnergyChanged = 30;
  c.tar2In = 300;
  c.tar2EnergyChanged = 20;
  c.tar1AngleNonZero = 29;  // the angle count is not what is asked for
  const std::vector<ReportNumber> n = reportNumbers(1000, c, Tallies{});
  EXPECT_EQ(number(n, "frac_helium_scattered_tar1"), 0.03);
  EXPECT_EQ(number(n, "frac_helium_scattered_tar2"), 0.02);
  EXPECT_EQ(number(n, "frac_helium_scattered"), 0.05);
  EXPECT_NEAR(number(n, "frac_helium_scattered", true), std::sqrt(0.05 * 0.95 / 1000), 1e-15);
  EXPECT_TRUE(std::isnan(number(reportNumbers(0, Counters{}, Tallies{}), "frac_helium_scattered")));
}

TEST(ReportNumbersTest, FewLowEnergyHitsGiveZerosAndEmptySidesAreUndefined) {
  Tallies t;
  t.scatLowLeftTally.add(0.001);
  const std::vector<ReportNumber> n = reportNumbers(10, Counters{}, t);
  EXPECT_EQ(number(n, "rot_scat_low_left"), 0.0);
  EXPECT_EQ(number(n, "rot_scat_low_left", true), 0.0);
  EXPECT_TRUE(std::isnan(number(n, "rot_left")));
  EXPECT_TRUE(std::isnan(number(n, "frac_tar1_energy_changed")));  // 0 / 0
  // Fractions are divided in single precision, as the report prints them.
  Counters c;
  c.tar1In = 3;
  c.tar1EnergyChanged = 1;
  EXPECT_EQ(number(reportNumbers(10, c, t), "frac_tar1_energy_changed"), double(1.0f / 3.0f));
}

}  // namespace
}  // namespace ornaplex
