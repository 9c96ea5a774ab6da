#include "results/report_values.h"

#include <algorithm>
#include <cmath>

#include "common/det_math.h"

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

namespace {

// A weighted run's counter: the sum of the weights that scored it.
double weightOf(const Counters& c, std::int64_t Counters::*f) {
  return c.weighted[counterIndex(f)].W;
}

// A weighted count of n events as a fraction of them, with the standard error of a mean over
// events (per-event sums of squares).
ValueAndError weightedShare(WeightedCount a, std::int64_t events) {
  const double n = double(events);
  const double p = a.W / n;
  return {p, std::sqrt(std::max(a.WW / n - p * p, 0.0) / n)};
}

// Left minus right of two weighted means' rotations, errors in quadrature.
ValueAndError weightedDifference(ValueAndError left, ValueAndError right) {
  const double errLeft = detmath::asin(left.error), errRight = detmath::asin(right.error);
  return {1000.0 * (detmath::asin(left.value) - detmath::asin(right.value)),
          1000.0 * std::sqrt(errLeft * errLeft + errRight * errRight)};
}

// The scattered sums over all of a side's weight: the scattered hits' share of the side's mean.
ValueAndError shareOfSide(const Tally& scattered, const Tally& side) {
  return {scattered.S / side.W, std::sqrt(scattered.Q) / side.W};
}

// A side's sums less its energy-changed ones. Weighted, the squares are those of the two parts
// apart: the cross term of an event with both a scattered and an unscattered branch on one side
// is left out (a branch scattered at small q weighs far less than its unscattered sibling).
Tally withoutChange(const Tally& side, const Tally& changed) {
  return Tally{side.S - changed.S, side.Q - changed.Q,   side.N - changed.N,
               side.W - changed.W, side.WW - changed.WW, side.SW - changed.SW};
}

ValueAndError weightedLowRotation(const Tally& t) {
  if (t.N < 2) return {double(0.0f), double(0.0f)};
  return weightedRotation(t);
}

ReportValues weightedReportValues(std::int64_t events, const Counters& c, const Tallies& t) {
  const auto w = [&c](std::int64_t Counters::*f) { return weightOf(c, f); };
  const auto frac = [](double a, double b) { return float(a) / float(b); };
  const auto share = [&c, events](std::int64_t Counters::*f) {
    return weightedShare(c.weighted[counterIndex(f)], events);
  };
  WeightedCount both = c.weighted[counterIndex(&Counters::tar1EnergyChanged)];
  both.W += w(&Counters::tar2EnergyChanged);
  both.WW += c.weighted[counterIndex(&Counters::tar2EnergyChanged)].WW;
  return {
      .weighted = true,
      .events = events,
      .tar1In = w(&Counters::tar1In),
      .tar2In = w(&Counters::tar2In),
      .detIn = w(&Counters::detIn),
      .qRetriesExhausted = w(&Counters::qRetriesExhausted),
      .limitTaken = w(&Counters::limitTaken),
      .fracTar1EnergyChanged = frac(w(&Counters::tar1EnergyChanged), w(&Counters::tar1In)),
      .fracTar1AngleNonZero = frac(w(&Counters::tar1AngleNonZero), w(&Counters::tar1In)),
      .fracTar2EnergyChanged = frac(w(&Counters::tar2EnergyChanged), w(&Counters::tar2In)),
      .fracTar2AngleNonZero = frac(w(&Counters::tar2AngleNonZero), w(&Counters::tar2In)),
      .fracTar1ToTar2 = frac(w(&Counters::tar1ToTar2), w(&Counters::tar1In)),
      .fracScatteredOfEvents = frac(w(&Counters::detScattered), double(events)),
      .fracDetScattered = frac(w(&Counters::detScattered), w(&Counters::detIn)),
      .fracDetAngleNonZero = frac(w(&Counters::detAngleNonZero), w(&Counters::detIn)),
      .fracDetEnergyChanged = frac(w(&Counters::detEnergyChanged), w(&Counters::detIn)),
      .heliumScatteredTar1 = share(&Counters::tar1EnergyChanged),
      .heliumScatteredTar2 = share(&Counters::tar2EnergyChanged),
      .heliumScattered = weightedShare(both, events),
      .lossRight = weightedMean(t.lossRightTally),
      .lossLeft = weightedMean(t.lossLeftTally),
      .rotRight = weightedRotation(t.rightTally),
      .rotLeft = weightedRotation(t.leftTally),
      .rotScatRight = weightedRotation(t.scatRightTally),
      .rotScatLeft = weightedRotation(t.scatLeftTally),
      .rotUnscatRight = weightedRotation(withoutChange(t.rightTally, t.scatRightTally)),
      .rotUnscatLeft = weightedRotation(withoutChange(t.leftTally, t.scatLeftTally)),
      .rotScatLowRight = weightedLowRotation(t.scatLowRightTally),
      .rotScatLowLeft = weightedLowRotation(t.scatLowLeftTally),
      .shareScatRight = t.scatRightTally.S / t.rightTally.S,
      .shareScatLowRight = t.scatLowRightTally.S / t.rightTally.S,
      .shareScatLeft = t.scatLeftTally.S / t.leftTally.S,
      .shareScatLowLeft = t.scatLowLeftTally.S / t.leftTally.S,
      .rotDiff = weightedDifference(weightedMean(t.leftTally), weightedMean(t.rightTally)),
      .rotDiffScat =
          weightedDifference(weightedMean(t.scatLeftTally), weightedMean(t.scatRightTally)),
      .rotDiffScatShare = weightedDifference(shareOfSide(t.scatLeftTally, t.leftTally),
                                             shareOfSide(t.scatRightTally, t.rightTally)),
      .nLeft = t.leftTally.W,
      .nRight = t.rightTally.W,
      .nScatLeft = t.scatLeftTally.W,
      .nScatRight = t.scatRightTally.W,
      .ratioLeftRight = frac(t.leftTally.W, t.rightTally.W),
      .ratioScatLeftRight = frac(t.scatLeftTally.W, t.scatRightTally.W),
  };
}

}  // namespace

ReportValues reportValues(std::int64_t events, const Counters& c, const Tallies& t, bool weighted) {
  if (weighted) return weightedReportValues(events, c, t);
  return {
      .weighted = false,
      .events = events,
      .tar1In = double(c.tar1In),
      .tar2In = double(c.tar2In),
      .detIn = double(c.detIn),
      .qRetriesExhausted = double(c.qRetriesExhausted),
      .limitTaken = double(c.limitTaken),
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
      .nLeft = double(t.leftTally.N),
      .nRight = double(t.rightTally.N),
      .nScatLeft = double(t.scatLeftTally.N),
      .nScatRight = double(t.scatRightTally.N),
      .ratioLeftRight = fraction(t.leftTally.N, t.rightTally.N),
      .ratioScatLeftRight = fraction(t.scatLeftTally.N, t.scatRightTally.N),
  };
}

}  // namespace ornaplex
