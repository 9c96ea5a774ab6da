// Fixed-bin 1-D and 2-D histograms with exact (double) counts and every out-of-range region.
// A hand-written class: filling a contiguous array is faster here than a general histogram
// library (measured in bench/bench_histogram.cpp).
//
// Weighted histograms (off by default; HistogramStore::enableWeights): each fill carries a
// weight w; slots() holds the sums of weights and squares() the sums of squared weights, slot
// for slot, and entries() still counts the fills. The fills of a block go into the block's own
// sums and show in slots() and squares() when the block ends with flushBlock(), which adds them
// into exact fixed-point sums (weight_sums.h): totals are then the same bits however the blocks
// are grouped and in whatever order stores are added. slots() and squares() are what to read
// and write out; exactCounts() and exactSquares() are what to keep for adding up later.
// Unweighted histograms hold none of this: fill(v) adds 1 to the count, as fast as ever. A
// weighted histogram is filled with fill(v, w) only (fill(v) would bypass its sums).
#pragma once

#include <cassert>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "histogram/weight_sums.h"

namespace ornaplex {

// Equal-width bins on [low, high). Booking ranges are single-precision values widened to
// double. A value below low is underflow; a value at or above high is overflow; NaN is
// counted as overflow.
struct Axis {
  int bins = 1;
  double low = 0.0;
  double high = 1.0;

  // 0 = underflow, 1..bins = in range, bins + 1 = overflow. Agrees exactly with lowEdge():
  // v lands in bin i when lowEdge(i) <= v < lowEdge(i + 1).
  int slot(double v) const;
  double width() const { return (high - low) / bins; }
  // Edge k of 0..bins: low + (high - low) * k / bins, with edge 0 exactly low and edge bins
  // exactly high.
  double lowEdge(int bin) const;
};

// Axis::slot for the fill path: the bin is read off one multiplication when the value lies
// clearly inside it, and decided by the exact edge rule only within a rounding margin of an
// edge. Gives Axis::slot's answer for every value.
class SlotFinder {
 public:
  SlotFinder() = default;
  explicit SlotFinder(const Axis& axis);
  int slot(double v) const {
    if (!(v >= axis_.low) || !(v < axis_.high)) return axis_.slot(v);
    const double x = (v - axis_.low) * scale_;
    if (x < bins_) {
      const int i = static_cast<int>(x);
      const double fraction = x - i;
      if (fraction > margin_ && fraction < 1.0 - margin_) return i + 1;
    }
    return axis_.slot(v);
  }

 private:
  Axis axis_;
  double scale_ = 1.0;   // bins per unit of the value
  double bins_ = 1.0;    // axis_.bins as a double
  double margin_ = 1.0;  // in bins; inside it the exact rule decides (1: always exact)
};

// What the 1-D and the 2-D histogram share: the booking's id and title, the slots (counts, or
// sums of weights), the entries and the weight sums, and what is done with them besides the
// fills: adding, clearing, the weights, and the named operations by which readers and
// reductions set what they read.
class HistogramCore {
 public:
  int id() const { return id_; }
  const std::string& title() const { return title_; }
  std::int64_t entries() const { return entries_; }
  // Every slot, under- and overflows included (the layout is the derived class's).
  const std::vector<double>& slots() const { return counts_; }

  // One slot set, for a histogram made from known contents (std::out_of_range outside).
  void setSlot(std::size_t slot, double v) { counts_.at(slot) = v; }
  // The slots and the entries as read from a file or summed over ranks; std::invalid_argument
  // unless slots has this histogram's number of slots.
  void setContents(std::vector<double> slots, std::int64_t entries);

  // Counts, entries and every weight sum zero; booking kept.
  void clear();

  // Weights (see the top of this file). enableWeights() takes the counts already there as fills
  // of weight 1; flushBlock() does nothing for an unweighted histogram.
  bool weighted() const { return weights_.on(); }
  void enableWeights() { weights_.enable(counts_, id_); }
  void flushBlock() {
    if (weighted()) weights_.flush(counts_, id_);
  }
  // Same layout as slots(); empty when not weighted.
  const std::vector<double>& squares() const { return weights_.squares(); }
  // The squares as read (weighted only; std::invalid_argument unless one per slot). They stay
  // apart from the exact sums until takeSlotsAsExact() or setExactSums().
  void setSquares(std::vector<double> squares);
  const std::vector<FixedSum>& exactCounts() const { return weights_.exactCounts(); }
  const std::vector<FixedSum>& exactSquares() const { return weights_.exactSquares(); }
  // Sets the exact sums (weighted only), and slots() and squares() from them.
  void setExactSums(std::vector<FixedSum> counts, std::vector<FixedSum> squares) {
    weights_.setExact(std::move(counts), std::move(squares), counts_);
  }
  // The exact sums become slots() and squares() as they stand (weighted only).
  void takeSlotsAsExact() { weights_.takeDoubles(counts_, id_); }

 protected:
  HistogramCore(int id, std::string title, std::size_t slots)
      : id_(id), title_(std::move(title)), counts_(slots, 0.0) {}
  // o's counts, entries and sums added in; the caller has checked the booking. Weighted: o's
  // exact sums and its unflushed block are added exactly.
  void addCore(const HistogramCore& o);
  // Why o cannot be added to this one (its booking differs): the message of the error.
  std::string bookingDifference(const HistogramCore& o) const;

  int id_;
  std::string title_;
  std::vector<double> counts_;
  std::int64_t entries_ = 0;
  WeightSums weights_;
};

class Histogram1D : public HistogramCore {
 public:
  // Throws std::invalid_argument unless bins >= 1 and low < high, both finite.
  Histogram1D(int id, std::string title, Axis axis);
  void fill(double v) {
    ++counts_[finder_.slot(v)];
    ++entries_;
  }
  // Weighted histograms only: sum += w, squares += w * w, entries += 1 (shown after
  // flushBlock()).
  void fill(double v, double w) {
    assert(weighted());
    weights_.fill(static_cast<std::size_t>(finder_.slot(v)), w);
    ++entries_;
  }
  const Axis& axis() const { return axis_; }
  double content(int bin) const { return counts_[bin + 1]; }  // bin in 0..bins-1
  double underflow() const { return counts_.front(); }
  double overflow() const { return counts_.back(); }
  // slots(): bins + 2 values: underflow, the bins, overflow.
  // Same id, title, binning, and both weighted or both not.
  bool sameBooking(const Histogram1D& o) const;
  // Same booking required (std::invalid_argument otherwise, saying when one is weighted).
  void add(const Histogram1D& o);

 private:
  Axis axis_;
  SlotFinder finder_;
};

class Histogram2D : public HistogramCore {
 public:
  Histogram2D(int id, std::string title, Axis x, Axis y);
  void fill(double vx, double vy) {
    ++counts_[finderX_.slot(vx) * (axisY_.bins + 2) + finderY_.slot(vy)];
    ++entries_;
  }
  // Weighted histograms only, as Histogram1D::fill(v, w).
  void fill(double vx, double vy, double w) {
    assert(weighted());
    weights_.fill(
        static_cast<std::size_t>(finderX_.slot(vx) * (axisY_.bins + 2) + finderY_.slot(vy)), w);
    ++entries_;
  }
  const Axis& axisX() const { return axisX_; }
  const Axis& axisY() const { return axisY_; }
  // Slot indices 0..bins+1 on each axis (0 under, bins+1 over); row-major in x.
  double slot(int sx, int sy) const { return counts_[sx * (axisY_.bins + 2) + sy]; }
  // The rest as Histogram1D.
  bool sameBooking(const Histogram2D& o) const;
  void add(const Histogram2D& o);

 private:
  Axis axisX_, axisY_;
  SlotFinder finderX_, finderY_;
};

// The run's histograms in booking order, found by id. References returned by the booking and
// look-up functions stay valid while the store lives (booking more does not move them).
class HistogramStore {
 public:
  // Both throw std::invalid_argument for an id already booked or an unusable binning.
  Histogram1D& book1(int id, std::string title, int bins, float low, float high);
  Histogram2D& book2(int id, std::string title, int xbins, float xlow, float xhigh, int ybins,
                     float ylow, float yhigh);
  Histogram1D& h1(int id);
  const Histogram1D& h1(int id) const;
  // Adds a histogram built elsewhere (read from a file) after the ones already booked. A
  // weighted store makes it weighted; a weighted one is refused by an unweighted store
  // (std::invalid_argument).
  Histogram1D& add(Histogram1D h);
  Histogram2D& add(Histogram2D h);
  // The look-ups throw std::out_of_range for an id not booked (or booked as the other kind).
  Histogram2D& h2(int id);
  const Histogram2D& h2(int id) const;
  bool has(int id) const;
  // Ids in booking order; is2D tells the kind.
  const std::vector<int>& ids() const { return order_; }
  bool is2D(int id) const;
  // Adds every histogram of other into this one; throws std::invalid_argument unless the
  // bookings (ids, order, titles, binning, weighted or not) are identical. Weighted stores add
  // their exact sums: any order and grouping of merges gives the same bits.
  void merge(const HistogramStore& other);
  bool sameBooking(const HistogramStore& other) const;
  // Every histogram empty (counts, entries, weight sums); the booking stays.
  void clear();

  // Weights (see the top of this file): every histogram booked or added, before or after the
  // call, carries them. The driver calls flushBlock() after each block a store was filled with
  // (nothing to do for an unweighted store).
  void enableWeights();
  bool weighted() const { return weighted_; }
  void flushBlock();

 private:
  bool weighted_ = false;
  std::vector<int> order_;
  void checkFree(int id) const;
  void checkWeights(int id, bool weighted) const;
  void insertIndex(int id, int code);
  int code(int id) const;  // the index_ code of id, 0 when not booked

  std::deque<Histogram1D> one_;  // in booking order among 1-D
  std::deque<Histogram2D> two_;
  std::vector<std::pair<int, int>> index_;  // (id, +k for one_[k-1] / -k for two_[k-1]), sorted
};

}  // namespace ornaplex
