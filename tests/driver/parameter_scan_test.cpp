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
  EXPECT_EQ(range->values, (std::vector<std::string>{"0.8", "1.2", "1.6", "2.0", "2.4"}));
  // Points are the decimals typed, never a double's rounding (1.4000000000000001).
  EXPECT_EQ(scanAxisOf("--temperature", "1.0:2.2:4")->values,
            (std::vector<std::string>{"1.0", "1.4", "1.8", "2.2"}));
  EXPECT_EQ(scanAxisOf("--field", "1e-3:3e-3:3")->values,
            (std::vector<std::string>{"0.001", "0.002", "0.003"}));
  EXPECT_EQ(scanAxisOf("--model", "standard,jacobian")->values,
            (std::vector<std::string>{"standard", "jacobian"}));
  EXPECT_EQ(scanAxisOf("--temperature", "2.4:0.8:2")->values,
            (std::vector<std::string>{"2.4", "0.8"}));
  for (const char* bad : {"0.1,,0.2", ",0.1", "1:2", "1:2:1", "1:2:x", "1:2:3:4", "a:2:3"})
    EXPECT_THROW(scanAxisOf("--temperature", bad), UsageError) << bad;
  EXPECT_THROW(scanAxisOf("--model", "standard:jacobian:2"), UsageError);
  // The range is quoted as typed, not as one of its parts.
  try {
    scanAxisOf("--temperature", "1.5:2.1:0");
    ADD_FAILURE();
  } catch (const UsageError& e) {
    EXPECT_NE(std::string(e.what()).find("--temperature 1.5:2.1:0: not a range"), std::string::npos)
        << e.what();
  }
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
  // The settings in the order typed, then the ones held fixed, so a line says what it holds.
  EXPECT_EQ(table[0].rfind(
                "point,temperature_K,field_mG,scattering_model,mode,bias_angle_mrad,bias_splits,"
                "pairs,seed,file,events,",
                0),
            0u)
      << table[0];
  EXPECT_EQ(
      table[3].rfind(
          "2,2.1,0.05,standard,analog,,,off," + std::to_string(pointSeed(9, 2)) + ",point-2/h", 0),
      0u)
      << table[3];

  // Point 2 is the run of its settings and seed alone, file for file.
  const std::string seed2 = std::to_string(pointSeed(9, 2));
  ASSERT_EQ(runProgram(dir, "--temperature 2.1 --field 0.05 --events 3000 --seed " + seed2 +
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
  EXPECT_NE(again.out.find("Point 0 temperature_K 1.5 field_mG 0.05: done already"),
            std::string::npos);
  EXPECT_NE(again.out.find("Point 1 temperature_K 1.5 field_mG 0.1, seed"), std::string::npos);
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

namespace ornaplex {
namespace {

const std::string kData = " --data-dir '" + std::string(ORNAPLEX_SOURCE_DIR) + "/data'";

// Every file under dir with its size, and scan.csv's text: what a refused command must not change.
std::string snapshot(const fs::path& dir) {
  std::string s;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    s +=
        e.path().string() + (e.is_regular_file() ? " " + std::to_string(e.file_size()) : "") + "\n";
  return s + testing::readText(dir / "scan.csv");
}

std::string summaryText(const fs::path& f) {
  std::ostringstream s;
  for (const SummaryValue& v : readStoredRun(f.string()).summary)
    std::visit([&](auto x) { s << v.name << '=' << x << ' '; }, v.value);
  return s.str();
}

TEST(Scan, AnotherScanIntoItsDirectoryIsRefusedNamingTheSettingAndNothingChanges) {
  const fs::path dir = freshDir("scan-identity");
  const auto scan = [](const std::string& settings) {
    return settings + " --events 2000 --quiet --output-dir s" + kData;
  };
  ASSERT_EQ(runProgram(dir, scan("--temperature 1.0,2.0 --seed 4")).status, 0);
  const std::string before = snapshot(dir / "s");
  const struct {
    const char* settings;
    const char* named;
  } others[] = {
      {"--temperature 3.0,3.5 --seed 4", "temperature_K = 1,2, this command temperature_K = 3,3.5"},
      {"--temperature 1.0,2.0 --seed 4 --model jacobian", "scattering_model = standard"},
      {"--temperature 1.0,2.0 --seed 4 --bias", "mode = analog, this command mode = weighted"},
      {"--temperature 1.0,2.0 --seed 4 --field 0.2", "field_mG = 0.1"},
      {"--temperature 1.0,2.0 --seed 5", "seed = 4"},
      {"--temperature 1.0,2.0 --seed 4 --block-size 100", "block_size = 65536"},
      {"--field 0.1,0.2 --seed 4", "scanned settings = temperature_K"},
  };
  for (const auto& other : others) {
    const auto r = runProgram(dir, scan(other.settings));
    EXPECT_EQ(r.status, 2) << other.settings;
    EXPECT_NE(r.err.find("it holds another scan (the scan there has " + std::string(other.named)),
              std::string::npos)
        << r.err;
    EXPECT_EQ(snapshot(dir / "s"), before) << other.settings;
  }
  // The same scan without its seed takes the directory's and finds it done.
  const auto again = runProgram(dir, scan("--temperature 1.0,2.0"));
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.out.find("Scan seed 4: the seed of the scan s holds"), std::string::npos);
  EXPECT_NE(again.out.find("Point 1 temperature_K 2.0: done already"), std::string::npos);
}

TEST(Scan, AnInterruptedPointResumesFromItsBlocksAndADamagedFileIsSetAside) {
  const fs::path dir = freshDir("scan-resume");
  const std::string settings = " --events 3000 --block-size 1000 --quiet" + kData;
  const std::string scan = "--field 0.1,0.2 --seed 6 --output-dir s" + settings;
  const std::string seed0 = std::to_string(pointSeed(6, 0));
  // The first point's first two blocks, as an interrupted run of it leaves them.
  ASSERT_EQ(
      runProgram(dir / "s/point-0", "--field 0.1 --blocks 0:1 --seed " + seed0 + settings).status,
      0);
  const auto r = runProgram(dir, scan);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Point 0 field_mG 0.1, seed " + seed0 + ": resumed from block 2"),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(fs::exists(dir / ("s/point-0/superseded/h" + seed0 + "-b0-1.h5")));
  ASSERT_EQ(runProgram(dir, "--field 0.1 --output-dir alone --seed " + seed0 + settings).status, 0);
  EXPECT_EQ(summaryText(dir / ("s/point-0/h" + seed0 + ".h5")),
            summaryText(dir / ("alone/h" + seed0 + ".h5")));

  // A damaged point file is named, set aside (never deleted) and its point run again.
  const fs::path file = dir / ("s/point-1/h" + std::to_string(pointSeed(6, 1)) + ".h5");
  fs::resize_file(file, 100);
  const auto again = runProgram(dir, scan);
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.out.find(file.filename().string() + " cannot be read"), std::string::npos);
  EXPECT_TRUE(fs::exists(file.string() + ".damaged"));
  EXPECT_TRUE(fs::exists(file));
}

TEST(Scan, TheModelBracketAndARefusedScanLeavesNoDirectory) {
  const fs::path dir = freshDir("scan-models");
  const auto r = runProgram(
      dir, "--model standard,jacobian --events 3000 --seed 3 --quiet --output-dir s" + kData);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Spread over the models"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("rot_diff_scat_share: "), std::string::npos) << r.out;
  EXPECT_EQ(testing::readText(dir / "s/scan-bracket.csv")
                .rfind("value,low,low_error,low_model,high,high_error,high_model,", 0),
            0u);
  // Refused before anything is written: nothing of the output directory is left.
  const auto bogus = runProgram(dir, "--field 0.1,0.2 --events 10 --output-dir new/x" + kData,
                                "ORNAPLEX_SIMD=bogus ");
  EXPECT_NE(bogus.status, 0);
  EXPECT_FALSE(fs::exists(dir / "new"));
}

}  // namespace
}  // namespace ornaplex
