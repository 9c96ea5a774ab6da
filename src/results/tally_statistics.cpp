#include "results/tally_statistics.h"

#include <algorithm>
#include <cmath>

#include "common/det_math.h"

namespace ornaplex {

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

ValueAndError weightedMean(const Tally& t) {
  const double r = t.S / t.W;
  return {r, std::sqrt(std::max(t.Q - 2.0 * r * t.SW + r * r * t.WW, 0.0)) / t.W};
}

double weightedMeanCorrelation(const Tally& l, const Tally& r, const CrossSums& x) {
  const double rl = l.S / l.W, rr = r.S / r.W;
  // Each event moves a mean by (a - R b) / W: the covariance is the sum of the products.
  const double covariance = (x.SS - rr * x.SW - rl * x.WS + rl * rr * x.WW) / (l.W * r.W);
  return covariance / (weightedMean(l).error * weightedMean(r).error);
}

ValueAndError weightedRotation(const Tally& t) {
  const ValueAndError m = weightedMean(t);
  return {1000.0 * detmath::asin(m.value), 1000.0 * detmath::asin(m.error)};
}

}  // namespace ornaplex
