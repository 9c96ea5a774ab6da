// The batch functions of each instruction-set path, each in its own file compiled for its
// instruction set (only called when the CPU has it). Internal to the math layer.
#pragma once

#include "common/det_math.h"

namespace ornaplex::detmath {

extern const BatchMath kScalarBatch;  // SLEEF's pure C functions, one value at a time
extern const BatchMath kSse2Batch;    // 2 values per call
extern const BatchMath kAvxBatch;     // 4 values per call
extern const BatchMath kAvx512Batch;  // 8 values per call

}  // namespace ornaplex::detmath
