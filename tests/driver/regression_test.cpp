// A fixed-seed run compared with committed expected outputs: the screen and log text (times and
// the data directory masked) and every histogram's totals. After a deliberate change of
// results, regenerate the expected files with
//   ORNAPLEX_REGENERATE=1 build/test_driver --gtest_filter='Regression.*'
// and review the difference with git diff before committing it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "h5file/histogram_file.h"
#include "run_program.h"

namespace ornaplex {
namespace {

namespace fs = std::filesystem;
using testing::filesLike;
using testing::freshDir;
using testing::readText;
using testing::runProgram;

const fs::path kExpectedDir = fs::path(ORNAPLEX_SOURCE_DIR) / "tests/driver/regression";
const std::string kDataDir = std::string(ORNAPLEX_SOURCE_DIR) + "/data";

// Times, paths and provenance change from run to run; everything else must not.
std::string masked(const std::string& original) {
  std::string text;
  std::istringstream in(original);
  for (std::string line; std::getline(in, line);) {
    // Which command and which build made the log: the provenance of this checkout, not a result.
    if (line.rfind("  Command: ", 0) == 0 || line.rfind("  Build: ", 0) == 0) continue;
    for (const char* label : {"Start time: ", "End time: "}) {
      const auto at = line.find(label);
      if (at != std::string::npos) line = line.substr(0, at) + label + "<time>";
    }
    // The log in out/ is named after the minute of the run: ornaplex-MMDD-hhmm[-k].o.
    const auto log = line.find("out/ornaplex-");
    const auto end = line.find(".o ", log);
    if (log != std::string::npos && end != std::string::npos)
      line = line.substr(0, log + 4) + "<log>" + line.substr(end + 2);
    text += line + "\n";
  }
  std::string::size_type at;
  while ((at = text.find(kDataDir)) != std::string::npos)
    text.replace(at, kDataDir.size(), "<data>");
  return text;
}

// One line per histogram: id, entries, in-range total, underflow, overflow (17 digits).
std::string histogramTotals(const fs::path& file) {
  const HistogramStore store = readHistogramFile(file.string());
  std::ostringstream out;
  out.precision(17);
  for (int id : store.ids()) {
    double in = 0.0, all = 0.0;
    std::int64_t entries;
    if (store.is2D(id)) {
      const Histogram2D& h = store.h2(id);
      entries = h.entries();
      for (int i = 0; i < h.axisX().bins + 2; ++i)
        for (int j = 0; j < h.axisY().bins + 2; ++j) {
          all += h.slot(i, j);
          if (i > 0 && i <= h.axisX().bins && j > 0 && j <= h.axisY().bins) in += h.slot(i, j);
        }
      out << id << ' ' << entries << ' ' << in << ' ' << all - in << '\n';
    } else {
      const Histogram1D& h = store.h1(id);
      for (int b = 0; b < h.axis().bins; ++b) in += h.content(b);
      out << id << ' ' << h.entries() << ' ' << in << ' ' << h.underflow() << ' ' << h.overflow()
          << '\n';
    }
  }
  return out.str();
}

void compareOrRegenerate(const std::string& name, const std::string& actual) {
  const fs::path expected = kExpectedDir / name;
  if (std::getenv("ORNAPLEX_REGENERATE")) {
    std::ofstream(expected) << actual;
    GTEST_SKIP() << "regenerated " << expected;
  }
  ASSERT_TRUE(fs::exists(expected)) << expected << " missing: regenerate it (see the comment)";
  EXPECT_EQ(readText(expected), actual) << "differs from " << expected;
}

TEST(Regression, FixedSeedRunMatchesExpectedOutputs) {
  const fs::path dir = freshDir("regression");
  const auto r = runProgram(dir,
                            "--events 200000 --seed 4242 --block-size 65536 --threads 2 "
                            "--output-dir out --data-dir '" +
                                kDataDir + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto logs = filesLike(dir / "out", "ornaplex-", ".o");
  ASSERT_EQ(logs.size(), 1u);
  compareOrRegenerate("seed4242.screen.txt", masked(r.out));
  compareOrRegenerate("seed4242.log.txt", masked(readText(logs[0])));
  compareOrRegenerate("seed4242.histograms.txt", histogramTotals(dir / "out/h4242.h5"));
}

}  // namespace
}  // namespace ornaplex
