// Draws numbers distributed as a 1-D histogram: a bin is chosen with probability proportional
// to its content, the value is uniform within the bin; one generator number per draw. The
// cumulative sums are computed once, so a draw restricted to the first n bins costs no copy.
// A guide table of the cumulative sums starts the search for the bin next to it.
#pragma once

#include <cstdint>
#include <vector>

#include "histogram/histogram.h"
#include "random/ranlux.h"

namespace ornaplex {

class HistogramSampler {
 public:
  // Throws std::invalid_argument for negative or non-finite contents.
  explicit HistogramSampler(const Histogram1D& h);
  // A draw over all bins, returned as a single-precision value. Needs a positive total.
  float draw(Ranlux& rng) const { return drawFirst(axis_.bins, rng); }
  // A draw over bins 0..n-1 only; the caller checks canDrawFirst(n) first. Throws
  // std::domain_error when n is outside 1..bins or those bins hold nothing (never loops).
  // One generator number r: u = r * total of the n bins, the bin is the first whose cumulative
  // sum exceeds u (so an empty bin is never chosen), the value lies at the same fraction
  // inside the bin.
  float drawFirst(int n, Ranlux& rng) const;
  // The first of bins 0..n-1 whose cumulative sum exceeds u, n when none does (as
  // std::upper_bound over the cumulative sums of those bins); n in 1..bins.
  int binFor(double u, int n) const;
  // True when bins 0..n-1 hold a positive total (a draw can succeed).
  bool canDrawFirst(int n) const;
  double total() const { return cumulative_.empty() ? 0.0 : cumulative_.back(); }
  const Axis& axis() const { return axis_; }

 private:
  Axis axis_;
  std::vector<double> content_;     // content_[i] = content of bin i
  std::vector<double> cumulative_;  // cumulative_[i] = sum of contents of bins 0..i
  double width_ = 1.0;              // axis_.width()
  // guide_[j]: the first bin whose cumulative sum exceeds j / guideScale_, for j = 0..bins;
  // only a starting point, the search moves from it to the exact bin.
  std::vector<std::uint32_t> guide_;
  double guideScale_ = 0.0;  // guide entries per unit of the cumulative sum
};

}  // namespace ornaplex
