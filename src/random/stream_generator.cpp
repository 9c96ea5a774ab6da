#include "random/stream_generator.h"

namespace ornaplex {
namespace {

constexpr std::uint64_t kGamma = 0x9e3779b97f4a7c15ULL;  // splitmix64 increment
constexpr std::uint64_t kWord = (1ULL << 24) - 1;
constexpr int kLuxury = 3;  // part of the scheme: never the default level of the day

// The splitmix64 finaliser: a bijective mix of 64 bits.
std::uint64_t mix64(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

// Consecutive outputs of splitmix64 started from state.
class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t state) : state_(state) {}
  std::uint64_t next() { return mix64(state_ += kGamma); }

 private:
  std::uint64_t state_;
};

}  // namespace

Ranlux streamGenerator(const StreamKey& key) {
  const std::int32_t seed = key.runSeed > 0 ? key.runSeed : Ranlux::kDefaultSeed;
  if (key.block == 0 && key.lane == 0) return Ranlux(seed, kLuxury);

  // Four Feistel rounds over the key's 128 bits, the round function keyed by the round: a
  // bijection, so distinct keys give distinct (hi, lo), with every bit of the key in every bit.
  std::uint64_t hi = (std::uint64_t(std::uint32_t(seed)) << 32) | std::uint32_t(key.lane);
  std::uint64_t lo = std::uint64_t(key.block);
  for (std::uint64_t round = 1; round <= 4; ++round) {
    const std::uint64_t next = hi ^ mix64(lo + round * kGamma);
    hi = lo;
    lo = next;
  }

  RanluxState s;
  SplitMix64 rest(hi ^ mix64(lo ^ 0x6a09e667f3bcc909ULL));
  // Words 0..5 hold hi and lo whole (128 of their 144 bits); the 16 bits left in word 5 come
  // from the sequence, with bit 8 set and bit 9 cleared so that word 5 is neither 0 nor 2^24-1.
  s.lags[0] = std::int32_t(hi & kWord);
  s.lags[1] = std::int32_t((hi >> 24) & kWord);
  s.lags[2] = std::int32_t(((hi >> 48) | (lo << 16)) & kWord);
  s.lags[3] = std::int32_t((lo >> 8) & kWord);
  s.lags[4] = std::int32_t((lo >> 32) & kWord);
  const std::uint64_t spare = (((rest.next() >> 40) << 8) | (1ULL << 8)) & ~(1ULL << 9);
  s.lags[5] = std::int32_t(((lo >> 56) | spare) & kWord);
  for (int m = 6; m < 24; ++m) s.lags[m] = std::int32_t(rest.next() >> 40);
  s.carry = std::int32_t(rest.next() >> 63);
  return Ranlux(s, kLuxury);
}

}  // namespace ornaplex
