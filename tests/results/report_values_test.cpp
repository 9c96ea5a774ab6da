// The printed report and the named numbers read one derivation: with every tally different,
// each line of the printed block shows the numbers of its key, so a value wired to the wrong
// line or key shows.
#include "results/report_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "common/constants.h"
#include "common/fortran_format.h"
#include "results/report.h"
#include "results/report_numbers.h"

namespace ornaplex {
namespace {

// Tally j holds 3 + j hits of sines of different small rotations, so no two tallies agree.
Tallies distinctTallies() {
  Tallies t;
  int j = 0;
  for (const TallyField& f : kTallyFields) {
    for (int k = 0; k < 3 + j; ++k) (t.*f.member).add(std::sin(1e-3 * (j + 1) * (k * k + 0.5)));
    ++j;
  }
  return t;
}

bool shows(const std::string& line, double v) {
  return line.find(formatE11_4(v)) != std::string::npos;
}

TEST(ReportValues, EachPrintedLineShowsTheNumbersOfItsKey) {
  const Counters c;
  const Tallies t = distinctTallies();
  std::map<std::string, ReportNumber> numbers;
  for (const ReportNumber& n : reportNumbers(1000, c, t)) numbers.emplace(n.key, n);
  const ReportInput in{1000, FIELD_mG, c, t};
  const std::vector<std::string> screen = formattedBlock(in, false);
  const std::vector<std::string> log = formattedBlock(in, true);
  // The keys each line of the block shows, in the screen form.
  const std::vector<std::vector<std::string>> keysOfLine = {
      {},
      {"loss_right"},
      {"loss_left"},
      {"rot_right"},
      {"rot_left"},
      {"rot_scat_right"},
      {"rot_scat_left"},
      {"rot_scat_low_right"},
      {"rot_scat_low_left"},
      {"frac_rot_scat_right", "frac_rot_scat_low_right"},
      {"frac_rot_scat_left", "frac_rot_scat_low_left"},
      {"rot_diff"},
      {"rot_diff_scat"},  // the log's form: rot_diff_scat_share
      {"n_left", "n_right"},
      {"ratio_left_right"},
      {"n_scat_left", "n_scat_right"},
      {"ratio_scat_left_right"},
  };
  ASSERT_EQ(screen.size(), keysOfLine.size());
  for (std::size_t i = 0; i < screen.size(); ++i) {
    for (const std::string& key : keysOfLine[i]) {
      const ReportNumber& n = numbers.at(key);
      EXPECT_TRUE(shows(screen[i], n.value)) << key << " in: " << screen[i];
      EXPECT_TRUE(!n.error || shows(screen[i], *n.error)) << key << " in: " << screen[i];
    }
  }
  const ReportNumber& share = numbers.at("rot_diff_scat_share");
  EXPECT_TRUE(shows(log[12], share.value) && shows(log[12], *share.error)) << log[12];
  EXPECT_FALSE(shows(log[12], numbers.at("rot_diff_scat").value)) << log[12];
}

}  // namespace
}  // namespace ornaplex
