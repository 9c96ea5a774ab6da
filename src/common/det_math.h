// The one math layer of the event loop (and of the report's rotations, so that its text is the
// same on every machine too). Every transcendental an event computes comes from here:
// the deterministic (no fused multiply-add) functions of the SLEEF vector math library, whose
// results are the same bits on every x86-64 CPU and for every vector width. They are the 3.5-ulp
// ones: relative errors below 1e-15, far under the single-precision inputs of the physics; the
// 1.0-ulp ones cost 2.5 times as much per call and the event loop 11 % more time. glibc's libm
// picks FMA or non-FMA code by CPU, so one seed could give other bits on another node; these
// functions cannot. sqrt stays std::sqrt: IEEE 754 rounds it correctly on every machine.
#pragma once

#include "common/simd_level.h"

namespace ornaplex::detmath {

double acos(double x);
double asin(double x);
double atan(double x);
double tan(double x);
double sin(double x);
double cos(double x);
double log(double x);
// exp(x) - 1 and log(1 + x), exact near 0 (the 1.0-ulp forms: SLEEF has no 3.5-ulp ones).
double expm1(double x);
double log1p(double x);

struct SinCos {
  double sin = 0.0, cos = 0.0;
};
SinCos sincos(double x);

// Two values in one call (one call costs what one value does): the two projected angles of a
// direction, the two angles of a rotation. Each result is the bits of the single-value form.
struct Pair {
  double a = 0.0, b = 0.0;
};
Pair tanPair(double a, double b);
Pair atanPair(double a, double b);
struct SinCosPair {
  SinCos a, b;
};
SinCosPair sincosPair(double a, double b);

// Array forms for a batch of events. n is a multiple of kBatchPad; in and out may be the same
// array. Each instruction-set path gives the same bits as the scalar functions above.
inline constexpr int kBatchPad = 8;
struct BatchMath {
  void (*acos)(const double* in, double* out, int n);
  void (*atan)(const double* in, double* out, int n);
  void (*tan)(const double* in, double* out, int n);
  void (*cos)(const double* in, double* out, int n);
  void (*sincos)(const double* in, double* sinOut, double* cosOut, int n);
};
// The batch functions of a path; the caller has checked cpuSupports(level).
const BatchMath& batchMath(SimdLevel level);

}  // namespace ornaplex::detmath
