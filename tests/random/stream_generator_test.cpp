// Streams of a run: block 0 is the seed's classic stream, and no two streams of a run, nor of
// runs with neighbouring seeds, start from the same state.
#include "random/stream_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace ornaplex {
namespace {

// A 64-bit fingerprint of a whole start state: the 24 words and the carry (FNV-1a over the
// words, then the splitmix64 finaliser to spread it).
std::uint64_t fingerprint(const RanluxState& s) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  for (std::int32_t w : s.lags) h = (h ^ std::uint32_t(w)) * 0x100000001b3ULL;
  h = (h ^ std::uint32_t(s.carry)) * 0x100000001b3ULL;
  h = (h ^ (h >> 30)) * 0xbf58476d1ce4e5b9ULL;
  h = (h ^ (h >> 27)) * 0x94d049bb133111ebULL;
  return h ^ (h >> 31);
}

struct Print {
  std::uint64_t fingerprint;
  StreamKey key;
};

Print printOf(const StreamKey& key) {
  const RanluxState s = streamGenerator(key).state();
  EXPECT_FALSE(s.degenerate()) << key.runSeed << " " << key.block << " " << key.lane;
  return {fingerprint(s), key};
}

// Fails for any two keys with the same start state. Equal fingerprints are compared word for
// word, so only a real shared state fails.
void expectAllDistinct(std::vector<Print>& prints) {
  std::sort(prints.begin(), prints.end(),
            [](const Print& a, const Print& b) { return a.fingerprint < b.fingerprint; });
  int shared = 0;
  for (std::size_t i = 1; i < prints.size() && shared < 5; ++i) {
    if (prints[i].fingerprint != prints[i - 1].fingerprint) continue;
    const StreamKey& a = prints[i - 1].key;
    const StreamKey& b = prints[i].key;
    if (streamGenerator(a).state() == streamGenerator(b).state()) {
      ++shared;
      ADD_FAILURE() << "seed " << a.runSeed << " block " << a.block << " lane " << a.lane
                    << " starts as seed " << b.runSeed << " block " << b.block << " lane "
                    << b.lane;
    }
  }
}

bool sanitized() {
  return std::getenv("ORNAPLEX_SANITIZED") != nullptr;
}

TEST(StreamGenerator, BlockZeroIsTheSeedsOwnStreamAtLuxuryThree) {
  for (std::int32_t seed : {1, 266, 4242, 314159265, 2147483647}) {
    Ranlux block0 = streamGenerator({seed, 0, 0});
    Ranlux classic(seed, 3);
    EXPECT_EQ(block0.luxury(), 3);
    EXPECT_EQ(block0.state(), classic.state()) << seed;
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(block0.next(), classic.next()) << seed << " " << i;
    EXPECT_EQ(streamGenerator({seed, 7, 0}).luxury(), 3);
  }
  // Seed 0 is the generator's default seed, for every block.
  for (std::int64_t block : {0, 1, 99})
    EXPECT_EQ(streamGenerator({0, block, 0}).state(),
              streamGenerator({Ranlux::kDefaultSeed, block, 0}).state());
}

TEST(StreamGenerator, BlocksThatOnceSharedASeedStartApart) {
  // With 31-bit block seeds, blocks 1331 and 3253 of seed 266 drew the very same numbers.
  Ranlux a = streamGenerator({266, 1331, 0});
  Ranlux b = streamGenerator({266, 3253, 0});
  EXPECT_NE(a.state(), b.state());
  int same = 0;
  for (int i = 0; i < 100; ++i) same += a.next() == b.next();
  EXPECT_LT(same, 3);
}

TEST(StreamGenerator, NeighbouringKeysGiveUnrelatedStates) {
  // A change of one in the seed, block or lane changes nearly every word of the state.
  for (std::int64_t block = 1; block < 1000; ++block) {
    const RanluxState s = streamGenerator({4242, block, 0}).state();
    for (const StreamKey& k :
         {StreamKey{4242, block + 1, 0}, StreamKey{4243, block, 0}, StreamKey{4242, block, 1}}) {
      const RanluxState t = streamGenerator(k).state();
      int sameWords = 0;
      for (int m = 0; m < 24; ++m) sameWords += s.lags[m] == t.lags[m];
      ASSERT_LE(sameWords, 2) << "block " << block << " against " << k.runSeed << " " << k.block
                              << " " << k.lane;
    }
  }
}

TEST(StreamGenerator, EveryStreamOfALargeRunStartsFromItsOwnState) {
  // 10^11 events in blocks of the default 65536, every lane of every block: 24414064 streams.
  const std::int64_t events = sanitized() ? 10'000'000'000 : 100'000'000'000;
  const std::int64_t blocks = (events - 1) / 65536 + 1;
  std::vector<Print> prints;
  prints.reserve(std::size_t(blocks * kLanes));
  for (std::int64_t b = 0; b < blocks; ++b)
    for (std::int32_t lane = 0; lane < kLanes; ++lane) prints.push_back(printOf({266, b, lane}));
  expectAllDistinct(prints);
}

TEST(StreamGenerator, NeighbouringSeedsShareNoStream) {
  const std::int64_t blocks = sanitized() ? 20'000 : 200'000;
  for (std::int32_t seed : {1, 266, 65535, 314159264, 2147483646}) {
    std::vector<Print> prints;
    for (std::int32_t s : {seed, seed + 1})
      for (std::int64_t b = 0; b < blocks; ++b) prints.push_back(printOf({s, b, 0}));
    expectAllDistinct(prints);
  }
}

TEST(StreamGenerator, LanesSplitABlockIntoStreamsOfTheirOwn) {
  std::vector<Print> prints;
  for (std::int64_t b = 0; b < 2000; ++b)
    for (std::int32_t lane = 0; lane < 16; ++lane) prints.push_back(printOf({77, b, lane}));
  // Far-off keys too: the largest block a 64-bit event count allows, the largest lane.
  for (std::int32_t lane : {0, 1, 2147483647})
    prints.push_back(printOf({77, INT64_MAX / 65536, lane}));
  expectAllDistinct(prints);
  EXPECT_NE(streamGenerator({77, 0, 1}).state(), Ranlux(77, 3).state());
}

}  // namespace
}  // namespace ornaplex
