// Runs the events of one block with the block's own generator stream, buffering every line the
// events print so that the blocks can be written out in event order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/message_sink.h"
#include "common/simd_level.h"
#include "driver/beamline_event.h"
#include "driver/block_plan.h"
#include "random/stream_generator.h"
#include "target/detector_histograms.h"
#include "target/tallies.h"

namespace ornaplex {

struct EventLine {
  std::int64_t event;
  std::string text;
};

// Keeps lines with the number of the event that printed them.
class EventLineBuffer final : public MessageSink {
 public:
  explicit EventLineBuffer(std::vector<EventLine>& lines) : lines_(lines) {}
  void setEvent(std::int64_t event) { event_ = event; }
  void line(std::string_view text) override { lines_.push_back({event_, std::string(text)}); }

 private:
  std::vector<EventLine>& lines_;
  std::int64_t event_ = 0;
};

// The results of one block, or (merged from a partial file) of a run's head: blocks block to
// last with their sums added in block order.
struct BlockResult {
  std::int64_t block = -1;
  std::int64_t last = -1;
  Counters counters;
  Tallies tallies;
  std::vector<EventLine> screen, log, longPath;
};

// Histograms are filled into the caller's store (counts are exact, so any order of blocks adds
// up to the same store); counters, sums and lines go to the result.
// Event i of the block (from 0; pair i of a pair run) draws only from stream {runSeed, block,
// i mod kLanes}; simd picks the instruction-set path, which changes no bit.
BlockResult runBlock(const BlockPlan& plan, std::int64_t block, std::int32_t runSeed,
                     const EventTables& tables, const BeamlineSettings& settings,
                     DetectorHistograms& histograms, SimdLevel simd = SimdLevel::Scalar);

}  // namespace ornaplex
