#include "driver/block_plan.h"

namespace ornaplex {

namespace {

// splitmix64 finaliser: a bijective mix of 64 bits.
std::uint64_t mix64(std::uint64_t z) {
  z += 0x9e3779b97f4a7c15ULL;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

}  // namespace

std::int32_t blockSeed(std::int32_t runSeed, std::int64_t block) {
  if (block == 0) return runSeed;
  const std::uint64_t h =
      mix64(mix64(std::uint64_t(std::uint32_t(runSeed))) ^ std::uint64_t(block));
  constexpr std::uint64_t kSeeds = 2147483562ULL;  // the generator's seed range 1..2147483562
  return std::int32_t(h % kSeeds + 1);
}

}  // namespace ornaplex
