// The batch functions 8 values per call (AVX-512F). This file alone is compiled for the instruction
// set; it calls nothing inline that other files share, so no code of that set leaks out.
#include <immintrin.h>
#include <sleef.h>

#include "common/det_math_paths.h"

namespace ornaplex::detmath {
namespace {

#define ORNAPLEX_BATCH(name, fn)                                                           \
  void name(const double* in, double* out, int n) {                                        \
    for (int i = 0; i < n; i += 8) _mm512_storeu_pd(out + i, fn(_mm512_loadu_pd(in + i))); \
  }
ORNAPLEX_BATCH(acosN, Sleef_cinz_acosd8_u35avx512fnofma)
ORNAPLEX_BATCH(atanN, Sleef_cinz_atand8_u35avx512fnofma)
ORNAPLEX_BATCH(tanN, Sleef_cinz_tand8_u35avx512fnofma)
ORNAPLEX_BATCH(cosN, Sleef_cinz_cosd8_u35avx512fnofma)
#undef ORNAPLEX_BATCH

void sincosN(const double* in, double* sinOut, double* cosOut, int n) {
  for (int i = 0; i < n; i += 8) {
    const Sleef___m512d_2 r = Sleef_cinz_sincosd8_u35avx512fnofma(_mm512_loadu_pd(in + i));
    _mm512_storeu_pd(sinOut + i, r.x);
    _mm512_storeu_pd(cosOut + i, r.y);
  }
}

}  // namespace

const BatchMath kAvx512Batch{acosN, atanN, tanN, cosN, sincosN};

}  // namespace ornaplex::detmath
