// The sums a weighted histogram keeps besides its counts: per slot the sum of squared weights,
// and both sums exactly, in fixed point, so that a run's totals come out bit for bit the same
// however its blocks were spread over threads, ranks and partial files.
//
// Fills add into the current block's double sums (the fast path: one slot's sum of weights and
// sum of squared weights, side by side). Within a block the events run in order, so those
// doubles are the same in every run. flush() ends the block: each double is truncated to a
// fixed-point value and added to the exact sums, whose integer additions give the same total in
// any order and grouping. The histogram's counts and the squares shown are the exact sums
// rounded to double, refreshed at every flush and add; a block's fills show after its flush.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ornaplex {

// A sum in fixed point: a signed 128-bit integer in units of 2^-64 (about 5.4e-20). It holds
// magnitudes below 2^63 (about 9.2e18) exactly.
using FixedSum = __int128;

// v truncated toward zero to units of 2^-64 (the same bits on every machine). Throws
// std::overflow_error unless |v| < 2^62 (about 4.6e18); NaN is refused too.
FixedSum toFixed(double v);
// The double nearest to s.
double fromFixed(FixedSum s);
// a + b; throws std::overflow_error when the sum leaves the 128 bits.
FixedSum addFixed(FixedSum a, FixedSum b);
// The two 64-bit words of s (files keep them so), and back.
std::int64_t highWord(FixedSum s);
std::uint64_t lowWord(FixedSum s);
FixedSum fromWords(std::int64_t high, std::uint64_t low);

class WeightSums {
 public:
  bool on() const { return !squares_.empty(); }
  // Switches on for a histogram whose slots are counts: what they hold already counts as fills
  // of weight 1 (squares equal to the counts). counts is rounded to the exact sums. id names
  // the histogram in errors (as flush).
  void enable(std::vector<double>& counts, int id);
  // Adds w to the block's sum of the slot and w * w to its sum of squares (on() required).
  void fill(std::size_t slot, double w) {
    double* s = &block_[2 * slot];
    s[0] += w;
    s[1] += w * w;
    touched_[slot / kSlotsPerMark] = 1;
  }
  // Ends the block: its sums go into the exact sums and are zeroed; counts and squares() show
  // the new totals. id names the histogram in errors (std::overflow_error, see toFixed).
  void flush(std::vector<double>& counts, int id);
  // Adds o's exact sums and o's unflushed block sums (as o's flush would) into the exact sums;
  // this one's own block stays open. counts and squares() show the new totals.
  void add(const WeightSums& o, std::vector<double>& counts, int id);
  // Every sum zero (still on); counts zeroed too.
  void clear(std::vector<double>& counts);

  // The sums of squared weights per slot, rounded from the exact sums (same layout as counts).
  // Written directly, they stay apart from the exact sums until takeDoubles().
  const std::vector<double>& squares() const { return squares_; }
  std::vector<double>& squares() { return squares_; }
  const std::vector<FixedSum>& exactCounts() const { return exactCounts_; }
  const std::vector<FixedSum>& exactSquares() const { return exactSquares_; }
  // Sets the exact sums (one per slot each, as read from a file or summed over ranks) and the
  // doubles from them; the block is emptied. Throws std::invalid_argument on a wrong length.
  void setExact(std::vector<FixedSum> counts, std::vector<FixedSum> squares,
                std::vector<double>& countsOut);
  // The exact sums become counts and squares() as they stand, truncated to fixed point (sums
  // known only as doubles); the block is emptied. Throws as toFixed.
  void takeDoubles(std::vector<double>& counts, int id);

 private:
  void show(std::vector<double>& counts, std::size_t slot);

  std::vector<double> squares_;
  std::vector<double> block_;  // this block's sum of w and sum of w * w, interleaved per slot
  // One mark per kSlotsPerMark slots, set by a fill there: a block's flush visits the marked
  // runs of slots alone. Visiting every slot of the 2-D histograms took 4 % of a weighted run.
  static constexpr std::size_t kSlotsPerMark = 64;
  std::vector<unsigned char> touched_;
  std::vector<FixedSum> exactCounts_;
  std::vector<FixedSum> exactSquares_;
};

}  // namespace ornaplex
