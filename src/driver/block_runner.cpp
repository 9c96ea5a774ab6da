#include "driver/block_runner.h"

#include "random/stream_generator.h"

namespace ornaplex {

BlockResult runBlock(const BlockPlan& plan, std::int64_t block, std::int32_t runSeed,
                     const EventTables& tables, const BeamlineSettings& settings,
                     DetectorHistograms& histograms) {
  BlockResult result;
  result.block = block;
  result.last = block;
  Ranlux rng = streamGenerator({runSeed, block, 0});
  EventLineBuffer screen(result.screen), log(result.log), longPath(result.longPath);
  EventOutput io{screen, log, longPath};
  EventTallies out{result.counters, result.tallies, histograms};
  const std::int64_t first = plan.firstEvent(block);
  const std::int64_t last = first + plan.eventsIn(block) - 1;
  for (std::int64_t event = first; event <= last; ++event) {
    screen.setEvent(event);
    log.setEvent(event);
    longPath.setEvent(event);
    runBeamlineEvent(event, tables, settings, rng, out, io);
  }
  return result;
}

}  // namespace ornaplex
