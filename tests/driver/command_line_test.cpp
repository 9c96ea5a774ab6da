// The program's boundary: refused options and inputs leave nothing behind, existing files are
// never overwritten, and an empty run writes a complete file.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/errors.h"
#include "driver/clock_record.h"
#include "driver/option_values.h"
#include "driver/run_options.h"
#include "driver/run_settings.h"
#include "h5file/histogram_file.h"
#include "h5file/run_reader.h"
#include "run_program.h"

namespace ornaplex {
namespace {

namespace fs = std::filesystem;
using testing::filesLike;
using testing::freshDir;
using testing::runProgram;

const std::string kData = std::string(ORNAPLEX_SOURCE_DIR) + "/data";

// The message of the UsageError f throws, or "" when it throws none.
template <class F>
std::string refusal(F f) {
  try {
    f();
  } catch (const UsageError& e) {
    return e.what();
  }
  return "";
}

TEST(OptionValues, WholeNumbersAreDecimalAndExact) {
  const struct {
    const char* text;
    std::int64_t value;
  } accepted[] = {
      {"0042", 42},  // never octal
      {"010", 10},
      {"09", 9},
      {"+7", 7},
      {"-0", 0},
      {"1e6", 1000000},
      {"3e8", 300000000},
      {"3E+8", 300000000},
      {"2.5e3", 2500},
      {"100.0", 100},
      {"5.", 5},
      {"10e-1", 1},
      {"0e99999999999", 0},
      {"9223372036854775806", kMaxEvents},
      {"9.223372036854775806e18", kMaxEvents},
  };
  for (const auto& c : accepted)
    EXPECT_EQ(readWholeNumber("--events", c.text, 0, kMaxEvents, "events"), c.value) << c.text;

  const struct {
    const char* text;
    const char* problem;
  } refused[] = {
      {"", "--events '': an empty value"},
      {"0x10", "not a decimal number"},
      {"-0X1", "not a decimal number"},
      {"many", "not a number"},
      {" 5", "not a number"},
      {"1e", "not a number"},
      {".", "not a number"},
      {"5.5", "not a whole number"},
      {"1.5e0", "not a whole number"},
      {"1e-3", "not a whole number"},
      {"-5", "too small"},
      {"9223372036854775807", "too large"},
      {"99999999999999999999", "too large"},
      {"1e19", "too large"},
      {"1e999999999999", "too large"},
      {"-99999999999999999999", "too small"},
  };
  for (const auto& c : refused) {
    const std::string m = refusal([&] { readWholeNumber("--events", c.text, 0, kMaxEvents); });
    EXPECT_NE(m.find(c.problem), std::string::npos) << c.text << ": " << m;
    EXPECT_EQ(m.rfind("--events " + typedValue(c.text) + ": ", 0), 0u) << m;
  }
  // The limits are in the message.
  const std::string m =
      refusal([] { readWholeNumber("--events", "99999999999999999999", 0, kMaxEvents); });
  EXPECT_NE(m.find("give at most 9223372036854775806"), std::string::npos) << m;
  EXPECT_NE(refusal([] { readWholeNumber("--seed", "-1", 0, 2147483647); }).find("at least 0"),
            std::string::npos);
  // A negative range, for the arithmetic near the bottom of the type.
  EXPECT_EQ(readWholeNumber("--x", "-9223372036854775808", INT64_MIN, -1), INT64_MIN);
  EXPECT_NE(refusal([] { readWholeNumber("--x", "-9223372036854775809", INT64_MIN, -1); }), "");
  EXPECT_NE(refusal([] { readWholeNumber("--x", "0", INT64_MIN, -1); }), "");
}

TEST(OptionValues, RealNumbersAreFiniteDecimals) {
  EXPECT_EQ(readRealNumber("--field", "0.1", "mG"), 0.1);
  EXPECT_EQ(readRealNumber("--field", "-2", "mG"), -2.0);
  EXPECT_EQ(readRealNumber("--field", "+1e-3", "mG"), 1e-3);
  EXPECT_EQ(readRealNumber("--field", "007", "mG"), 7.0);
  RunOptions o;
  setRunOption(o, "--field", "0.1");
  EXPECT_EQ(o.field_mG, RunOptions{}.field_mG);  // held in single precision, as the default
  EXPECT_NE(refusal([&] { setRunOption(o, "--field", "1e39"); }).find("beyond single"),
            std::string::npos);
  for (const char* bad : {"", "0x10", "inf", "nan", "-infinity", "1e999", "0.1.2", "1,5", "0.1 "})
    EXPECT_NE(refusal([&] { readRealNumber("--field", bad, "a field in mG"); }).find("--field"),
              std::string::npos)
        << bad;
}

TEST(OptionValues, NearestNameCatchesSlipsAndPrefixes) {
  const std::vector<std::string> run = {"--help",   "--version",     "--events",  "--seed",
                                        "--field",  "--temperature", "--threads", "--block-size",
                                        "--blocks", "--output-dir",  "--quiet"};
  const struct {
    const char* typed;
    const char* meant;
  } cases[] = {
      {"--event", "--events"},      {"--evnets", "--events"},
      {"--Events", "--events"},     {"--thread", "--threads"},
      {"--seeds", "--seed"},        {"--temp", "--temperature"},
      {"--block", "--blocks"},      {"--blocksize", "--block-size"},
      {"--output", "--output-dir"}, {"--xyz", ""},
      {"--frobnicate", ""},         {"-e", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(nearestName(c.typed, run), c.meant) << c.typed;
  EXPECT_EQ(nearestName("convrt", {"convert", "merge", "inspect", "plot"}), "convert");
  EXPECT_EQ(nearestName("--tilte", {"--help", "--id", "--title"}), "--title");
}

TEST(RunOptionValues, EachMisreadingIsReadAsTypedOrRefused) {
  const auto set = [](const char* option, const char* text) {
    RunOptions o;
    setRunOption(o, option, text);
    return o;
  };
  EXPECT_EQ(*set("--seed", "0042").seed, 42);
  EXPECT_EQ(*set("--seed", "09").seed, 9);
  EXPECT_EQ(*set("--seed", "1e6").seed, 1000000);
  EXPECT_EQ(set("--events", "010").events, 10);
  EXPECT_EQ(set("--events", "1e6").events, 1000000);
  EXPECT_EQ(set("--events", "0").events, 0);
  EXPECT_EQ(set("--block-size", "6.5536e4").blockSize, 65536);
  EXPECT_EQ(set("--threads", "0").threads, 0);
  EXPECT_EQ(set("--blocks", "003:1e1").lastBlock, 10);
  EXPECT_EQ(*set("--blocks", "7").firstBlock, 7);
  // A bias parameter makes the run weighted; the angle is typed in mrad.
  EXPECT_FALSE(RunOptions{}.bias.weighted);
  EXPECT_FALSE(set("--bias-angle", "30").bias.weighted);   // the command needs --bias as well
  EXPECT_TRUE(set("--model", "Jacobian").model.jacobian);  // names in any case
  EXPECT_DOUBLE_EQ(set("--bias-angle", "30").bias.acceptance_rad, 0.030);
  EXPECT_EQ(set("--bias-splits", "4").bias.splits, 4);
  EXPECT_NEAR(RunOptions{}.bias.acceptance_rad * 1000.0, 49.45, 0.005) << "the --help default";

  const struct {
    const char* option;
    const char* text;
    const char* problem;
  } refused[] = {
      {"--events", "0x10", "not a decimal number"},
      {"--events", "", "an empty value"},
      {"--events", "99999999999999999999", "at most 9223372036854775806"},
      {"--events", "5.5", "not a whole number"},
      {"--seed", "2147483648", "at most 2147483647"},
      {"--seed", "1.5e0", "not a whole number"},
      {"--field", "", "an empty value"},
      {"--temperature", "", "an empty value"},
      {"--threads", "", "an empty value"},
      {"--threads", "-5", "too small"},
      {"--threads", "2147483648", "too large"},
      {"--block-size", "0", "at least 1"},
      {"--block-size", "", "an empty value"},
      {"--block-size", "99999999999999999999", "at most 9223372036854775807"},
      {"--blocks", "", "not FIRST:LAST"},
      {"--blocks", "0x1:3", "not FIRST:LAST"},
      {"--data-dir", "", "an empty value"},
      {"--output-dir", "", "an empty value"},
      {"--bias-angle", "0", "not an acceptance angle"},
      {"--bias-angle", "4000", "not an acceptance angle"},
      {"--bias-angle", "nan", "a finite"},
      {"--bias-splits", "0", "too small"},
      {"--bias-splits", "65", "too large"},
  };
  for (const auto& c : refused) {
    const std::string m = refusal([&] { set(c.option, c.text); });
    EXPECT_NE(m.find(c.problem), std::string::npos) << c.option << " " << c.text << ": " << m;
    EXPECT_EQ(m.rfind(std::string(c.option) + " " + typedValue(c.text), 0), 0u) << m;
  }
}

TEST(RunOptionValues, TemperatureEqualToATableEndInSinglePrecisionIsThatEnd) {
  const auto temperature = [](const char* text) {
    RunOptions o;
    setRunOption(o, "--temperature", text);
    return o.temperature_K;
  };
  EXPECT_EQ(temperature("0.2"), kHeliumTableMin_K);
  EXPECT_EQ(temperature("0.1999999999"), kHeliumTableMin_K);
  EXPECT_EQ(temperature("4.4"), kHeliumTableMax_K);
  EXPECT_EQ(temperature("4.4000001"), kHeliumTableMax_K);  // above 4.4f, but float-equal to it
  EXPECT_EQ(temperature("2.1"), 2.1);                      // inside: exactly as typed
  for (const char* outside : {"0.19999999", "4.4000004", "4.5", "0", "-1", "nan", "inf"})
    EXPECT_NE(refusal([&] { temperature(outside); }).find("--temperature"), std::string::npos)
        << outside;
}

TEST(RunOptionValues, WorkersAreCappedAtTheBlocksAndThreadsAtTheCores) {
  EXPECT_EQ(workerThreads(0, 8, 100), 8);  // 0: one per core
  EXPECT_EQ(workerThreads(0, 0, 100), 1);  // cores unknown
  EXPECT_EQ(workerThreads(3, 2, 100), 3);  // more than the cores is allowed
  EXPECT_EQ(workerThreads(100000, 2, 5), 5);
  EXPECT_EQ(workerThreads(4, 2, 0), 1);  // a run of no blocks still records one thread
  EXPECT_EQ(maxThreads(2), 2 * kMaxThreadsPerCore);
  EXPECT_EQ(maxThreads(0), kMaxThreadsPerCore);
  EXPECT_GT(maxThreads(UINT_MAX), 0);

  RunOptions o;
  o.threads = maxThreads(std::thread::hardware_concurrency());
  EXPECT_NO_THROW(validateRunOptions(o));
  ++o.threads;
  EXPECT_NE(refusal([&] { validateRunOptions(o); }).find("far more threads than cores"),
            std::string::npos);
}

TEST(CommandLine, BadOptionValuesAreRefusedBeforeAnythingIsWritten) {
  const struct {
    const char* args;
    const char* mention;
  } cases[] = {
      {"--events -5", "--events -5: too small"},
      {"--events many", "--events many: not a number"},
      {"--events 0x10", "--events 0x10: not a decimal number"},
      {"--events 99999999999999999999", "at most 9223372036854775806"},
      {"--events ''", "--events '': an empty value"},
      {"--events 1.5e0", "not a whole number"},
      {"--events", "--events"},
      {"--events --quiet", "--events: no value (the option --quiet follows it)"},
      {"--data-dir --quiet", "--data-dir: no value"},
      {"--events 5 --events 6", "--events"},
      {"--seed 2147483648", "--seed"},
      {"--seed -1", "--seed"},
      {"--temperature 4.5", "--temperature 4.5: outside the helium tables"},
      {"--temperature nan", "--temperature"},
      {"--threads -2", "--threads"},
      {"--threads 100000", "far more threads than cores"},
      {"--block-size 0", "--block-size 0: too small"},
      {"--field ''", "--field '': an empty value"},
      {"--field inf", "--field"},
      {"--blocks ''", "--blocks"},
      {"--model exact", "--model exact: 'exact' is not a variant"},
      {"--model jacobian+jacobian", "'jacobian' is named twice"},
      {"--model jacobi", "'jacobi' is not a variant (did you mean jacobian?)"},
      {"--bias-angle 15", "--bias-angle 15: without --bias"},
      {"--bias-splits 4,8", "--bias-splits 4,8: without --bias"},
      {"--temperature 1.0,2.0 --bias-angle 5:10:2", "--bias-angle 5:10:2: without --bias"},
      {"--pairs --events 1001", "--events 1001: odd with --pairs"},
      {"--pairs --events 1000 --block-size 999", "--block-size 999: odd with --pairs"},
      {"--model ''", "--model '': an empty value"},
      {"--no-such-option", "--no-such-option: no such option"},
      {"--event 5", "--event: no such option (did you mean --events?)"},
      {"--events=5 extra", "extra: not an option or a command"},
      {"convrt a b", "did you mean convert?"},
  };
  for (const auto& c : cases) {
    const fs::path dir = freshDir("badopt");
    const auto r = runProgram(dir, std::string(c.args) + " --output-dir out");
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_NE(r.err.find(c.mention), std::string::npos) << c.args << ": " << r.err;
    // One line of what is wrong, one of where the options are.
    EXPECT_EQ(r.err.rfind("ornaplex: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << c.args << ": " << r.err;
    const std::string hint = "\nrun ornaplex --help for the options\n";
    EXPECT_TRUE(r.err.size() > hint.size() &&
                r.err.compare(r.err.size() - hint.size(), hint.size(), hint) == 0)
        << c.args << ": " << r.err;
    EXPECT_FALSE(fs::exists(dir / "out")) << c.args;
    EXPECT_TRUE(r.out.empty()) << c.args;
  }
}

TEST(CommandLine, CommandsReadIdsAsPositiveDecimalsAndSuggestTheirOptions) {
  const fs::path dir = freshDir("commands");
  std::ofstream(dir / "s.csv") << "low,high,content\n0,1,2\n1,2,3\n";
  const struct {
    const char* args;
    const char* mention;
  } refused[] = {
      {"convert s.csv s.h5 --id -5", "--id -5: too small"},
      {"convert s.csv s.h5 --id 0", "--id 0: too small"},
      {"convert s.csv s.h5 --id 2147483648", "at most 2147483647"},
      {"convert s.csv s.h5 --id 0x10", "not a decimal number"},
      {"convert s.csv s.h5 --id ''", "an empty value"},
      {"convert s.csv s.h5 --id 100 --tilte x", "--tilte: no such option (did you mean --title?)"},
      {"convert s.csv s.h5 --id 100 more", "one argument too many"},
      {"inspect s.h5 --id 1.5", "not a whole number"},
  };
  for (const auto& c : refused) {
    const auto r = runProgram(dir, c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_NE(r.err.find(c.mention), std::string::npos) << c.args << ": " << r.err;
    const std::string command = std::string(c.args).substr(0, std::string(c.args).find(' '));
    EXPECT_NE(r.err.find("\nrun ornaplex " + command + " --help for the options\n"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(dir / "s.h5")) << c.args;
  }
  // Decimal, whatever the zeros in front.
  auto r = runProgram(dir, "convert s.csv s.h5 --id 0100");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("wrote histogram 100 "), std::string::npos) << r.out;
  r = runProgram(dir, "inspect s.h5 --id 1e2");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\n0,1,2,1.4142135623730951\n"), std::string::npos) << r.out;
}

TEST(CommandLine, NumbersAsPhysicistsWriteThemRunAsTyped) {
  const fs::path dir = freshDir("asTyped");
  // 10 events in blocks of 4: three blocks, so at most three threads ever run.
  const auto r = runProgram(dir,
                            "--events 1e1 --seed 0042 --block-size 4e0 --threads 0 "
                            "--temperature 4.4 --field 0.1 --quiet --data-dir '" +
                                kData + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(" ranNo is           42"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Nevents:"), std::string::npos) << r.out;
  const auto i = runProgram(dir, "inspect h42.h5");
  ASSERT_EQ(i.status, 0) << i.err;
  // The run attributes as inspect lists them: "  name   value".
  const auto attribute = [&](const std::string& name) {
    const std::size_t at = i.out.find("\n  " + name + " ");
    std::string value;
    if (at != std::string::npos) std::istringstream(i.out.substr(at + name.size() + 3)) >> value;
    return value;
  };
  const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
  EXPECT_EQ(attribute("threads"), std::to_string(std::min(cores, 3))) << i.out;
  EXPECT_EQ(attribute("events"), "10");
  EXPECT_EQ(attribute("block_size"), "4");
  EXPECT_EQ(attribute("seed"), "42");
  EXPECT_EQ(attribute("temperature_K"), "4.400000095367432");    // 4.4f, the end point
  EXPECT_EQ(attribute("field_mG"), "0.1");                       // as typed: the default
  EXPECT_EQ(attribute("field_used_mG"), "0.10000000149011612");  // in single precision
}

TEST(CommandLine, DefaultThreadsFollowTheCpuMaskAndRunRecordsWhatMadeTheFile) {
  const fs::path dir = freshDir("cpuMask");
  // One CPU allowed (as taskset, a batch system's cpuset or mpirun's binding give): one thread.
  const auto r =
      runProgram(dir, "--events 40 --seed 5 --block-size 4 --quiet --data-dir '" + kData + "'",
                 "taskset -c 0 ");
  ASSERT_EQ(r.status, 0) << r.err;
  const StoredRun run = readStoredRun((dir / "h5.h5").string());
  const auto text = [&](const std::string& name) {
    const std::optional<Attribute> a = findAttribute(run, name);
    return a ? settingText(a->value) : std::string("none");
  };
  EXPECT_EQ(text("threads"), "1");
  EXPECT_EQ(
      text("command").rfind("ornaplex --events 40 --seed 5 --block-size 4 --quiet --data-dir ", 0),
      0u)
      << text("command");
  for (const char* name : {"commit", "compiler", "build_type", "simd", "host"})
    EXPECT_NE(text(name), "none") << name;
  // A histogram is asked for as the file names it, h3007, or as its number.
  for (const char* id : {"3007", "h3007"}) {
    const auto i = runProgram(dir, std::string("inspect h5.h5 --id ") + id);
    EXPECT_EQ(i.status, 0) << i.err;
    EXPECT_NE(i.out.find("low,high,"), std::string::npos) << i.out;
  }
  EXPECT_NE(runProgram(dir, "inspect h5.h5 --id hx").err.find("--id hx: not a number"),
            std::string::npos);
  // inspect --json describes each setting as the table declares it; an analog run's mode is
  // implied by the absence of its attribute.
  const auto json = runProgram(dir, "inspect h5.h5 --json");
  EXPECT_NE(json.out.find("\"temperature_K\": {\"value\": 2.1, \"option\": \"--temperature\", "
                          "\"label\": \"temperature\", \"unit\": \"K\", \"identity\": true, "
                          "\"scannable\": true}"),
            std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"mode\": {\"value\": \"analog\""), std::string::npos);
  // A missing file is a refused input (1), a bad option a usage error (2).
  EXPECT_EQ(runProgram(dir, "inspect missing.h5").status, 1);
  EXPECT_EQ(runProgram(dir, "plot missing.h5").status, 1);
  EXPECT_EQ(runProgram(dir, "inspect h5.h5 --id 0").status, 2);
}

TEST(CommandLine, TemperatureAtTheTablesEndsIsAccepted) {
  const fs::path dir = freshDir("tempends");
  for (const char* t : {"0.2", "4.4", "0.20000000298023224", "4.4000000953674316", "2.1"}) {
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

// Runs in one directory within a minute (a scripted loop) each get a log of their own; the logs
// already there are never touched, and the screen names the one taken.
TEST(CommandLine, ExistingLogIsNeverOverwrittenTheNextFreeNameIsTaken) {
  const fs::path dir = freshDir("logexists");
  fs::create_directories(dir / "out");
  // The log name carries the minute: occupy this minute's and the next one's, with their -1.
  for (const std::time_t t : {std::time(nullptr), std::time(nullptr) + 60}) {
    std::tm local{};
    localtime_r(&t, &local);
    const ClockRecord c = clockRecordOf({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, 0,
                                         local.tm_hour, local.tm_min, local.tm_sec, 0});
    std::ofstream(dir / "out" / logNameOf(c)) << "keep me\n";
    std::ofstream(dir / "out" / (logBaseOf(c) + "-1.o")) << "keep me\n";
  }
  std::size_t kept = 0;
  for (int run = 0; run < 2; ++run) {
    const auto r =
        runProgram(dir, "--events 0 --seed 5 --output-dir out --data-dir '" + kData + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::size_t at = r.out.find("   Run log out/ornaplex-");
    ASSERT_NE(at, std::string::npos) << r.out;
    const std::string line = r.out.substr(at, r.out.find('\n', at) - at);
    // The second run may fall into the next minute, whose -2 is still free.
    EXPECT_TRUE(line.find("-2.o (") != std::string::npos ||
                (run == 1 && line.find("-3.o (") != std::string::npos))
        << line;
    EXPECT_NE(line.find(".o is taken)"), std::string::npos) << line;
  }
  for (const auto& f : filesLike(dir / "out", "ornaplex-", ".o")) {
    const std::string text = testing::readText(f);
    if (text == "keep me\n")
      ++kept;
    else
      EXPECT_NE(text.find("ranNo is"), std::string::npos) << f;
  }
  EXPECT_EQ(kept, 4u);
  EXPECT_TRUE(fs::exists(dir / "out/h5.h5"));
  EXPECT_TRUE(fs::exists(dir / "out/h5-1.h5"));
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
  const auto logs = filesLike(dir / "out", "ornaplex-", ".o");
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_FALSE(fs::exists(dir / "out/fort.18"));
  // The last line names what was written, where it was written, and nothing that was not.
  EXPECT_NE(r.out.find("   Files written: out/h7-1.h5 (histograms), out/" +
                       logs[0].filename().string() + " (log)\n"),
            std::string::npos)
      << r.out;
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
