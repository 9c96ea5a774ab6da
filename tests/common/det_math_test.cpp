// The math layer gives the same bits on every instruction-set path and for single values, and
// stays within the library's stated 3.5 ulp of the long-double result.
#include "common/det_math.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace ornaplex {
namespace {

std::vector<double> uniform(double lo, double hi, std::uint64_t seed) {
  std::mt19937_64 g(seed);
  std::uniform_real_distribution<double> d(lo, hi);
  std::vector<double> v(1 << 14);
  for (double& x : v) x = d(g);
  // Edge values the event loop meets: exact zeros, signed zeros, the ends of the range.
  v[0] = 0.0;
  v[1] = -0.0;
  v[2] = lo;
  v[3] = std::nextafter(hi, lo);
  return v;
}

std::uint64_t bits(double x) {
  return std::bit_cast<std::uint64_t>(x);
}

// Distance in units in the last place of the correctly rounded value.
double ulps(double got, long double exact) {
  const double rounded = static_cast<double>(exact);
  const double ulp = std::nextafter(std::fabs(rounded), INFINITY) - std::fabs(rounded);
  return ulp > 0 ? static_cast<double>(std::fabs(static_cast<long double>(got) - exact) / ulp)
                 : 0.0;
}

struct Case {
  const char* name;
  double lo, hi;
  double (*single)(double);
  void (*const detmath::BatchMath::*batch)(const double*, double*, int);
  long double (*exact)(long double);
};

const Case kCases[] = {
    {"acos", -1.0, 1.0, detmath::acos, &detmath::BatchMath::acos, acosl},
    {"atan", -40.0, 40.0, detmath::atan, &detmath::BatchMath::atan, atanl},
    {"tan", -1.5, 1.5, detmath::tan, &detmath::BatchMath::tan, tanl},
    {"cos", 0.0, 6.3, detmath::cos, &detmath::BatchMath::cos, cosl},
};

std::vector<SimdLevel> levelsOfThisCpu() {
  std::vector<SimdLevel> levels;
  for (SimdLevel l : {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx, SimdLevel::Avx512})
    if (cpuSupports(l)) levels.push_back(l);
  return levels;
}

TEST(DetMath, EveryPathGivesTheBitsOfTheSingleValueFunctions) {
  for (const Case& c : kCases) {
    const std::vector<double> in = uniform(c.lo, c.hi, 17);
    for (SimdLevel level : levelsOfThisCpu()) {
      std::vector<double> out(in.size());
      (detmath::batchMath(level).*c.batch)(in.data(), out.data(), int(in.size()));
      int differ = 0;
      for (std::size_t i = 0; i < in.size(); ++i) differ += bits(out[i]) != bits(c.single(in[i]));
      EXPECT_EQ(differ, 0) << c.name << " on path " << simdLevelName(level);
    }
  }
}

TEST(DetMath, SinCosAndPairsAgreeWithTheirSingleForms) {
  const std::vector<double> in = uniform(0.0, 6.3, 5);
  for (SimdLevel level : levelsOfThisCpu()) {
    std::vector<double> s(in.size()), c(in.size());
    detmath::batchMath(level).sincos(in.data(), s.data(), c.data(), int(in.size()));
    int differ = 0;
    for (std::size_t i = 0; i < in.size(); ++i) {
      const detmath::SinCos one = detmath::sincos(in[i]);
      differ += bits(s[i]) != bits(one.sin) || bits(c[i]) != bits(one.cos);
    }
    EXPECT_EQ(differ, 0) << "sincos on path " << simdLevelName(level);
  }
  for (std::size_t i = 0; i + 1 < in.size(); i += 2) {
    const double a = in[i] - 3.0, b = in[i + 1] - 3.0;
    const detmath::Pair t = detmath::tanPair(a, b), at = detmath::atanPair(a, b);
    const detmath::SinCosPair sc = detmath::sincosPair(a, b);
    ASSERT_EQ(bits(t.a), bits(detmath::tan(a)));
    ASSERT_EQ(bits(t.b), bits(detmath::tan(b)));
    ASSERT_EQ(bits(at.a), bits(detmath::atan(a)));
    ASSERT_EQ(bits(at.b), bits(detmath::atan(b)));
    ASSERT_EQ(bits(sc.a.sin), bits(detmath::sincos(a).sin));
    ASSERT_EQ(bits(sc.b.cos), bits(detmath::sincos(b).cos));
  }
}

TEST(DetMath, WithinThreeAndAHalfUlpOfTheLongDoubleResult) {
  for (const Case& c : kCases) {
    double worst = 0.0;
    for (double x : uniform(c.lo, c.hi, 3)) worst = std::max(worst, ulps(c.single(x), c.exact(x)));
    EXPECT_LE(worst, 3.5) << c.name;
  }
  double worst = 0.0;
  for (double x : uniform(1e-300, 1.0, 9)) {
    worst = std::max(worst, ulps(detmath::log(x), logl(x)));
    worst = std::max(worst, ulps(detmath::sin(x), sinl(x)));
  }
  EXPECT_LE(worst, 3.5) << "log, sin";
  worst = 0.0;
  for (double x : uniform(-1.0, 1.0, 4)) worst = std::max(worst, ulps(detmath::asin(x), asinl(x)));
  EXPECT_LE(worst, 3.5) << "asin";
}

}  // namespace
}  // namespace ornaplex
