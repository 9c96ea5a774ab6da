#include "results/report_values.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "common/det_math.h"

namespace ornaplex {

namespace {

// The statistics of an analog run: counts are whole numbers, means S / N with the standard
// error of the mean.
struct AnalogStatistics {
  const Counters& c;
  double count(std::int64_t Counters::*f) const { return double(c.*f); }
  double count(const Tally& t) const { return double(t.N); }
  // The counters' sum as a fraction of the events, with its binomial standard error.
  ValueAndError shareOfEvents(std::initializer_list<std::int64_t Counters::*> fs,
                              std::int64_t events, double = 0.0) const {
    std::int64_t a = 0;
    for (auto f : fs) a += c.*f;
    const double p = double(a) / double(events);
    return {p, std::sqrt(p * (1.0 - p) / double(events))};
  }
  ValueAndError mean(const Tally& t) const { return {tallyMean(t), tallyErr(t)}; }
  // The scattered sums over all of a side's hits: the scattered hits' share of its mean.
  ValueAndError shareOfSide(const Tally& scattered, const Tally& side) const {
    return mean(Tally{scattered.S, scattered.Q, side.N});
  }
  // Independent events never reach both sides: no correlation.
  double meanCorrelation(std::size_t) const { return 0.0; }
  double shareCorrelation(std::size_t) const { return 0.0; }
};

// A correlation, zero when a side had nothing to correlate (0 / 0).
double finiteOrZero(double correlation) {
  return std::isfinite(correlation) ? correlation : 0.0;
}

// The statistics of a weighted run (results/tally_statistics.h): counts are sums of weights,
// means ratios of weighted sums with errors from the per-event sums. A run of mirror pairs is
// scored so too (its neutrons weigh 1 when analog), each event of its sums a pair of source
// neutrons whose left and right sums are correlated (Tallies::cross).
struct WeightedStatistics {
  const Counters& c;
  const Tallies& t;
  bool pairs = false;
  double count(std::int64_t Counters::*f) const { return c.weighted[counterIndex(f)].W; }
  double count(const Tally& x) const { return x.W; }
  // The share of the source neutrons that the counters' sum is, with the standard error of a
  // mean over events from the per-event sums of squares; cross: the sum over events of the
  // products of two counters' event sums (a pair's two cells).
  ValueAndError shareOfEvents(std::initializer_list<std::int64_t Counters::*> fs,
                              std::int64_t events, double cross = 0.0) const {
    WeightedCount a;
    for (auto f : fs) {
      a.W += c.weighted[counterIndex(f)].W;
      a.WW += c.weighted[counterIndex(f)].WW;
    }
    const double n = double(events);
    const double p = a.W / n;
    if (!pairs) return {p, std::sqrt(std::max(a.WW / n - p * p, 0.0) / n)};
    // Over pairs: a pair's two neutrons make one sum, half of it the pair's mean share.
    const double pairsRun = n / 2.0;
    const double perPair = a.W / pairsRun;
    const double squares = (a.WW + 2.0 * cross) / pairsRun;
    return {p, std::sqrt(std::max(squares - perPair * perPair, 0.0) / pairsRun) / 2.0};
  }
  ValueAndError mean(const Tally& x) const { return weightedMean(x); }
  ValueAndError shareOfSide(const Tally& scattered, const Tally& side) const {
    return {scattered.S / side.W, std::sqrt(scattered.Q) / side.W};
  }
  // The correlation of the left and the right side's means (i: kTallyPairFields) and of their
  // scattered shares (the scattered pair); zero unless the run is of pairs.
  double meanCorrelation(std::size_t i) const {
    if (!pairs) return 0.0;
    const TallyPairField& f = kTallyPairFields[i];
    return finiteOrZero(weightedMeanCorrelation(t.*f.left, t.*f.right, t.cross[i]));
  }
  double shareCorrelation(std::size_t i) const {
    if (!pairs) return 0.0;
    const TallyPairField& f = kTallyPairFields[i];
    return finiteOrZero(t.cross[i].SS / std::sqrt((t.*f.left).Q * (t.*f.right).Q));
  }
};

// Mean rotation (mrad) of a mean of sin(rotation / 1000) values.
ValueAndError rotationOf(ValueAndError m) {
  return {1000.0 * detmath::asin(m.value), 1000.0 * detmath::asin(m.error)};
}

// Left minus right of two means' rotations (mrad), errors in quadrature less their covariance
// (correlation: of the two means; zero for independent sides).
ValueAndError differenceOf(ValueAndError left, ValueAndError right, double correlation) {
  const double errLeft = detmath::asin(left.error), errRight = detmath::asin(right.error);
  double variance = errRight * errRight + errLeft * errLeft;
  if (correlation != 0.0) variance -= 2.0 * correlation * errLeft * errRight;
  return {1000.0 * (detmath::asin(left.value) - detmath::asin(right.value)),
          1000.0 * std::sqrt(std::max(variance, 0.0))};
}

// A side's sums less its energy-changed ones: the hits without an energy change. Weighted, the
// squares are those of the two parts apart: the cross term of an event with both a scattered
// and an unscattered branch on one side is left out (a branch scattered at small q weighs far
// less than its unscattered sibling).
Tally withoutChange(const Tally& side, const Tally& changed) {
  return Tally{side.S - changed.S, side.Q - changed.Q,   side.N - changed.N,
               side.W - changed.W, side.WW - changed.WW, side.SW - changed.SW};
}

template <class Statistics>
ReportValues derive(std::int64_t events, const Tallies& t, const Statistics& s, bool weighted) {
  // Counts over counts in single precision, as the report prints them.
  const auto frac = [](double a, double b) { return float(a) / float(b); };
  const auto count = [&s](std::int64_t Counters::*f) { return s.count(f); };
  const auto rotation = [&s](const Tally& x) { return rotationOf(s.mean(x)); };
  // The low-energy rotations print zeros below two hits.
  const auto lowRotation = [&s](const Tally& x) {
    return x.N < 2 ? ValueAndError{double(0.0f), double(0.0f)} : rotationOf(s.mean(x));
  };
  return {
      .weighted = weighted,
      .events = events,
      .tar1In = count(&Counters::tar1In),
      .tar2In = count(&Counters::tar2In),
      .detIn = count(&Counters::detIn),
      .qRetriesExhausted = count(&Counters::qRetriesExhausted),
      .limitTaken = count(&Counters::limitTaken),
      .fracTar1EnergyChanged = frac(count(&Counters::tar1EnergyChanged), count(&Counters::tar1In)),
      .fracTar1AngleNonZero = frac(count(&Counters::tar1AngleNonZero), count(&Counters::tar1In)),
      .fracTar2EnergyChanged = frac(count(&Counters::tar2EnergyChanged), count(&Counters::tar2In)),
      .fracTar2AngleNonZero = frac(count(&Counters::tar2AngleNonZero), count(&Counters::tar2In)),
      .fracTar1ToTar2 = frac(count(&Counters::tar1ToTar2), count(&Counters::tar1In)),
      .fracScatteredOfEvents = frac(count(&Counters::detScattered), double(events)),
      .fracDetScattered = frac(count(&Counters::detScattered), count(&Counters::detIn)),
      .fracDetAngleNonZero = frac(count(&Counters::detAngleNonZero), count(&Counters::detIn)),
      .fracDetEnergyChanged = frac(count(&Counters::detEnergyChanged), count(&Counters::detIn)),
      .heliumScatteredTar1 = s.shareOfEvents({&Counters::tar1EnergyChanged}, events),
      .heliumScatteredTar2 = s.shareOfEvents({&Counters::tar2EnergyChanged}, events),
      .heliumScattered =
          s.shareOfEvents({&Counters::tar1EnergyChanged, &Counters::tar2EnergyChanged}, events,
                          t.tar1Tar2EnergyChanged),
      .lossRight = s.mean(t.lossRightTally),
      .lossLeft = s.mean(t.lossLeftTally),
      .rotRight = rotation(t.rightTally),
      .rotLeft = rotation(t.leftTally),
      .rotScatRight = rotation(t.scatRightTally),
      .rotScatLeft = rotation(t.scatLeftTally),
      .rotUnscatRight = rotation(withoutChange(t.rightTally, t.scatRightTally)),
      .rotUnscatLeft = rotation(withoutChange(t.leftTally, t.scatLeftTally)),
      .rotScatLowRight = lowRotation(t.scatLowRightTally),
      .rotScatLowLeft = lowRotation(t.scatLowLeftTally),
      .shareScatRight = t.scatRightTally.S / t.rightTally.S,
      .shareScatLowRight = t.scatLowRightTally.S / t.rightTally.S,
      .shareScatLeft = t.scatLeftTally.S / t.leftTally.S,
      .shareScatLowLeft = t.scatLowLeftTally.S / t.leftTally.S,
      .rotDiff = differenceOf(s.mean(t.leftTally), s.mean(t.rightTally), s.meanCorrelation(0)),
      .rotDiffScat =
          differenceOf(s.mean(t.scatLeftTally), s.mean(t.scatRightTally), s.meanCorrelation(1)),
      .rotDiffScatShare =
          differenceOf(s.shareOfSide(t.scatLeftTally, t.leftTally),
                       s.shareOfSide(t.scatRightTally, t.rightTally), s.shareCorrelation(1)),
      .nLeft = s.count(t.leftTally),
      .nRight = s.count(t.rightTally),
      .nScatLeft = s.count(t.scatLeftTally),
      .nScatRight = s.count(t.scatRightTally),
      .ratioLeftRight = frac(s.count(t.leftTally), s.count(t.rightTally)),
      .ratioScatLeftRight = frac(s.count(t.scatLeftTally), s.count(t.scatRightTally)),
  };
}

}  // namespace

ReportValues reportValues(std::int64_t events, const Counters& c, const Tallies& t, bool weighted,
                          bool pairs) {
  if (weighted || pairs) return derive(events, t, WeightedStatistics{c, t, pairs}, weighted);
  return derive(events, t, AnalogStatistics{c}, false);
}

}  // namespace ornaplex
