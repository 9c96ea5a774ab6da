// Piecewise-linear look-up in a table with a strictly increasing grid x and values y.
//
// Inside the grid the value at a grid point is the table value itself, and between two grid
// points x[i] < v < x[i+1] it is slope * v + intercept of that interval, with
// slope = (y[i+1] - y[i]) / (x[i+1] - x[i]) and intercept = y[i] - slope * x[i] (this form, not
// y[i] + slope * (v - x[i]); the two differ in the last bits). The interval holding v is found
// by search rather than by trying every interval in turn; both give the same interval, so the
// results are the same to the bit.
#pragma once

#include <array>
#include <cstddef>

namespace ornaplex::table_scan {

// Slope and intercept of each of the N - 1 intervals of a table.
template <std::size_t N>
struct Segments {
  std::array<double, N - 1> slope{};
  std::array<double, N - 1> intercept{};
};

template <std::size_t N>
constexpr Segments<N> makeSegments(const std::array<double, N>& x, const std::array<double, N>& y) {
  Segments<N> s;
  for (std::size_t i = 0; i + 1 < N; ++i) {
    s.slope[i] = (y[i + 1] - y[i]) / (x[i + 1] - x[i]);
    s.intercept[i] = y[i] - s.slope[i] * x[i];
  }
  return s;
}

// The largest i in [0, N - 2] with x[i] <= v; 0 when v < x[1]. Branch-free binary search.
template <std::size_t N>
inline std::size_t intervalIndex(const std::array<double, N>& x, double v) {
  static_assert(N >= 2);
  const double* base = x.data();
  std::size_t n = N - 1;  // candidates x[0] ... x[N - 2]
  while (n > 1) {
    const std::size_t half = n / 2;
    base = (base[half] <= v) ? base + half : base;
    n -= half;
  }
  return static_cast<std::size_t>(base - x.data());
}

// Moves a guessed interval index to the one holding v (x[i] <= v < x[i+1], or N - 2 at the top).
template <std::size_t N>
inline std::size_t refineIndex(const std::array<double, N>& x, double v, std::size_t i) {
  if (i > N - 2) i = N - 2;
  while (i > 0 && v < x[i]) --i;
  while (i < N - 2 && v >= x[i + 1]) ++i;
  return i;
}

// The table value at v, for x[i] <= v <= x[i+1].
template <std::size_t N>
inline double valueInInterval(const std::array<double, N>& x, const std::array<double, N>& y,
                              const Segments<N>& seg, double v, std::size_t i) {
  if (v == x[i]) return y[i];
  if (v == x[i + 1]) return y[i + 1];
  return seg.slope[i] * v + seg.intercept[i];
}

// The table value at v, for x[0] <= v <= x[N - 1].
template <std::size_t N>
inline double valueInGrid(const std::array<double, N>& x, const std::array<double, N>& y,
                          const Segments<N>& seg, double v) {
  return valueInInterval(x, y, seg, v, intervalIndex(x, v));
}

}  // namespace ornaplex::table_scan
