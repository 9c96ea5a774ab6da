#include "results/report_values.h"

#include <cmath>

namespace ornaplex {

namespace {

// A count over a count in single precision, as the report prints it.
float fraction(std::int64_t a, std::int64_t b) {
  return static_cast<float>(a) / static_cast<float>(b);
}

// a of n as a fraction in double precision, with its binomial standard error.
ValueAndError binomial(std::int64_t a, std::int64_t n) {
  const double p = double(a) / double(n);
  return {p, std::sqrt(p * (1.0 - p) / double(n))};
}

ValueAndError meanAndError(const Tally& t) {
  return {tallyMean(t), tallyErr(t)};
}

// The hits of a side without an energy change: the side's sums less the energy-changed ones.
Tally withoutEnergyChange(const Tally& side, const Tally& changed) {
  return Tally{side.S - changed.S, side.Q - changed.Q, side.N - changed.N};
}

}  // namespace

ReportValues reportValues(std::int64_t events, const Counters& c, const Tallies& t) {
  return {
      .events = events,
      .tar1In = c.tar1In,
      .tar2In = c.tar2In,
      .detIn = c.detIn,
      .qRetriesExhausted = c.qRetriesExhausted,
      .limitTaken = c.limitTaken,
      .fracTar1EnergyChanged = fraction(c.tar1EnergyChanged, c.tar1In),
      .fracTar1AngleNonZero = fraction(c.tar1AngleNonZero, c.tar1In),
      .fracTar2EnergyChanged = fraction(c.tar2EnergyChanged, c.tar2In),
      .fracTar2AngleNonZero = fraction(c.tar2AngleNonZero, c.tar2In),
      .fracTar1ToTar2 = fraction(c.tar1ToTar2, c.tar1In),
      .fracScatteredOfEvents = fraction(c.detScattered, events),
      .fracDetScattered = fraction(c.detScattered, c.detIn),
      .fracDetAngleNonZero = fraction(c.detAngleNonZero, c.detIn),
      .fracDetEnergyChanged = fraction(c.detEnergyChanged, c.detIn),
      .heliumScatteredTar1 = binomial(c.tar1EnergyChanged, events),
      .heliumScatteredTar2 = binomial(c.tar2EnergyChanged, events),
      .heliumScattered = binomial(c.tar1EnergyChanged + c.tar2EnergyChanged, events),
      .lossRight = meanAndError(t.lossRightTally),
      .lossLeft = meanAndError(t.lossLeftTally),
      .rotRight = tallyRotation(t.rightTally),
      .rotLeft = tallyRotation(t.leftTally),
      .rotScatRight = tallyRotation(t.scatRightTally),
      .rotScatLeft = tallyRotation(t.scatLeftTally),
      .rotUnscatRight = tallyRotation(withoutEnergyChange(t.rightTally, t.scatRightTally)),
      .rotUnscatLeft = tallyRotation(withoutEnergyChange(t.leftTally, t.scatLeftTally)),
      .rotScatLowRight = lowEnergyRotation(t.scatLowRightTally),
      .rotScatLowLeft = lowEnergyRotation(t.scatLowLeftTally),
      .shareScatRight = t.scatRightTally.S / t.rightTally.S,
      .shareScatLowRight = t.scatLowRightTally.S / t.rightTally.S,
      .shareScatLeft = t.scatLeftTally.S / t.leftTally.S,
      .shareScatLowLeft = t.scatLowLeftTally.S / t.leftTally.S,
      .rotDiff = rotationDifference(t.leftTally, t.rightTally),
      .rotDiffScat = scatteredRotationDifference(t, false),
      .rotDiffScatShare = scatteredRotationDifference(t, true),
      .nLeft = t.leftTally.N,
      .nRight = t.rightTally.N,
      .nScatLeft = t.scatLeftTally.N,
      .nScatRight = t.scatRightTally.N,
      .ratioLeftRight = fraction(t.leftTally.N, t.rightTally.N),
      .ratioScatLeftRight = fraction(t.scatLeftTally.N, t.scatRightTally.N),
  };
}

}  // namespace ornaplex
