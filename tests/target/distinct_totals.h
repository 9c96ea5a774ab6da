// Counters and tallies whose every field, weighted parts and cross sums included, holds a value of
// its own, and a field-by-field comparison through the field lists: whatever carries the totals
// (merge, summary, partial file, rank messages) and drops or swaps a field fails the comparison.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "target/tallies.h"

namespace ornaplex::testing {

struct DistinctTotals {
  Counters counters;
  Tallies tallies;
};

// Integers that differ from each other and doubles that are not exact in binary, all times
// scale (a power of two scales exactly: scale 2 is the values added to themselves). pairs: the
// cross sums of a run of mirror pairs too (zero otherwise, as in other runs).
inline DistinctTotals distinctTotals(double scale = 1.0, bool pairs = false) {
  DistinctTotals d;
  for (std::size_t i = 0; i < kCounterCount; ++i) {
    d.counters.*kCounterFields[i].member = std::int64_t(scale * double(1000 + 7 * i));
    d.counters.weighted[i] = {scale * (0.1 + double(i)), scale * (1.0 / 3.0 + double(i))};
  }
  for (std::size_t j = 0; j < kTallyCount; ++j) {
    Tally& x = d.tallies.*kTallyFields[j].member;
    const double k = double(j + 1);
    x = {scale * 0.3 * k,         scale * 1e-17 * k,        std::int64_t(scale * double(100 + j)),
         scale * (2.0 + k / 7.0), scale * (5.0 + k / 11.0), scale * (-1.0 - k / 13.0)};
  }
  if (!pairs) return d;
  for (std::size_t i = 0; i < kTallyPairCount; ++i) {
    const double k = double(i + 1);
    d.tallies.cross[i] = {scale * 0.7 * k, scale * (k / 7.0), scale * (-0.2 * k),
                          scale * (3.0 + k / 3.0)};
  }
  d.tallies.tar1Tar2EnergyChanged = scale * 0.45;
  return d;
}

inline bool sameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every counter, tally and weighted part equal, bit for bit; the failure names the field.
inline ::testing::AssertionResult sameTotals(const Counters& c1, const Tallies& t1,
                                             const Counters& c2, const Tallies& t2) {
  for (std::size_t i = 0; i < kCounterCount; ++i) {
    const std::string name(kCounterFields[i].name);
    if (c1.*kCounterFields[i].member != c2.*kCounterFields[i].member)
      return ::testing::AssertionFailure() << name << " differs";
    if (!sameBits(c1.weighted[i].W, c2.weighted[i].W) ||
        !sameBits(c1.weighted[i].WW, c2.weighted[i].WW))
      return ::testing::AssertionFailure() << "the weighted part of " << name << " differs";
  }
  for (const TallyField& f : kTallyFields) {
    const Tally& a = t1.*f.member;
    const Tally& b = t2.*f.member;
    if (!sameBits(a.S, b.S) || !sameBits(a.Q, b.Q) || a.N != b.N)
      return ::testing::AssertionFailure() << f.name << " S, Q or N differs";
    if (!sameBits(a.W, b.W) || !sameBits(a.WW, b.WW) || !sameBits(a.SW, b.SW))
      return ::testing::AssertionFailure() << f.name << " W, WW or SW differs";
  }
  for (std::size_t i = 0; i < kTallyPairCount; ++i) {
    const CrossSums &a = t1.cross[i], &b = t2.cross[i];
    if (!sameBits(a.SS, b.SS) || !sameBits(a.SW, b.SW) || !sameBits(a.WS, b.WS) ||
        !sameBits(a.WW, b.WW))
      return ::testing::AssertionFailure()
             << "the cross sums of " << kTallyPairFields[i].name << " differ";
  }
  if (!sameBits(t1.tar1Tar2EnergyChanged, t2.tar1Tar2EnergyChanged))
    return ::testing::AssertionFailure() << "tar1Tar2EnergyChanged differs";
  return ::testing::AssertionSuccess();
}

}  // namespace ornaplex::testing
