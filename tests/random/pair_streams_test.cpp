#include "random/pair_streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "random/lane_ranlux.h"
#include "random/stream_generator.h"

namespace ornaplex {
namespace {

// How far into its stream the pair begins, and how many numbers each partner draws.
struct PairDraws {
  int before, first, second;
};

const PairDraws kDraws[] = {
    {0, 0, 0},    {0, 3, 0},    {5, 0, 3},   {23, 3, 3},   {10, 14, 30},
    {10, 30, 14}, {24, 49, 50}, {1, 100, 2}, {22, 2, 100},
};

std::vector<float> draw(Ranlux& rng, int n) {
  std::vector<float> v(std::size_t(n), 0.0f);
  for (float& x : v) x = rng.next();
  return v;
}

// Both partners draw the stream's numbers from the pair's beginning, in either order of
// finishing and across group ends; the stream then goes on after the further partner, with
// nothing skipped: a generator fed whole groups (a lane) as well as one that computes its own.
TEST(PairStreams, PartnersReplayTheStreamAndItGoesOnAfterTheFurther) {
  for (const bool lane : {false, true}) {
    for (const PairDraws& d : kDraws) {
      std::array<RanluxState, kLanes> starts{};
      for (int j = 0; j < kLanes; ++j) starts[std::size_t(j)] = streamGenerator({7, 2, j}).state();
      LaneRanlux lanes(starts, SimdLevel::Scalar), reference(starts, SimdLevel::Scalar);
      Ranlux own(7), ownReference(7);
      Ranlux& stream = lane ? lanes.lane(3) : own;
      Ranlux& expected = lane ? reference.lane(3) : ownReference;
      draw(stream, d.before);
      draw(expected, d.before);
      const std::vector<float> numbers = draw(expected, std::max(d.first, d.second) + 30);

      PairStreams pair(stream);
      const std::vector<float> a = draw(pair.partner(0), d.first);
      const std::vector<float> b = draw(pair.partner(1), d.second);
      pair.finish();
      const std::vector<float> after = draw(stream, 30);

      EXPECT_TRUE(std::equal(a.begin(), a.end(), numbers.begin())) << d.before << lane;
      EXPECT_TRUE(std::equal(b.begin(), b.end(), numbers.begin())) << d.before << lane;
      const auto further = numbers.begin() + std::max(d.first, d.second);
      EXPECT_TRUE(std::equal(after.begin(), after.end(), further)) << d.before << lane;
      EXPECT_EQ(stream.delivered(), std::uint64_t(d.before + std::max(d.first, d.second) + 30));
    }
  }
}

}  // namespace
}  // namespace ornaplex
