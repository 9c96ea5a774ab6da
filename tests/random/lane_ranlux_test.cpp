#include "random/lane_ranlux.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/simd_level.h"
#include "random/stream_generator.h"

namespace ornaplex {
namespace {

constexpr float kTwoM48 = 1.0f / 16777216.0f / 16777216.0f;

std::vector<SimdLevel> levelsThisCpuRuns() {
  std::vector<SimdLevel> levels;
  for (SimdLevel level : {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx, SimdLevel::Avx512})
    if (cpuSupports(level)) levels.push_back(level);
  return levels;
}

std::array<RanluxState, kLanes> blockStarts(std::int32_t runSeed) {
  std::array<RanluxState, kLanes> starts;
  for (int j = 0; j < kLanes; ++j) starts[j] = streamGenerator({runSeed, 3, j}).state();
  return starts;
}

// A start whose first group opens with an exact zero next to a zero (delivered as 2^-48) and
// then a zero next to 777 (delivered padded, as 777 * 2^-48).
RanluxState startOpeningWithZeros() {
  RanluxState s = Ranlux(99).state();
  s.carry = 0;
  s.lags[14] = s.lags[0];  // x(24) = x(14) - x(0) - 0 = 0
  s.lags[15] = 0;          // the value padding x(24)
  s.lags[1] = 0;           // x(25) = x(15) - x(1) - 0 = 0
  s.lags[16] = 777;        // the value padding x(25)
  return s;
}

// Draws from the lanes in an uneven order until every lane has delivered `perLane` numbers,
// checking each number bit for bit against a plain generator of the lane's start. Returns how
// many numbers carried bits below 2^-24 (the padding of small values).
int drawAndCompare(LaneRanlux& lanes, const std::array<RanluxState, kLanes>& starts, int perLane) {
  std::vector<Ranlux> plain;
  for (const RanluxState& s : starts) plain.emplace_back(s, 3);
  std::array<int, kLanes> drawn{};
  int padded = 0;
  std::uint64_t schedule = 0x9e3779b97f4a7c15ULL;
  const auto check = [&](int j, float got) {
    const float want = plain[j].next();
    if (std::bit_cast<std::uint32_t>(got) != std::bit_cast<std::uint32_t>(want)) {
      ADD_FAILURE() << "lane " << j << " number " << drawn[j] + 1 << ": " << got << " vs " << want;
      return false;
    }
    if (got * 16777216.0f != static_cast<float>(static_cast<int>(got * 16777216.0f))) ++padded;
    ++drawn[j];
    return true;
  };

  // Lane 5 first runs far ahead alone, so the other lanes' queues fill and their groups are
  // computed without being kept; then every lane draws bursts of random length, lane j about
  // j + 1 times as fast as lane 0, by single numbers and by fill().
  for (int i = 0; i < (2 * LaneRanlux::kQueueGroups + 3) * 24 + 7; ++i)
    if (!check(5, lanes.lane(5).next())) return padded;
  std::array<float, 100> burst{};
  for (bool busy = true; busy;) {
    busy = false;
    for (int j = 0; j < kLanes; ++j) {
      schedule = schedule * 6364136223846793005ULL + 1442695040888963407ULL;
      const int n =
          std::min(static_cast<int>((schedule >> 33) % (7 * (j + 1))) + 1, perLane - drawn[j]);
      if (n <= 0) continue;
      busy = true;
      if (n % 2 == 0 && n <= static_cast<int>(burst.size())) {
        lanes.lane(j).fill(std::span<float>(burst.data(), n));
        for (int i = 0; i < n; ++i)
          if (!check(j, burst[i])) return padded;
      } else {
        for (int i = 0; i < n; ++i)
          if (!check(j, lanes.lane(j).next())) return padded;
      }
    }
  }
  for (int j = 0; j < kLanes; ++j) EXPECT_EQ(lanes.lane(j).delivered(), plain[j].delivered());
  return padded;
}

TEST(LaneRanlux, EveryPathDeliversEachLanesOwnStream) {
  // 16 x 80000 numbers: about 300 of them below 2^-12, so padded.
  const std::array<RanluxState, kLanes> starts = blockStarts(2024);
  for (SimdLevel level : levelsThisCpuRuns()) {
    SCOPED_TRACE(std::string(simdLevelName(level)));
    LaneRanlux lanes(starts, level);
    EXPECT_EQ(lanes.level(), level);
    EXPECT_GT(drawAndCompare(lanes, starts, 80000), 0);
  }
}

TEST(LaneRanlux, SmallValuesArePaddedAndZeroIsTwoToTheMinus48) {
  std::array<RanluxState, kLanes> starts = blockStarts(7);
  starts[3] = startOpeningWithZeros();
  starts[kLanes - 1] = startOpeningWithZeros();
  for (SimdLevel level : levelsThisCpuRuns()) {
    SCOPED_TRACE(std::string(simdLevelName(level)));
    LaneRanlux lanes(starts, level);
    for (int j : {3, kLanes - 1}) {
      EXPECT_EQ(lanes.lane(j).next(), kTwoM48);
      EXPECT_EQ(lanes.lane(j).next(), 777 * kTwoM48);
    }
    LaneRanlux again(starts, level);
    drawAndCompare(again, starts, 3000);
  }
}

TEST(LaneRanlux, RefusesBadStatesNamingTheLane) {
  std::array<RanluxState, kLanes> starts = blockStarts(1);
  starts[11].lags[4] = 1 << 24;
  try {
    LaneRanlux lanes(starts, SimdLevel::Scalar);
    ADD_FAILURE() << "accepted a 25-bit word";
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find("generator state of lane 11 refused (word 4"),
              std::string::npos)
        << e.what();
  }
  starts = blockStarts(1);
  starts[0] = RanluxState{};  // all zeros with carry 0: a fixed point
  EXPECT_THROW(LaneRanlux(starts, SimdLevel::Sse2), std::invalid_argument);
}

TEST(LaneRanlux, LaneGeneratorsHaveNoStateOfTheirOwn) {
  LaneRanlux lanes(blockStarts(5), SimdLevel::Scalar);
  EXPECT_THROW(lanes.lane(0).state(), std::logic_error);
  EXPECT_EQ(lanes.lane(0).luxury(), 3);
  // A copy draws on from the same stream instead of repeating it.
  Ranlux copy = lanes.lane(2);
  const float first = lanes.lane(2).next();
  EXPECT_NE(copy.next(), first);
}

}  // namespace
}  // namespace ornaplex
