// How an event scores what it counts, sums and histograms. The analog score adds one per
// count and each value once. The weighted score adds the weight of the branch that scores,
// and collects the event's sums so that the run's errors come from whole events: the branches
// of one event are correlated, so an event adds the sum of its branches' w s to a tally's S and
// the square of that sum to its Q (likewise for the weights alone and for the product).
#pragma once

#include <array>
#include <cstdint>

#include "histogram/histogram.h"
#include "target/tallies.h"

namespace ornaplex {

struct AnalogScore {
  Counters& counters;
  Tallies& tallies;
  void fill(Histogram1D& h, double v) const { h.fill(v); }
  void fill(Histogram2D& h, double x, double y) const { h.fill(x, y); }
  void count(std::int64_t Counters::*f) const { ++(counters.*f); }
  void add(Tally Tallies::*t, double v) const { (tallies.*t).add(v); }
};

// The position of a tally in kTallyFields.
constexpr std::size_t tallyIndex(Tally Tallies::*member) {
  for (std::size_t i = 0; i < kTallyFields.size(); ++i)
    if (kTallyFields[i].member == member) return i;
  return kTallyFields.size();
}

// One event's weighted sums, added into the run's counters and tallies at the end of the event.
// A mirror pair's event also adds the products of its left and right sums (Tallies::cross).
class EventSums {
 public:
  EventSums(Counters& counters, Tallies& tallies, bool pair = false)
      : counters_(counters), tallies_(tallies), pair_(pair) {}
  void count(std::int64_t Counters::*f, double w) {
    ++(counters_.*f);
    counts_[counterIndex(f)] += w;
    touched_ = true;
  }
  void add(Tally Tallies::*t, double w, double v) {
    Part& p = parts_[tallyIndex(t)];
    p.ws += w * v;
    p.w += w;
    ++p.n;
    touched_ = true;
  }
  // Adds the event into the run's sums and starts the next one.
  void endEvent();

 private:
  struct Part {
    double ws = 0.0, w = 0.0;
    std::int64_t n = 0;
  };
  void addCrossSums();

  Counters& counters_;
  Tallies& tallies_;
  bool pair_;
  std::array<double, kCounterCount> counts_{};
  std::array<Part, kTallyCount> parts_{};
  bool touched_ = false;
};

struct WeightedScore {
  EventSums& sums;
  double weight = 1.0;
  void fill(Histogram1D& h, double v) const { h.fill(v, weight); }
  void fill(Histogram2D& h, double x, double y) const { h.fill(x, y, weight); }
  void count(std::int64_t Counters::*f) const { sums.count(f, weight); }
  void add(Tally Tallies::*t, double v) const { sums.add(t, weight, v); }
};

// An analog mirror pair's score: each neutron weighs 1 and the histograms count them as the
// analog run does; the counts and sums are the pair's, grouped as one event's.
struct PairScore : WeightedScore {
  void fill(Histogram1D& h, double v) const { h.fill(v); }
  void fill(Histogram2D& h, double x, double y) const { h.fill(x, y); }
};

}  // namespace ornaplex
