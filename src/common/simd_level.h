// The instruction-set path the event core computes with. Every path gives the same bits (the
// math layer uses only functions whose results do not depend on the instruction set, and the
// generator is integer code), so the choice changes speed, never results.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ornaplex {

enum class SimdLevel { Scalar, Sse2, Avx, Avx512 };

// "scalar", "sse2", "avx", "avx512".
std::string_view simdLevelName(SimdLevel level);
// The level of a name above; empty for any other text.
std::optional<SimdLevel> parseSimdLevel(std::string_view name);
// True when this CPU can run the level (scalar and sse2 always: every x86-64 has SSE2).
bool cpuSupports(SimdLevel level);
// The widest level this CPU runs.
SimdLevel widestSimdLevel();

// The environment variable that forces a path, and its reading: the widest level when unset
// or empty. Throws UsageError naming the variable and its value when the value is not a level
// or the CPU lacks it.
inline constexpr const char* kSimdVariable = "ORNAPLEX_SIMD";
SimdLevel simdLevelFromEnvironment();

}  // namespace ornaplex
