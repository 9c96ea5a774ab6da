#include "common/simd_level.h"

#include <cstdlib>

#include "common/errors.h"

namespace ornaplex {

std::string_view simdLevelName(SimdLevel level) {
  switch (level) {
    case SimdLevel::Scalar:
      return "scalar";
    case SimdLevel::Sse2:
      return "sse2";
    case SimdLevel::Avx:
      return "avx";
    case SimdLevel::Avx512:
      return "avx512";
  }
  return "scalar";
}

std::optional<SimdLevel> parseSimdLevel(std::string_view name) {
  for (SimdLevel level : {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx, SimdLevel::Avx512})
    if (name == simdLevelName(level)) return level;
  return std::nullopt;
}

bool cpuSupports(SimdLevel level) {
  switch (level) {
    case SimdLevel::Scalar:
    case SimdLevel::Sse2:
      return true;
    case SimdLevel::Avx:
      return __builtin_cpu_supports("avx");
    case SimdLevel::Avx512:
      // The 8-lane math needs AVX-512F; the lane generator uses AVX-512F integer code too.
      return __builtin_cpu_supports("avx512f");
  }
  return false;
}

SimdLevel widestSimdLevel() {
  for (SimdLevel level : {SimdLevel::Avx512, SimdLevel::Avx, SimdLevel::Sse2})
    if (cpuSupports(level)) return level;
  return SimdLevel::Scalar;
}

SimdLevel simdLevelFromEnvironment() {
  const char* value = std::getenv(kSimdVariable);
  if (value == nullptr || *value == '\0') return widestSimdLevel();
  const std::optional<SimdLevel> level = parseSimdLevel(value);
  if (!level)
    throw UsageError(std::string(kSimdVariable) + "=" + value +
                     " refused (not an instruction-set path) give scalar, sse2, avx or avx512, "
                     "or unset it for the widest this CPU has");
  if (!cpuSupports(*level))
    throw UsageError(std::string(kSimdVariable) + "=" + value + " refused (this CPU lacks " +
                     std::string(simdLevelName(*level)) +
                     ") give a narrower path, or unset it "
                     "for the widest this CPU has (" +
                     std::string(simdLevelName(widestSimdLevel())) + ")");
  return *level;
}

}  // namespace ornaplex
