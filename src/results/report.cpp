#include "results/report.h"

#include "common/fortran_format.h"

namespace ornaplex {

namespace {

ReportValues valuesOf(const ReportInput& in) {
  return reportValues(in.events, in.counters, in.tallies, in.weighted, in.pairs);
}

std::string listLine(std::string_view text, float value) {
  return ListLine().text(text).real4(value).str();
}

std::string endTimeLine(std::string_view dateText, std::string_view timeText) {
  return ListLine().text("  End time: ").text(dateText).text(timeText).str();
}

// Every formatted report line begins with three blanks.
constexpr std::string_view kIndent = "   ";

std::string plusMinus(std::string_view text, ValueAndError v) {
  std::string s(kIndent);
  s += text;
  s += formatE11_4(v.value);
  s += " +- ";
  s += formatE11_4(v.error);
  return s;
}

std::string overflow(std::string_view text, double value, double lowValue) {
  std::string s(kIndent);
  s += text;
  s += formatE11_4(value);
  s += ", oflow En ";
  s += formatE11_4(lowValue);
  return s;
}

// Hit counts print in single precision.
std::string pair(std::string_view text1, double count1, std::string_view text2, double count2) {
  std::string s(kIndent);
  s += text1;
  s += formatE11_4(static_cast<float>(count1));
  s += "  ";
  s += text2;
  s += formatE11_4(static_cast<float>(count2));
  return s;
}

std::string ratio(std::string_view text, double value) {
  std::string s(kIndent);
  s += text;
  s += formatE11_4(value);
  return s;
}

std::vector<std::string> block(const ReportValues& v, double field_mG, bool logForm) {
  return {
      std::string(kIndent) +
          "Rotations for entire beamline ~477cm with B(mGauss)=" + formatF9_4(field_mG),
      plusMinus(" Avg. Energy loss Right ", v.lossRight),
      plusMinus(" Avg. Energy loss Left  ", v.lossLeft),
      plusMinus(" Avg. Rot Right               (mrad) ", v.rotRight),
      plusMinus(" Avg. Rot Left                (mrad) ", v.rotLeft),
      plusMinus(" Avg. Rot Scat Right          (mrad) ", v.rotScatRight),
      plusMinus(" Avg. Rot Scat Left           (mrad) ", v.rotScatLeft),
      plusMinus(" Avg. Rot Scat Right E<0.35meV (mrad) ", v.rotScatLowRight),
      plusMinus(" Avg. Rot Scat Left E<0.35meV  (mrad) ", v.rotScatLowLeft),
      overflow(" Frac of rotation from scat Right    ", v.shareScatRight, v.shareScatLowRight),
      overflow(" Frac of rotation from scat Left     ", v.shareScatLeft, v.shareScatLowLeft),
      plusMinus(" Rotation UpL-DownR           (mrad) ", v.rotDiff),
      plusMinus(" Rotation UpL-DownR scat      (mrad) ",
                logForm ? v.rotDiffScatShare : v.rotDiffScat),
      pair(" # in DetL ", v.nLeft, ", # in Det R ", v.nRight),
      ratio(" Ratio # DetL/DetR ,", v.ratioLeftRight),
      pair(" # scat in DetL ", v.nScatLeft, ", # scat in Det R ", v.nScatRight),
      ratio(" Ratio # scat DetL/DetR ,", v.ratioScatLeftRight),
  };
}

void appendBlock(std::vector<std::string>& out, const ReportValues& v, double field_mG,
                 bool logForm) {
  std::vector<std::string> lines = block(v, field_mG, logForm);
  out.push_back("");
  out.insert(out.end(), lines.begin(), lines.end());
}

}  // namespace

// A count line: whole counts as integers, a weighted run's sums of weights as reals.
std::string countLine(std::string_view text, double count, bool weighted) {
  ListLine line;
  line.text(text);
  if (weighted)
    line.real8(count);
  else
    line.integer(static_cast<std::int64_t>(count));
  return line.str();
}

std::vector<std::string> countLines(const ReportInput& in) {
  const ReportValues v = valuesOf(in);
  return {
      ListLine().text("input ").integer(v.events).str(),
      countLine("tar1 in", v.tar1In, v.weighted),
      countLine("tar2 in", v.tar2In, v.weighted),
      countLine("det in", v.detIn, v.weighted),
  };
}

std::vector<std::string> diagnosticLines(const ReportInput& in) {
  const ReportValues v = valuesOf(in);
  std::vector<std::string> out;
  if (v.qRetriesExhausted != 0) {
    out.push_back(countLine("   events rejected: no momentum transfer could be accepted ",
                            v.qRetriesExhausted, v.weighted));
  }
  if (v.limitTaken != 0) {
    out.push_back(countLine("   target segments or azimuths where a 0/0 was set to its limit ",
                            v.limitTaken, v.weighted));
  }
  return out;
}

std::vector<std::string> screenSummary(const ReportInput& in, std::string_view dateText,
                                       std::string_view timeText) {
  const ReportValues v = valuesOf(in);
  std::vector<std::string> out{
      endTimeLine(dateText, timeText),
      listLine("   Frac # of scatters with Ef.ne.Ei tar1 ", v.fracTar1EnergyChanged),
      listLine("   Frac # of scatters with Ef.ne.Ei tar2 ", v.fracTar2EnergyChanged),
      listLine("   # of scat reaching det/Nevts ", v.fracScatteredOfEvents),
      listLine("   Frac of det hits that were scattered ", v.fracDetScattered),
      listLine("   Frac of det hits that were scattered with Ef.ne.Ei ", v.fracDetEnergyChanged),
  };
  appendBlock(out, v, in.field_mG, false);
  return out;
}

std::vector<std::string> logSummary(const ReportInput& in, std::string_view dateText,
                                    std::string_view timeText) {
  const ReportValues v = valuesOf(in);
  std::vector<std::string> out{
      endTimeLine(dateText, timeText),
      listLine("  Frac # of scatters with Ef.ne.Ei tar1 ", v.fracTar1EnergyChanged),
      listLine("  Frac # of scatters with th>0 tar1 ", v.fracTar1AngleNonZero),
      listLine("  Frac # of scatters with Ef.ne.Ei tar2 ", v.fracTar2EnergyChanged),
      listLine("  Frac # of scatters with th>0 tar2 ", v.fracTar2AngleNonZero),
      listLine("  Frac num of tar1 entering tar2 ", v.fracTar1ToTar2),
      listLine("  Frac of scat of total reaching det ", v.fracScatteredOfEvents),
      listLine("   Frac of det hits that were scattered ", v.fracDetScattered),
      listLine("   Frac of det hits that were scattered with thsc>0 ", v.fracDetAngleNonZero),
      listLine("  Frac of det hits that were scattered with Ef.ne.Ei ", v.fracDetEnergyChanged),
  };
  appendBlock(out, v, in.field_mG, true);
  return out;
}

std::vector<std::string> formattedBlock(const ReportInput& in, bool logForm) {
  return block(valuesOf(in), in.field_mG, logForm);
}

std::string outputFileBase(std::int64_t seed) {
  std::string name = "h";
  name += std::to_string(seed);
  return name;
}

}  // namespace ornaplex
