// Sixteen luxury-3 streams in lockstep: the step x(n) = x(n-10) - x(n-24) - carry runs on a row
// of 16 words at once, compiled once per instruction set from one vector body.
#include "random/lane_ranlux.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

namespace ornaplex {
namespace {

constexpr int kLuxury = 3;
constexpr int kGroupSteps = 24 + 199;    // numbers computed per group of 24 delivered at luxury 3
constexpr int kRows = 24 + kGroupSteps;  // the state, then the group
constexpr int kShortLag = 10;
constexpr std::int32_t kMask = (1 << 24) - 1;
constexpr std::int32_t kPadBelow = 1 << 12;  // outputs below 2^-12 get 24 more bits
constexpr float kTwoM24 = 1.0f / 16777216.0f;
constexpr float kTwoM48 = kTwoM24 * kTwoM24;

typedef std::int32_t I32x4 __attribute__((vector_size(16)));
typedef float F32x4 __attribute__((vector_size(16)));
typedef std::int32_t I32x8 __attribute__((vector_size(32)));
typedef float F32x8 __attribute__((vector_size(32)));
typedef std::int32_t I32x16 __attribute__((vector_size(64)));
typedef float F32x16 __attribute__((vector_size(64)));

// Vectors move through references only: a vector passed by value would change the calling
// convention between the instruction sets.
template <class V, class T>
[[gnu::always_inline]] inline void load(V& v, const T* from) {
  std::memcpy(&v, from, sizeof v);
}
template <class V, class T>
[[gnu::always_inline]] inline void store(T* to, const V& v) {
  std::memcpy(to, &v, sizeof v);
}

// Shuffle masks that interleave the low (high) halves of two vectors of kWidth elements:
// {a0, b0, a1, b1, ...}.
template <class VI, class Positions>
struct Interleave;
template <class VI, int... kPos>
struct Interleave<VI, std::integer_sequence<int, kPos...>> {
  static constexpr int kWidth = sizeof...(kPos);
  static constexpr VI kLow{((kPos % 2) * kWidth + kPos / 2)...};
  static constexpr VI kHigh{((kPos % 2) * kWidth + kPos / 2 + kWidth / 2)...};
};

// Transposes the kWidth x kWidth block of rows v: each pass interleaves row i with row
// i + kWidth/2, which rotates the bits of (row, column) by one; kWidth = 2^m takes m passes.
template <class VI, class VF, int kWidth>
[[gnu::always_inline]] inline void transpose(VF (&v)[kWidth]) {
  using Masks = Interleave<VI, std::make_integer_sequence<int, kWidth>>;
#pragma GCC unroll 4
  for (int pass = 1; pass < kWidth; pass *= 2) {
    VF next[kWidth];
#pragma GCC unroll 8
    for (int i = 0; i < kWidth / 2; ++i) {
      next[2 * i] = __builtin_shuffle(v[i], v[i + kWidth / 2], Masks::kLow);
      next[2 * i + 1] = __builtin_shuffle(v[i], v[i + kWidth / 2], Masks::kHigh);
    }
#pragma GCC unroll 16
    for (int i = 0; i < kWidth; ++i) v[i] = next[i];
  }
}

// Number k of the group from its word u and the word before, nine steps back: small ones are
// padded with the bits of the word before, and an exact zero becomes 2^-48.
template <class VI, class VF>
[[gnu::always_inline]] inline void deliver(VF& r, const VI& u, const VI& before) {
  const VF plain = __builtin_convertvector(u, VF) * kTwoM24;
  VF padded = plain + __builtin_convertvector(before, VF) * kTwoM48;
  padded = padded == 0.0f ? VF{} + kTwoM48 : padded;
  r = u < kPadBelow ? padded : plain;
}

// Computes rows from .. to-1 of every lane; VI holds kWidth lanes' words, and a row is kParts of
// them, each part its own chain of borrows c (0 or -1). With three-input logic (AVX-512), the
// borrow chain costs one instruction a step: the borrow of d + c is d < 0, or d <= 0 with c set; c
// then carries its value in the sign bit alone.
template <class VI, bool kThreeInputLogic, int kParts>
[[gnu::always_inline]] inline void runSteps(std::int32_t* x, VI (&c)[kParts], int from, int to) {
  constexpr int kWidth = kLanes / kParts;
  for (int n = from; n < to; ++n) {
    for (int p = 0; p < kParts; ++p) {
      VI shortLag, longLag;
      load(shortLag, x + (n - kShortLag) * kLanes + p * kWidth);
      load(longLag, x + (n - 24) * kLanes + p * kWidth);
      VI d = shortLag - longLag;
      if constexpr (kThreeInputLogic) {
        store(x + n * kLanes + p * kWidth, (d + (c[p] >> 31)) & kMask);
        c[p] = d | ((d - 1) & c[p]);
      } else {
        // Keeps d + c from being regrouped as (shortLag + c) - longLag, one more step of
        // latency on the borrow chain.
        asm("" : "+v"(d));
        const VI u = d + c[p];
        c[p] = u >> 31;
        store(x + n * kLanes + p * kWidth, u & kMask);
      }
    }
  }
}

// Rows 24..47 are the numbers delivered: kWidth x kWidth blocks of them (rows beyond the group
// zero) are turned into numbers and transposed, so that each lane's numbers lie in a row, and
// written to the lanes' groups.
template <class VI, class VF, int kParts>
[[gnu::always_inline]] inline void deliverRows(const std::int32_t* x, float* const* laneGroups) {
  constexpr int kWidth = kLanes / kParts;
  for (int p = 0; p < kParts; ++p) {
#pragma GCC unroll 6
    for (int k0 = 0; k0 < 24; k0 += kWidth) {
      VF block[kWidth];
#pragma GCC unroll 16
      for (int i = 0; i < kWidth; ++i) {
        block[i] = VF{};
        if (k0 + i < 24) {
          VI u, before;
          load(u, x + (24 + k0 + i) * kLanes + p * kWidth);
          load(before, x + (24 + k0 + i - (kShortLag - 1)) * kLanes + p * kWidth);
          deliver(block[i], u, before);
        }
      }
      transpose<VI, VF, kWidth>(block);
#pragma GCC unroll 16
      for (int i = 0; i < kWidth; ++i) {
        if (k0 + kWidth <= 24)
          store(laneGroups[p * kWidth + i] + k0, block[i]);
        else
          std::memcpy(laneGroups[p * kWidth + i] + k0, &block[i], sizeof(float) * (24 % kWidth));
      }
    }
  }
}

// The body every path shares, inlined into one function per instruction set, which decides the
// instructions. The numbers are delivered as soon as no step still needs to read them, so that
// the work interleaves with the rest of the borrow chain.
template <class VI, class VF, bool kThreeInputLogic>
[[gnu::always_inline]] inline void advanceWith(std::int32_t* x, std::int32_t* borrow,
                                               const std::int32_t* keep, float* const* groups,
                                               int rounds) {
  constexpr int kWidth = sizeof(VI) / sizeof(std::int32_t);
  constexpr int kParts = kLanes / kWidth;
  for (int t = 0; t < rounds; ++t) {
    VI c[kParts];
    for (int p = 0; p < kParts; ++p) load(c[p], borrow + p * kWidth);
    runSteps<VI, kThreeInputLogic>(x, c, 24, 48);
    deliverRows<VI, VF, kParts>(x, groups + t * kLanes);
    runSteps<VI, kThreeInputLogic>(x, c, 48, kRows);
    if constexpr (kThreeInputLogic)
      for (int p = 0; p < kParts; ++p) c[p] >>= 31;

    // The new state (the last 24 rows) replaces the old one in the lanes that keep this round.
    for (int p = 0; p < kParts; ++p) {
      VI kept, oldBorrow;
      load(kept, keep + p * kWidth);
      const VI take = kept > t;
      for (int m = 0; m < 24; ++m) {
        VI before, after;
        load(before, x + m * kLanes + p * kWidth);
        load(after, x + (kGroupSteps + m) * kLanes + p * kWidth);
        store(x + m * kLanes + p * kWidth, (after & take) | (before & ~take));
      }
      load(oldBorrow, borrow + p * kWidth);
      store(borrow + p * kWidth, (c[p] & take) | (oldBorrow & ~take));
    }
  }
}

void advanceBaseline(std::int32_t* x, std::int32_t* borrow, const std::int32_t* keep,
                     float* const* groups, int rounds) {
  advanceWith<I32x4, F32x4, false>(x, borrow, keep, groups, rounds);
}

[[gnu::target("avx2")]] void advanceAvx2(std::int32_t* x, std::int32_t* borrow,
                                         const std::int32_t* keep, float* const* groups,
                                         int rounds) {
  advanceWith<I32x8, F32x8, false>(x, borrow, keep, groups, rounds);
}

[[gnu::target("avx512f")]] void advanceAvx512(std::int32_t* x, std::int32_t* borrow,
                                              const std::int32_t* keep, float* const* groups,
                                              int rounds) {
  advanceWith<I32x16, F32x16, true>(x, borrow, keep, groups, rounds);
}

}  // namespace

struct LaneRanlux::Work {
  alignas(64) std::array<std::int32_t, kRows * kLanes> x{};
  alignas(64) std::array<std::int32_t, kLanes> borrow{};
  alignas(64) std::array<std::int32_t, kLanes> keep{};
  // Where each round's group of each lane goes: a queue slot, or `discard` when the lane does
  // not keep the round.
  std::array<float*, kRoundsPerRefill * kLanes> groups{};
  // Lane j's ready groups: a ring of kQueueGroups groups of 24, count[j] of them from head[j].
  alignas(64) std::array<float, kLanes * kQueueGroups * 24> queue{};
  std::array<float, 24> discard{};
  std::array<int, kLanes> head{};
  std::array<int, kLanes> count{};
};

LaneRanlux::LaneRanlux(const std::array<RanluxState, kLanes>& starts, SimdLevel level)
    : work_(std::make_unique<Work>()), advance_(advanceBaseline), level_(level) {
  switch (level) {
    case SimdLevel::Scalar:
    case SimdLevel::Sse2:
      break;
    case SimdLevel::Avx:
      // The avx level only promises AVX, whose 256-bit registers hold no integer arithmetic.
      advance_ = __builtin_cpu_supports("avx2") ? advanceAvx2 : advanceBaseline;
      break;
    case SimdLevel::Avx512:
      if (!cpuSupports(SimdLevel::Avx512))
        throw std::invalid_argument(
            "instruction-set path avx512 refused for the lane generator (this CPU lacks "
            "AVX-512F) give a narrower path");
      advance_ = advanceAvx512;
      break;
  }
  Work& w = *work_;
  for (int j = 0; j < kLanes; ++j) {
    checkRanluxState(starts[j], "generator state of lane " + std::to_string(j));
    for (int m = 0; m < 24; ++m) w.x[m * kLanes + j] = starts[j].lags[m];
    w.borrow[j] = -starts[j].carry;
    lanes_[j] = Ranlux(*this, j, kLuxury);
  }
}

LaneRanlux::~LaneRanlux() = default;

void LaneRanlux::nextGroup(int stream, std::span<float, 24> out) {
  Work& w = *work_;
  // A tail call, so that handing out a ready group sets up no frame.
  if (w.count[stream] == 0) [[unlikely]]
    return refillThenHandOut(stream, out);
  std::memcpy(out.data(), &w.queue[(stream * kQueueGroups + w.head[stream]) * 24],
              sizeof(float) * 24);
  w.head[stream] = (w.head[stream] + 1) % kQueueGroups;
  --w.count[stream];
}

void LaneRanlux::refillThenHandOut(int stream, std::span<float, 24> out) {
  refillQueues();
  nextGroup(stream, out);
}

void LaneRanlux::refillQueues() {
  Work& w = *work_;
  int rounds = 0;
  for (int j = 0; j < kLanes; ++j) {
    w.keep[j] = std::min(kRoundsPerRefill, kQueueGroups - w.count[j]);
    rounds = std::max(rounds, w.keep[j]);
    for (int t = 0; t < kRoundsPerRefill; ++t) {
      const int slot = (w.head[j] + w.count[j] + t) % kQueueGroups;
      w.groups[t * kLanes + j] =
          t < w.keep[j] ? &w.queue[(j * kQueueGroups + slot) * 24] : w.discard.data();
    }
  }
  advance_(w.x.data(), w.borrow.data(), w.keep.data(), w.groups.data(), rounds);
  for (int j = 0; j < kLanes; ++j) w.count[j] += w.keep[j];
}

}  // namespace ornaplex
