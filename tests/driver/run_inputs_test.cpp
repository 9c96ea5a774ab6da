#include "driver/run_inputs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "run_program.h"

namespace ornaplex {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using testing::freshDir;
using ::testing::HasSubstr;
using testing::runProgram;

const std::string kDataDir = std::string(ORNAPLEX_SOURCE_DIR) + "/data";

TEST(LocateInputTest, AnythingOfThatNameIsTheUsersChoice) {
  const fs::path dir = freshDir("locate");
  const fs::path here = fs::current_path();
  fs::current_path(dir);
  fs::create_symlink("nowhere.h5", "lam.h5");
  EXPECT_EQ(locateInput("lam.h5", kDataDir), "lam.h5");  // a broken link is not passed over
  EXPECT_EQ(locateInput("sq.h5", kDataDir), kDataDir + "/sq.h5");
  fs::current_path(here);
  fs::remove_all(dir);
}

// A link in the working directory that leads nowhere stops the run with its name; the shipped
// file is never used in its place.
TEST(RunInputsTest, BrokenLinksStopTheRunNamingThem) {
  for (const char* name : {"lam.h5", "sq.h5", "gradx.h5"}) {
    const fs::path dir = freshDir(std::string("link-") + name);
    fs::create_symlink(dir / "missing-target.h5", dir / name);
    const auto r = runProgram(dir, "--events 10 --seed 1 --data-dir '" + kDataDir + "'");
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_THAT(r.err,
                AllOf(HasSubstr(name), HasSubstr("is a link to"), HasSubstr("missing-target.h5")))
        << name;
    EXPECT_EQ(r.out, "") << name;
    EXPECT_TRUE(testing::filesLike(dir, "ornaplex-", ".o").empty()) << name;
    fs::remove_all(dir);
  }
}

}  // namespace
}  // namespace ornaplex
