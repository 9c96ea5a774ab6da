// The batch functions 4 values per call (AVX). This file alone is compiled for the instruction
// set; it calls nothing inline that other files share, so no code of that set leaks out.
#include <immintrin.h>
#include <sleef.h>

#include "common/det_math_paths.h"

namespace ornaplex::detmath {
namespace {

#define ORNAPLEX_BATCH(name, fn)                                                           \
  void name(const double* in, double* out, int n) {                                        \
    for (int i = 0; i < n; i += 4) _mm256_storeu_pd(out + i, fn(_mm256_loadu_pd(in + i))); \
  }
ORNAPLEX_BATCH(acosN, Sleef_cinz_acosd4_u35avx)
ORNAPLEX_BATCH(atanN, Sleef_cinz_atand4_u35avx)
ORNAPLEX_BATCH(tanN, Sleef_cinz_tand4_u35avx)
ORNAPLEX_BATCH(cosN, Sleef_cinz_cosd4_u35avx)
#undef ORNAPLEX_BATCH

void sincosN(const double* in, double* sinOut, double* cosOut, int n) {
  for (int i = 0; i < n; i += 4) {
    const Sleef___m256d_2 r = Sleef_cinz_sincosd4_u35avx(_mm256_loadu_pd(in + i));
    _mm256_storeu_pd(sinOut + i, r.x);
    _mm256_storeu_pd(cosOut + i, r.y);
  }
}

}  // namespace

const BatchMath kAvxBatch{acosN, atanN, tanN, cosN, sincosN};

}  // namespace ornaplex::detmath
