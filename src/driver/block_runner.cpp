#include "driver/block_runner.h"

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "random/lane_ranlux.h"
#include "random/stream_generator.h"

namespace ornaplex {

BlockResult runBlock(const BlockPlan& plan, std::int64_t block, std::int32_t runSeed,
                     const EventTables& tables, const BeamlineSettings& settings,
                     DetectorHistograms& histograms, SimdLevel simd) {
  BlockResult result;
  result.block = block;
  result.last = block;
  // Event i of the block (from 0; pair i of a pair run) draws from lane i mod kLanes only, so an
  // event's numbers do not depend on how many events are computed side by side.
  // The lanes' streams advance together, one vector step for all of them.
  std::array<RanluxState, kLanes> starts{};
  for (int j = 0; j < kLanes; ++j)
    starts[std::size_t(j)] = streamGenerator({runSeed, block, j}).state();
  const auto lanes = std::make_unique<LaneRanlux>(starts, simd);
  std::array<Ranlux*, kLanes> laneOf{};
  for (int j = 0; j < kLanes; ++j) laneOf[std::size_t(j)] = &lanes->lane(j);
  const detmath::BatchMath& math = detmath::batchMath(simd);
  EventLineBuffer screen(result.screen), log(result.log), longPath(result.longPath);
  EventOutput io{screen, log, longPath};
  const RunHelium helium = runHelium(settings.temperature_K, settings.model);
  ForcedCrossing forced;
  EventTallies out{result.counters, result.tallies, histograms, &forced};
  const std::int64_t first = plan.firstEvent(block);
  const std::int64_t count = plan.eventsIn(block);
  std::array<SourceSample, kLanes> sources;
  std::array<std::optional<TransferDraw>, kLanes> draws;
  // The q draws' lines, kept by event until the event is finished in turn (seldom any).
  std::array<BufferSink, kLanes> qLines;
  std::array<MessageSink*, kLanes> qSinks{};
  for (int j = 0; j < kLanes; ++j) qSinks[std::size_t(j)] = &qLines[std::size_t(j)];
  // Batches of one source draw per lane, in event order: the starts and the q of a batch are
  // drawn together, then its events finish one by one. A mirror pair is two events, the drawn
  // neutron's and its image's, on one draw: draw i of the block (from 0) is lane i mod kLanes.
  const std::int64_t perDraw = settings.pairs ? 2 : 1;
  const std::int64_t drawCount = count / perDraw;
  for (std::int64_t i0 = 0; i0 < drawCount; i0 += kLanes) {
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(kLanes, drawCount - i0));
    const std::span<Ranlux* const> rngs(laneOf.data(), n);
    const std::span<SourceSample> batch(sources.data(), n);
    drawSourceStarts(*tables.wavelength, rngs, batch, math);
    drawMomentumTransfers(*tables.structureFactor, rngs, batch,
                          std::span<MessageSink* const>(qSinks.data(), n), settings.model,
                          std::span<std::optional<TransferDraw>>(draws.data(), n));
    for (std::size_t j = 0; j < n; ++j) {
      // A pair's lines are numbered with its first event.
      const std::int64_t event = first + (i0 + std::int64_t(j)) * perDraw;
      screen.setEvent(event);
      log.setEvent(event);
      longPath.setEvent(event);
      for (const std::string& line : qLines[j].lines()) screen.line(line);
      qLines[j].clear();
      if (settings.pairs)
        finishDrawnPair(event, sources[j], draws[j], tables, settings, helium, *laneOf[j], out, io);
      else
        finishDrawnEvent(event, sources[j], draws[j], tables, settings, helium, *laneOf[j], out,
                         io);
    }
  }
  return result;
}

}  // namespace ornaplex
