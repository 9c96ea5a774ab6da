// How a run's events are split into fixed blocks, each with its own generator stream, so that
// results do not depend on how many threads, processes or ranks run the blocks.
#pragma once

#include <cstdint>

namespace ornaplex {

inline constexpr std::int64_t DEFAULT_BLOCK_SIZE = 65536;

struct BlockPlan {
  std::int64_t events = 0;  // events of the whole run
  std::int64_t blockSize = DEFAULT_BLOCK_SIZE;

  std::int64_t blockCount() const { return events == 0 ? 0 : (events - 1) / blockSize + 1; }
  // 1-based number of the first event of block b.
  std::int64_t firstEvent(std::int64_t b) const { return b * blockSize + 1; }
  std::int64_t eventsIn(std::int64_t b) const {
    const std::int64_t rest = events - b * blockSize;
    return rest < blockSize ? rest : blockSize;
  }
};

// The generator seed of block b: block 0 takes the run seed itself (so a one-block run is the
// single stream of the run seed); block b >= 1 takes a well-mixed hash of (seed, b) in
// [1, 2147483562]. Consecutive integer seeds give correlated streams, so never seed + b.
std::int32_t blockSeed(std::int32_t runSeed, std::int64_t block);

}  // namespace ornaplex
