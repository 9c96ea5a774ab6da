#include "h5file/nexus_default.h"

#include <gtest/gtest.h>

#include "h5file/h5_handle.h"
#include "h5file/histogram_file.h"
#include "h5file/temp_dir.h"

namespace ornaplex {
namespace {

std::string writeRunFile(const testing::TempDir& dir, int id) {
  HistogramStore s;
  s.book1(id, "th_rotation (mrad) DetB", 200, -10.0f, 50.0f).fill(1.0);
  const std::string path = dir / "h1.h5";
  writeHistogramFile(path, s, {{"program", std::string("ornaplex")}});
  return path;
}

std::string stringAttribute(hid_t file, const std::string& object, const std::string& name) {
  const h5::Handle o(H5Oopen(file, object.c_str(), H5P_DEFAULT), H5Oclose, "open " + object);
  return h5::readStringAttribute(o.get(), name);
}

TEST(NexusDefaultTest, ChainLeadsFromTheRootToTheDetectorRotation) {
  testing::TempDir dir;
  const std::string path = writeRunFile(dir, kDefaultPlotId);  // written with the chain
  {
    h5::Handle f(H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT), H5Fclose, "open");
    addNexusDefault(f.get());  // a second call replaces, it does not fail
    f.close("close");
  }
  const h5::Handle f(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose, "open");
  EXPECT_EQ(stringAttribute(f.get(), "/", "default"), "run");
  EXPECT_EQ(stringAttribute(f.get(), "/run", "default"), kDefaultPlotLink);
  // The link resolves to the histogram group itself.
  EXPECT_EQ(stringAttribute(f.get(), std::string("/run/") + kDefaultPlotLink, "NX_class"),
            "NXdata");
  const h5::Handle g(H5Oopen(f.get(), "/run/detector_rotation", H5P_DEFAULT), H5Oclose, "open");
  EXPECT_EQ(h5::readIntegerAttribute(g.get(), "id"), kDefaultPlotId);
  // The histogram list itself is unchanged.
  EXPECT_EQ(readHistogramFile(path).ids(), std::vector<int>{kDefaultPlotId});
}

TEST(NexusDefaultTest, FilesWithoutTheDetectorRotationGetNoChain) {
  testing::TempDir dir;
  const std::string path = writeRunFile(dir, 1);
  h5::Handle f(H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT), H5Fclose, "open");
  EXPECT_FALSE(h5::hasAttribute(f.get(), "default"));
  EXPECT_THROW(addNexusDefault(f.get()), h5::Failure);
}

}  // namespace
}  // namespace ornaplex
