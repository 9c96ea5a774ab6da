// How a run's events are split into fixed blocks, each with its own generator stream, so that
// results do not depend on how many threads, processes or ranks run the blocks. Event i of block
// b draws from streamGenerator({seed, b, i mod kLanes}) (random/stream_generator.h): block 0's
// lane 0 is the seed's own stream, every other lane a full generator state of its own. In a run
// of mirror pairs, pair i of the block (events 2i and 2i + 1) draws from lane i mod kLanes.
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

}  // namespace ornaplex
