// The writing side of the histogram file: files are made in memory and published whole, with
// equal bytes for equal contents and nothing left open in the library, whatever happens.
#include "h5file/histogram_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "h5file/nexus_default.h"
#include "h5file/temp_dir.h"

namespace ornaplex {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

HistogramStore runLikeStore() {
  HistogramStore store;
  Histogram1D& rotation = store.book1(kDefaultPlotId, "th_rotation (mrad) DetB", 200, -10.f, 50.f);
  Histogram2D& map =
      store.book2(8010, "sig tot (b/atom) vs. q (1/Ang)", 100, 0.f, 4.f, 200, 0.f, 1.f);
  for (int k = 0; k < 5000; ++k) {
    rotation.fill(-12.0 + 0.013 * k);
    map.fill(0.0009 * k, 0.0002 * k);
  }
  return store;
}

std::string bytesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

ssize_t openObjects() {
  return H5Fget_obj_count(H5F_OBJ_ALL, H5F_OBJ_ALL);
}

TEST(HistogramWriterTest, EqualContentsGiveEqualFilesWithTheDefaultPlot) {
  testing::TempDir dir;
  const HistogramStore store = runLikeStore();
  const std::vector<Attribute> run = {{"seed", std::int64_t{3}}, {"field_mG", 0.1}};
  const std::vector<SummaryValue> summary = {{"events", std::int64_t{5000}}};
  const std::string a = writeHistogramFile(dir / "a.h5", store, run, summary);
  const std::string b = writeHistogramFile(dir / "b.h5", store, run, summary);
  EXPECT_EQ(bytesOf(a), bytesOf(b));
  EXPECT_EQ(readHistogramFile(a).h2(8010).slots(), store.h2(8010).slots());
  const h5::Handle f(H5Fopen(a.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose, "open");
  const h5::Handle link(H5Oopen(f.get(), "/run/detector_rotation", H5P_DEFAULT), H5Oclose, "open");
  EXPECT_EQ(h5::readIntegerAttribute(link.get(), "id"), kDefaultPlotId);
  EXPECT_EQ(dir.fileCount(), 2u);
}

TEST(HistogramWriterTest, NumberedNamesReturnTheNameWritten) {
  testing::TempDir dir;
  const NewFileName name = NewFileName::firstFree(dir.path(), "h1", ".h5");
  EXPECT_EQ(writeHistogramFile(name, runLikeStore()), dir / "h1.h5");
  EXPECT_EQ(writeHistogramFile(name, runLikeStore()), dir / "h1-1.h5");
}

TEST(HistogramWriterTest, AFailureInsideTheLibraryLeavesNoFileAndNothingOpen) {
  testing::TempDir dir;
  const ssize_t before = openObjects();
  const std::string path = dir / "h2.h5";
  // Two summary values of one name: the library refuses the second half-way through.
  EXPECT_THAT(
      [&] {
        writeHistogramFile(path, runLikeStore(), {},
                           {{"events", std::int64_t{1}}, {"events", std::int64_t{2}}});
      },
      ThrowsMessage<OutputError>(AllOf(HasSubstr(path), HasSubstr("events"))));
  EXPECT_EQ(dir.fileCount(), 0u);
  EXPECT_EQ(openObjects(), before);
  writeHistogramFile(path, runLikeStore());
  EXPECT_EQ(openObjects(), before);
}

// What a viewer reads beside the counts: each axis's quantity and unit (a 2-D map's axes saying
// which index of counts they are), the counts' errors, and the description of a histogram.
TEST(HistogramWriterTest, AxesCarryQuantityAndUnitsAndTheCountsTheirErrors) {
  testing::TempDir dir;
  const std::string path = writeHistogramFile(dir / "h.h5", runLikeStore());
  h5::Handle f(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose, "open");
  const auto text = [&](const std::string& object, const std::string& name) {
    h5::Handle o(H5Oopen(f.get(), object.c_str(), H5P_DEFAULT), H5Oclose, "open " + object);
    return h5::readStringAttribute(o.get(), name);
  };
  EXPECT_EQ(text("histograms/h3007/x", "long_name"), "rotation (mrad)");
  EXPECT_EQ(text("histograms/h3007/x_edges", "units"), "mrad");
  EXPECT_EQ(text("histograms/h3007", "description"), "spin rotation at the detector, both sides");
  EXPECT_EQ(text("histograms/h3007", "title"), "th_rotation (mrad) DetB");  // as booked
  EXPECT_EQ(text("histograms/h8010/x", "long_name"), "q (1/angstrom)");
  EXPECT_EQ(text("histograms/h8010/y", "long_name"), "total cross section (barn)");
  EXPECT_THAT(text("histograms/h8010/counts", "long_name"), HasSubstr("x bin i, y bin j"));
  // A map's signal is its counts as an image, [y bin][x bin], with its own errors.
  std::vector<hsize_t> dims;
  const std::vector<double> counts = h5::readDataset(f.get(), "histograms/h8010/counts", dims);
  ASSERT_EQ(dims, (std::vector<hsize_t>{100, 200}));
  const std::vector<double> image = h5::readDataset(f.get(), "histograms/h8010/image", dims);
  ASSERT_EQ(dims, (std::vector<hsize_t>{200, 100}));
  for (std::size_t i = 0; i < 100; ++i)
    for (std::size_t j = 0; j < 200; ++j) ASSERT_EQ(image[j * 100 + i], counts[i * 200 + j]);
  EXPECT_EQ(text("histograms/h8010/image", "interpretation"), "image");
  for (const char* h : {"histograms/h3007/", "histograms/h8010/image"}) {
    std::vector<hsize_t> dc, de;
    const std::string signal = std::string(h) + (h[std::strlen(h) - 1] == '/' ? "counts" : "");
    const std::string error =
        std::string(h) + (h[std::strlen(h) - 1] == '/' ? "errors" : "_errors");
    const std::vector<double> counts = h5::readDataset(f.get(), signal, dc);
    const std::vector<double> errors = h5::readDataset(f.get(), error, de);
    ASSERT_EQ(dc, de) << h;
    double filled = 0;
    for (std::size_t k = 0; k < counts.size(); ++k) {
      EXPECT_EQ(errors[k], std::sqrt(counts[k])) << h << " bin " << k;
      filled += counts[k];
    }
    EXPECT_GT(filled, 100) << h;
  }
  f.close("close");
}

// A weighted histogram's errors are the square roots of its sums of squared weights, and its
// labels say so; the squares and exact sums cover every slot. An unweighted one has none of it.
TEST(HistogramWriterTest, WeightedErrorsComeFromTheSquaresAndAnalogFilesHaveNone) {
  testing::TempDir dir;
  HistogramStore store;
  store.book1(kDefaultPlotId, "th_rotation (mrad) DetB", 4, 0.f, 4.f);
  store.book2(8010, "sig", 2, 0.f, 2.f, 3, 0.f, 3.f);
  const std::string analog = writeHistogramFile(dir / "a.h5", store);
  store.enableWeights();
  Histogram1D& one = store.h1(kDefaultPlotId);
  Histogram2D& two = store.h2(8010);
  for (double w : {0.5, 1.5, 3.0}) {
    one.fill(1.5, w);
    one.fill(-1.0, 2.0 * w);
    two.fill(0.5, 2.5, w);
    two.fill(5.0, -1.0, w);
  }
  store.flushBlock();
  const std::string weighted = writeHistogramFile(dir / "w.h5", store);

  h5::Handle f(H5Fopen(weighted.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose, "open");
  std::vector<hsize_t> dims;
  const std::string g1 = "histograms/h" + std::to_string(kDefaultPlotId) + "/";
  EXPECT_EQ(h5::readDataset(f.get(), g1 + "counts", dims),
            (std::vector<double>{0.0, 5.0, 0.0, 0.0}));
  EXPECT_EQ(h5::readDataset(f.get(), g1 + "errors", dims),
            (std::vector<double>{0.0, std::sqrt(11.5), 0.0, 0.0}));
  EXPECT_EQ(h5::readDataset(f.get(), g1 + "squares", dims),
            (std::vector<double>{46.0, 0.0, 11.5, 0.0, 0.0, 0.0}));
  EXPECT_EQ(h5::readInt64Dataset(f.get(), g1 + "counts_exact", dims).size(), 12u);
  EXPECT_EQ(dims, (std::vector<hsize_t>{6, 2}));
  // image_errors is [y bin][x bin]: the fill at x bin 0, y bin 2 is its third row.
  EXPECT_EQ(h5::readDataset(f.get(), "histograms/h8010/image_errors", dims),
            (std::vector<double>{0.0, 0.0, 0.0, 0.0, std::sqrt(11.5), 0.0}));
  EXPECT_EQ(h5::readDataset(f.get(), "histograms/h8010/squares", dims)[3 * 5 + 0], 11.5);
  EXPECT_EQ(dims, (std::vector<hsize_t>{4, 5}));
  h5::Handle counts(H5Oopen(f.get(), (g1 + "counts").c_str(), H5P_DEFAULT), H5Oclose, "open");
  EXPECT_THAT(h5::readStringAttribute(counts.get(), "long_name"), HasSubstr("weighted"));
  h5::Handle errors(H5Oopen(f.get(), (g1 + "errors").c_str(), H5P_DEFAULT), H5Oclose, "open");
  EXPECT_THAT(h5::readStringAttribute(errors.get(), "long_name"),
              HasSubstr("sum of squared weights"));
  f.close("close");

  h5::Handle a(H5Fopen(analog.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose, "open");
  for (const char* g : {"histograms/h3007/", "histograms/h8010/"}) {
    for (const char* name : {"squares", "counts_exact", "squares_exact"}) {
      EXPECT_FALSE(h5::hasLink(a.get(), std::string(g) + name)) << g << name;
    }
  }
  a.close("close");
}

// A viewer gets a logarithmic scale hint exactly where `ornaplex plot` draws one.
TEST(HistogramWriterTest, LogScaleHintWhereThePlotUsesOne) {
  struct Case {
    const char* what;
    bool map;
    std::vector<double> filled;  // contents of the first bins, the rest empty
    bool log;
  };
  const std::vector<Case> cases = {
      {"1-D spanning three decades", false, {1.0, 1000.0}, true},
      {"1-D spanning less", false, {1.0, 999.0}, false},
      {"1-D with a negative bin", false, {-1.0, 1.0, 5000.0}, false},
      {"map spanning two decades", true, {1.0, 100.0}, true},
      {"sparse map of single counts", true, {1.0, 1.0}, false},
      {"sparse map of more", true, {1.0, 2.0}, true},
      {"dense map spanning less", true, std::vector<double>(60, 3.0), false},
  };
  testing::TempDir dir;
  for (const Case& c : cases) {
    HistogramStore store;
    if (c.map) {
      Histogram2D& h = store.book2(8010, "map", 10, 0.f, 1.f, 10, 0.f, 1.f);
      for (std::size_t k = 0; k < c.filled.size(); ++k)
        h.setSlot((k / 10 + 1) * 12 + k % 10 + 1, c.filled[k]);
    } else {
      Histogram1D& h = store.book1(3007, "curve", 100, 0.f, 1.f);
      for (std::size_t k = 0; k < c.filled.size(); ++k) h.setSlot(k + 1, c.filled[k]);
    }
    const std::string path = writeHistogramFile(dir / (std::string(c.what) + ".h5"), store);
    const h5::Handle f(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose, "open");
    const h5::Handle g(
        H5Gopen2(f.get(), c.map ? "histograms/h8010" : "histograms/h3007", H5P_DEFAULT), H5Gclose,
        "open");
    EXPECT_EQ(h5::hasAttribute(g.get(), "SILX_style"), c.log) << c.what;
    if (c.log) {
      EXPECT_EQ(h5::readStringAttribute(g.get(), "SILX_style"), R"({"signal_scale_type": "log"})");
    }
  }
}

}  // namespace
}  // namespace ornaplex
