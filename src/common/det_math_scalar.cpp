// The batch functions one value at a time, with SLEEF's pure C functions.
#include <sleef.h>

#include "common/det_math_paths.h"

namespace ornaplex::detmath {
namespace {

void acosN(const double* in, double* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = Sleef_cinz_acosd1_u35purec(in[i]);
}
void atanN(const double* in, double* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = Sleef_cinz_atand1_u35purec(in[i]);
}
void tanN(const double* in, double* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = Sleef_cinz_tand1_u35purec(in[i]);
}
void cosN(const double* in, double* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = Sleef_cinz_cosd1_u35purec(in[i]);
}
void sincosN(const double* in, double* sinOut, double* cosOut, int n) {
  for (int i = 0; i < n; ++i) {
    const Sleef_double_2 r = Sleef_cinz_sincosd1_u35purec(in[i]);
    sinOut[i] = r.x;
    cosOut[i] = r.y;
  }
}

}  // namespace

const BatchMath kScalarBatch{acosN, atanN, tanN, cosN, sincosN};

}  // namespace ornaplex::detmath
