// A block run in batches of one event per lane (the vector math, the lane generator) gives,
// fill for fill and sum for sum, what the same events give one at a time (width 1: each event's
// source drawn alone with the pure C math, each lane an ordinary generator), and every
// instruction-set path gives the same.
#include "driver/block_runner.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <string>

#include "common/message_sink.h"
#include "histogram/histogram_sampler.h"
#include "results/histogram_catalogue.h"
#include "results/run_summary.h"
#include "shipped_tables.h"
#include "transport/structure_factor_draw.h"

namespace ornaplex {
namespace {

struct Outcome {
  HistogramStore store;
  std::vector<SummaryValue> summary;
  std::vector<std::string> lines;
};

class BlockRunner : public ::testing::Test {
 protected:
  // Block 3 of a plan whose blocks hold a number of events that is not a multiple of the lanes.
  static constexpr BlockPlan kPlan{10 * 4099, 4099};
  static constexpr std::int64_t kBlock = 3;
  static constexpr std::int32_t kSeed = 97;

  Outcome inLanes(SimdLevel level) {
    Outcome o;
    bookCatalogue(o.store);
    DetectorHistograms h(o.store);
    const BlockResult r = runBlock(kPlan, kBlock, kSeed, tables_, settings_, h, level);
    o.summary = summaryValues(r.counters, r.tallies, false);
    for (const auto& l : r.screen) o.lines.push_back(std::to_string(l.event) + " " + l.text);
    return o;
  }

  Outcome oneByOne() {
    Outcome o;
    bookCatalogue(o.store);
    DetectorHistograms h(o.store);
    Counters counters;
    Tallies tallies;
    EventTallies out{counters, tallies, h};
    BufferSink screen, log, longPath;
    EventOutput io{screen, log, longPath};
    std::array<Ranlux, kLanes> lanes;
    for (int j = 0; j < kLanes; ++j) lanes[std::size_t(j)] = streamGenerator({kSeed, kBlock, j});
    const std::int64_t first = kPlan.firstEvent(kBlock);
    for (std::int64_t i = 0; i < kPlan.eventsIn(kBlock); ++i) {
      const std::size_t before = screen.lines().size();
      runBeamlineEvent(first + i, tables_, settings_, lanes[std::size_t(i % kLanes)], out, io);
      for (std::size_t k = before; k < screen.lines().size(); ++k)
        o.lines.push_back(std::to_string(first + i) + " " + screen.lines()[k]);
    }
    o.summary = summaryValues(counters, tallies, false);
    return o;
  }

  static void expectSame(const Outcome& a, const Outcome& b, const std::string& what) {
    ASSERT_TRUE(a.store.sameBooking(b.store));
    for (int id : a.store.ids()) {
      const std::vector<double>& x =
          a.store.is2D(id) ? a.store.h2(id).slots() : a.store.h1(id).slots();
      const std::vector<double>& y =
          b.store.is2D(id) ? b.store.h2(id).slots() : b.store.h1(id).slots();
      EXPECT_EQ(x, y) << what << ": histogram " << id;
    }
    ASSERT_EQ(a.summary.size(), b.summary.size());
    for (std::size_t i = 0; i < a.summary.size(); ++i) {
      const auto bits = [](const SummaryValue& v) {
        return std::holds_alternative<double>(v.value)
                   ? std::bit_cast<std::int64_t>(std::get<double>(v.value))
                   : std::get<std::int64_t>(v.value);
      };
      EXPECT_EQ(bits(a.summary[i]), bits(b.summary[i])) << what << ": " << a.summary[i].name;
    }
    EXPECT_EQ(a.lines, b.lines) << what;
  }

  testing::ShippedTables shipped_;
  EventTables tables_ = shipped_.tables();
  BeamlineSettings settings_;
};

TEST_F(BlockRunner, LanesInBatchesGiveWhatTheEventsGiveOneByOne) {
  const Outcome single = oneByOne();
  ASSERT_GT(single.summary.size(), 10u);
  for (SimdLevel level : {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx, SimdLevel::Avx512}) {
    if (!cpuSupports(level)) continue;
    expectSame(inLanes(level), single, std::string(simdLevelName(level)));
  }
}

}  // namespace
}  // namespace ornaplex
