#include "results/inspect.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "h5file/h5_handle.h"
#include "h5file/temp_dir.h"
#include "results/sample_run_file.h"
#include "results/sample_scan_file.h"

namespace ornaplex {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;

std::vector<std::string> linesOf(const std::string& s) {
  std::vector<std::string> out;
  std::istringstream in(s);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

class InspectTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::writeSampleRunFile(file); }
  int inspect(std::optional<int> id, bool json) {
    out.str("");
    err.str("");
    return inspectFile(file, id, json, out, err);
  }
  testing::TempDir dir;
  std::string file = dir / "h12345.h5";
  std::ostringstream out, err;
};

TEST_F(InspectTest, ListsRunHistogramsAndReport) {
  ASSERT_EQ(inspect(std::nullopt, false), 0) << err.str();
  const std::string text = out.str();
  EXPECT_THAT(text, HasSubstr("histograms (73;"));
  EXPECT_THAT(text, MatchesRegex("(.|\n)*\n  seed +12345\n(.|\n)*"));
  // 6 entries: 1 below, 2 at or above the top edge, mean of the bin centres -0.85, -0.85, 2.15.
  EXPECT_THAT(text, MatchesRegex("(.|\n)*\n  3007  1-D +6 +1 +2  0\\.15 +th_rotation \\(mrad\\) "
                                 "DetB\n(.|\n)*"));
  // 2-D: the fill left of x counts as below range; mean of the one bin (1.02, 0.5025).
  EXPECT_THAT(text, MatchesRegex("(.|\n)*\n  8010  2-D +2 +1 +0  1\\.02,0\\.5025 +sig tot(.|\n)*"));
  EXPECT_THAT(text, MatchesRegex("(.|\n)*\n   305  1-D +0 +0 +0  - +q sim\\(1/Ang\\)\n(.|\n)*"));
  EXPECT_THAT(text, MatchesRegex("(.|\n)*fraction of target 1 entries with an energy change +"
                                 "0\\.25\n(.|\n)*"));
  EXPECT_THAT(text,
              MatchesRegex("(.|\n)*mean rotation left \\(mrad\\) +3 \\+- 0\\.1[0-9]*\n(.|\n)*"));
  EXPECT_THAT(text, MatchesRegex("(.|\n)*rotation UpL-DownR \\(mrad\\) +2 \\+- (.|\n)*"));
  EXPECT_THAT(text,
              MatchesRegex("(.|\n)*\n  rotation UpL-DownR of scattered hits \\(mrad\\) +[^\n]*\n"
                           "  rotation UpL-DownR, scattered share \\(mrad\\) +[^\n]*  \\(the "
                           "scattered hits' part of all: the systematic\\)\n(.|\n)*"));
  EXPECT_THAT(text, HasSubstr("tar1EnergyChanged"));
  // Counts in full, not in six digits; the helium's share of the source neutrons with its error.
  EXPECT_THAT(text, MatchesRegex("(.|\n)*\n  detector hits +4495690\n(.|\n)*"));
  EXPECT_THAT(text, MatchesRegex("(.|\n)*scattered in the helium, both cells +0\\.09 \\+- "
                                 "0\\.00904[0-9]*\n(.|\n)*"));
  EXPECT_EQ(err.str(), "");
}

TEST_F(InspectTest, JsonIsValidAndHoldsTheReport) {
  ASSERT_EQ(inspect(std::nullopt, true), 0) << err.str();
  const std::string json = out.str();
  // Empty tallies give undefined means: JSON has no NaN, so they are null.
  EXPECT_THAT(json, HasSubstr("\"rot_scat_left\": {\"label\": \"mean rotation scattered left "
                              "(mrad)\", \"value\": null, \"error\": null}"));
  EXPECT_THAT(json, HasSubstr("\"frac_tar2_energy_changed\": {\"label\": "));
  EXPECT_THAT(json, HasSubstr("\"id\": 3007, \"kind\": \"1-D\", \"title\": \"th_rotation (mrad) "
                              "DetB\", \"entries\": 6, \"underflow\": 1, \"overflow\": 2"));
  EXPECT_THAT(json, HasSubstr("\"title\": \"phi-0 (deg) \""));  // the trailing blank is kept
  const std::string path = dir / "out.json";
  std::ofstream(path) << json;
  const std::string check =
      "/usr/bin/python3 -c 'import json,sys; d=json.load(open(sys.argv[1]));"
      " assert len(d[\"histograms\"]) == 73' " +
      path;
  EXPECT_EQ(std::system(check.c_str()), 0);
}

TEST_F(InspectTest, OneHistogramAsCsvWithOutOfRangeRows) {
  ASSERT_EQ(inspect(3007, false), 0) << err.str();
  const std::vector<std::string> rows = linesOf(out.str());
  ASSERT_EQ(rows.size(), 2u + 200 + 2);
  EXPECT_EQ(rows[0],
            "# h3007 th_rotation (mrad) DetB; run 12345: analog, model standard; content: counts, "
            "error: square root of the count");
  EXPECT_EQ(rows[1], "low,high,content,error");
  EXPECT_EQ(rows[2], "-inf,-10,1,1");
  // Edges are printed so that they read back as the histogram's own doubles.
  EXPECT_EQ(rows[3 + 30], "-1,-0.7,2,1.4142135623730951");  // bins 0..29 first, edges without noise
  EXPECT_EQ(rows[203], "50,inf,2,1.4142135623730951");

  ASSERT_EQ(inspect(8010, false), 0);
  const std::vector<std::string> cells = linesOf(out.str());
  ASSERT_EQ(cells.size(), 2u + 102 * 202);
  EXPECT_EQ(cells[1], "xlow,xhigh,ylow,yhigh,content,error");
  EXPECT_THAT(cells, ::testing::Contains("-inf,0,0.5,0.505,1,1"));
  EXPECT_THAT(cells, ::testing::Contains("1,1.04,0.5,0.505,1,1"));

  ASSERT_EQ(inspect(3007, true), 0);
  EXPECT_THAT(out.str(), HasSubstr("\"contents\": [0, "));
  EXPECT_THAT(out.str(), HasSubstr("\"errors\": [0, "));
  EXPECT_THAT(out.str(), HasSubstr("{\"id\": 3007, \"mode\": \"analog\", \"model\": \"standard\""));
}

// A weighted run's file says so in every header, and its errors are the square roots of the
// sums of squared weights.
TEST(InspectWeightedTest, ModeAndModelInTheHeadersAndErrorsFromTheSquares) {
  testing::TempDir dir;
  HistogramStore store;
  store.enableWeights();
  Histogram1D& h = store.book1(3007, "th_rotation (mrad) DetB", 4, 0.f, 4.f);
  for (double w : {0.5, 1.5, 3.0}) h.fill(1.5, w);
  store.flushBlock();
  const std::string file = dir / "h7.h5";
  writeHistogramFile(file, store,
                     {{"program", std::string("ornaplex")},
                      {"seed", std::int64_t(7)},
                      {"mode", std::string("weighted")},
                      {"bias_angle_mrad", 49.4505494505},
                      {"bias_splits", std::int64_t(16)},
                      {"scattering_model", std::string("jacobian")}});
  std::ostringstream out, err;
  ASSERT_EQ(inspectFile(file, 3007, false, out, err), 0) << err.str();
  const std::vector<std::string> rows = linesOf(out.str());
  EXPECT_EQ(
      rows[0],
      "# h3007 th_rotation (mrad) DetB; run 7: weighted (window 49.45 mrad, 16 splits), model "
      "jacobian; content: sum of weights, error: square root of the sum of squared weights");
  EXPECT_EQ(rows[4], "1,2,5,3.391164991562634");  // sqrt(0.25 + 2.25 + 9)
  out.str("");
  ASSERT_EQ(inspectFile(file, 3007, true, out, err), 0);
  EXPECT_THAT(out.str(), HasSubstr("\"errors\": [0, 3.391164991562634, 0, 0]"));
  out.str("");
  ASSERT_EQ(inspectFile(file, std::nullopt, false, out, err), 0);
  EXPECT_THAT(out.str(), ::testing::StartsWith("file " + file +
                                               "\nmode weighted (window 49.45 mrad, 16 splits)\n"
                                               "model jacobian\n"));
  out.str("");
  ASSERT_EQ(inspectFile(file, std::nullopt, true, out, err), 0);
  EXPECT_THAT(out.str(), HasSubstr("\"mode\": \"weighted\",\n  \"model\": \"jacobian\""));
}

TEST_F(InspectTest, UnknownIdIsAnError) {
  EXPECT_EQ(inspect(42, false), kInspectFailure);
  EXPECT_EQ(out.str(), "");
  EXPECT_THAT(err.str(), HasSubstr("holds no histogram 42"));
}

// Every refused file gives exit status 1 (a refused input), nothing on out and exactly one line
// on err.
class InspectRefusesTest : public InspectTest {
 protected:
  void expectRefused(const std::string& path, const std::string& reason) {
    std::ostringstream o, e;
    EXPECT_EQ(inspectFile(path, std::nullopt, false, o, e), kUnreadableFile) << path;
    EXPECT_EQ(o.str(), "");
    EXPECT_THAT(e.str(), MatchesRegex("ornaplex inspect: [^\n]*\n"));
    EXPECT_THAT(e.str(), HasSubstr(reason));
  }
};

TEST_F(InspectRefusesTest, MissingTextAndTruncatedFiles) {
  expectRefused(dir / "none.h5", "No such file");
  const std::string text = dir / "text.h5";
  std::ofstream(text) << "not a histogram file\n";
  expectRefused(text, "not an HDF5 file");
  const std::string cut = dir / "cut.h5";
  std::filesystem::copy_file(file, cut);
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
  expectRefused(cut, "cut.h5");
}

TEST_F(InspectRefusesTest, DamagedHistogramData) {
  // Overwrite the compressed block of the detector rotation's counts: it no longer decodes.
  // (The library's own metadata is not what this damages: some damage there crashes it.)
  haddr_t address = 0;
  hsize_t size = 0;
  {
    const h5::Handle f(H5Fopen(file.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose, "open");
    const h5::Handle d(H5Dopen2(f.get(), "histograms/h3007/counts", H5P_DEFAULT), H5Dclose, "open");
    const h5::Handle space(H5Dget_space(d.get()), H5Sclose, "space");
    hsize_t offset = 0;
    unsigned mask = 0;
    h5::check(H5Dget_chunk_info(d.get(), space.get(), 0, &offset, &mask, &address, &size), "chunk");
  }
  const std::string bad = dir / "bad.h5";
  std::filesystem::copy_file(file, bad);
  std::fstream f(bad, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(static_cast<std::streamoff>(address));
  const std::string junk(size, '\x5a');
  f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
  f.close();
  expectRefused(bad, "bad.h5");
}

TEST_F(InspectRefusesTest, HdfFileOfAnotherProgram) {
  HistogramStore store;
  store.book1(1, "x", 10, 0.0f, 1.0f);
  const std::string other = dir / "other.h5";
  writeHistogramFile(other, store, {{"program", std::string("else")}});
  expectRefused(other, "does not name ornaplex");
  const std::string bare = dir / "bare.h5";
  writeHistogramFile(bare, store);
  expectRefused(bare, "does not name ornaplex");
}

// A scan table: its settings, its columns and each value per point, the spread over the models
// when there is one; tables from before the scan recorded its settings read as well.
TEST(InspectScanTest, SettingsColumnsValuesAndTheSpreadOverTheModels) {
  testing::TempDir dir;
  struct Case {
    const char* kind;
    std::vector<std::string> lines;  // whole lines the text holds
  };
  const std::vector<Case> cases = {
      {"model",
       {"scan of scattering_model, field_mG: 4 of 4 points finished (x: scattering_model)",
        "  mode              weighted", "  scattering_model  scattering model  standard, jacobian",
        "  field_mG          field (mG)        0.1, 0.2",
        "rot_diff_scat_share  rotation UpL-DownR, scattered share (mrad)",
        "  2      jacobian          0.1       -0.025  0.0014",
        "    0.1       -0.045 +- 0.001 (standard)   -0.025 +- 0.0014 (jacobian)  0.01        "
        "11.6248       -0.045"}},
      // An unfinished point is left out; a point without scattered hits has no value.
      {"temperature",
       {"scan of temperature_K, field_mG: 5 of 6 points finished (x: temperature_K)",
        "  1      1              0.2       nan    nan"}},
      {"old",
       {"scan of temperature_K: 3 of 3 points finished (x: temperature_K)",
        "  2      1.8            0.0002  0.0014"}},
  };
  for (const Case& c : cases) {
    const std::string file = dir / (std::string(c.kind) + ".h5");
    testing::writeSampleScanFile(file, c.kind);
    std::ostringstream out, err;
    ASSERT_EQ(inspectFile(file, std::nullopt, false, out, err), 0) << c.kind << err.str();
    const std::vector<std::string> lines = linesOf(out.str());
    for (const std::string& l : c.lines) EXPECT_THAT(lines, ::testing::Contains(l)) << c.kind;
  }
}

TEST(InspectScanTest, JsonHoldsEachPointAndTheBracketAndAnIdIsRefused) {
  testing::TempDir dir;
  const std::string file = dir / "scan.h5";
  testing::writeSampleScanFile(file, "model");
  std::ostringstream out, err;
  ASSERT_EQ(inspectFile(file, std::nullopt, true, out, err), 0) << err.str();
  std::ofstream(dir / "scan.json") << out.str();
  const std::string check =
      "/usr/bin/python3 -c 'import json,sys; d=json.load(open(sys.argv[1]));"
      " v=d[\"values\"][\"rot_diff_scat_share\"];"
      " assert d[\"run\"][\"mode\"] == \"weighted\" and d[\"scan\"][\"points\"] == 4;"
      " assert [c[\"name\"] for c in d[\"scan\"][\"columns\"]] == [\"scattering_model\", "
      "\"field_mG\"];"
      " p=v[\"points\"][2]; assert abs(p.pop(\"value\") + 0.025) < 1e-12, p;"
      " assert p == {\"point\": 2, \"scattering_model\": \"jacobian\", \"field_mG\": 0.1,"
      " \"error\": 0.0014}, p;"
      " assert v[\"bracket\"][1][\"field_mG\"] == 0.2 and v[\"bracket\"][1][\"high_model\"] =="
      " \"jacobian\"' " +
      (dir / "scan.json");
  EXPECT_EQ(std::system(check.c_str()), 0) << out.str().substr(0, 2000);

  out.str("");
  EXPECT_EQ(inspectFile(file, 3007, false, out, err), kInspectFailure);
  EXPECT_EQ(out.str(), "");
  EXPECT_THAT(err.str(), MatchesRegex("ornaplex inspect: [^\n]*scan table[^\n]*\n"));

  // A column shorter than its values is named with the group that holds it.
  const std::string cut =
      "/usr/bin/python3 -c 'import h5py,sys; g=h5py.File(sys.argv[1],\"a\")"
      "[\"rot_left\"]; del g[\"field_mG\"]; g[\"field_mG\"]=[0.1]' " +
      file;
  ASSERT_EQ(std::system(cut.c_str()), 0);
  err.str("");
  EXPECT_EQ(inspectFile(file, std::nullopt, false, out, err), kUnreadableFile);
  EXPECT_EQ(out.str(), "");
  EXPECT_THAT(err.str(),
              MatchesRegex("ornaplex inspect: cannot read /rot_left of the scan table "
                           "[^\n]*scan.h5 \\(field_mG does not hold 4 numbers\\)[^\n]*\n"));
}

}  // namespace
}  // namespace ornaplex
