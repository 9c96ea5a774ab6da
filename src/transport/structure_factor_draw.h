// The draw of an event's momentum transfer bin from the structure factor S(q): a bin of the
// first n chosen with probability proportional to its content, among only the bins whose every
// q the neutron's energy can reach (a bin below that energy's floor would be refused anyway, so
// leaving it out keeps the accepted distribution and saves the try).
#pragma once

#include <algorithm>
#include <optional>
#include <vector>

#include "histogram/histogram.h"
#include "random/ranlux.h"

namespace ornaplex {

// The first of a[0..n) that exceeds u, n when none does (std::upper_bound), searched without
// branches on the data: the bin of a random u is as unpredictable as u. n >= 1.
inline int firstAbove(const double* a, int n, double u) {
  const double* base = a;
  int len = n;
  while (len > 1) {
    const int half = len / 2;
    // A mask rather than a conditional: the compiler would make the latter a branch.
    base += half & -static_cast<int>(base[half - 1] <= u);
    len -= half;
  }
  return static_cast<int>(base - a) + (*base <= u ? 1 : 0);
}

class StructureFactorDraw {
 public:
  // From histogram 301. With the floor, each bin carries wqFloor's lower bound of the energy
  // transfer over it; without, every bin is open to every energy (the plain draw). Throws
  // std::invalid_argument for negative or non-finite contents.
  explicit StructureFactorDraw(const Histogram1D& sq, bool withFloor = true);

  // The bins among 0..n-1 that an energy opens: their cumulative sum (flat over closed bins).
  struct OpenBins {
    const double* cumulative = nullptr;
    int n = 0;
    double total = 0.0;
    bool everyBin = false;  // the energy clears every floor (most neutrons): the guided search
  };
  // Empty when bins 0..n-1 open to energy_meV hold nothing (n outside 1..bins counts as
  // holding nothing, and so does a NaN energy). Worked out once per event.
  std::optional<OpenBins> open(int n, double energy_meV) const;

  struct BinDraw {
    int bin = 0;
    double u = 0.0;      // the point drawn on the open bins' cumulative sum
    double below = 0.0;  // that sum below the bin
  };
  // One generator number: an open bin, with probability proportional to its content.
  BinDraw drawBin(const OpenBins& bins, Ranlux& rng) const;
  // The value at the drawn point's fraction inside its bin, in single precision.
  float valueOf(const BinDraw& d) const;
  // The density (per 1/Angstrom) of the values the draw gives at q: an open bin's content over
  // the open bins' total and the bin width; 0 in a closed bin and outside bins 0..n-1.
  double density(const OpenBins& bins, double q) const;

  const Axis& axis() const { return axis_; }
  // Lower bounds of the energy transfer per bin (meV), 0 for the bins the floor leaves open.
  const std::vector<double>& floor_meV() const { return floor_; }

 private:
  Axis axis_;
  double width_ = 0.0;           // axis_.width(), worked out once
  std::vector<double> content_;  // content of each bin
  std::vector<double> floor_;    // per bin, meV
  // The distinct floor values, ascending; an energy opens every bin whose floor lies at or below
  // it, so the open set is one of these levels.
  std::vector<double> levels_;
  // cumulative_[t * bins + b]: sum of the contents of bins 0..b open at level t, added in bin
  // order (at the level that opens every bin, the plain cumulative sum).
  std::vector<double> cumulative_;
  // For the level that opens every bin: guide_[j] is the first bin whose cumulative sum exceeds
  // j / guideScale_, a starting point from which the search walks to the exact bin.
  std::vector<int> guide_;
  double guideScale_ = 0.0;
};

// Inline, with the bin width worked out once: the source draws a bin for every q it tries
// (measured on the batch's q draw: 78 ns per event as calls, 74 inline).
inline StructureFactorDraw::BinDraw StructureFactorDraw::drawBin(const OpenBins& bins,
                                                                 Ranlux& rng) const {
  const double* cum = bins.cumulative;
  const double u = double(rng.next()) * bins.total;  // r < 1, so u < total
  // The first bin whose cumulative sum exceeds u: closed bins add nothing, so never chosen.
  int bin;
  if (bins.everyBin) {
    // From the guide entry of u: back while the bin before also exceeds u, then forward while
    // this one does not; the entry only shortens the walk.
    const double g = u * guideScale_;
    int i = g >= double(guide_.size() - 1) ? guide_.back() : guide_[std::size_t(g)];
    i = std::min(i, bins.n - 1);
    while (i > 0 && cum[i - 1] > u) --i;
    while (i < bins.n - 1 && cum[i] <= u) ++i;
    bin = cum[i] > u ? i : bins.n;
  } else {
    bin = firstAbove(cum, bins.n, u);
  }
  // Not reachable for r < 1; a generator returning 1 gets the last bin that holds anything.
  if (bin == bins.n) [[unlikely]]
    bin = static_cast<int>(std::lower_bound(cum, cum + bins.n, bins.total) - cum);
  return BinDraw{bin, u, bin == 0 ? 0.0 : cum[bin - 1]};
}

inline float StructureFactorDraw::valueOf(const BinDraw& d) const {
  const auto k = static_cast<std::size_t>(d.bin);
  const double fraction = (d.u - d.below) / content_[k];
  return static_cast<float>(axis_.low + width_ * (static_cast<double>(k) + fraction));
}

}  // namespace ornaplex
