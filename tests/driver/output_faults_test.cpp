// Failed writes, as a user meets them: a disk that fills up while the run, a --blocks piece, a
// merge or a conversion writes; a name taken while the file is written; a screen that cannot
// be written; a run killed while its events run. Every file appears complete or not at all,
// the program says why in one line and exits 1, and nothing blocks the retry.
//
// Disk errors are injected with strace when it is installed.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "h5file/histogram_file.h"
#include "run_program.h"

namespace ornaplex {
namespace {

namespace fs = std::filesystem;
using testing::filesLike;
using testing::freshDir;
using testing::ProgramRun;
using testing::readText;
using testing::runProgram;

const std::string kData = std::string(ORNAPLEX_SOURCE_DIR) + "/data";
const std::string kRun =
    "--events 2000 --block-size 500 --threads 2 --quiet --data-dir '" + kData + "'";

bool haveStrace() {
  return std::system("command -v strace > /dev/null 2>&1") == 0;
}

#define REQUIRE_STRACE()                                                     \
  if (!haveStrace())                                                         \
  GTEST_SKIP() << "strace not found: the disk faults are injected with it; " \
                  "install strace to run this test"

// The sanitizers' run-time library makes write calls of its own, at moments that vary: the
// n-th write of a run is then not always the same one.
#define REQUIRE_EXACT_WRITE_COUNT()                 \
  if (std::getenv("ORNAPLEX_SANITIZED") != nullptr) \
  GTEST_SKIP() << "the sanitizers' own write calls move the write to fail"

// The program under strace with the given strace options (the sanitizers' leak check, which
// needs ptrace itself, is off there).
ProgramRun runTraced(const fs::path& dir, const std::string& straceOptions,
                     const std::string& args) {
  return runProgram(dir, args, "ASAN_OPTIONS=detect_leaks=0 strace -f -qq " + straceOptions + " ");
}

// The number of the first write(2) to a file whose path holds `part`, counted over the whole
// program as strace counts for :when= (found by a traced run in a scratch directory).
int writeNumber(const fs::path& scratch, const std::string& args, const std::string& part) {
  fs::create_directories(scratch);
  const auto r = runTraced(scratch, "-y -o trace.txt -e trace=write", args);
  EXPECT_EQ(r.status, 0) << r.err;
  // Lines read "PID write(FD</path>, ..." (continuations of an interrupted call do not).
  std::ifstream in(scratch / "trace.txt");
  int n = 0;
  for (std::string line; std::getline(in, line);) {
    const std::size_t call = line.find(" write(");
    if (call == std::string::npos || line.find_first_not_of("0123456789 ") != call + 1) continue;
    ++n;
    const std::size_t open = line.find('<', call);
    const std::size_t close = line.find('>', open);
    if (open != std::string::npos && close != std::string::npos &&
        line.substr(open + 1, close - open - 1).find(part) != std::string::npos)
      return n;
  }
  ADD_FAILURE() << "no write to a file named like " << part;
  return 0;
}

std::string failAt(int n, const char* error = "ENOSPC", const char* call = "write") {
  return "-o /dev/null -e trace=" + std::string(call) + " -e inject=" + call + ":error=" + error +
         ":when=" + std::to_string(n);
}

// One line on stderr, ours, naming the file and the reason; nothing of the library's.
void expectOneLine(const ProgramRun& r, const std::string& file, const std::string& reason) {
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_EQ(r.err.rfind("ornaplex: ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("HDF5"), std::string::npos) << r.err;
}

void expectNoTemporaryFile(const fs::path& dir) {
  for (const auto& e : fs::directory_iterator(dir))
    EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
}

TEST(OutputFaults, ADiskErrorWhenTheFileIsSyncedFailsTheRun) {
  REQUIRE_STRACE();
  const fs::path dir = freshDir("faults-sync");
  const auto r = runTraced(dir, failAt(1, "EIO", "fsync"), "--seed 7 --output-dir out " + kRun);
  expectOneLine(r, "out/h7.h5", "Input/output error");
  EXPECT_FALSE(fs::exists(dir / "out/h7.h5"));
  expectNoTemporaryFile(dir / "out");
}

TEST(OutputFaults, AFullDiskFailsTheRunInOneLineAndTheRetrySucceeds) {
  REQUIRE_STRACE();
  REQUIRE_EXACT_WRITE_COUNT();
  const fs::path dir = freshDir("faults-run");
  const std::string args = "--seed 7 --output-dir out " + kRun;
  const int logWrite = writeNumber(dir / "scratch-log", args, "/out/ornaplex-");
  const int fileWrite = writeNumber(dir / "scratch-h5", args, ".h7.h5.tmp-");

  // Before anything is written: no log is left behind (it would block the retry).
  auto r = runTraced(dir, failAt(logWrite), args);
  expectOneLine(r, "ornaplex-", "No space left on device");
  EXPECT_TRUE(filesLike(dir / "out", "ornaplex-", ".o").empty());
  EXPECT_FALSE(fs::exists(dir / "out/h7.h5"));

  // The histogram file: not published, no temporary file; the log keeps the report.
  r = runTraced(dir, failAt(fileWrite), args);
  expectOneLine(r, "out/h7.h5", "No space left on device");
  EXPECT_FALSE(fs::exists(dir / "out/h7.h5"));
  expectNoTemporaryFile(dir / "out");
  const auto logs = filesLike(dir / "out", "ornaplex-", ".o");
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_NE(readText(logs[0]).find(" det in"), std::string::npos);
  EXPECT_NE(readText(logs[0]).find("No space left on device"), std::string::npos);

  // The retry (in another directory: the log of this minute is taken) writes a whole file.
  r = runProgram(dir, "--seed 7 --output-dir again " + kRun);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readHistogramFile((dir / "again/h7.h5").string()).ids().size(), 73u);
}

TEST(OutputFaults, AFullDiskFailsBlocksMergeAndConvertAndTheRetrySucceeds) {
  REQUIRE_STRACE();
  REQUIRE_EXACT_WRITE_COUNT();
  const fs::path dir = freshDir("faults-merge");
  const std::string low = "--seed 9 --blocks 0:1 " + kRun;
  const int partWrite = writeNumber(dir / "scratch-part", low, ".h9-b0-1.h5.tmp-");
  auto r = runTraced(dir, failAt(partWrite), low);
  expectOneLine(r, "h9-b0-1.h5", "No space left on device");
  EXPECT_TRUE(filesLike(dir, "h9", ".h5").empty());
  expectNoTemporaryFile(dir);
  ASSERT_EQ(runProgram(dir, low).status, 0);
  ASSERT_EQ(runProgram(dir, "--seed 9 --blocks 2:3 " + kRun).status, 0);

  const std::string merge = "merge m.h5 h9-b0-1.h5 h9-b2-3.h5";
  fs::create_directories(dir / "scratch-merge");
  for (const char* f : {"h9-b0-1.h5", "h9-b2-3.h5"}) fs::copy(dir / f, dir / "scratch-merge" / f);
  const int mergeLogWrite = writeNumber(dir / "scratch-merge", merge, "/m.o");
  fs::remove(dir / "scratch-merge/m.h5");
  fs::remove(dir / "scratch-merge/m.o");
  const int mergeWrite = writeNumber(dir / "scratch-merge", merge, ".m.h5.tmp-");
  for (int at : {mergeLogWrite, mergeWrite}) {
    SCOPED_TRACE(at);
    r = runTraced(dir, failAt(at), merge);
    expectOneLine(r, at == mergeWrite ? "m.h5" : "m.o", "No space left on device");
    EXPECT_FALSE(fs::exists(dir / "m.h5"));
    EXPECT_FALSE(fs::exists(dir / "m.o"));  // nothing blocks the same merge again
    expectNoTemporaryFile(dir);
  }
  r = runProgram(dir, merge);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readHistogramFile((dir / "m.h5").string()).ids().size(), 73u);

  std::ofstream(dir / "t.csv") << "low,high,content\n0,1,2\n1,2,3\n";
  r = runTraced(dir, failAt(1), "convert t.csv t.h5 --id 100");
  expectOneLine(r, "t.h5", "No space left on device");
  EXPECT_FALSE(fs::exists(dir / "t.h5"));
  expectNoTemporaryFile(dir);
  ASSERT_EQ(runProgram(dir, "convert t.csv t.h5 --id 100").status, 0);
  EXPECT_EQ(readInputHistogram((dir / "t.h5").string(), 100).content(1), 3.0);
}

TEST(OutputFaults, ANameTakenWhileWritingIsNeverLost) {
  REQUIRE_STRACE();
  const fs::path dir = freshDir("faults-taken");
  // Another run of the seed publishes h5.h5 first: this one takes the next free name and says so.
  const std::string taken =
      "-o /dev/null -e trace=renameat2 -e inject=renameat2:error=EEXIST:when=1";
  auto r = runTraced(dir, taken, "--seed 5 " + kRun);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(dir / "h5.h5"));
  EXPECT_NE(r.out.find(" h5-1.h5"), std::string::npos) << r.out;
  EXPECT_EQ(readHistogramFile((dir / "h5-1.h5").string()).ids().size(), 73u);
  EXPECT_NE(readText(filesLike(dir, "ornaplex-", ".o").at(0)).find(" h5-1.h5"), std::string::npos);

  // An exact name (a conversion's) is not changed: the finished file is kept and named.
  std::ofstream(dir / "t.csv") << "low,high,content\n0,1,2\n";
  r = runTraced(dir, taken, "convert t.csv t.h5 --id 100");
  EXPECT_EQ(r.status, 1);
  const auto kept = filesLike(dir, ".t.h5.tmp-", "");
  ASSERT_EQ(kept.size(), 1u) << r.err;
  EXPECT_NE(r.err.find("kept in " + kept[0].filename().string()), std::string::npos) << r.err;
  EXPECT_EQ(readInputHistogram(kept[0].string(), 100).content(0), 2.0);
}

TEST(OutputFaults, ScreenOutputThatCannotBeWrittenFailsTheProgram) {
  const fs::path dir = freshDir("faults-screen");
  for (const std::string& args : {std::string("--version"), "--seed 3 " + kRun}) {
    SCOPED_TRACE(args);
    const auto r = runProgram(dir, args, "", "/dev/full");
    expectOneLine(r, "standard output", "No space left on device");
  }
  // The run's files are complete all the same.
  EXPECT_EQ(readHistogramFile((dir / "h3.h5").string()).ids().size(), 73u);
}

TEST(OutputFaults, AKilledRunLeavesItsSeedInTheLog) {
  const fs::path dir = freshDir("faults-killed");
  const std::string cmd = "cd '" + dir.string() + "' && { '" + ORNAPLEX_BINARY +
                          "' --events 2000000000 --seed 4242 --threads 1 --quiet --data-dir '" +
                          kData + "' > /dev/null 2>&1 & echo $! > pid; }";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const pid_t pid = std::stoi(readText(dir / "pid"));
  std::string log;
  for (int k = 0; k < 300 && log.find("ranNo is") == std::string::npos; ++k) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto logs = filesLike(dir, "ornaplex-", ".o");
    if (logs.size() == 1) log = readText(logs[0]);
  }
  ::kill(pid, SIGKILL);
  EXPECT_NE(log.find(" ranNo is         4242"), std::string::npos) << log;
  EXPECT_NE(log.find("Input histograms from"), std::string::npos) << log;
}

}  // namespace
}  // namespace ornaplex
