// The batch functions 2 values per call (SSE2). This file alone is compiled for the instruction
// set; it calls nothing inline that other files share, so no code of that set leaks out.
#include <immintrin.h>
#include <sleef.h>

#include "common/det_math_paths.h"

namespace ornaplex::detmath {
namespace {

#define ORNAPLEX_BATCH(name, fn)                                                     \
  void name(const double* in, double* out, int n) {                                  \
    for (int i = 0; i < n; i += 2) _mm_storeu_pd(out + i, fn(_mm_loadu_pd(in + i))); \
  }
ORNAPLEX_BATCH(acosN, Sleef_cinz_acosd2_u35sse2)
ORNAPLEX_BATCH(atanN, Sleef_cinz_atand2_u35sse2)
ORNAPLEX_BATCH(tanN, Sleef_cinz_tand2_u35sse2)
ORNAPLEX_BATCH(cosN, Sleef_cinz_cosd2_u35sse2)
#undef ORNAPLEX_BATCH

void sincosN(const double* in, double* sinOut, double* cosOut, int n) {
  for (int i = 0; i < n; i += 2) {
    const Sleef___m128d_2 r = Sleef_cinz_sincosd2_u35sse2(_mm_loadu_pd(in + i));
    _mm_storeu_pd(sinOut + i, r.x);
    _mm_storeu_pd(cosOut + i, r.y);
  }
}

}  // namespace

const BatchMath kSse2Batch{acosN, atanN, tanN, cosN, sincosN};

}  // namespace ornaplex::detmath
