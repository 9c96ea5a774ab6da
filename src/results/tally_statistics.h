// The statistics of a tally the report prints: its mean and standard error, the mean spin
// rotation of a tally of sin(rotation / 1000) values, and left-right rotation differences.
#pragma once

#include "target/tallies.h"

namespace ornaplex {

// A value and its standard error.
struct ValueAndError {
  double value;
  double error;
};

// mean = S / N.
double tallyMean(const Tally& t);
// Standard error of the mean: sqrt((Q - S^2 / N) / N / (N - 1)). Not finite when N < 2.
double tallyErr(const Tally& t);
// Mean rotation of a tally of sin(rotation / 1000) values, mrad: 1000 asin(mean), 1000 asin(err).
ValueAndError tallyRotation(const Tally& t);
// The same for the low-energy tallies, which print zeros when they hold fewer than two hits.
ValueAndError lowEnergyRotation(const Tally& t);
// Upstream-left minus downstream-right rotation, mrad, with the two errors added in quadrature.
ValueAndError rotationDifference(const Tally& left, const Tally& right);
// The same for the energy-changed hits. Screen form: over the scattered hits only. Log form:
// the scattered sums S and Q over the counts of all hits on the same side, i.e. the scattered
// hits' share of each side's mean rotation.
ValueAndError scatteredRotationDifference(const Tallies& t, bool logForm);

// Weighted runs. A tally's mean is the ratio S / W of its weighted sums; its standard error comes
// from the per-event sums (delta method): sqrt(Q - 2 R SW + R^2 WW) / W, R = S / W.
ValueAndError weightedMean(const Tally& t);
// The correlation of two weighted means whose events contribute to both (a mirror pair's left
// and right tallies), from the per-event products of their sums (delta method).
double weightedMeanCorrelation(const Tally& left, const Tally& right, const CrossSums& cross);
// Mean rotation, mrad: 1000 asin of the weighted mean and of its error.
ValueAndError weightedRotation(const Tally& t);

}  // namespace ornaplex
