#include "h5file/readable_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/errors.h"
#include "h5file/histogram_file.h"
#include "h5file/temp_dir.h"

namespace ornaplex {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::ThrowsMessage;

std::string writeGoodFile(const testing::TempDir& dir, const std::string& name) {
  HistogramStore s;
  Histogram1D& h = s.book1(100, "lambda (Angs)", 4, 0.0f, 20.0f);
  h.fill(3.0);
  writeHistogramFile(dir / name, s);
  return dir / name;
}

// Each way a file can fail to open is told by its own reason, never by a neighbour's.
TEST(ReadableFileTest, EachFailureNamesItsOwnReason) {
  testing::TempDir dir;
  const std::string good = writeGoodFile(dir, "good.h5");
  fs::create_symlink(dir / "nowhere.h5", dir / "dangling.h5");
  fs::create_symlink(dir / "loop-b.h5", dir / "loop-a.h5");
  fs::create_symlink(dir / "loop-a.h5", dir / "loop-b.h5");
  fs::create_directory(dir / "folder.h5");
  { std::ofstream(dir / "text.h5") << "not hdf5 at all"; }
  { std::ofstream(dir / "empty.h5"); }
  // The first half of a real file: the signature is there, the rest is not.
  const auto size = fs::file_size(good);
  fs::copy_file(good, dir / "truncated.h5");
  fs::resize_file(dir / "truncated.h5", size / 2);

  struct Case {
    std::string name, reason, advice;
  };
  const Case cases[] = {
      {"absent.h5", "No such file or directory", "check the file name"},
      {"dangling.h5", "is a link to " + (dir / "nowhere.h5") + ", which cannot be opened: No such",
       "links"},
      {"loop-a.h5", "Too many levels of symbolic links", "links"},
      {"folder.h5", "is a directory", "check the file"},
      {"text.h5", "is not an HDF5 file", "give a histogram file"},
      {"empty.h5", "is not an HDF5 file", "give a histogram file"},
      {"truncated.h5", "truncated or damaged HDF5 file", "write the file again"},
  };
  for (const Case& c : cases) {
    const std::string path = dir / c.name;
    EXPECT_THAT([&] { openHdf5ForReading(path, "the test file"); },
                ThrowsMessage<InputError>(AllOf(HasSubstr("cannot read the test file (" + path),
                                                HasSubstr(c.reason), HasSubstr(c.advice),
                                                Not(HasSubstr("permissions)")))))
        << c.name;
  }
  EXPECT_GE(openHdf5ForReading(good, "the test file").get(), 0);
  EXPECT_EQ(unreadableReason(good), "");
}

TEST(ReadableFileTest, UnreadableFileIsNotCalledForeign) {
  if (::geteuid() == 0) GTEST_SKIP() << "running as root: file permissions do not stop reading";
  testing::TempDir dir;
  const std::string good = writeGoodFile(dir, "locked.h5");
  fs::permissions(good, fs::perms::none);
  EXPECT_THAT([&] { openHdf5ForReading(good, "the test file"); },
              ThrowsMessage<InputError>(
                  AllOf(HasSubstr("Permission denied"), Not(HasSubstr("not an HDF5")))));
}

// The readers of input histograms and of run files give the same reasons.
TEST(ReadableFileTest, ReadersShareTheReasons) {
  testing::TempDir dir;
  fs::create_symlink(dir / "nowhere.h5", dir / "lam.h5");
  EXPECT_THAT([&] { readInputHistogram(dir / "lam.h5", 100); },
              ThrowsMessage<InputError>(
                  AllOf(HasSubstr("input histogram 100"), HasSubstr("is a link to"))));
  EXPECT_THAT([&] { readHistogramFile(dir / "lam.h5"); },
              ThrowsMessage<InputError>(HasSubstr("is a link to")));
}

}  // namespace
}  // namespace ornaplex
