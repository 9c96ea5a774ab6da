#include "results/report.h"

#include <cmath>

#include "common/det_math.h"
#include "common/fortran_format.h"

namespace ornaplex {

namespace {

// A count divided by a count in single precision; a zero denominator gives Inf or NaN.
float fraction(std::int64_t a, std::int64_t b) {
  return static_cast<float>(a) / static_cast<float>(b);
}

std::string listLine(std::string_view text, float value) {
  return ListLine().text(text).real4(value).str();
}

std::string endTimeLine(std::string_view dateText, std::string_view timeText) {
  return ListLine().text("  End time: ").text(dateText).text(timeText).str();
}

// Every formatted report line begins with three blanks.
constexpr std::string_view kIndent = "   ";

std::string plusMinus(std::string_view text, double value, double error) {
  std::string s(kIndent);
  s += text;
  s += formatE11_4(value);
  s += " +- ";
  s += formatE11_4(error);
  return s;
}

std::string plusMinus(std::string_view text, ValueAndError v) {
  return plusMinus(text, v.value, v.error);
}

std::string overflow(std::string_view text, double value, double lowValue) {
  std::string s(kIndent);
  s += text;
  s += formatE11_4(value);
  s += ", oflow En ";
  s += formatE11_4(lowValue);
  return s;
}

std::string pair(std::string_view text1, double value1, std::string_view text2, double value2) {
  std::string s(kIndent);
  s += text1;
  s += formatE11_4(value1);
  s += "  ";
  s += text2;
  s += formatE11_4(value2);
  return s;
}

std::string ratio(std::string_view text, double value) {
  std::string s(kIndent);
  s += text;
  s += formatE11_4(value);
  return s;
}

void appendBlock(std::vector<std::string>& out, const ReportInput& in, bool logForm) {
  std::vector<std::string> block = formattedBlock(in, logForm);
  out.push_back("");
  out.insert(out.end(), block.begin(), block.end());
}

}  // namespace

double tallyMean(const Tally& t) {
  return t.S / static_cast<double>(t.N);
}

double tallyErr(const Tally& t) {
  const double n = static_cast<double>(t.N);
  const double nMinus1 = static_cast<double>(t.N - 1);
  return std::sqrt((t.Q - t.S * t.S / n) / n / nMinus1);
}

ValueAndError tallyRotation(const Tally& t) {
  return {1000.0 * detmath::asin(tallyMean(t)), 1000.0 * detmath::asin(tallyErr(t))};
}

ValueAndError lowEnergyRotation(const Tally& t) {
  if (t.N < 2) return {double(0.0f), double(0.0f)};
  return tallyRotation(t);
}

ValueAndError rotationDifference(const Tally& left, const Tally& right) {
  const double errRight = detmath::asin(tallyErr(right));
  const double errLeft = detmath::asin(tallyErr(left));
  return {1000.0 * (detmath::asin(tallyMean(left)) - detmath::asin(tallyMean(right))),
          1000.0 * std::sqrt(errRight * errRight + errLeft * errLeft)};
}

ValueAndError scatteredRotationDifference(const Tallies& t, bool logForm) {
  if (!logForm) return rotationDifference(t.scatLeftTally, t.scatRightTally);
  // The scattered sums taken over all hits of their side.
  const Tally left{t.scatLeftTally.S, t.scatLeftTally.Q, t.leftTally.N};
  const Tally right{t.scatRightTally.S, t.scatRightTally.Q, t.rightTally.N};
  return rotationDifference(left, right);
}

std::vector<std::string> countLines(const ReportInput& in) {
  const Counters& c = in.counters;
  return {
      ListLine().text("input ").integer(in.events).str(),
      ListLine().text("tar1 in").integer(c.tar1In).str(),
      ListLine().text("tar2 in").integer(c.tar2In).str(),
      ListLine().text("det in").integer(c.detIn).str(),
  };
}

std::vector<std::string> diagnosticLines(const ReportInput& in) {
  std::vector<std::string> out;
  const Counters& c = in.counters;
  if (c.qRetriesExhausted != 0) {
    out.push_back(ListLine()
                      .text("   events rejected: no momentum transfer could be accepted ")
                      .integer(c.qRetriesExhausted)
                      .str());
  }
  if (c.limitTaken != 0) {
    out.push_back(ListLine()
                      .text("   target segments or azimuths where a 0/0 was set to its limit ")
                      .integer(c.limitTaken)
                      .str());
  }
  return out;
}

std::vector<std::string> screenSummary(const ReportInput& in, std::string_view dateText,
                                       std::string_view timeText) {
  const Counters& c = in.counters;
  std::vector<std::string> out{
      endTimeLine(dateText, timeText),
      listLine("   Frac # of scatters with Ef.ne.Ei tar1 ",
               fraction(c.tar1EnergyChanged, c.tar1In)),
      listLine("   Frac # of scatters with Ef.ne.Ei tar2 ",
               fraction(c.tar2EnergyChanged, c.tar2In)),
      listLine("   # of scat reaching det/Nevts ", fraction(c.detScattered, in.events)),
      listLine("   Frac of det hits that were scattered ", fraction(c.detScattered, c.detIn)),
      listLine("   Frac of det hits that were scattered with Ef.ne.Ei ",
               fraction(c.detEnergyChanged, c.detIn)),
  };
  appendBlock(out, in, false);
  return out;
}

std::vector<std::string> logSummary(const ReportInput& in, std::string_view dateText,
                                    std::string_view timeText) {
  const Counters& c = in.counters;
  std::vector<std::string> out{
      endTimeLine(dateText, timeText),
      listLine("  Frac # of scatters with Ef.ne.Ei tar1 ", fraction(c.tar1EnergyChanged, c.tar1In)),
      listLine("  Frac # of scatters with th>0 tar1 ", fraction(c.tar1AngleNonZero, c.tar1In)),
      listLine("  Frac # of scatters with Ef.ne.Ei tar2 ", fraction(c.tar2EnergyChanged, c.tar2In)),
      listLine("  Frac # of scatters with th>0 tar2 ", fraction(c.tar2AngleNonZero, c.tar2In)),
      listLine("  Frac num of tar1 entering tar2 ", fraction(c.tar1ToTar2, c.tar1In)),
      listLine("  Frac of scat of total reaching det ", fraction(c.detScattered, in.events)),
      listLine("   Frac of det hits that were scattered ", fraction(c.detScattered, c.detIn)),
      listLine("   Frac of det hits that were scattered with thsc>0 ",
               fraction(c.detAngleNonZero, c.detIn)),
      listLine("  Frac of det hits that were scattered with Ef.ne.Ei ",
               fraction(c.detEnergyChanged, c.detIn)),
  };
  appendBlock(out, in, true);
  return out;
}

std::vector<std::string> formattedBlock(const ReportInput& in, bool logForm) {
  const Tallies& t = in.tallies;
  const float nLeft = static_cast<float>(t.leftTally.N);
  const float nRight = static_cast<float>(t.rightTally.N);
  const float nScatLeft = static_cast<float>(t.scatLeftTally.N);
  const float nScatRight = static_cast<float>(t.scatRightTally.N);

  std::vector<std::string> out;
  out.reserve(17);
  out.push_back(std::string(kIndent) +
                "Rotations for entire beamline ~477cm with B(mGauss)=" + formatF9_4(in.field_mG));
  out.push_back(plusMinus(" Avg. Energy loss Right ", tallyMean(t.lossRightTally),
                          tallyErr(t.lossRightTally)));
  out.push_back(
      plusMinus(" Avg. Energy loss Left  ", tallyMean(t.lossLeftTally), tallyErr(t.lossLeftTally)));
  out.push_back(plusMinus(" Avg. Rot Right               (mrad) ", tallyRotation(t.rightTally)));
  out.push_back(plusMinus(" Avg. Rot Left                (mrad) ", tallyRotation(t.leftTally)));
  out.push_back(
      plusMinus(" Avg. Rot Scat Right          (mrad) ", tallyRotation(t.scatRightTally)));
  out.push_back(plusMinus(" Avg. Rot Scat Left           (mrad) ", tallyRotation(t.scatLeftTally)));
  out.push_back(
      plusMinus(" Avg. Rot Scat Right E<0.35meV (mrad) ", lowEnergyRotation(t.scatLowRightTally)));
  out.push_back(
      plusMinus(" Avg. Rot Scat Left E<0.35meV  (mrad) ", lowEnergyRotation(t.scatLowLeftTally)));
  out.push_back(overflow(" Frac of rotation from scat Right    ",
                         t.scatRightTally.S / t.rightTally.S,
                         t.scatLowRightTally.S / t.rightTally.S));
  out.push_back(overflow(" Frac of rotation from scat Left     ", t.scatLeftTally.S / t.leftTally.S,
                         t.scatLowLeftTally.S / t.leftTally.S));
  out.push_back(plusMinus(" Rotation UpL-DownR           (mrad) ",
                          rotationDifference(t.leftTally, t.rightTally)));
  out.push_back(
      plusMinus(" Rotation UpL-DownR scat      (mrad) ", scatteredRotationDifference(t, logForm)));
  out.push_back(pair(" # in DetL ", nLeft, ", # in Det R ", nRight));
  out.push_back(ratio(" Ratio # DetL/DetR ,", nLeft / nRight));
  out.push_back(pair(" # scat in DetL ", nScatLeft, ", # scat in Det R ", nScatRight));
  out.push_back(ratio(" Ratio # scat DetL/DetR ,", nScatLeft / nScatRight));
  return out;
}

std::string outputFileBase(std::int64_t seed) {
  std::string name = "h";
  name += std::to_string(seed);
  return name;
}

}  // namespace ornaplex
