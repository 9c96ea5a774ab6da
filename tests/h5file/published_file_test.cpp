#include "h5file/published_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "common/errors.h"
#include "h5file/temp_dir.h"

namespace ornaplex {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

const std::vector<unsigned char> kBytes = {'o', 'r', 'n', 'a', '\0', 'p', 'l', 'e', 'x', '\n'};

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

const std::string kText(kBytes.begin(), kBytes.end());

TEST(PublishedFileTest, WritesTheBytesUnderAFreeNameAndLeavesNoTemporaryFile) {
  testing::TempDir dir;
  const std::string path = dir / "h3.h5";
  EXPECT_EQ(publishNewFile(NewFileName::exactly(path), "histogram file", kBytes), path);
  EXPECT_EQ(contents(path), kText);
  EXPECT_EQ(publishNewFile(NewFileName::firstFree(dir.path(), "h4", ".h5"), "file", kBytes),
            dir / "h4.h5");
  EXPECT_EQ(contents(dir / "h4.h5"), kText);
  EXPECT_EQ(publishNewFile(NewFileName::exactly(dir / "empty"), "file", {}), dir / "empty");
  EXPECT_EQ(contents(dir / "empty"), "");
  EXPECT_EQ(dir.fileCount(), 3u);
}

TEST(PublishedFileTest, TakenNamesAreNeverReplaced) {
  testing::TempDir dir;
  const std::string path = dir / "h3.h5";
  { std::ofstream(path) << "precious"; }
  // An exact name that is taken is refused before anything is written.
  EXPECT_THAT([&] { publishNewFile(NewFileName::exactly(path), "histogram file", kBytes); },
              ThrowsMessage<OutputError>(AllOf(HasSubstr(path), HasSubstr("exists"))));
  EXPECT_EQ(contents(path), "precious");
  EXPECT_EQ(dir.fileCount(), 1u);
  // A numbered name takes the smallest free number.
  const NewFileName numbered = NewFileName::firstFree(dir.path(), "h3", ".h5");
  EXPECT_EQ(publishNewFile(numbered, "histogram file", kBytes), dir / "h3-1.h5");
  { std::ofstream(dir / "h3-3.h5") << "x"; }
  EXPECT_EQ(publishNewFile(numbered, "histogram file", kBytes), dir / "h3-2.h5");
  EXPECT_EQ(publishNewFile(numbered, "histogram file", kBytes), dir / "h3-4.h5");
  EXPECT_EQ(contents(path), "precious");
  EXPECT_EQ(dir.fileCount(), 5u);
}

TEST(PublishedFileTest, NameTakenWhileWritingGetsTheNextFreeNumber) {
  testing::TempDir dir;
  StagedFile file(NewFileName::firstFree(dir.path(), "h9", ".h5"), "histogram file");
  EXPECT_EQ(file.intendedPath(), dir / "h9.h5");
  file.write(kBytes);
  // Another run of the same seed finishes first.
  { std::ofstream(dir / "h9.h5") << "the other run"; }
  EXPECT_EQ(file.publish(), dir / "h9-1.h5");
  EXPECT_EQ(contents(dir / "h9.h5"), "the other run");
  EXPECT_EQ(contents(dir / "h9-1.h5"), kText);
  EXPECT_EQ(dir.fileCount(), 2u);
}

TEST(PublishedFileTest, ExactNameTakenWhileWritingKeepsTheResultsAndNamesThem) {
  testing::TempDir dir;
  const std::string path = dir / "merged.h5";
  std::string kept;
  {
    StagedFile file(NewFileName::exactly(path), "histogram file");
    file.write(kBytes);
    { std::ofstream(path) << "someone else's"; }
    kept = file.temporaryPath();
    EXPECT_THAT([&] { file.publish(); },
                ThrowsMessage<OutputError>(AllOf(HasSubstr(path),
                                                 HasSubstr("appeared while it was written"),
                                                 HasSubstr("kept in " + kept))));
  }
  EXPECT_EQ(contents(path), "someone else's");
  EXPECT_EQ(contents(kept), kText);  // still there after the StagedFile is gone
}

TEST(PublishedFileTest, UnwritableDirectoriesFailWithTheReasonAndLeaveNothing) {
  testing::TempDir dir;
  const std::string plain = dir / "plain";
  { std::ofstream(plain) << "x"; }
  // A directory that is a regular file stops root too.
  const std::string under = plain + "/h1.h5";
  EXPECT_THAT([&] { publishNewFile(NewFileName::exactly(under), "histogram file", kBytes); },
              ThrowsMessage<OutputError>(AllOf(HasSubstr(under), HasSubstr("Not a directory"))));
  EXPECT_THAT([&] { publishNewFile(NewFileName::firstFree(plain, "h1", ".h5"), "file", kBytes); },
              ThrowsMessage<OutputError>(HasSubstr("Not a directory")));
  EXPECT_THAT([&] { publishNewFile(NewFileName::exactly(dir / "no/such/h1.h5"), "file", kBytes); },
              ThrowsMessage<OutputError>(AllOf(HasSubstr("No such file or directory"),
                                               HasSubstr("check that its directory"))));
  // /proc takes no new files, whoever asks.
  EXPECT_THROW(publishNewFile(NewFileName::exactly("/proc/ornaplex-h1.h5"), "file", kBytes),
               OutputError);
  EXPECT_EQ(dir.fileCount(), 1u);
}

TEST(PublishedFileTest, AFileIsKeptWithThePermissionsOfANewFile) {
  testing::TempDir dir;
  const mode_t old = ::umask(022);
  const std::string path = publishNewFile(NewFileName::exactly(dir / "a.h5"), "file", kBytes);
  ::umask(old);
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(PublishedFileTest, FreeOutputNameCountsUp) {
  testing::TempDir dir;
  const std::string d = dir.path().string();
  EXPECT_EQ(freeOutputName(d, "h42", ".h5"), "h42.h5");
  { std::ofstream(dir / "h42.h5") << "x"; }
  EXPECT_EQ(freeOutputName(d, "h42", ".h5"), "h42-1.h5");
  { std::ofstream(dir / "h42-1.h5") << "x"; }
  { std::ofstream(dir / "h42-3.h5") << "x"; }
  EXPECT_EQ(freeOutputName(d, "h42", ".h5"), "h42-2.h5");
  EXPECT_EQ(freeOutputName(dir / "absent", "h42", ".h5"), "h42.h5");
}

}  // namespace
}  // namespace ornaplex
