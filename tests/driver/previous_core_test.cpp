// The event core against the one before it: 10^7 events of this core and a stored table of the
// previous core's (other streams, other math library, the q draw by rejection) agree on every
// counter fraction and mean rotation within 4 standard errors (combined), and on the shape of
// the main histograms with chi^2 / ndf below 1.5.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "h5file/histogram_file.h"
#include "h5file/run_reader.h"
#include "results/report.h"
#include "results/run_summary.h"
#include "run_program.h"

namespace ornaplex {
namespace {

namespace fs = std::filesystem;

struct Previous {
  double events = 0;
  std::vector<SummaryValue> summary;
  std::map<int, std::vector<double>> histograms;  // counts of the bins, no under/overflow
};

Previous readPrevious() {
  std::ifstream in(std::string(ORNAPLEX_SOURCE_DIR) +
                   "/tests/driver/regression/previous-core-1e7.csv");
  Previous p;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::stringstream s(line);
    std::string kind, name, value;
    std::getline(s, kind, ',');
    std::getline(s, name, ',');
    std::getline(s, value);
    if (kind == "events") {
      p.events = std::stod(name);
    } else if (kind == "summary") {
      if (value.find_first_of(".e") == std::string::npos)
        p.summary.push_back({name, std::int64_t(std::stoll(value))});
      else
        p.summary.push_back({name, std::stod(value)});
    } else if (kind == "histogram") {
      std::stringstream counts(value);
      double c;
      while (counts >> c) p.histograms[std::stoi(name)].push_back(c);
    }
  }
  return p;
}

std::int64_t eventsNow() {
  return std::getenv("ORNAPLEX_SANITIZED") ? 1'000'000 : 10'000'000;
}

TEST(PreviousCore, ReportValuesAndMainHistogramsAgree) {
  const Previous old = readPrevious();
  ASSERT_EQ(old.events, 1e7);
  ASSERT_EQ(old.histograms.size(), 9u);
  const fs::path dir = testing::freshDir("previous-core");
  const auto r = testing::runProgram(dir, "--events " + std::to_string(eventsNow()) +
                                              " --seed 8128 --quiet --data-dir '" +
                                              std::string(ORNAPLEX_SOURCE_DIR) + "/data'");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string file = (dir / "h8128.h5").string();
  const RunTotals now = *totalsFromSummary(readStoredRun(file).summary);
  const RunTotals then = *totalsFromSummary(old.summary);
  const double n1 = old.events, n2 = double(eventsNow());

  // Every counter as a fraction of the events: binomial errors.
  const auto fraction = [&](const char* what, std::int64_t a, std::int64_t b) {
    const double p1 = double(a) / n1, p2 = double(b) / n2;
    const double sigma = std::sqrt(p1 * (1 - p1) / n1 + p2 * (1 - p2) / n2);
    EXPECT_LE(std::fabs(p1 - p2), 4 * sigma + 1e-12) << what << ": " << p1 << " vs " << p2;
  };
  const Counters &c1 = then.counters, &c2 = now.counters;
  fraction("tar1In", c1.tar1In, c2.tar1In);
  fraction("tar1EnergyChanged", c1.tar1EnergyChanged, c2.tar1EnergyChanged);
  fraction("tar1AngleNonZero", c1.tar1AngleNonZero, c2.tar1AngleNonZero);
  fraction("tar1ToTar2", c1.tar1ToTar2, c2.tar1ToTar2);
  fraction("tar2In", c1.tar2In, c2.tar2In);
  fraction("tar2EnergyChanged", c1.tar2EnergyChanged, c2.tar2EnergyChanged);
  fraction("tar2AngleNonZero", c1.tar2AngleNonZero, c2.tar2AngleNonZero);
  fraction("detIn", c1.detIn, c2.detIn);
  fraction("detScattered", c1.detScattered, c2.detScattered);
  fraction("detEnergyChanged", c1.detEnergyChanged, c2.detEnergyChanged);
  fraction("detAngleNonZero", c1.detAngleNonZero, c2.detAngleNonZero);
  EXPECT_EQ(c2.qRetriesExhausted, 0);

  // Every mean rotation and mean energy loss with its standard error.
  const auto mean = [](const char* what, const Tally& a, const Tally& b) {
    const ValueAndError x = tallyRotation(a), y = tallyRotation(b);
    EXPECT_LE(std::fabs(x.value - y.value), 4 * std::hypot(x.error, y.error))
        << what << ": " << x.value << " +- " << x.error << " vs " << y.value << " +- " << y.error;
  };
  const Tallies &t1 = then.tallies, &t2 = now.tallies;
  mean("right", t1.rightTally, t2.rightTally);
  mean("left", t1.leftTally, t2.leftTally);
  mean("scat right", t1.scatRightTally, t2.scatRightTally);
  mean("scat left", t1.scatLeftTally, t2.scatLeftTally);
  mean("scat low right", t1.scatLowRightTally, t2.scatLowRightTally);
  mean("scat low left", t1.scatLowLeftTally, t2.scatLowLeftTally);
  mean("loss right", t1.lossRightTally, t2.lossRightTally);
  mean("loss left", t1.lossLeftTally, t2.lossLeftTally);

  // Shapes: the two-sample chi^2 over bins with at least 20 entries in all.
  const HistogramStore store = readHistogramFile(file);
  for (const auto& [id, counts] : old.histograms) {
    const Histogram1D& h = store.h1(id);
    ASSERT_EQ(std::size_t(h.axis().bins), counts.size()) << id;
    double total1 = 0, total2 = 0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
      total1 += counts[i];
      total2 += h.content(int(i));
    }
    const double k1 = std::sqrt(total2 / total1), k2 = std::sqrt(total1 / total2);
    double chi2 = 0;
    int bins = 0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
      const double a = counts[i], b = h.content(int(i));
      if (a + b < 20) continue;
      chi2 += (k1 * a - k2 * b) * (k1 * a - k2 * b) / (a + b);
      ++bins;
    }
    ASSERT_GT(bins, 5) << id;
    EXPECT_LT(chi2 / (bins - 1), 1.5)
        << "histogram " << id << ": chi2 " << chi2 << " over " << bins - 1 << " degrees of freedom";
  }
}

}  // namespace
}  // namespace ornaplex
