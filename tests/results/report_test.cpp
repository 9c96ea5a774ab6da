#include "results/report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "common/constants.h"
#include "common/fortran_format.h"

namespace ornaplex {
namespace {

Tally tallyOf(std::initializer_list<double> values) {
  Tally t;
  for (double v : values) t.add(v);
  return t;
}

bool startsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// Tallies with hand-checked means and errors for the rotation differences.
Tallies scatteredExample() {
  Tallies t;
  t.scatLeftTally = tallyOf({0.001, 0.003});  // S 0.004, Q 1e-5
  t.scatRightTally = tallyOf({-0.002, 0.0});  // S -0.002, Q 4e-6
  t.leftTally = tallyOf({0.001, 0.003, 0.0, 0.0});
  t.rightTally = tallyOf({-0.002, 0.0, 0.0, 0.0, 0.0});
  return t;
}

TEST(TallyStatistics, MeanErrorAndRotation) {
  const Tally t = tallyOf({0.001, 0.003});
  EXPECT_DOUBLE_EQ(tallyMean(t), 0.002);
  EXPECT_NEAR(tallyErr(t), 0.001, 1e-15);
  const ValueAndError r = tallyRotation(t);
  EXPECT_NEAR(r.value, 2.0000013333, 1e-9);  // 1000 asin(0.002)
  EXPECT_NEAR(r.error, 1.0000001667, 1e-9);  // 1000 asin(0.001)
}

// A weighted tally of events of weight one is the analog tally: the same mean, and the error of
// the delta method without Bessel's factor. Weights scale out of a ratio; an event of two
// branches counts once, with the sums of its branches.
TEST(TallyStatistics, WeightedMeanAndItsErrorFromPerEventSums) {
  const double values[] = {0.001, 0.003, -0.002, 0.004};
  Tally unit, doubled;
  for (double v : values) {
    for (auto [t, w] : {std::pair{&unit, 1.0}, std::pair{&doubled, 2.0}}) {
      t->S += w * v;
      t->Q += w * v * w * v;
      t->W += w;
      t->WW += w * w;
      t->SW += w * v * w;
      ++t->N;
    }
  }
  const Tally analog = tallyOf({0.001, 0.003, -0.002, 0.004});
  const ValueAndError m = weightedMean(unit);
  EXPECT_NEAR(m.value, tallyMean(analog), 1e-18);
  EXPECT_NEAR(m.error, tallyErr(analog) * std::sqrt(3.0 / 4.0), 1e-15);
  EXPECT_NEAR(weightedMean(doubled).value, m.value, 1e-18);
  EXPECT_NEAR(weightedMean(doubled).error, m.error, 1e-15);
  EXPECT_NEAR(weightedRotation(unit).value, 1000.0 * std::asin(m.value), 1e-12);

  // Two branches of one event, 0.3 of it at 0.01 and 0.7 at 0.0, against one event at 0.02:
  // per event A = 0.003 and 0.02, B = 1 and 1.
  Tally split;
  split.S = 0.003 + 0.02;
  split.Q = 0.003 * 0.003 + 0.02 * 0.02;
  split.W = 2.0;
  split.WW = 2.0;
  split.SW = 0.003 + 0.02;
  split.N = 3;
  const double r = 0.0115;
  EXPECT_NEAR(weightedMean(split).value, r, 1e-15);
  EXPECT_NEAR(weightedMean(split).error,
              std::sqrt((0.003 - r) * (0.003 - r) + (0.02 - r) * (0.02 - r)) / 2.0, 1e-15);
}

TEST(TallyStatistics, TooFewEntriesAreNotFiniteButDoNotTrap) {
  EXPECT_TRUE(std::isnan(tallyMean(Tally{})));
  EXPECT_FALSE(std::isfinite(tallyErr(Tally{})));
  EXPECT_FALSE(std::isfinite(tallyErr(tallyOf({0.5}))));
}

TEST(RotationDifference, ScreenFormUsesTheScatteredHitsOnly) {
  const ValueAndError d = scatteredRotationDifference(scatteredExample(), false);
  // 1000 (asin(0.002) - asin(-0.001)); 1000 sqrt(2) asin(0.001).
  EXPECT_NEAR(d.value, 3.0000015, 1e-9);
  EXPECT_NEAR(d.error, 1.4142137982, 1e-9);
}

TEST(RotationDifference, LogFormTakesTheScatteredSumsOverAllHitsOfTheSide) {
  const ValueAndError d = scatteredRotationDifference(scatteredExample(), true);
  // Left: S 0.004 over N 4 -> mean 0.001, err sqrt((1e-5 - 0.004^2/4)/4/3) = sqrt(5e-7).
  // Right: S -0.002 over N 5 -> mean -0.0004, err sqrt((4e-6 - 0.002^2/5)/5/4) = 4e-4.
  EXPECT_NEAR(d.value, 1.4000001773, 1e-9);
  EXPECT_NEAR(
      d.error,
      1000.0 * std::sqrt(std::pow(std::asin(4e-4), 2) + std::pow(std::asin(std::sqrt(5e-7)), 2)),
      1e-12);
  EXPECT_NEAR(d.error, 0.81240391, 1e-7);
}

struct Fixture {
  Counters counters;
  Tallies tallies;
  ReportInput input() const { return {1000, FIELD_mG, counters, tallies}; }
};

const std::string kZeroPm = " 0.0000E+00 +-  0.0000E+00";

TEST(FormattedBlock, LowEnergyLinesPrintZerosBelowTwoHits) {
  Fixture f;
  f.tallies.scatLowRightTally = tallyOf({0.002});
  f.tallies.scatLowLeftTally = tallyOf({0.002});
  std::vector<std::string> b = formattedBlock(f.input(), false);
  ASSERT_EQ(b.size(), 17u);
  EXPECT_EQ(b[7], "    Avg. Rot Scat Right E<0.35meV (mrad) " + kZeroPm);
  EXPECT_EQ(b[8], "    Avg. Rot Scat Left E<0.35meV  (mrad) " + kZeroPm);

  f.tallies.scatLowRightTally = tallyOf({0.001, 0.003});
  f.tallies.scatLowLeftTally = Tally{};
  b = formattedBlock(f.input(), false);
  EXPECT_EQ(b[7], "    Avg. Rot Scat Right E<0.35meV (mrad)  2.0000E+00 +-  1.0000E+00");
  EXPECT_EQ(b[8], "    Avg. Rot Scat Left E<0.35meV  (mrad) " + kZeroPm);
}

TEST(FormattedBlock, ScatteredDifferenceDiffersBetweenScreenAndLog) {
  Fixture f;
  f.tallies = scatteredExample();
  const std::vector<std::string> screen = formattedBlock(f.input(), false);
  const std::vector<std::string> log = formattedBlock(f.input(), true);
  EXPECT_EQ(screen[12], "    Rotation UpL-DownR scat      (mrad)  3.0000E+00 +-  1.4142E+00");
  EXPECT_EQ(log[12], "    Rotation UpL-DownR scat      (mrad)  1.4000E+00 +-  8.1240E-01");
  for (std::size_t i = 0; i < screen.size(); ++i) {
    if (i != 12) {
      EXPECT_EQ(screen[i], log[i]) << "line " << i + 1;
    }
  }
}

TEST(FormattedBlock, TextsAndLayout) {
  Fixture f;
  f.tallies = scatteredExample();
  f.tallies.lossRightTally = tallyOf({0.25, 0.75});
  f.tallies.scatLowRightTally = tallyOf({0.0, 0.0});
  const std::vector<std::string> b = formattedBlock(f.input(), false);
  EXPECT_EQ(b[0], "   Rotations for entire beamline ~477cm with B(mGauss)=   0.1000");
  EXPECT_EQ(b[1], "    Avg. Energy loss Right  5.0000E-01 +-  2.5000E-01");
  EXPECT_TRUE(startsWith(b[2], "    Avg. Energy loss Left  "));
  EXPECT_EQ(b[3], "    Avg. Rot Right               (mrad) -4.0000E-01 +-  4.0000E-01");
  EXPECT_EQ(b[4], "    Avg. Rot Left                (mrad)  1.0000E+00 +-  7.0711E-01");
  EXPECT_TRUE(startsWith(b[5], "    Avg. Rot Scat Right          (mrad) "));
  EXPECT_TRUE(startsWith(b[6], "    Avg. Rot Scat Left           (mrad) "));
  // S(scatRight) / S(right) = 1, S(scatLowRight) / S(right) = -0.
  EXPECT_EQ(b[9], "    Frac of rotation from scat Right     1.0000E+00, oflow En -0.0000E+00");
  EXPECT_TRUE(startsWith(b[10], "    Frac of rotation from scat Left      1.0000E+00, oflow En "));
  EXPECT_TRUE(startsWith(b[11], "    Rotation UpL-DownR           (mrad) "));
  EXPECT_EQ(b[13], "    # in DetL  4.0000E+00  , # in Det R  5.0000E+00");
  EXPECT_EQ(b[14], "    Ratio # DetL/DetR , 8.0000E-01");
  EXPECT_EQ(b[15], "    # scat in DetL  2.0000E+00  , # scat in Det R  2.0000E+00");
  EXPECT_EQ(b[16], "    Ratio # scat DetL/DetR , 1.0000E+00");
  for (const std::string& line : b) EXPECT_TRUE(startsWith(line, "   ")) << line;
}

TEST(FormattedBlock, EmptyRunPrintsNonFiniteValuesWithoutTrapping) {
  Fixture f;
  const std::vector<std::string> b = formattedBlock(f.input(), true);
  ASSERT_EQ(b.size(), 17u);
  EXPECT_NE(b[3].find("NaN"), std::string::npos);
  EXPECT_EQ(b[7], "    Avg. Rot Scat Right E<0.35meV (mrad) " + kZeroPm);
  EXPECT_EQ(b[13], "    # in DetL  0.0000E+00  , # in Det R  0.0000E+00");
  EXPECT_NE(b[14].find("NaN"), std::string::npos);
}

std::string fracLine(const char* text, float v) {
  return ListLine().text(text).real4(v).str();
}

TEST(Summaries, ScreenLinesInOrder) {
  Fixture f;
  Counters& c = f.counters;
  c.tar1In = 400;
  c.tar1EnergyChanged = 100;
  c.tar2In = 300;
  c.tar2EnergyChanged = 30;
  c.detIn = 200;
  c.detScattered = 50;
  c.detEnergyChanged = 20;
  const std::vector<std::string> s = screenSummary(f.input(), "20261208    ", "054136.123  ");
  ASSERT_EQ(s.size(), 6u + 1u + 17u);
  EXPECT_EQ(s[0], "   End time: 20261208    054136.123  ");
  EXPECT_EQ(s[1], fracLine("   Frac # of scatters with Ef.ne.Ei tar1 ", 0.25f));
  EXPECT_EQ(s[2], fracLine("   Frac # of scatters with Ef.ne.Ei tar2 ", 0.1f));
  EXPECT_EQ(s[3], fracLine("   # of scat reaching det/Nevts ", 0.05f));  // over the 1000 events
  EXPECT_EQ(s[4], fracLine("   Frac of det hits that were scattered ", 0.25f));
  EXPECT_EQ(s[5], fracLine("   Frac of det hits that were scattered with Ef.ne.Ei ", 0.1f));
  EXPECT_TRUE(startsWith(s[1], "    Frac # of"));  // record blank, then three
  EXPECT_EQ(s[6], "");
  EXPECT_EQ(std::vector<std::string>(s.begin() + 7, s.end()), formattedBlock(f.input(), false));
}

TEST(Summaries, LogLinesInOrder) {
  Fixture f;
  Counters& c = f.counters;
  c.tar1In = 400;
  c.tar1EnergyChanged = 100;
  c.tar1AngleNonZero = 40;
  c.tar1ToTar2 = 200;
  c.tar2In = 300;
  c.tar2EnergyChanged = 30;
  c.tar2AngleNonZero = 75;
  c.detIn = 200;
  c.detScattered = 50;
  c.detEnergyChanged = 20;
  c.detAngleNonZero = 10;
  const std::vector<std::string> s = logSummary(f.input(), "20261208", "054136.123");
  ASSERT_EQ(s.size(), 10u + 1u + 17u);
  EXPECT_EQ(s[0], "   End time: 20261208054136.123");
  EXPECT_EQ(s[1], fracLine("  Frac # of scatters with Ef.ne.Ei tar1 ", 0.25f));
  EXPECT_EQ(s[2], fracLine("  Frac # of scatters with th>0 tar1 ", 0.1f));
  EXPECT_EQ(s[3], fracLine("  Frac # of scatters with Ef.ne.Ei tar2 ", 0.1f));
  EXPECT_EQ(s[4], fracLine("  Frac # of scatters with th>0 tar2 ", 0.25f));
  EXPECT_EQ(s[5], fracLine("  Frac num of tar1 entering tar2 ", 0.5f));
  EXPECT_EQ(s[6], fracLine("  Frac of scat of total reaching det ", 0.05f));
  EXPECT_EQ(s[7], fracLine("   Frac of det hits that were scattered ", 0.25f));
  EXPECT_EQ(s[8], fracLine("   Frac of det hits that were scattered with thsc>0 ", 0.05f));
  EXPECT_EQ(s[9], fracLine("  Frac of det hits that were scattered with Ef.ne.Ei ", 0.1f));
  EXPECT_TRUE(startsWith(s[1], "   Frac # of"));  // record blank, then two
  EXPECT_EQ(s[10], "");
  EXPECT_EQ(std::vector<std::string>(s.begin() + 11, s.end()), formattedBlock(f.input(), true));
}

TEST(Summaries, FractionsAreSinglePrecision) {
  Fixture f;
  f.counters.tar1In = 3;
  f.counters.tar1EnergyChanged = 1;
  const std::vector<std::string> s = screenSummary(f.input(), "d", "t");
  EXPECT_EQ(s[1], fracLine("   Frac # of scatters with Ef.ne.Ei tar1 ", 1.0f / 3.0f));
  EXPECT_NE(s[1].find("0.333333343"), std::string::npos);
}

TEST(Summaries, ZeroDenominatorsGiveNonFiniteFractions) {
  Fixture f;
  f.counters.tar2EnergyChanged = 5;  // over tar2In = 0
  const ReportInput noEvents{0, FIELD_mG, f.counters, f.tallies};
  const std::vector<std::string> s = screenSummary(noEvents, "d", "t");
  EXPECT_NE(s[1].find("NaN"), std::string::npos);       // 0 / 0
  EXPECT_NE(s[2].find("Infinity"), std::string::npos);  // 5 / 0
  EXPECT_NE(s[3].find("NaN"), std::string::npos);       // over 0 events
  const std::vector<std::string> l = logSummary(noEvents, "d", "t");
  for (std::size_t i = 1; i <= 9; ++i) {
    EXPECT_TRUE(l[i].find("NaN") != std::string::npos || l[i].find("Infinity") != std::string::npos)
        << l[i];
  }
}

TEST(CountLines, RunEventCountAndStageCounts) {
  Fixture f;
  f.counters.tar1In = 7;
  f.counters.tar2In = 6;
  f.counters.detIn = 5;
  const ReportInput in{3000000000LL, FIELD_mG, f.counters, f.tallies};
  const std::vector<std::string> lines = countLines(in);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], ListLine().text("input ").integer(3000000000LL).str());
  EXPECT_EQ(lines[1], ListLine().text("tar1 in").integer(7).str());
  EXPECT_EQ(lines[2], ListLine().text("tar2 in").integer(6).str());
  EXPECT_EQ(lines[3], ListLine().text("det in").integer(5).str());
  EXPECT_NE(lines[0].find("3000000000"), std::string::npos);
}

TEST(DiagnosticLines, OnlyForNonZeroCounters) {
  Fixture f;
  EXPECT_TRUE(diagnosticLines(f.input()).empty());
  f.counters.qRetriesExhausted = 12;
  std::vector<std::string> d = diagnosticLines(f.input());
  ASSERT_EQ(d.size(), 1u);
  EXPECT_NE(d[0].find("no momentum transfer"), std::string::npos);
  EXPECT_NE(d[0].find("12"), std::string::npos);
  f.counters.qRetriesExhausted = 0;
  f.counters.limitTaken = 4;
  d = diagnosticLines(f.input());
  ASSERT_EQ(d.size(), 1u);
  EXPECT_NE(d[0].find("limit"), std::string::npos);
  f.counters.qRetriesExhausted = 1;
  EXPECT_EQ(diagnosticLines(f.input()).size(), 2u);
}

TEST(OutputFileBase, AllDigitsOfTheSeed) {
  EXPECT_EQ(outputFileBase(0), "h0");
  EXPECT_EQ(outputFileBase(9), "h9");
  EXPECT_EQ(outputFileBase(10), "h10");
  EXPECT_EQ(outputFileBase(123456), "h123456");
  EXPECT_EQ(outputFileBase(3478577), "h3478577");
  EXPECT_EQ(outputFileBase(2147483647), "h2147483647");
}

}  // namespace
}  // namespace ornaplex
