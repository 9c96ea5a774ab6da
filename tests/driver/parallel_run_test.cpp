// Results do not depend on how the work is split: threads, MPI ranks, --blocks pieces merged,
// and an interrupted run completed later all give the same output file and text.
#include <gtest/gtest.h>
#include <hdf5.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "h5file/histogram_file.h"
#include "run_program.h"

namespace ornaplex {
namespace {

namespace fs = std::filesystem;
using testing::filesLike;
using testing::freshDir;
using testing::readText;
using testing::runProgram;

bool sanitized() {
  return std::getenv("ORNAPLEX_SANITIZED") != nullptr;
}

// A small run of several blocks, smaller still under the sanitizers; pairs: an even count.
std::string runArgs(int seed = 4321, bool pairs = false) {
  return "--seed " + std::to_string(seed) +
         // The last block ends in a batch of 3 events (or of 1 pair), fewer than the lanes.
         (sanitized()
              ? (pairs ? " --events 40002" : " --events 40003") + std::string(" --block-size 4096")
              : (pairs ? " --events 200002" : " --events 200003") +
                    std::string(" --block-size 16384"));
}
std::int64_t blockCount() {
  return sanitized() ? 10 : 13;
}
const char* kOutput = "h4321.h5";

// Text without the lines that carry the clock.
std::string withoutTimes(const std::string& text) {
  std::string out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    // The files' names say where each run wrote, and the command how; the runs compared write
    // to other places with other commands.
    if (line.find("Start time:") == std::string::npos &&
        line.find("End time:") == std::string::npos && line.rfind("   Files written: ", 0) != 0 &&
        line.rfind("  Command: ", 0) != 0)
      out += line + "\n";
  return out;
}

std::string logOf(const fs::path& dir) {
  const auto logs = filesLike(dir, "ornaplex-", ".o");
  return logs.size() == 1 ? readText(logs[0]) : std::string("no single log");
}

// Every /run/summary value as the bits stored.
std::map<std::string, std::string> summaryOf(const fs::path& file) {
  std::map<std::string, std::string> values;
  const hid_t f = H5Fopen(file.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
  if (f < 0) return values;
  const hid_t g = H5Gopen2(f, "run/summary", H5P_DEFAULT);
  H5G_info_t info;
  H5Gget_info(g, &info);
  for (hsize_t i = 0; i < info.nlinks; ++i) {
    char name[128] = {};
    H5Lget_name_by_idx(g, ".", H5_INDEX_NAME, H5_ITER_INC, i, name, sizeof name, H5P_DEFAULT);
    const hid_t d = H5Dopen2(g, name, H5P_DEFAULT);
    const hid_t t = H5Dget_type(d);
    const bool isFloat = H5Tget_class(t) == H5T_FLOAT;
    char bits[8] = {};
    H5Dread(d, isFloat ? H5T_NATIVE_DOUBLE : H5T_NATIVE_INT64, H5S_ALL, H5S_ALL, H5P_DEFAULT, bits);
    values[name] = std::string(bits, 8);
    H5Tclose(t);
    H5Dclose(d);
  }
  H5Gclose(g);
  H5Fclose(f);
  return values;
}

// Histograms equal slot for slot (exact) with equal entries.
void expectSameHistograms(const fs::path& a, const fs::path& b) {
  const HistogramStore x = readHistogramFile(a.string());
  const HistogramStore y = readHistogramFile(b.string());
  ASSERT_TRUE(x.sameBooking(y)) << a << " vs " << b;
  for (int id : x.ids()) {
    if (x.is2D(id)) {
      EXPECT_EQ(x.h2(id).slots(), y.h2(id).slots()) << "histogram " << id;
      EXPECT_EQ(x.h2(id).squares(), y.h2(id).squares()) << "histogram " << id;
      EXPECT_EQ(x.h2(id).entries(), y.h2(id).entries()) << "histogram " << id;
    } else {
      EXPECT_EQ(x.h1(id).slots(), y.h1(id).slots()) << "histogram " << id;
      EXPECT_EQ(x.h1(id).squares(), y.h1(id).squares()) << "histogram " << id;
      EXPECT_EQ(x.h1(id).entries(), y.h1(id).entries()) << "histogram " << id;
    }
  }
}

// The reference: the whole run on one thread, made once for the whole test program.
struct Reference {
  fs::path dir;
  std::string screen, log;
};

const Reference& reference() {
  static const Reference ref = [] {
    Reference r;
    r.dir = freshDir("parallel-reference");
    const auto run = runProgram(r.dir, runArgs() + " --threads 1");
    EXPECT_EQ(run.status, 0) << run.err;
    r.screen = withoutTimes(run.out);
    r.log = withoutTimes(logOf(r.dir));
    return r;
  }();
  return ref;
}

void expectSameAsReference(const fs::path& dir, const std::string& screen, const fs::path& file,
                           const std::string& log) {
  const Reference& ref = reference();
  EXPECT_EQ(withoutTimes(screen), ref.screen);
  EXPECT_EQ(withoutTimes(log), ref.log);
  expectSameHistograms(ref.dir / kOutput, file);
  EXPECT_EQ(summaryOf(ref.dir / kOutput), summaryOf(file));
  EXPECT_FALSE(summaryOf(file).empty());
  const bool refLong = fs::exists(ref.dir / "fort.18");
  ASSERT_EQ(refLong, fs::exists(dir / "fort.18"));
  if (refLong) {
    EXPECT_EQ(readText(ref.dir / "fort.18"), readText(dir / "fort.18"));
  }
}

TEST(ParallelRun, TwoAndThreeThreadsGiveTheOneThreadResult) {
  for (int threads : {2, 3}) {
    SCOPED_TRACE(threads);
    const fs::path dir = freshDir("parallel-threads-" + std::to_string(threads));
    const auto run = runProgram(dir, runArgs() + " --threads " + std::to_string(threads));
    ASSERT_EQ(run.status, 0) << run.err;
    expectSameAsReference(dir, run.out, dir / kOutput, logOf(dir));
  }
}

// The reference runs on the widest path of this CPU; every narrower one, down to the pure C
// math and the plain generator, gives the same bits.
TEST(ParallelRun, EveryInstructionSetPathGivesTheSameResult) {
  for (const char* level : {"scalar", "sse2", "avx", "avx512"}) {
    if (std::string(level) == "avx" && !__builtin_cpu_supports("avx")) continue;
    if (std::string(level) == "avx512" && !__builtin_cpu_supports("avx512f")) continue;
    SCOPED_TRACE(level);
    const fs::path dir = freshDir(std::string("parallel-simd-") + level);
    const auto run =
        runProgram(dir, runArgs() + " --threads 2", std::string("ORNAPLEX_SIMD=") + level + " ");
    ASSERT_EQ(run.status, 0) << run.err;
    expectSameAsReference(dir, run.out, dir / kOutput, logOf(dir));
  }
  const fs::path dir = freshDir("parallel-simd-unknown");
  const auto run = runProgram(dir, runArgs(), "ORNAPLEX_SIMD=neon ");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("ORNAPLEX_SIMD=neon refused (not an instruction-set path)"),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(dir / kOutput));
}

TEST(ParallelRun, TheBlockSizeIsRecordedAndAnotherSizeIsAnotherRun) {
  const Reference& ref = reference();
  const hid_t f = H5Fopen((ref.dir / kOutput).c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
  ASSERT_GE(f, 0);
  const hid_t run = H5Gopen2(f, "run", H5P_DEFAULT);
  const hid_t a = H5Aopen(run, "block_size", H5P_DEFAULT);
  std::int64_t size = 0;
  H5Aread(a, H5T_NATIVE_INT64, &size);
  H5Aclose(a);
  H5Gclose(run);
  H5Fclose(f);
  EXPECT_EQ(size, sanitized() ? 4096 : 16384);
}

#ifdef ORNAPLEX_MPIEXEC
TEST(ParallelRun, TwoMpiRanksGiveTheOneThreadResult) {
  const fs::path dir = freshDir("parallel-mpi");
  // Open MPI's own allocations are not ours to check for leaks.
  const std::string cmd = "env ASAN_OPTIONS=detect_leaks=0 '" + std::string(ORNAPLEX_MPIEXEC) +
                          "' --allow-run-as-root --oversubscribe -np 2 '" + ORNAPLEX_BINARY + "' " +
                          runArgs() + " --threads 1";
  const auto run = runProgram(dir, "--version > /dev/null && " + cmd);
  ASSERT_EQ(run.status, 0) << run.err;
  expectSameAsReference(dir, run.out, dir / kOutput, logOf(dir));
}
#endif

TEST(MergeRun, TwoBlockRangesMergedGiveTheWholeRun) {
  const fs::path dir = freshDir("parallel-halves");
  const std::int64_t n = blockCount();
  const std::string half = std::to_string(n / 2);
  const auto a =
      runProgram(dir, runArgs() + " --threads 2 --blocks " + half + ":" + std::to_string(n - 1));
  ASSERT_EQ(a.status, 0) << a.err;
  const auto b =
      runProgram(dir, runArgs() + " --threads 1 --blocks 0:" + std::to_string(n / 2 - 1));
  ASSERT_EQ(b.status, 0) << b.err;
  EXPECT_TRUE(filesLike(dir, "ornaplex-", ".o").empty()) << "a partial run writes no log";
  const auto parts = filesLike(dir, "h4321-b", ".h5");
  ASSERT_EQ(parts.size(), 2u);
  fs::create_directories(dir / "merged");
  const auto m =
      runProgram(dir, std::string("merge merged/") + kOutput + " " + parts[0].filename().string() +
                          " " + parts[1].filename().string());
  ASSERT_EQ(m.status, 0) << m.err;
  expectSameAsReference(dir / "merged", m.out, dir / "merged" / kOutput,
                        readText(dir / "merged" / "h4321.o"));
}

TEST(MergeRun, RefusesOverlapsGapsOtherRunsAndExistingFiles) {
  const fs::path dir = freshDir("parallel-refusals");
  const std::int64_t n = blockCount();
  auto part = [&](const std::string& extra, const std::string& sub, int seed = 4321) {
    const auto r = runProgram(dir / sub, runArgs(seed) + " --threads 1 " + extra);
    EXPECT_EQ(r.status, 0) << r.err;
    const auto files = filesLike(dir / sub, "h", ".h5");
    EXPECT_EQ(files.size(), 1u);
    return files.empty() ? std::string() : fs::relative(files[0], dir).string();
  };
  const std::string low = part("--blocks 0:2", "low");
  const std::string mid = part("--blocks 2:" + std::to_string(n - 1), "mid");
  const std::string high = part("--blocks 3:" + std::to_string(n - 1), "high");
  const std::string otherSeed = part("--blocks 3:" + std::to_string(n - 1), "other", 4322);
  const struct {
    std::string files;
    const char* mention;
  } cases[] = {
      {low + " " + mid, "both hold block 2"}, {low, "are in none of the files"},
      {mid + " " + high, "both hold block"},  {low + " " + otherSeed, "seed"},
      {low + " " + low, "both hold block 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.files);
    const auto r = runProgram(dir, "merge out.h5 " + c.files);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(c.mention), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "out.h5"));
    EXPECT_FALSE(fs::exists(dir / "out.o"));
  }
  // A whole output file is not a partial file.
  const auto whole = runProgram(dir / "whole", runArgs() + " --threads 1");
  ASSERT_EQ(whole.status, 0);
  const auto notPartial =
      runProgram(dir, std::string("merge out.h5 whole/") + kOutput + " " + high);
  EXPECT_NE(notPartial.status, 0);
  EXPECT_NE(notPartial.err.find("not a partial file"), std::string::npos) << notPartial.err;
  // The good pair, but the output's log already exists: nothing is overwritten.
  std::ofstream(dir / "out.o") << "keep me\n";
  const auto exists = runProgram(dir, "merge out.h5 " + low + " " + high);
  EXPECT_NE(exists.status, 0);
  EXPECT_EQ(readText(dir / "out.o"), "keep me\n");
  EXPECT_FALSE(fs::exists(dir / "out.h5"));
}

// inspect on partial files: the interim report of the blocks each holds, and their sums add up
// to the whole run's.
TEST(PartialRun, InspectGivesTheInterimReportOfTheBlocksHeld) {
  const fs::path dir = freshDir("partial-inspect");
  const std::string args = "--seed 77 --events 20000 --block-size 4096 --data-dir '" +
                           std::string(ORNAPLEX_SOURCE_DIR) + "/data'";
  ASSERT_EQ(runProgram(dir / "whole", args).status, 0);
  ASSERT_EQ(runProgram(dir, args + " --blocks 0:0").status, 0);
  ASSERT_EQ(runProgram(dir, args + " --blocks 1:4").status, 0);
  const auto detIn = [&](const std::string& file) {
    const auto r = runProgram(dir, "inspect " + file);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::size_t at = r.out.find("\n  detIn ");
    EXPECT_NE(at, std::string::npos) << r.out;
    return std::make_pair(std::stoll(r.out.substr(at + 9)), r.out);
  };
  const auto [head, headText] = detIn("h77-b0-0.h5");
  const auto [rest, restText] = detIn("h77-b1-4.h5");
  const auto [whole, wholeText] = detIn("whole/h77.h5");
  EXPECT_EQ(head + rest, whole);
  EXPECT_GT(head, 0);
  EXPECT_NE(restText.find("report (partial file: blocks 1 to 4 of 5, 15904 events; interim"),
            std::string::npos)
      << restText;
  EXPECT_EQ(wholeText.find("partial file"), std::string::npos);
}

TEST(PartialRun, BlockRangesOutsideTheRunAreRefused) {
  const fs::path dir = freshDir("parallel-bad-blocks");
  for (const std::string blocks : {"5:4", "0:999", "x:3", "-1:2"}) {
    SCOPED_TRACE(blocks);
    const auto r = runProgram(dir, runArgs() + " --blocks " + blocks);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("--blocks"), std::string::npos) << r.err;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2)
      << "only stdout.txt and stderr.txt";
}

// Starts the program in dir, stops it with SIGTERM once its first progress line is out.
int interruptedRun(const fs::path& dir, const std::string& args) {
  const std::string cmd = "cd '" + dir.string() + "' && exec '" + ORNAPLEX_BINARY + "' " + args +
                          " > stdout.txt 2> stderr.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int i = 0; i < 3000; ++i) {
    if (readText(dir / "stdout.txt").find("  events") != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGTERM);
  int raw = 0;
  waitpid(pid, &raw, 0);
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(PartialRun, AnInterruptedRunCompletedLaterGivesTheWholeRun) {
  const fs::path dir = freshDir("parallel-interrupted");
  // Long enough that the signal arrives well before the end.
  const std::string args = sanitized() ? "--seed 4321 --events 400000 --block-size 4096"
                                       : "--seed 4321 --events 2000000 --block-size 16384";
  const int status = interruptedRun(dir, args + " --threads 2");
  ASSERT_EQ(status, 130) << readText(dir / "stderr.txt");
  const std::string out = readText(dir / "stdout.txt");
  // "Run the rest with: ornaplex --events ... --blocks FIRST:LAST", then the merge of the pieces.
  const std::size_t at = out.find("--blocks ");
  ASSERT_NE(at, std::string::npos) << out;
  const std::string restBlocks = out.substr(at + 9, out.find_first_of(" \n", at + 9) - at - 9);
  EXPECT_NE(out.find("Run the rest with: ornaplex --events "), std::string::npos) << out;
  EXPECT_NE(out.find("then add the pieces: ornaplex merge h4321.h5 h4321-b0-"), std::string::npos)
      << out;
  ASSERT_NE(restBlocks.find(':'), std::string::npos) << out;
  const auto parts = filesLike(dir, "h4321-b0-", ".h5");
  ASSERT_EQ(parts.size(), 1u) << out;
  EXPECT_NE(out.find(parts[0].filename().string()), std::string::npos) << "names its file";

  const fs::path rest = dir / "rest";
  const auto r = runProgram(rest, args + " --threads 1 --blocks " + restBlocks);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto restParts = filesLike(rest, "h4321-b", ".h5");
  ASSERT_EQ(restParts.size(), 1u);
  fs::create_directories(dir / "merged");
  const auto merged = runProgram(dir, std::string("merge merged/") + kOutput + " " +
                                          restParts[0].string() + " " + parts[0].string());
  ASSERT_EQ(merged.status, 0) << merged.err;

  const fs::path whole = dir / "whole";
  const auto w = runProgram(whole, args + " --threads 2");
  ASSERT_EQ(w.status, 0) << w.err;
  EXPECT_EQ(withoutTimes(merged.out), withoutTimes(w.out));
  EXPECT_EQ(withoutTimes(readText(dir / "merged" / "h4321.o")), withoutTimes(logOf(whole)));
  expectSameHistograms(whole / kOutput, dir / "merged" / kOutput);
  EXPECT_EQ(summaryOf(whole / kOutput), summaryOf(dir / "merged" / kOutput));
}

// What a run split every way left: the whole run's screen and the block ranges' partial files.
struct SplitRuns {
  std::string screen;
  std::vector<fs::path> parts;
};

// Runs args whole on one thread, on three threads on the scalar path, and as two block ranges
// merged (one on two threads): each gives the whole run's text, histograms and summary bits.
SplitRuns expectSplitsGiveTheWholeRun(const fs::path& dir, const std::string& args) {
  const auto whole = runProgram(dir / "whole", args + " --threads 1");
  EXPECT_EQ(whole.status, 0) << whole.err;
  const auto expectSame = [&](const fs::path& other, const std::string& screen,
                              const std::string& log) {
    EXPECT_EQ(withoutTimes(screen), withoutTimes(whole.out)) << other;
    EXPECT_EQ(withoutTimes(log), withoutTimes(logOf(dir / "whole"))) << other;
    expectSameHistograms(dir / "whole" / kOutput, other / kOutput);
    EXPECT_EQ(summaryOf(dir / "whole" / kOutput), summaryOf(other / kOutput));
  };
  const auto three = runProgram(dir / "three", args + " --threads 3", "ORNAPLEX_SIMD=scalar ");
  EXPECT_EQ(three.status, 0) << three.err;
  expectSame(dir / "three", three.out, logOf(dir / "three"));

  const std::int64_t n = blockCount();
  const std::string half = std::to_string(n / 2);
  EXPECT_EQ(
      runProgram(dir / "parts", args + " --blocks " + half + ":" + std::to_string(n - 1)).status,
      0);
  EXPECT_EQ(runProgram(dir / "parts", args + " --threads 2 --blocks 0:" + std::to_string(n / 2 - 1))
                .status,
            0);
  SplitRuns runs{whole.out, filesLike(dir / "parts", "h4321-b", ".h5")};
  EXPECT_EQ(runs.parts.size(), 2u);
  if (runs.parts.size() != 2) return runs;
  fs::create_directories(dir / "merged");
  const auto m = runProgram(dir, "merge merged/" + std::string(kOutput) + " " +
                                     runs.parts[1].string() + " " + runs.parts[0].string());
  EXPECT_EQ(m.status, 0) << m.err;
  expectSame(dir / "merged", m.out, readText(dir / "merged" / "h4321.o"));
  return runs;
}

// A weighted run: its sums of weights are not whole numbers, yet threads, ranks, instruction-set
// paths and block ranges merged later give the one-thread run's bits, histograms' squares too.
TEST(WeightedRun, ThreadsPathsRanksAndMergedBlocksGiveTheOneThreadResult) {
  const fs::path dir = freshDir("parallel-weighted");
  const SplitRuns runs = expectSplitsGiveTheWholeRun(dir, runArgs() + " --bias");
  EXPECT_NE(runs.screen.find("  Weighted run: "), std::string::npos);
  const std::vector<fs::path>& parts = runs.parts;
  ASSERT_EQ(parts.size(), 2u);
  const auto record = runProgram(dir / "whole", std::string("inspect --json ") + kOutput);
  for (const char* attribute : {"\"mode\": \"weighted\"", "\"bias_scheme\"", "\"bias_angle_mrad\"",
                                "\"bias_slow_meV\"", "\"bias_splits\": 16"})
    EXPECT_NE(record.out.find(attribute), std::string::npos) << attribute;
  const std::int64_t n = blockCount();

  // An analog partial file never merges with a weighted one.
  ASSERT_EQ(
      runProgram(dir / "analog", runArgs() + " --blocks 0:" + std::to_string(n / 2 - 1)).status, 0);
  const auto analogParts = filesLike(dir / "analog", "h4321-b", ".h5");
  ASSERT_EQ(analogParts.size(), 1u);
  const auto mixed = runProgram(
      dir, "merge mixed.h5 " + analogParts[0].string() + " " +
               (parts[0].string().find("-b0-") != std::string::npos ? parts[1].string()
                                                                    : parts[0].string()));
  EXPECT_NE(mixed.status, 0);
  EXPECT_NE(mixed.err.find("weighted"), std::string::npos) << mixed.err;
}

// Mirror pairs, analog and weighted: a pair's two neutrons share their numbers, yet threads,
// instruction-set paths and merged block ranges give the one-thread run's bits. The run says it
// is of pairs, records it, and its partial files never merge with another mode's.
TEST(PairRun, ThreadsPathsAndMergedBlocksGiveTheOneThreadResult) {
  const fs::path other = freshDir("parallel-pairs-other");
  ASSERT_EQ(runProgram(other, runArgs(4321, true) + " --blocks 0:0").status, 0);
  const auto otherPart = filesLike(other, "h4321-b", ".h5");
  ASSERT_EQ(otherPart.size(), 1u);
  for (const char* mode : {"", " --bias"}) {
    SCOPED_TRACE(mode);
    const fs::path dir = freshDir(std::string("parallel-pairs") + (*mode ? "-weighted" : ""));
    const SplitRuns runs =
        expectSplitsGiveTheWholeRun(dir, runArgs(4321, true) + " --pairs" + mode);
    EXPECT_NE(runs.screen.find("\n  Mirror pairs: "), std::string::npos);
    const auto record = runProgram(dir / "whole", std::string("inspect --json ") + kOutput);
    EXPECT_NE(record.out.find("\"pairs\": \"mirror\""), std::string::npos);
    ASSERT_EQ(runs.parts.size(), 2u);
    const fs::path last =
        runs.parts[0].string().find("-b0-") != std::string::npos ? runs.parts[1] : runs.parts[0];
    const auto mixed =
        runProgram(dir, "merge mixed.h5 " + otherPart[0].string() + " " + last.string());
    EXPECT_NE(mixed.status, 0);
    EXPECT_NE(mixed.err.find("pairs"), std::string::npos) << mixed.err;
  }
}

}  // namespace
}  // namespace ornaplex
