#include "histogram/weight_sums.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

namespace ornaplex {

namespace {

constexpr double kFixedScale = 0x1p64;  // units of 2^-64 per 1
constexpr double kFixedLimit = 0x1p62;  // largest magnitude one value may bring
constexpr double kFixedUnit = 0x1p-64;

std::string shortText(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

// toFixed's and addFixed's refusals, with the histogram named.
template <class F>
auto forHistogram(int id, F&& f) {
  try {
    return f();
  } catch (const std::overflow_error& e) {
    throw std::overflow_error("histogram " + std::to_string(id) + ": " + e.what());
  }
}

}  // namespace

FixedSum toFixed(double v) {
  // The scaling by 2^64 is exact; the conversion drops the fraction (toward zero).
  if (!(std::fabs(v) < kFixedLimit)) {
    throw std::overflow_error("cannot keep the weighted sum " + shortText(v) +
                              " exactly (the exact sums hold numbers below 4.6e18 only) check "
                              "the weights filled");
  }
  return static_cast<FixedSum>(v * kFixedScale);
}

double fromFixed(FixedSum s) {
  return static_cast<double>(s) * kFixedUnit;
}

FixedSum addFixed(FixedSum a, FixedSum b) {
  FixedSum sum;
  if (__builtin_add_overflow(a, b, &sum)) {
    throw std::overflow_error("cannot add the weighted sums " + shortText(fromFixed(a)) + " and " +
                              shortText(fromFixed(b)) +
                              " exactly (the exact sums hold numbers below 9.2e18 only) check "
                              "the weights filled");
  }
  return sum;
}

std::int64_t highWord(FixedSum s) {
  return static_cast<std::int64_t>(s >> 64);
}

std::uint64_t lowWord(FixedSum s) {
  return static_cast<std::uint64_t>(s);
}

FixedSum fromWords(std::int64_t high, std::uint64_t low) {
  const auto bits = (static_cast<unsigned __int128>(static_cast<std::uint64_t>(high)) << 64) | low;
  return static_cast<FixedSum>(bits);
}

// ---------------------------------------------------------------------------------------------

void WeightSums::show(std::vector<double>& counts, std::size_t slot) {
  counts[slot] = fromFixed(exactCounts_[slot]);
  squares_[slot] = fromFixed(exactSquares_[slot]);
}

void WeightSums::enable(std::vector<double>& counts, int id) {
  if (on()) return;
  squares_ = counts;
  block_.assign(2 * counts.size(), 0.0);
  touched_.assign((counts.size() + kSlotsPerMark - 1) / kSlotsPerMark, 0);
  exactCounts_.assign(counts.size(), 0);
  exactSquares_.assign(counts.size(), 0);
  takeDoubles(counts, id);
}

void WeightSums::flush(std::vector<double>& counts, int id) {
  forHistogram(id, [&] {
    for (std::size_t m = 0; m < touched_.size(); ++m) {
      if (!touched_[m]) continue;
      touched_[m] = 0;
      const std::size_t end = std::min(counts.size(), (m + 1) * kSlotsPerMark);
      for (std::size_t k = m * kSlotsPerMark; k < end; ++k) {
        double* b = &block_[2 * k];
        if (b[0] == 0.0 && b[1] == 0.0) continue;  // most slots see no fill in a block
        exactCounts_[k] = addFixed(exactCounts_[k], toFixed(b[0]));
        exactSquares_[k] = addFixed(exactSquares_[k], toFixed(b[1]));
        b[0] = 0.0;
        b[1] = 0.0;
        show(counts, k);
      }
    }
  });
}

void WeightSums::add(const WeightSums& o, std::vector<double>& counts, int id) {
  forHistogram(id, [&] {
    for (std::size_t k = 0; k < counts.size(); ++k) {
      const double* b = &o.block_[2 * k];
      exactCounts_[k] = addFixed(addFixed(exactCounts_[k], o.exactCounts_[k]), toFixed(b[0]));
      exactSquares_[k] = addFixed(addFixed(exactSquares_[k], o.exactSquares_[k]), toFixed(b[1]));
      show(counts, k);
    }
  });
}

void WeightSums::clear(std::vector<double>& counts) {
  std::fill(counts.begin(), counts.end(), 0.0);
  std::fill(squares_.begin(), squares_.end(), 0.0);
  std::fill(block_.begin(), block_.end(), 0.0);
  std::fill(touched_.begin(), touched_.end(), 0);
  std::fill(exactCounts_.begin(), exactCounts_.end(), 0);
  std::fill(exactSquares_.begin(), exactSquares_.end(), 0);
}

void WeightSums::setExact(std::vector<FixedSum> counts, std::vector<FixedSum> squares,
                          std::vector<double>& countsOut) {
  if (counts.size() != countsOut.size() || squares.size() != countsOut.size()) {
    throw std::invalid_argument("cannot set the exact sums of " + std::to_string(countsOut.size()) +
                                " slots from " + std::to_string(counts.size()) + " and " +
                                std::to_string(squares.size()) +
                                " values (one per slot each) give one sum per slot");
  }
  exactCounts_ = std::move(counts);
  exactSquares_ = std::move(squares);
  std::fill(block_.begin(), block_.end(), 0.0);
  std::fill(touched_.begin(), touched_.end(), 0);
  for (std::size_t k = 0; k < countsOut.size(); ++k) show(countsOut, k);
}

void WeightSums::takeDoubles(std::vector<double>& counts, int id) {
  forHistogram(id, [&] {
    for (std::size_t k = 0; k < counts.size(); ++k) {
      exactCounts_[k] = toFixed(counts[k]);
      exactSquares_[k] = toFixed(squares_[k]);
      show(counts, k);
    }
  });
  std::fill(block_.begin(), block_.end(), 0.0);
  std::fill(touched_.begin(), touched_.end(), 0);
}

}  // namespace ornaplex
