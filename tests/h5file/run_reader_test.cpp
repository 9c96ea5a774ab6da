#include "h5file/run_reader.h"

#include <gtest/gtest.h>

#include <hdf5.h>

#include <fstream>

#include "common/errors.h"
#include "h5file/temp_dir.h"

namespace ornaplex {
namespace {

HistogramStore oneHistogram() {
  HistogramStore s;
  s.book1(1, "x (cm) Up", 10, 0.0f, 1.0f);
  return s;
}

TEST(RunReaderTest, ReadsAttributesByKindAndSummaryInWrittenOrder) {
  testing::TempDir dir;
  const std::string path = dir / "h1.h5";
  writeHistogramFile(
      path, oneHistogram(),
      {{"program", std::string("ornaplex")}, {"seed", std::int64_t(-7)}, {"field_mG", 0.25}},
      {{"zeta", std::int64_t(1) << 60}, {"alpha", 0.5}});
  const StoredRun run = readStoredRun(path);
  // NX_class is the file's own bookkeeping, not the caller's.
  ASSERT_EQ(run.attributes.size(), 3u);
  EXPECT_EQ(std::get<double>(findAttribute(run, "field_mG")->value), 0.25);
  EXPECT_EQ(std::get<std::string>(findAttribute(run, "program")->value), "ornaplex");
  EXPECT_EQ(std::get<std::int64_t>(findAttribute(run, "seed")->value), -7);
  EXPECT_FALSE(findAttribute(run, "NX_class"));
  ASSERT_EQ(run.summary.size(), 2u);
  EXPECT_EQ(run.summary[0].name, "zeta");  // creation order, not name order
  // Counts stay exact beyond 2^53.
  EXPECT_EQ(std::get<std::int64_t>(run.summary[0].value), std::int64_t(1) << 60);
  EXPECT_EQ(std::get<double>(findSummary(run, "alpha")->value), 0.5);
  EXPECT_FALSE(findSummary(run, "beta"));
}

TEST(RunReaderTest, FileWithoutSummaryHasAnEmptyOne) {
  testing::TempDir dir;
  const std::string path = dir / "h1.h5";
  writeHistogramFile(path, oneHistogram());
  EXPECT_TRUE(readStoredRun(path).summary.empty());
}

TEST(RunReaderTest, RefusesMissingAndForeignFiles) {
  testing::TempDir dir;
  EXPECT_THROW(readStoredRun(dir / "none.h5"), InputError);
  const std::string text = dir / "text.h5";
  std::ofstream(text) << "hello\n";
  EXPECT_THROW(readStoredRun(text), InputError);
  // An HDF5 file without /run.
  const hid_t f = H5Fcreate((dir / "empty.h5").c_str(), H5F_ACC_EXCL, H5P_DEFAULT, H5P_DEFAULT);
  ASSERT_GE(f, 0);
  H5Fclose(f);
  try {
    readStoredRun(dir / "empty.h5");
    FAIL() << "no /run accepted";
  } catch (const InputError& e) {
    EXPECT_NE(std::string(e.what()).find("no /run group"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace ornaplex
