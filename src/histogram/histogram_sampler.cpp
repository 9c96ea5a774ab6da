#include "histogram/histogram_sampler.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace ornaplex {

HistogramSampler::HistogramSampler(const Histogram1D& h) : axis_(h.axis()) {
  const auto bins = static_cast<std::size_t>(axis_.bins);
  content_.resize(bins);
  cumulative_.resize(bins);
  double sum = 0.0;
  for (std::size_t i = 0; i < bins; ++i) {
    const double c = h.content(static_cast<int>(i));
    if (!std::isfinite(c) || c < 0.0) {
      throw std::invalid_argument("histogram " + std::to_string(h.id()) + " bin " +
                                  std::to_string(i + 1) + " holds " + std::to_string(c) +
                                  ": a sampled histogram needs finite, non-negative contents");
    }
    content_[i] = c;
    sum += c;
    cumulative_[i] = sum;
  }
  if (!std::isfinite(sum)) {
    throw std::invalid_argument("histogram " + std::to_string(h.id()) +
                                ": the sum of its contents overflows");
  }
  width_ = axis_.width();
  guide_.assign(bins + 1, 0);
  if (sum > 0.0) {
    guideScale_ = static_cast<double>(bins) / sum;
    for (std::size_t j = 0; j <= bins; ++j) {
      const double level = static_cast<double>(j) / guideScale_;
      const auto it = std::upper_bound(cumulative_.begin(), cumulative_.end(), level);
      guide_[j] = static_cast<std::uint32_t>(std::min<std::ptrdiff_t>(
          it - cumulative_.begin(), static_cast<std::ptrdiff_t>(bins) - 1));
    }
  }
}

bool HistogramSampler::canDrawFirst(int n) const {
  return n >= 1 && n <= axis_.bins && cumulative_[static_cast<std::size_t>(n - 1)] > 0.0;
}

// Searched from the guide entry of u: back while the bin before also exceeds u, then forward
// while this one does not. The entry only shortens the walk; the bin is the exact one.
int HistogramSampler::binFor(double u, int n) const {
  const double* cum = cumulative_.data();
  const auto lastBin = static_cast<std::size_t>(n - 1);
  const double g = u * guideScale_;
  std::size_t i = 0;
  if (g >= static_cast<double>(guide_.size() - 1)) {
    i = guide_.back();
  } else if (g > 0.0) {
    i = guide_[static_cast<std::size_t>(g)];
  }
  i = std::min(i, lastBin);
  while (i > 0 && cum[i - 1] > u) --i;
  while (i < lastBin && cum[i] <= u) ++i;
  return cum[i] > u ? static_cast<int>(i) : n;
}

float HistogramSampler::drawFirst(int n, Ranlux& rng) const {
  if (n < 1 || n > axis_.bins) {
    throw std::domain_error("cannot draw from the first " + std::to_string(n) +
                            " bins of a histogram of " + std::to_string(axis_.bins) + " bins");
  }
  const auto last = cumulative_.begin() + n;
  const double total = *(last - 1);
  if (!(total > 0.0)) {
    throw std::domain_error("cannot draw from the first " + std::to_string(n) +
                            " bins of a histogram: they hold nothing");
  }
  const double r = rng.next();
  const double u = r * total;  // r < 1, so u < total
  auto i = static_cast<std::size_t>(binFor(u, n));
  if (i == static_cast<std::size_t>(n)) {
    // Not reachable for r < 1; kept so a generator returning 1 still gives the last full bin.
    i = static_cast<std::size_t>(std::lower_bound(cumulative_.begin(), last, total) -
                                 cumulative_.begin());
  }
  const double below = i == 0 ? 0.0 : cumulative_[i - 1];
  const double fraction = (u - below) / content_[i];
  return static_cast<float>(axis_.low + width_ * (static_cast<double>(i) + fraction));
}

}  // namespace ornaplex
