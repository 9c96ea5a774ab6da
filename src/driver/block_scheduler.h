// Runs a range of blocks on worker threads. Each worker fills its own copy of the histograms;
// block results are handed to the caller one by one in block order, whatever order the workers
// finish them in. The per-event path takes no lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "driver/block_runner.h"
#include "histogram/histogram.h"

namespace ornaplex {

// Blocks first, first + stride, first + 2 stride, ... up to last (inclusive).
struct BlockRange {
  std::int64_t first = 0;
  std::int64_t last = -1;  // inclusive
  std::int64_t stride = 1;
  std::int64_t count() const { return last < first ? 0 : (last - first) / stride + 1; }
  std::int64_t block(std::int64_t k) const { return first + k * stride; }
};

struct BlockJob {
  BlockPlan plan;
  BlockRange range;
  std::int32_t runSeed = 0;
  int threads = 1;
  EventTables tables;
  BeamlineSettings settings;
  SimdLevel simd = SimdLevel::Scalar;  // instruction-set path: speed only, never results
};

// Runs the blocks; consume(result) is called on the calling thread in block order. Every
// worker's histograms are added into store at the end; a weighted store's blocks are each
// flushed (HistogramStore::flushBlock), so its sums are the same bits for any thread count. When
// stop becomes true no new block is started; blocks in flight finish and are consumed, so the
// blocks run are always a prefix of the range and the store holds exactly those. Returns their
// number. Workers run at most a few blocks ahead of the consumer, so memory stays bounded however
// many blocks there are. An exception thrown in a worker or in consume stops the others and is
// rethrown here.
std::int64_t runBlocks(const BlockJob& job, HistogramStore& store,
                       const std::function<void(BlockResult&)>& consume,
                       const std::atomic<bool>* stop = nullptr);

}  // namespace ornaplex
