#include "results/plot_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "h5file/temp_dir.h"
#include "results/inspect.h"
#include "results/sample_run_file.h"
#include "results/sample_scan_file.h"

namespace ornaplex {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

const std::string kScript = std::string(ORNAPLEX_SOURCE_DIR) + "/tools/plot_run.py";

// Width and height from a PNG's header chunk; (0, 0) when it is not a PNG.
std::pair<int, int> pngSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char h[24] = {};
  in.read(reinterpret_cast<char*>(h), sizeof h);
  if (!in || h[1] != 'P' || h[2] != 'N' || h[3] != 'G') return {0, 0};
  auto be = [&h](int k) { return (h[k] << 24) | (h[k + 1] << 16) | (h[k + 2] << 8) | h[k + 3]; };
  return {be(16), be(20)};
}

TEST(PlotScriptPathTest, ToolsBesideTheDataDirectory) {
  EXPECT_EQ(plotScriptPath("/src/ornaplex/data"), "/src/ornaplex/tools/plot_run.py");
  EXPECT_EQ(plotScriptPath("/src/ornaplex/data/"), "/src/ornaplex/tools/plot_run.py");
}

// One drawing of the sample file, made once (drawing takes seconds) and checked in one test.
class PlotFileTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new testing::TempDir;
    testing::writeSampleRunFile(*dir_ / "h12345.h5");
    std::ostringstream err;
    // Scratch files go to a temporary directory of this suite alone, so the check that they are
    // removed does not see other test programs' files.
    fs::create_directories(*dir_ / "tmp");
    ::setenv("TMPDIR", (*dir_ / "tmp").c_str(), 1);
    status_ = plotFile(*dir_ / "h12345.h5", *dir_ / "pictures/new", err, kScript);
    ::unsetenv("TMPDIR");
    errors_ = new std::string(err.str());
  }
  static void TearDownTestSuite() {
    delete dir_;
    delete errors_;
  }
  static std::string picture(const std::string& name) { return *dir_ / ("pictures/new/" + name); }
  static testing::TempDir* dir_;
  static int status_;
  static std::string* errors_;
};
testing::TempDir* PlotFileTest::dir_ = nullptr;
int PlotFileTest::status_ = -1;
std::string* PlotFileTest::errors_ = nullptr;

TEST_F(PlotFileTest, OnePicturePerHistogramTheOverviewAndNoScratchLeft) {
  ASSERT_EQ(status_, 0) << *errors_;
  EXPECT_EQ(*errors_, "");
  std::size_t pngs = 0;
  for (const auto& e : fs::directory_iterator(*dir_ / "pictures/new"))
    pngs += e.path().extension() == ".png";
  EXPECT_EQ(pngs, kCatalogueSize + 1);
  for (const HistogramBooking& b : kHistogramCatalogue) {
    const std::string name = "h" + std::to_string(b.id) + ".png";
    EXPECT_EQ(pngSize(picture(name)), std::make_pair(800, 500)) << name;
    EXPECT_GT(fs::file_size(picture(name)), 5000u) << name;
  }
  EXPECT_EQ(pngSize(picture("overview.png")), std::make_pair(1870, 1155));
  EXPECT_GT(fs::file_size(picture("overview.png")), 50000u);
  std::ifstream pdf(picture("overview.pdf"), std::ios::binary);
  std::string head(5, '\0');
  pdf.read(head.data(), 5);
  EXPECT_EQ(head, "%PDF-");
  EXPECT_GT(fs::file_size(picture("overview.pdf")), 10000u);
  // The report numbers' scratch file is gone.
  for (const auto& e : fs::directory_iterator(*dir_ / "tmp"))
    EXPECT_THAT(e.path().filename().string(), ::testing::Not(HasSubstr("ornaplex-report-")));
}

TEST(PlotFileChoiceTest, OneHistogramAloneAndPicturesNextToTheFileByDefault) {
  EXPECT_EQ(defaultPlotDirectory("runs/h7.h5"), "runs/h7-plots");
  EXPECT_EQ(defaultPlotDirectory("h7.hdf"), "h7.hdf-plots");
  testing::TempDir dir;
  testing::writeSampleRunFile(dir / "h1.h5");
  std::ostringstream err;
  PlotChoice one;
  one.id = 8010;
  ASSERT_EQ(plotFile(dir / "h1.h5", dir / "one", err, kScript, one), 0) << err.str();
  std::vector<std::string> written;
  for (const auto& e : fs::directory_iterator(dir / "one"))
    written.push_back(e.path().filename().string());
  EXPECT_EQ(written, std::vector<std::string>{"h8010.png"});
  // An id the file does not hold is refused before anything is drawn, as inspect refuses it.
  one.id = 99;
  EXPECT_EQ(plotFile(dir / "h1.h5", dir / "none", err, kScript, one), kInspectFailure);
  EXPECT_THAT(err.str(), HasSubstr("ornaplex plot: "));
  EXPECT_FALSE(fs::exists(dir / "none"));
}

TEST(PlotFileErrorsTest, UnreadableFileIsRefusedBeforeAnythingIsDrawn) {
  testing::TempDir dir;
  std::ofstream(dir / "text.h5") << "no\n";
  std::ostringstream err;
  EXPECT_EQ(plotFile(dir / "text.h5", dir / "out", err, kScript), kUnreadableFile);
  EXPECT_THAT(err.str(), ::testing::MatchesRegex("ornaplex plot: [^\n]*not an HDF5 file[^\n]*\n"));
  EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(PlotFileErrorsTest, MissingScriptOrUnwritableDirectory) {
  testing::TempDir dir;
  testing::writeSampleRunFile(dir / "h1.h5");
  std::ostringstream err;
  EXPECT_EQ(plotFile(dir / "h1.h5", dir / "out", err, dir / "nothing.py"), 1);
  EXPECT_THAT(err.str(), HasSubstr("cannot find the plotting script"));
  std::ofstream(dir / "file") << "";
  err.str("");
  EXPECT_EQ(plotFile(dir / "h1.h5", dir / "file/sub", err, kScript), 1);
  EXPECT_THAT(err.str(), HasSubstr("cannot create the directory"));
}

// A scan table draws its page, or only the values chosen; a choice that does not fit the file
// (an unknown value, a histogram id of a scan table, values of a run file) gets one line before
// anything is drawn.
TEST(PlotScanTest, ChosenValuesAndChoicesThatDoNotFit) {
  testing::TempDir dir;
  testing::writeSampleScanFile(dir / "scan.h5", "model");
  testing::writeSampleRunFile(dir / "h1.h5");
  std::ostringstream err;
  PlotChoice chosen;
  chosen.values = {"rot_diff_scat_share", "det_in"};
  ASSERT_EQ(plotFile(dir / "scan.h5", dir / "chosen", err, kScript, chosen), 0) << err.str();
  EXPECT_GT(fs::file_size(dir / "chosen/scan.png"), 20000u);

  struct Refused {
    std::string file;
    PlotChoice choice;
    std::string says;
  };
  PlotChoice unknown, id, values;
  unknown.values = {"rot_diff", "rot_dif"};
  id.id = 3007;
  values.values = {"rot_diff"};
  const std::vector<Refused> refused = {
      {"scan.h5", unknown, "holds no value rot_dif (it holds det_in,"},
      {"scan.h5", id, "is a scan table (it holds report values per point, no histogram 3007)"},
      {"h1.h5", values, "is a run's file, not a scan table (--value rot_diff"},
  };
  for (const Refused& r : refused) {
    err.str("");
    EXPECT_EQ(plotFile(dir / r.file, dir / "refused", err, kScript, r.choice), kInspectFailure);
    EXPECT_THAT(err.str(), MatchesRegex("ornaplex plot: [^\n]*\n")) << r.says;
    EXPECT_THAT(err.str(), HasSubstr(r.says));
    EXPECT_FALSE(fs::exists(dir / "refused"));
  }
}

// Contents no run fills (NaN, infinite, negative, as a hand-made or damaged file may hold) are
// drawn without a flood of library warnings: one line of ours names them.
TEST(PlotScriptTest, OddContentsGiveOneWarningLine) {
  testing::TempDir dir;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  HistogramStore store;
  Histogram1D& rot = store.book1(3007, "th_rotation (mrad) DetB", 20, -10.0f, 50.0f);
  Histogram1D& side = store.book1(3011, "th_rotation (mrad) DetL", 20, -10.0f, 50.0f);
  Histogram2D& map =
      store.book2(8010, "sig tot (b/atom) vs. q (1/Ang)", 10, 0.0f, 4.0f, 10, 0.0f, 1.0f);
  for (int k = 1; k <= 20; ++k) rot.setSlot(k, k % 3 == 0 ? nan : double(k * k * k));
  side.setSlot(4, -5.0);
  side.setSlot(5, 1.0e4);
  for (int k = 0; k < 12 * 12; ++k) map.setSlot(k, k % 7 == 0 ? inf : double(k));
  map.setSlot(30, -2.0);
  writeHistogramFile(dir / "h7.h5", store, {{"seed", std::int64_t(7)}});
  const std::string cmd = "/usr/bin/python3 " + kScript + " '" + (dir / "h7.h5") + "' --output '" +
                          (dir / "out") + "' > '" + (dir / "said.txt") + "' 2> '" +
                          (dir / "log.txt") + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream log(dir / "log.txt");
  std::stringstream text;
  text << log.rdbuf();
  EXPECT_THAT(text.str(), ::testing::MatchesRegex("plot_run.py: warning: h3007, h3011, h8010 hold "
                                                  "[0-9]+ NaN or infinite and 2 negative[^\n]*\n"));
  std::ifstream said(dir / "said.txt");
  std::string line;
  std::getline(said, line);
  EXPECT_EQ(line, "wrote 3 histogram pictures (h<id>.png), overview.png and overview.pdf in " +
                      (dir / "out"));
  EXPECT_GT(fs::file_size(dir / "out/h3007.png"), 5000u);
  EXPECT_GT(fs::file_size(dir / "out/h8010.png"), 5000u);
  EXPECT_TRUE(fs::exists(dir / "out/overview.pdf"));
}

// A NeXus viewer's reader finds every histogram as a plot and opens the file on the detector
// rotation.
TEST(ViewerCheckTest, EveryHistogramIsNXdataAndTheDefaultIsTheRotation) {
  testing::TempDir dir;
  const std::string file = dir / "h12345.h5";
  testing::writeSampleRunFile(file);
  const std::string check = "/usr/bin/python3 " + std::string(ORNAPLEX_SOURCE_DIR) +
                            "/tests/python/check_nexus.py " + file;
  // The writer adds the default chain before the file appears.
  EXPECT_EQ(std::system(check.c_str()), 0);
}

}  // namespace
}  // namespace ornaplex
