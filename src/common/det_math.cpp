#include "common/det_math.h"

#include <emmintrin.h>
#include <sleef.h>

#include "common/det_math_paths.h"

namespace ornaplex::detmath {

// Single values go through the two-lane SSE2 functions (SSE2 is part of every x86-64, and they
// are two to three times faster than the pure C ones); the batch test checks that every path,
// pure C included, gives the same bits.
namespace {
double low(__m128d v) {
  return _mm_cvtsd_f64(v);
}
double high(__m128d v) {
  return _mm_cvtsd_f64(_mm_unpackhi_pd(v, v));
}
}  // namespace

double acos(double x) {
  return low(Sleef_cinz_acosd2_u35sse2(_mm_set_sd(x)));
}
double asin(double x) {
  return low(Sleef_cinz_asind2_u35sse2(_mm_set_sd(x)));
}
double atan(double x) {
  return low(Sleef_cinz_atand2_u35sse2(_mm_set_sd(x)));
}
double tan(double x) {
  return low(Sleef_cinz_tand2_u35sse2(_mm_set_sd(x)));
}
double sin(double x) {
  return low(Sleef_cinz_sind2_u35sse2(_mm_set_sd(x)));
}
double cos(double x) {
  return low(Sleef_cinz_cosd2_u35sse2(_mm_set_sd(x)));
}
double log(double x) {
  return low(Sleef_cinz_logd2_u35sse2(_mm_set_sd(x)));
}
double expm1(double x) {
  return low(Sleef_cinz_expm1d2_u10sse2(_mm_set_sd(x)));
}
double log1p(double x) {
  return low(Sleef_cinz_log1pd2_u10sse2(_mm_set_sd(x)));
}
SinCos sincos(double x) {
  const Sleef___m128d_2 r = Sleef_cinz_sincosd2_u35sse2(_mm_set_sd(x));
  return {low(r.x), low(r.y)};
}
Pair tanPair(double a, double b) {
  const __m128d r = Sleef_cinz_tand2_u35sse2(_mm_set_pd(b, a));
  return {low(r), high(r)};
}
Pair atanPair(double a, double b) {
  const __m128d r = Sleef_cinz_atand2_u35sse2(_mm_set_pd(b, a));
  return {low(r), high(r)};
}
SinCosPair sincosPair(double a, double b) {
  const Sleef___m128d_2 r = Sleef_cinz_sincosd2_u35sse2(_mm_set_pd(b, a));
  return {{low(r.x), low(r.y)}, {high(r.x), high(r.y)}};
}

const BatchMath& batchMath(SimdLevel level) {
  switch (level) {
    case SimdLevel::Scalar:
      return kScalarBatch;
    case SimdLevel::Sse2:
      return kSse2Batch;
    case SimdLevel::Avx:
      return kAvxBatch;
    case SimdLevel::Avx512:
      return kAvx512Batch;
  }
  return kScalarBatch;
}

}  // namespace ornaplex::detmath
