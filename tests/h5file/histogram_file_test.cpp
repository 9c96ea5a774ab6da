#include "h5file/histogram_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <limits>

#include "common/errors.h"
#include "h5file/h5_handle.h"
#include "h5file/sha256.h"
#include "h5file/temp_dir.h"

namespace ornaplex {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

// Bookings like the run's (single-precision ranges, titles with blanks, large 2-D).
HistogramStore bookedCatalogue() {
  HistogramStore store;
  store.book1(305, "q sim(1/Ang)", 100, 0.0f, 4.0f);
  store.book1(3006, "Path length (cm) DeB", 200, 477.18f, 477.34f);
  store.book2(8010, "sig tot (b/atom) vs. q (1/Ang)", 100, 0.0f, 4.0f, 200, 0.0f, 1.0f);
  store.book1(1001, "x (cm) Up", 100, -3.5f, 3.5f);
  store.book1(1, "x (cm) Up", 100, -3.5f, 3.5f);
  store.book1(307, "Eo sim(meV)", 3000, 0.0f, 40.0f);
  store.book1(4018, "phi-0 (deg) ", 200, 0.0f, 360.0f);
  store.book2(6020, "th_rot (mrad) vs. E (meV) detB", 1000, 0.0f, 40.0f, 200, -10.0f, 50.0f);
  store.book1(3003, "thx (mrad) Det", 200, 0.0f, 0.1f);
  return store;
}

// The same filled in range and in every out-of-range region.
HistogramStore filledCatalogue() {
  HistogramStore store = bookedCatalogue();
  double v = 0.1;
  for (int id : store.ids()) {
    if (store.is2D(id)) {
      Histogram2D& h = store.h2(id);
      const Axis& x = h.axisX();
      const Axis& y = h.axisY();
      const double xs[] = {x.low - 1.0, x.low, 0.5 * (x.low + x.high), x.high};
      const double ys[] = {y.low - 1.0, y.low, 0.7 * y.low + 0.3 * y.high, y.high};
      for (int i = 0; i < 4; ++i) {
        for (int j = 0; j <= i * 4 + 4; ++j) h.fill(xs[i], ys[(i + j) % 4]);
      }
      h.fill(std::numeric_limits<double>::quiet_NaN(), y.low);
    } else {
      Histogram1D& h = store.h1(id);
      const Axis& a = h.axis();
      for (int k = 0; k < 50; ++k) {
        v = std::fmod(v * 7.31 + 0.17, 1.0);
        h.fill(a.low + (a.high - a.low) * (1.2 * v - 0.1));
      }
      h.fill(a.high);
    }
  }
  return store;
}

void expectIdentical(const HistogramStore& a, const HistogramStore& b) {
  ASSERT_EQ(a.ids(), b.ids());
  ASSERT_TRUE(a.sameBooking(b));
  for (int id : a.ids()) {
    if (a.is2D(id)) {
      EXPECT_EQ(a.h2(id).slots(), b.h2(id).slots()) << id;
      EXPECT_EQ(a.h2(id).entries(), b.h2(id).entries()) << id;
    } else {
      EXPECT_EQ(a.h1(id).slots(), b.h1(id).slots()) << id;
      EXPECT_EQ(a.h1(id).entries(), b.h1(id).entries()) << id;
    }
  }
}

TEST(HistogramFileTest, RoundTripKeepsOrderTitlesRangesContentsAndFlows) {
  testing::TempDir dir;
  const HistogramStore store = filledCatalogue();
  ASSERT_GT(store.h2(8010).slot(0, 0), 0.0);
  const std::string path = dir / "h123.h5";
  writeHistogramFile(path, store, {{"seed", std::int64_t{123}}, {"program", std::string("x")}},
                     {{"events", std::int64_t{300}}, {"mean_rotation_mrad", 1.25}},
                     {{"default", std::string("run")}});
  const HistogramStore back = readHistogramFile(path);
  expectIdentical(store, back);
  EXPECT_EQ(back.h1(4018).title(), "phi-0 (deg) ");
  EXPECT_EQ(dir.fileCount(), 1u);  // no temporary file left
}

TEST(HistogramFileTest, LayoutHoldsAttributesFlowsAndRunValues) {
  testing::TempDir dir;
  HistogramStore store;
  Histogram1D& one = store.book1(4018, "phi-0 (deg) ", 4, 0.0f, 360.0f);
  one.fill(-1.0);
  one.fill(400.0);
  one.fill(400.0);
  one.fill(10.0);
  Histogram2D& two = store.book2(8011, "Thx", 2, 0.0f, 2.0f, 3, 0.0f, 0.1f);
  two.fill(-1.0, 0.01);
  two.fill(-1.0, 0.09);
  two.fill(1.0, 0.2);
  two.fill(0.5, 0.05);
  const std::string path = dir / "out.h5";
  writeHistogramFile(path, store, {{"seed", std::int64_t{7}}}, {{"events", std::int64_t{9}}},
                     {{"default", std::string("run")}});

  h5::Handle f(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose, "open");
  h5::Handle g(H5Gopen2(f.get(), "/histograms/h4018", H5P_DEFAULT), H5Gclose, "open");
  EXPECT_EQ(h5::readStringAttribute(g.get(), "NX_class"), "NXdata");
  EXPECT_EQ(h5::readStringAttribute(g.get(), "signal"), "counts");
  EXPECT_EQ(h5::readStringAttribute(g.get(), "axes"), "x");
  EXPECT_EQ(h5::readStringAttribute(g.get(), "title"), "phi-0 (deg) ");
  EXPECT_EQ(h5::readIntegerAttribute(g.get(), "id"), 4018);
  EXPECT_EQ(h5::readIntegerAttribute(g.get(), "entries"), 4);
  EXPECT_EQ(h5::readDoubleAttribute(g.get(), "underflow"), 1.0);
  EXPECT_EQ(h5::readDoubleAttribute(g.get(), "overflow"), 2.0);
  std::vector<hsize_t> dims;
  EXPECT_EQ(h5::readDataset(g.get(), "x_edges", dims),
            (std::vector<double>{0.0, 90.0, 180.0, 270.0, 360.0}));
  EXPECT_EQ(h5::readDataset(g.get(), "x", dims), (std::vector<double>{45.0, 135.0, 225.0, 315.0}));
  EXPECT_EQ(h5::readDataset(g.get(), "counts", dims), (std::vector<double>{1.0, 0.0, 0.0, 0.0}));

  h5::Handle g2(H5Gopen2(f.get(), "/histograms/h8011", H5P_DEFAULT), H5Gclose, "open");
  EXPECT_EQ(h5::readDataset(g2.get(), "counts", dims).size(), 6u);
  EXPECT_EQ(dims, (std::vector<hsize_t>{2, 3}));
  // x under/in/over by y under/in/over; the centre is the in-range total.
  EXPECT_EQ(h5::readDataset(g2.get(), "flow", dims),
            (std::vector<double>{0.0, 2.0, 0.0, 0.0, 1.0, 1.0, 0.0, 0.0, 0.0}));

  h5::Handle run(H5Gopen2(f.get(), "/run", H5P_DEFAULT), H5Gclose, "open");
  EXPECT_EQ(h5::readStringAttribute(run.get(), "NX_class"), "NXentry");
  EXPECT_EQ(h5::readIntegerAttribute(run.get(), "seed"), 7);
  h5::Handle summary(H5Gopen2(f.get(), "/run/summary", H5P_DEFAULT), H5Gclose, "open");
  EXPECT_EQ(h5::readDataset(summary.get(), "events", dims), (std::vector<double>{9.0}));
  h5::Handle root(H5Gopen2(f.get(), "/", H5P_DEFAULT), H5Gclose, "open");
  EXPECT_EQ(h5::readStringAttribute(root.get(), "default"), "run");

  // Reading the file back restores the strips of the 2-D histogram, not only their totals.
  const HistogramStore back = readHistogramFile(path);
  EXPECT_EQ(back.h2(8011).slot(0, 1), 1.0);
  EXPECT_EQ(back.h2(8011).slot(0, 3), 1.0);
}

TEST(HistogramFileTest, NeverOverwritesAnExistingFile) {
  testing::TempDir dir;
  const std::string path = dir / "h5.h5";
  { std::ofstream(path) << "precious"; }
  const std::string before = sha256File(path);
  EXPECT_THAT([&] { writeHistogramFile(path, filledCatalogue()); },
              ThrowsMessage<OutputError>(AllOf(HasSubstr(path), HasSubstr("exists"))));
  EXPECT_EQ(sha256File(path), before);
  EXPECT_EQ(dir.fileCount(), 1u);
  // A second write of a real histogram file is refused the same way.
  const std::string second = dir / "h6.h5";
  writeHistogramFile(second, filledCatalogue());
  EXPECT_THROW(writeHistogramFile(second, HistogramStore{}), OutputError);
  EXPECT_EQ(readHistogramFile(second).ids().size(), 9u);
}

TEST(HistogramFileTest, FailedWritesLeaveNoFile) {
  testing::TempDir dir;
  const std::string missing = dir / "no/such/dir/h1.h5";
  EXPECT_THAT([&] { writeHistogramFile(missing, filledCatalogue()); },
              ThrowsMessage<OutputError>(HasSubstr(missing)));
  // A failure half-way through (two summary values of the same name) removes the partial file.
  const std::string path = dir / "h2.h5";
  EXPECT_THAT(
      [&] {
        writeHistogramFile(path, filledCatalogue(), {},
                           {{"events", std::int64_t{1}}, {"events", std::int64_t{2}}});
      },
      ThrowsMessage<OutputError>(HasSubstr(path)));
  EXPECT_EQ(dir.fileCount(), 0u);
  const std::string plainFile = dir / "plain";
  { std::ofstream(plainFile) << "x"; }
  EXPECT_THAT([&] { writeHistogramFile(plainFile + "/h4.h5", filledCatalogue()); },
              ThrowsMessage<OutputError>(HasSubstr(plainFile + "/h4.h5")));
  EXPECT_EQ(dir.fileCount(), 1u);
  if (geteuid() != 0) {  // root writes anywhere
    const std::string locked = dir / "locked";
    ASSERT_EQ(mkdir(locked.c_str(), 0555), 0);
    EXPECT_THAT([&] { writeHistogramFile(locked + "/h3.h5", filledCatalogue()); },
                ThrowsMessage<OutputError>(HasSubstr(locked + "/h3.h5")));
  }
}

// ---------------------------------------------------------------------------------------------
// Weighted histograms.

// The catalogue's bookings, weighted, filled over blocks first..last (flushed after each) with
// weights over twelve orders of magnitude, so that double sums would depend on their order.
HistogramStore weightedBlocks(int first, int last) {
  HistogramStore store = bookedCatalogue();
  store.enableWeights();
  for (int b = first; b <= last; ++b) {
    double r = 0.1 + 0.05 * b;
    for (int k = 0; k < 300; ++k) {
      r = 3.99 * r * (1.0 - r);
      const double w = std::pow(10.0, 12.0 * r - 6.0);
      for (int id : store.ids()) {
        if (store.is2D(id)) {
          Histogram2D& h = store.h2(id);
          const Axis& x = h.axisX();
          const Axis& y = h.axisY();
          h.fill(x.low + (x.high - x.low) * (1.2 * r - 0.1), y.low + (y.high - y.low) * r, w);
        } else {
          Histogram1D& h = store.h1(id);
          const Axis& a = h.axis();
          h.fill(a.low + (a.high - a.low) * (1.2 * r - 0.1), w);
        }
      }
    }
    store.flushBlock();
  }
  return store;
}

template <class H>
void expectSameSums(const H& a, const H& b, int id) {
  EXPECT_EQ(a.slots(), b.slots()) << id;
  EXPECT_EQ(a.squares(), b.squares()) << id;
  EXPECT_TRUE(a.exactCounts() == b.exactCounts()) << id;
  EXPECT_TRUE(a.exactSquares() == b.exactSquares()) << id;
  EXPECT_EQ(a.entries(), b.entries()) << id;
}

void expectSameWeightedStore(const HistogramStore& a, const HistogramStore& b) {
  ASSERT_TRUE(a.weighted());
  ASSERT_TRUE(b.weighted());
  ASSERT_TRUE(a.sameBooking(b));
  for (int id : a.ids()) {
    if (a.is2D(id))
      expectSameSums(a.h2(id), b.h2(id), id);
    else
      expectSameSums(a.h1(id), b.h1(id), id);
  }
}

TEST(WeightedHistogramFileTest, RoundTripIsExactAndFilesMergeToTheWholeRunsBits) {
  testing::TempDir dir;
  const HistogramStore whole = weightedBlocks(0, 5);
  const std::string path = writeHistogramFile(dir / "w.h5", whole);
  expectSameWeightedStore(whole, readHistogramFile(path));
  // Blocks 0-1 and 2-5 written apart, read back and merged in either order.
  const std::string head = writeHistogramFile(dir / "head.h5", weightedBlocks(0, 1));
  const std::string tail = writeHistogramFile(dir / "tail.h5", weightedBlocks(2, 5));
  HistogramStore merged = readHistogramFile(head);
  merged.merge(readHistogramFile(tail));
  HistogramStore reversed = readHistogramFile(tail);
  reversed.merge(readHistogramFile(head));
  expectSameWeightedStore(whole, merged);
  expectSameWeightedStore(whole, reversed);
}

// Removes the datasets named from /histograms/<group> of a file.
void unlink(const std::string& path, const std::string& group,
            const std::vector<std::string>& names) {
  h5::Handle f(H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT), H5Fclose, "open");
  for (const std::string& n : names) {
    h5::check(H5Ldelete(f.get(), ("histograms/" + group + "/" + n).c_str(), H5P_DEFAULT), n);
  }
  f.close("close");
}

TEST(WeightedHistogramFileTest, SumsKnownOnlyAsDoublesAndMixedFiles) {
  testing::TempDir dir;
  const HistogramStore store = weightedBlocks(0, 2);
  // Without the exact sums, the doubles are taken as they are.
  const std::string doubles = writeHistogramFile(dir / "d.h5", store);
  unlink(doubles, "h8010", {"counts_exact", "squares_exact"});
  const HistogramStore back = readHistogramFile(doubles);
  EXPECT_EQ(back.h2(8010).slots(), store.h2(8010).slots());
  EXPECT_EQ(back.h2(8010).squares(), store.h2(8010).squares());
  // A histogram without squares among weighted ones is refused, and a weighted one among
  // unweighted ones.
  const std::string mixed = writeHistogramFile(dir / "m.h5", store);
  unlink(mixed, "h3006", {"squares"});
  EXPECT_THAT(
      [&] { readHistogramFile(mixed); },
      ThrowsMessage<InputError>(AllOf(HasSubstr(mixed), HasSubstr("h3006"), HasSubstr("squares"))));
  const std::string first = writeHistogramFile(dir / "f.h5", store);
  unlink(first, "h305", {"squares"});
  EXPECT_THAT([&] { readHistogramFile(first); },
              ThrowsMessage<InputError>(AllOf(HasSubstr("h3006"), HasSubstr("weighted"))));
}

// ---------------------------------------------------------------------------------------------

HistogramStore inputStore(std::vector<double> contents) {
  HistogramStore s;
  Histogram1D& h =
      s.book1(100, "lambda (Angs) source spectrum", static_cast<int>(contents.size()), 0.0f, 20.0f);
  for (std::size_t i = 0; i < contents.size(); ++i) h.setSlot(i + 1, contents[i]);
  return s;
}

TEST(ReadInputHistogramTest, ReadsAGoodInput) {
  testing::TempDir dir;
  const std::string path = dir / "lam.h5";
  writeHistogramFile(path, inputStore({0.0, 1.0, 2.0, 0.5}));
  const Histogram1D h = readInputHistogram(path, 100);
  EXPECT_EQ(h.title(), "lambda (Angs) source spectrum");
  EXPECT_EQ(h.axis().bins, 4);
  EXPECT_EQ(h.axis().high, 20.0);
  EXPECT_EQ(h.content(2), 2.0);
}

TEST(ReadInputHistogramTest, RefusesWithFileAndIdNamed) {
  testing::TempDir dir;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    std::vector<double> contents;
    std::string why;
  };
  const Case cases[] = {{{1.0, -2.0}, "bin 2 holds -2"},
                        {{nan, 1.0}, "bin 1 holds nan"},
                        {{1.0, inf}, "bin 2 holds inf"},
                        {{0.0, 0.0}, "empty"}};
  int k = 0;
  for (const Case& c : cases) {
    const std::string path = dir / ("bad" + std::to_string(k++) + ".h5");
    writeHistogramFile(path, inputStore(c.contents));
    EXPECT_THAT(
        [&] { readInputHistogram(path, 100); },
        ThrowsMessage<InputError>(AllOf(HasSubstr(path), HasSubstr("100"), HasSubstr(c.why))));
  }
  // A histogram that is only loaded may be all zero.
  EXPECT_EQ(readInputHistogram(dir / "bad3.h5", 100, false).axis().bins, 2);

  const std::string good = dir / "good.h5";
  writeHistogramFile(good, inputStore({1.0}));
  EXPECT_THAT([&] { readInputHistogram(good, 301); },
              ThrowsMessage<InputError>(AllOf(HasSubstr(good), HasSubstr("h301"))));
  EXPECT_THAT([&] { readInputHistogram(dir / "absent.h5", 100); },
              ThrowsMessage<InputError>(HasSubstr("absent.h5")));
  const std::string text = dir / "text.h5";
  { std::ofstream(text) << "not hdf5"; }
  EXPECT_THAT([&] { readInputHistogram(text, 100); },
              ThrowsMessage<InputError>(HasSubstr("not an HDF5 file")));
  EXPECT_THROW(readHistogramFile(text), InputError);
}

// Writes /histograms/h100 by hand with the given edges and counts.
std::string handMade(const testing::TempDir& dir, const std::string& name,
                     const std::vector<double>& edges, const std::vector<hsize_t>& countDims) {
  const std::string path = dir / name;
  h5::Handle f(H5Fcreate(path.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT), H5Fclose, "f");
  h5::Handle hs(H5Gcreate2(f.get(), "histograms", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT), H5Gclose,
                "g");
  h5::Handle g(H5Gcreate2(hs.get(), "h100", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT), H5Gclose, "g");
  std::size_t n = 1;
  for (hsize_t d : countDims) n *= d;
  const std::vector<double> counts(n, 1.0);
  h5::writeDataset(g.get(), "counts", countDims, counts.data(), false);
  if (!edges.empty()) h5::writeDataset(g.get(), "x_edges", {edges.size()}, edges.data(), false);
  return path;
}

TEST(ReadInputHistogramTest, RefusesWrongLayouts) {
  testing::TempDir dir;
  const std::string noEdges = handMade(dir, "a.h5", {}, {3});
  const std::string shortEdges = handMade(dir, "b.h5", {0.0, 1.0, 2.0}, {3});
  const std::string unequal = handMade(dir, "c.h5", {0.0, 1.0, 2.5, 3.0}, {3});
  const std::string twoD = handMade(dir, "d.h5", {0.0, 1.0, 2.0, 3.0}, {3, 2});
  for (const std::string& p : {noEdges, shortEdges, unequal, twoD}) {
    EXPECT_THAT([&] { readInputHistogram(p, 100); },
                ThrowsMessage<InputError>(AllOf(HasSubstr(p), HasSubstr("100"))));
  }
  // Minimal but complete: no title, entries or flows needed.
  const std::string minimal = handMade(dir, "e.h5", {0.0, 1.0, 2.0, 3.0}, {3});
  const Histogram1D h = readInputHistogram(minimal, 100);
  EXPECT_EQ(h.title(), "");
  EXPECT_EQ(h.content(2), 1.0);
}

}  // namespace
}  // namespace ornaplex
