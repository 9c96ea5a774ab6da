// The program's boundary: refused options and inputs leave nothing behind, existing files are
// never overwritten, and an empty run writes a complete file.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "driver/clock_record.h"
#include "h5file/histogram_file.h"
#include "run_program.h"

namespace ornaplex {
namespace {

namespace fs = std::filesystem;
using testing::filesLike;
using testing::freshDir;
using testing::runProgram;

const std::string kData = std::string(ORNAPLEX_SOURCE_DIR) + "/data";

TEST(CommandLine, BadOptionValuesAreRefusedBeforeAnythingIsWritten) {
  const struct {
    const char* args;
    const char* mention;
  } cases[] = {
      {"--events -5", "--events"},
      {"--events many", "--events"},
      {"--seed 2147483648", "--seed"},
      {"--seed -1", "--seed"},
      {"--temperature 4.5", "--temperature"},
      {"--temperature 0.2", "--temperature"},
      {"--temperature nan", "--temperature"},
      {"--threads -2", "--threads"},
      {"--field inf", "--field"},
      {"--no-such-option", "no-such-option"},
  };
  for (const auto& c : cases) {
    const fs::path dir = freshDir("badopt");
    const auto r = runProgram(dir, std::string(c.args) + " --output-dir out");
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_NE(r.err.find(c.mention), std::string::npos) << c.args << ": " << r.err;
    EXPECT_NE(r.err.find("Usage"), std::string::npos) << c.args;
    EXPECT_FALSE(fs::exists(dir / "out")) << c.args;
    EXPECT_TRUE(r.out.empty()) << c.args;
  }
}

TEST(CommandLine, TemperatureAtTheTablesSinglePrecisionEndsIsAccepted) {
  const fs::path dir = freshDir("tempends");
  for (const char* t : {"0.20000000298023224", "4.4000000953674316", "2.1"}) {
    const auto r = runProgram(dir / t, std::string("--events 0 --temperature ") + t +
                                           " --seed 3 --data-dir '" + kData + "'");
    EXPECT_EQ(r.status, 0) << t << r.err;
  }
}

TEST(CommandLine, MissingOrUnusableInputStopsBeforeTheLog) {
  const fs::path dir = freshDir("noinput");
  auto r = runProgram(dir, "--events 10 --output-dir out --data-dir /nonexistent");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("lam.h5"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("100"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "out"));

  // A spectrum of zeros in the current directory is read before the shipped one, and refused.
  std::ofstream(dir / "zero.csv") << "low,high,content\n0,1,0\n1,2,0\n";
  r = runProgram(dir, "convert zero.csv lam.h5 --id 100");
  ASSERT_EQ(r.status, 0) << r.err;
  r = runProgram(dir, "--events 10 --output-dir out --data-dir '" + kData + "'");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("lam.h5"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(CommandLine, ExistingLogIsNeverOverwritten) {
  const fs::path dir = freshDir("logexists");
  fs::create_directories(dir / "out");
  // The log name carries the minute: occupy this minute's and the next one's.
  for (const std::time_t t : {std::time(nullptr), std::time(nullptr) + 60}) {
    std::tm local{};
    localtime_r(&t, &local);
    const ClockRecord c = clockRecordOf({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, 0,
                                         local.tm_hour, local.tm_min, local.tm_sec, 0});
    std::ofstream(dir / "out" / logNameOf(c)) << "keep me\n";
  }
  const auto r = runProgram(dir, "--events 0 --seed 5 --output-dir out --data-dir '" + kData + "'");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("already exists"), std::string::npos) << r.err;
  for (const auto& f : filesLike(dir / "out", "ornaplex-", ".o"))
    EXPECT_EQ(testing::readText(f), "keep me\n");
  EXPECT_FALSE(fs::exists(dir / "out/h5.h5"));
}

TEST(CommandLine, EmptyRunWritesCompleteFileAndNeverOverwritesOne) {
  const fs::path dir = freshDir("emptyrun");
  fs::create_directories(dir / "out");
  std::ofstream(dir / "out/h7.h5") << "an older file\n";
  const auto r = runProgram(dir, "--events 0 --seed 7 --output-dir out --data-dir '" + kData + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(testing::readText(dir / "out/h7.h5"), "an older file\n");
  EXPECT_NE(r.out.find(" h7-1.h5"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" ranNo is            7"), std::string::npos) << r.out;
  const HistogramStore store = readHistogramFile((dir / "out/h7-1.h5").string());
  EXPECT_EQ(store.ids().size(), 73u);
  EXPECT_EQ(store.ids().front(), 305);
  EXPECT_EQ(store.ids().back(), 8012);
  EXPECT_EQ(filesLike(dir / "out", "ornaplex-", ".o").size(), 1u);
  EXPECT_FALSE(fs::exists(dir / "out/fort.18"));
}

TEST(CommandLine, HelpAndVersion) {
  const fs::path dir = freshDir("help");
  auto r = runProgram(dir, "--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--events"), std::string::npos);
  r = runProgram(dir, "--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("ornaplex"), std::string::npos);
}

}  // namespace
}  // namespace ornaplex
