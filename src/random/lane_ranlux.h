// Sixteen RANLUX streams at luxury 3 computed side by side: the event core deals a block's
// events over kLanes lanes, event i drawing only from lane i mod kLanes, and each lane draws
// through an ordinary Ranlux that is fed whole groups from here.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "common/simd_level.h"
#include "random/ranlux.h"
#include "random/stream_generator.h"  // kLanes

namespace ornaplex {

// Lane j delivers exactly the numbers of Ranlux(starts[j], 3), however the draws interleave
// over the lanes, on every instruction-set path (the generator is integer code). The 16 states
// advance together, one vector step for all lanes; each lane keeps a queue of groups ready to
// hand out, and when one lane's queue runs dry, every lane whose queue has room gets new groups
// (lanes with full queues are computed too, then left where they were).
class LaneRanlux final : private RanluxGroupSource {
 public:
  // Levels scalar and sse2 compute with baseline x86-64 code, avx with AVX2 when the CPU has it
  // (baseline otherwise), avx512 with AVX-512F. Throws std::invalid_argument for a start state
  // Ranlux refuses (naming the lane) and for avx512 on a CPU without it.
  LaneRanlux(const std::array<RanluxState, kLanes>& starts, SimdLevel level);
  ~LaneRanlux();
  // The lanes' generators point back here.
  LaneRanlux(const LaneRanlux&) = delete;
  LaneRanlux& operator=(const LaneRanlux&) = delete;

  // The generator of lane j, 0 <= j < kLanes. It is fed from here: its state() throws, and a
  // copy of it draws from the same stream rather than branching it.
  Ranlux& lane(int j) { return lanes_[j]; }
  SimdLevel level() const { return level_; }

  // Groups of 24 numbers a lane holds ready at most, and the rounds (one group for every lane)
  // computed each time a lane runs dry.
  static constexpr int kQueueGroups = 32;
  static constexpr int kRoundsPerRefill = 4;

 private:
  struct Work;
  // Computes `rounds` groups of every lane from the rows x (row n holds x(n) of every lane;
  // rows 0..23 are the states) and the borrows (0 or -1, minus the carries), writing the 24
  // numbers of round t, lane j to groups[t * kLanes + j]; lane j keeps its new state only for
  // its first keep[j] rounds, after which it computes the same group again.
  using AdvanceRounds = void (*)(std::int32_t* x, std::int32_t* borrow, const std::int32_t* keep,
                                 float* const* groups, int rounds);

  void nextGroup(int stream, std::span<float, 24> out) override;
  // nextGroup when the lane's queue is empty; out of line, so that nextGroup reaches it by a
  // tail call.
  [[gnu::noinline]] void refillThenHandOut(int stream, std::span<float, 24> out);
  // Runs kRoundsPerRefill rounds and queues the groups of every lane with room.
  void refillQueues();

  std::unique_ptr<Work> work_;
  AdvanceRounds advance_;
  SimdLevel level_;
  std::array<Ranlux, kLanes> lanes_;
};

}  // namespace ornaplex
