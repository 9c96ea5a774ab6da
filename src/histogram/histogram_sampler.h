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
  float drawFirst(int n, Ranlux& rng) const { return valueOf(drawBinFirst(n, rng)); }
  // The two halves of drawFirst: the bin (from the generator number), then the value inside it.
  // A caller may look at the bin and decide against the value.
  struct BinDraw {
    int bin = 0;
    double u = 0.0;  // the point drawn on the cumulative sum
  };
  BinDraw drawBinFirst(int n, Ranlux& rng) const {
    if (n < 1 || n > axis_.bins || !(cumulative_[static_cast<std::size_t>(n - 1)] > 0.0)) {
      refuseDraw(n);
    }
    const double total = cumulative_[static_cast<std::size_t>(n - 1)];
    const double r = rng.next();
    const double u = r * total;  // r < 1, so u < total
    int i = binFor(u, n);
    // Not reachable for r < 1; kept so a generator returning 1 still gives the last full bin.
    if (i == n) [[unlikely]]
      i = firstBinReaching(total, n);
    return {i, u};
  }
  float valueOf(BinDraw d) const {
    const auto k = static_cast<std::size_t>(d.bin);
    const double below = k == 0 ? 0.0 : cumulative_[k - 1];
    const double fraction = (d.u - below) / content_[k];
    return static_cast<float>(axis_.low + width_ * (static_cast<double>(k) + fraction));
  }
  // The first of bins 0..n-1 whose cumulative sum exceeds u, n when none does (as
  // std::upper_bound over the cumulative sums of those bins); n in 1..bins. Searched from the
  // guide entry of u: back while the bin before also exceeds u, then forward while this one
  // does not. The entry only shortens the walk; the bin is the exact one.
  int binFor(double u, int n) const {
    const double* cum = cumulative_.data();
    const auto lastBin = static_cast<std::size_t>(n - 1);
    const double g = u * guideScale_;
    std::size_t i = 0;
    if (g >= static_cast<double>(guide_.size() - 1)) {
      i = guide_.back();
    } else if (g > 0.0) {
      i = guide_[static_cast<std::size_t>(g)];
    }
    if (i > lastBin) i = lastBin;
    while (i > 0 && cum[i - 1] > u) --i;
    while (i < lastBin && cum[i] <= u) ++i;
    return cum[i] > u ? static_cast<int>(i) : n;
  }
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

  // Throws the std::domain_error of drawFirst for n outside 1..bins or bins that hold nothing.
  [[noreturn, gnu::cold]] void refuseDraw(int n) const;
  // The first of bins 0..n-1 whose cumulative sum reaches total.
  int firstBinReaching(double total, int n) const;
};

}  // namespace ornaplex
