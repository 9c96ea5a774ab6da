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
  // Several guide entries per bin, so that the walk from an entry seldom takes a step.
  const std::size_t entries = std::max<std::size_t>(1024, 8 * bins);
  guide_.assign(entries + 1, 0);
  if (sum > 0.0) {
    guideScale_ = static_cast<double>(entries) / sum;
    for (std::size_t j = 0; j <= entries; ++j) {
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

void HistogramSampler::refuseDraw(int n) const {
  if (n < 1 || n > axis_.bins) {
    throw std::domain_error("cannot draw from the first " + std::to_string(n) +
                            " bins of a histogram of " + std::to_string(axis_.bins) + " bins");
  }
  throw std::domain_error("cannot draw from the first " + std::to_string(n) +
                          " bins of a histogram: they hold nothing");
}

int HistogramSampler::firstBinReaching(double total, int n) const {
  return static_cast<int>(std::lower_bound(cumulative_.begin(), cumulative_.begin() + n, total) -
                          cumulative_.begin());
}

}  // namespace ornaplex
