// The helium table look-ups written out step by step: for each interval in turn the first test
// that matches writes the output, and the last write wins. The routines find the interval
// directly; these slow forms are what they must reproduce to the bit.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <vector>

namespace ornaplex::literal {

struct Line {
  double slope;
  double intercept;
};

template <std::size_t N>
Line lineOf(const std::array<double, N>& x, const std::array<double, N>& y, std::size_t i) {
  const double s = (y[i + 1] - y[i]) / (x[i + 1] - x[i]);
  return {s, y[i] - s * x[i]};
}

enum class Below { kNothing, kFirst };
enum class Above { kNothing, kLast, kExtrapolate };

// One scan over all N - 1 intervals. `below`/`above` say what a value outside the grid writes
// at each step (nothing, the end value, or the straight line of the current interval).
template <std::size_t N>
std::optional<double> scan(const std::array<double, N>& x, const std::array<double, N>& y, double v,
                           Below below, Above above) {
  std::optional<double> out;
  for (std::size_t i = 0; i + 1 < N; ++i) {
    if (v < x[0] && below == Below::kFirst) {
      out = y[0];
    } else if ((v < x[0] || v > x[N - 1]) && above != Above::kExtrapolate) {
      if (v > x[N - 1] && above == Above::kLast) out = y[N - 1];
    } else if (v == x[i]) {
      out = y[i];
    } else if (v == x[i + 1]) {
      out = y[i + 1];
    } else if (x[i] < v && v < x[i + 1]) {
      const Line l = lineOf(x, y, i);
      out = l.slope * v + l.intercept;
    } else if (above == Above::kExtrapolate && v > x[i + 1]) {
      const Line l = lineOf(x, y, i);
      out = l.slope * v + l.intercept;
    }
  }
  return out;
}

// Inputs that probe every way a scan can go wrong: each grid point and its neighbours on both
// sides, the midpoints, the decimals the grid was written from, beyond both ends, a dense
// sweep, and not-a-number.
template <std::size_t N>
std::vector<double> probeInputs(const std::array<double, N>& x) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  std::vector<double> v;
  for (std::size_t i = 0; i < N; ++i) {
    v.push_back(x[i]);
    v.push_back(std::nextafter(x[i], -kInf));
    v.push_back(std::nextafter(x[i], kInf));
    v.push_back(static_cast<double>(static_cast<float>(x[i])));
    // The double nearest the decimal the single-precision grid point stands for.
    char decimal[32];
    std::snprintf(decimal, sizeof decimal, "%.7g", x[i]);
    v.push_back(std::strtod(decimal, nullptr));
    if (i + 1 < N) v.push_back(0.5 * (x[i] + x[i + 1]));
  }
  const double lo = x[0];
  const double hi = x[N - 1];
  const double span = hi - lo;
  for (int j = -200; j <= 20200; ++j) v.push_back(lo + span * j / 20000.0);
  v.push_back(-1.0);
  v.push_back(hi * 10.0);
  v.push_back(std::numeric_limits<double>::quiet_NaN());
  return v;
}

}  // namespace ornaplex::literal
