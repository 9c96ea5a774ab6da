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
}

bool HistogramSampler::canDrawFirst(int n) const {
  return n >= 1 && n <= axis_.bins && cumulative_[static_cast<std::size_t>(n - 1)] > 0.0;
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
  auto it = std::upper_bound(cumulative_.begin(), last, u);
  if (it == last) {
    // Not reachable for r < 1; kept so a generator returning 1 still gives the last full bin.
    it = std::lower_bound(cumulative_.begin(), last, total);
  }
  const auto i = static_cast<std::size_t>(it - cumulative_.begin());
  const double below = i == 0 ? 0.0 : cumulative_[i - 1];
  const double fraction = (u - below) / content_[i];
  return static_cast<float>(axis_.low + axis_.width() * (static_cast<double>(i) + fraction));
}

}  // namespace ornaplex
