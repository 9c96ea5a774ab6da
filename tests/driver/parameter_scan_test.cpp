// Parameter scans: the values of a list or range, the points' seeds, and a small scan run
// through the program: one directory and one table line per point, each point the run its
// options and seed give alone, and a second call completing only what is missing.
#include "driver/parameter_scan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "common/errors.h"
#include "h5file/run_reader.h"
#include "run_program.h"

namespace ornaplex {
namespace {

namespace fs = std::filesystem;
using testing::freshDir;
using testing::runProgram;

TEST(ScanValues, ListsRangesAndRefusals) {
  EXPECT_FALSE(scanAxisOf("--field", "0.1"));
  const auto list = scanAxisOf("--field", "0.05,0.1,0.2");
  ASSERT_TRUE(list);
  EXPECT_EQ(list->values, (std::vector<std::string>{"0.05", "0.1", "0.2"}));
  // Five points with both ends exactly as typed, evenly spaced between.
  const auto range = scanAxisOf("--temperature", "0.8:2.4:5");
  ASSERT_TRUE(range);
  EXPECT_EQ(range->values, (std::vector<std::string>{"0.8", "1.2", "1.6", "2", "2.4"}));
  EXPECT_EQ(scanAxisOf("--temperature", "2.4:0.8:2")->values,
            (std::vector<std::string>{"2.4", "0.8"}));
  for (const char* bad : {"0.1,,0.2", ",0.1", "1:2", "1:2:1", "1:2:x", "1:2:3:4", "a:2:3"})
    EXPECT_THROW(scanAxisOf("--temperature", bad), UsageError) << bad;
}

TEST(ScanValues, PointSeedsAreDistinctAndInRange) {
  std::set<std::int32_t> seen;
  for (std::int64_t k = 0; k < 20000; ++k) {
    const std::int32_t s = pointSeed(9, k);
    ASSERT_GE(s, 1);
    seen.insert(s);
  }
  EXPECT_EQ(seen.size(), 20000u);
  EXPECT_NE(pointSeed(9, 0), pointSeed(10, 0));
}

std::vector<std::string> linesOf(const fs::path& file) {
  std::vector<std::string> lines;
  std::istringstream in(testing::readText(file));
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

TEST(Scan, EachPointIsItsOwnRunAndASecondCallCompletesTheMissingOnes) {
  const fs::path dir = freshDir("scan");
  const std::string data = " --data-dir '" + std::string(ORNAPLEX_SOURCE_DIR) + "/data'";
  const std::string scan =
      "--temperature 1.5:2.1:2 --field 0.05,0.1 --events 3000 --seed 9 --quiet --output-dir s" +
      data;
  const auto r = runProgram(dir, scan);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_GT(fs::file_size(dir / "s/scan-plots/scan.png"), 10000u);  // the curves, drawn at once
  const std::vector<std::string> table = linesOf(dir / "s/scan.csv");
  ASSERT_EQ(table.size(), 5u);
  EXPECT_EQ(table[0].rfind("point,field_mG,temperature_K,seed,file,events,", 0), 0u) << table[0];
  EXPECT_EQ(table[3].rfind("2,0.1,1.5," + std::to_string(pointSeed(9, 2)) + ",s/point-2/h", 0), 0u)
      << table[3];

  // Point 2 is the run of its settings and seed alone, file for file.
  const std::string seed2 = std::to_string(pointSeed(9, 2));
  ASSERT_EQ(runProgram(dir, "--temperature 1.5 --field 0.1 --events 3000 --seed " + seed2 +
                                " --quiet --output-dir alone" + data)
                .status,
            0);
  const auto summaryOf = [](const fs::path& f) {
    std::ostringstream s;
    for (const SummaryValue& v : readStoredRun(f.string()).summary)
      std::visit([&](auto x) { s << v.name << '=' << x << ' '; }, v.value);
    return s.str();
  };
  EXPECT_EQ(summaryOf(dir / ("s/point-2/h" + seed2 + ".h5")),
            summaryOf(dir / ("alone/h" + seed2 + ".h5")));

  // A point removed is run again, the others are read back; the table is whole again.
  fs::remove_all(dir / "s/point-1");
  const auto again = runProgram(dir, scan);
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.out.find("Point 0 field_mG 0.05 temperature_K 1.5: done already"),
            std::string::npos);
  EXPECT_NE(again.out.find("Point 1 field_mG 0.05 temperature_K 2.1, seed"), std::string::npos);
  EXPECT_EQ(linesOf(dir / "s/scan.csv"), table);
  EXPECT_TRUE(fs::exists(dir / "s/scan.h5"));
  // plot draws the scan table as a scan: one page of the report values against the option.
  const auto plot = runProgram(dir, "plot s/scan.h5");
  ASSERT_EQ(plot.status, 0) << plot.err;
  EXPECT_EQ(plot.out, "wrote scan.png and scan.pdf in s/scan-plots\n");
  EXPECT_GT(fs::file_size(dir / "s/scan-plots/scan.png"), 10000u);

  const auto blocks = runProgram(dir, scan + " --blocks 0:0");
  EXPECT_EQ(blocks.status, 2);
  EXPECT_NE(blocks.err.find("--blocks refused in a scan"), std::string::npos) << blocks.err;
}

}  // namespace
}  // namespace ornaplex
