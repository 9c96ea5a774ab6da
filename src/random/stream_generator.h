// The generator stream of one piece of a run: every (run seed, block, lane) gets its own full
// generator state, so no two pieces of a run ever draw the same numbers.
#pragma once

#include <cstdint>
#include <string_view>

#include "random/ranlux.h"

namespace ornaplex {

// Names how streamGenerator makes its streams and how a block's events are dealt over them;
// recorded with every run (/run@stream_scheme), so that results drawn under another scheme are
// never added to these. Change the name whenever a key gives another stream or an event another
// key.
inline constexpr std::string_view kStreamScheme = "ranlux3-splitmix64-lanes16-v2";

// Lanes per block: event i of a block (from 0) draws only from lane i mod kLanes. Fixed on every
// machine (recorded as /run@lanes), so that no result depends on how many events are computed
// side by side: 16 is the widest integer vector (AVX-512, 16 words of 32 bits) that advances
// every lane's generator in one instruction, and two 8-wide vectors of doubles for the math.
inline constexpr int kLanes = 16;

// What a stream belongs to. A seed of 0 or below means the generator's default seed, as in
// Ranlux(seed); lanes split a block into independent streams (0: the block's own stream).
struct StreamKey {
  std::int32_t runSeed = 0;
  std::int64_t block = 0;
  std::int32_t lane = 0;
};

// The generator of a stream, at luxury 3. Block 0, lane 0 is Ranlux(runSeed, 3), so a run of one
// block is the classic single stream of its seed. Every other key fills the 24 lag words and the
// carry from a 64-bit expansion of the whole key: the key's 128 bits go through a bijective mix
// and sit whole in the first six words, so two different keys never give the same start state;
// the other words and the carry come from a splitmix64 sequence started from the mixed key. Two
// fixed bits keep both fixed points of the recurrence out of reach.
Ranlux streamGenerator(const StreamKey& key);

}  // namespace ornaplex
