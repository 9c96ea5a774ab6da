#include "transport/structure_factor_draw.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "helium/wq_floor.h"

namespace ornaplex {

StructureFactorDraw::StructureFactorDraw(const Histogram1D& sq, bool withFloor)
    : axis_(sq.axis()), width_(axis_.width()) {
  const auto bins = static_cast<std::size_t>(axis_.bins);
  content_.resize(bins);
  for (std::size_t i = 0; i < bins; ++i) {
    const double c = sq.content(static_cast<int>(i));
    if (!std::isfinite(c) || c < 0.0)
      throw std::invalid_argument("histogram " + std::to_string(sq.id()) + " bin " +
                                  std::to_string(i + 1) + " holds " + std::to_string(c) +
                                  ": a sampled histogram needs finite, non-negative contents");
    content_[i] = c;
  }
  floor_ = withFloor ? wqFloor(axis_.low, axis_.width(), axis_.bins) : std::vector<double>(bins);
  levels_ = floor_;
  std::sort(levels_.begin(), levels_.end());
  levels_.erase(std::unique(levels_.begin(), levels_.end()), levels_.end());
  cumulative_.assign(levels_.size() * bins, 0.0);
  for (std::size_t t = 0; t < levels_.size(); ++t) {
    double sum = 0.0;
    for (std::size_t b = 0; b < bins; ++b) {
      if (floor_[b] <= levels_[t]) sum += content_[b];
      cumulative_[t * bins + b] = sum;
    }
    if (!std::isfinite(sum))
      throw std::invalid_argument("histogram " + std::to_string(sq.id()) +
                                  ": the sum of its contents overflows");
  }
  // Eight guide entries per bin, so that the walk from an entry seldom takes a step.
  const double* all = cumulative_.data() + (levels_.size() - 1) * bins;
  const double total = bins == 0 ? 0.0 : all[bins - 1];
  if (total > 0.0) {
    const std::size_t entries = 8 * bins;
    guideScale_ = double(entries) / total;
    guide_.resize(entries + 1);
    for (std::size_t j = 0; j <= entries; ++j)
      guide_[j] = std::min(firstAbove(all, int(bins), double(j) / guideScale_), int(bins) - 1);
  }
}

std::optional<StructureFactorDraw::OpenBins> StructureFactorDraw::open(int n,
                                                                       double energy_meV) const {
  if (n < 1 || n > axis_.bins || levels_.empty() || !(energy_meV == energy_meV)) return {};
  // The highest level at or below the energy; below the lowest floor nothing is open. Most
  // neutrons clear every floor.
  const bool everyBin = energy_meV >= levels_.back() && !guide_.empty();
  const int t = everyBin
                    ? static_cast<int>(levels_.size()) - 1
                    : firstAbove(levels_.data(), static_cast<int>(levels_.size()), energy_meV) - 1;
  if (t < 0) return {};
  const double* cum = cumulative_.data() + std::size_t(t) * content_.size();
  const double total = cum[n - 1];
  if (!(total > 0.0)) return {};
  return OpenBins{cum, n, total, everyBin};
}

double StructureFactorDraw::density(const OpenBins& bins, double q) const {
  const int bin = axis_.slot(q) - 1;
  if (bin < 0 || bin >= bins.n) return 0.0;
  const double content = bins.cumulative[bin] - (bin == 0 ? 0.0 : bins.cumulative[bin - 1]);
  return content / (bins.total * axis_.width());
}

}  // namespace ornaplex
