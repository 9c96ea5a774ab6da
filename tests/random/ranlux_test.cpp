#include "random/ranlux.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#if defined(ORNAPLEX_HAVE_CLHEP)
#include <CLHEP/Random/RanluxEngine.h>
#endif

namespace ornaplex {
namespace {

std::vector<float> draw(Ranlux& r, int n) {
  std::vector<float> v(static_cast<std::size_t>(n));
  for (float& x : v) x = r.next();
  return v;
}

// Published test output of the generator (printed with eight decimals): luxury 3, seed
// 314159265, numbers 1-5 and 101-105.
std::string eightDecimals(float x) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.8f", static_cast<double>(x));
  return buf;
}

TEST(Ranlux, PublishedSequenceAtLuxuryThree) {
  constexpr std::array<const char*, 5> first = {"0.53981817", "0.76155043", "0.06029940",
                                                "0.79600263", "0.30631220"};
  constexpr std::array<const char*, 5> from101 = {"0.43156743", "0.03774416", "0.24897110",
                                                  "0.00147784", "0.90274453"};
  Ranlux byDefault;
  Ranlux explicitSeed(314159265, 3);
  const std::vector<float> a = draw(byDefault, 105);
  EXPECT_EQ(a, draw(explicitSeed, 105));
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(eightDecimals(a[i]), first[i]) << "number " << i + 1;
    EXPECT_EQ(eightDecimals(a[100 + i]), from101[i]) << "number " << i + 101;
  }
}

TEST(Ranlux, NegativeSeedFallsBackToDefault) {
  Ranlux negative(-7);
  Ranlux byDefault;
  EXPECT_EQ(draw(negative, 50), draw(byDefault, 50));
}

TEST(Ranlux, LuxuryLevels) {
  EXPECT_EQ(Ranlux().luxury(), 3);
  EXPECT_EQ(Ranlux(1, 0).luxury(), 0);
  EXPECT_EQ(Ranlux(1, 4).luxury(), 4);
  EXPECT_EQ(Ranlux(1, -1).luxury(), 3);
  EXPECT_EQ(Ranlux(1, 5).luxury(), 4);
  EXPECT_EQ(Ranlux(1, 2001).luxury(), 4);
  EXPECT_EQ(Ranlux(1, 223).luxury(), 3);  // p = 223 is level 3
  EXPECT_EQ(Ranlux(1, 100).luxury(), 100);
  // Levels differ only after the first group of 24.
  Ranlux l0(5, 0), l3(5, 3);
  const std::vector<float> a = draw(l0, 48), b = draw(l3, 48);
  EXPECT_TRUE(std::equal(a.begin(), a.begin() + 24, b.begin()));
  EXPECT_FALSE(std::equal(a.begin() + 24, a.end(), b.begin() + 24));
}

TEST(Ranlux, CountsDeliveredNumbers) {
  Ranlux r(42);
  EXPECT_EQ(r.delivered(), 0u);
  r.next();
  std::array<float, 4> v{};
  r.fill(v);
  EXPECT_EQ(r.delivered(), 5u);
  for (int i = 0; i < 100; ++i) r.next();
  EXPECT_EQ(r.delivered(), 105u);
}

TEST(Ranlux, CopyBranchesAnIdenticalStream) {
  for (int before : {0, 1, 23, 24, 25, 1000}) {
    Ranlux a(2024);
    draw(a, before);
    Ranlux b = a;
    EXPECT_EQ(draw(a, 100), draw(b, 100)) << "after " << before;
    EXPECT_EQ(a.delivered(), b.delivered());
  }
}

TEST(Ranlux, NumbersLieInOpenUnitInterval) {
  for (std::int32_t seed : {1, 2147483562, 2147483563, 2147483646, 2147483647}) {
    Ranlux r(seed, 0);
    float lo = 1.0f, hi = 0.0f;
    int padded = 0;
    for (int i = 0; i < 200000; ++i) {
      const float x = r.next();
      lo = std::min(lo, x);
      hi = std::max(hi, x);
      // Small numbers carry bits below 2^-24.
      if (x < 1.0f / 4096.0f &&
          x * 16777216.0f != static_cast<float>(static_cast<int>(x * 16777216.0f)))
        ++padded;
    }
    EXPECT_GT(lo, 0.0f) << seed;
    EXPECT_LT(hi, 1.0f) << seed;
    EXPECT_GT(padded, 0) << seed;
  }
  // Neighbouring large seeds give different streams.
  Ranlux a(2147483647), b(2147483646);
  EXPECT_NE(draw(a, 24), draw(b, 24));
}

TEST(Ranlux, AFullStateContinuesTheStreamItCameFrom) {
  // Taken right after seeding, mid-group and at a group boundary: a generator built from the
  // state delivers what the original delivers from its next group on.
  for (int before : {0, 1, 30, 48}) {
    Ranlux a(2024, 3);
    draw(a, before);
    Ranlux b(a.state(), 3);
    EXPECT_EQ(b.state(), a.state());
    EXPECT_EQ(b.luxury(), 3);
    EXPECT_EQ(b.delivered(), 0u);
    draw(a, (24 - before % 24) % 24);  // the rest of a's current group
    EXPECT_EQ(draw(a, 500), draw(b, 500)) << "after " << before;
  }
  // The luxury applies to a state as to a seed.
  Ranlux l0(Ranlux(5).state(), 0), l4(Ranlux(5).state(), 4);
  EXPECT_EQ(l4.luxury(), 4);
  const std::vector<float> a = draw(l0, 48), b = draw(l4, 48);
  EXPECT_TRUE(std::equal(a.begin(), a.begin() + 24, b.begin()));
  EXPECT_FALSE(std::equal(a.begin() + 24, a.end(), b.begin() + 24));
}

TEST(Ranlux, RefusesStatesOutOfRangeAndTheFixedPoints) {
  RanluxState s = Ranlux(77).state();
  for (std::int32_t word : {-1, 1 << 24}) {
    RanluxState bad = s;
    bad.lags[23] = word;
    EXPECT_THROW(Ranlux{bad}, std::invalid_argument) << word;
  }
  s.carry = 2;
  EXPECT_THROW(Ranlux{s}, std::invalid_argument);

  RanluxState zeros;
  RanluxState ones;
  ones.lags.fill((1 << 24) - 1);
  ones.carry = 1;
  EXPECT_TRUE(zeros.degenerate());
  EXPECT_TRUE(ones.degenerate());
  EXPECT_THROW(Ranlux{zeros}, std::invalid_argument);
  EXPECT_THROW(Ranlux{ones}, std::invalid_argument);
  try {
    Ranlux{ones};
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find("16777215 with carry 1"), std::string::npos) << e.what();
  }

  // One bit away from either fixed point is an ordinary state: the numbers move.
  zeros.carry = 1;
  ones.carry = 0;
  for (const RanluxState& near : {zeros, ones}) {
    EXPECT_FALSE(near.degenerate());
    Ranlux r(near);
    const std::vector<float> v = draw(r, 2000);
    EXPECT_GT(std::count_if(v.begin() + 1000, v.end(), [&](float x) { return x != v[1000]; }), 900);
  }
}

#if defined(ORNAPLEX_HAVE_CLHEP)
// Bit for bit against an independent implementation of the same algorithm.
void expectSameAsClhep(std::int32_t seed, int luxury, int count) {
  CLHEP::RanluxEngine engine;
  engine.setSeed(seed, luxury);
  Ranlux r(seed, luxury);
  for (int i = 0; i < count; ++i) {
    const float theirs = static_cast<float>(engine.flat());
    const float ours = r.next();
    if (std::bit_cast<std::uint32_t>(theirs) != std::bit_cast<std::uint32_t>(ours)) {
      ADD_FAILURE() << "seed " << seed << " luxury " << luxury << " number " << i + 1 << ": "
                    << ours << " vs " << theirs;
      return;
    }
  }
}

TEST(Ranlux, MatchesClhepAtLuxuryThree) {
  for (std::int32_t seed : {1, 12345, 314159265, 2147483562, 2147483563, 2147483647})
    expectSameAsClhep(seed, 3, 1000000);
}

TEST(Ranlux, MatchesClhepAtOtherLevels) {
  for (int luxury : {0, 1, 2, 4, 100}) expectSameAsClhep(987654321, luxury, 200000);
}
#endif

}  // namespace
}  // namespace ornaplex
