#include "histogram/histogram.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace ornaplex {

namespace {

// The slots along an axis (its bins and the two flows), once the binning is found usable.
std::size_t checkedSlots(const Axis& a, int id) {
  if (a.bins < 1 || !std::isfinite(a.low) || !std::isfinite(a.high) || !(a.low < a.high)) {
    throw std::invalid_argument("histogram " + std::to_string(id) +
                                " has an unusable binning (needs bins >= 1 and low < high)");
  }
  return static_cast<std::size_t>(a.bins) + 2;
}

std::string idText(int id) {
  return "histogram " + std::to_string(id);
}

}  // namespace

// The edges are defined by lowEdge(); the quotient only guesses the bin, which is then moved by
// one when rounding put it on the wrong side of an edge, so a fill always agrees with the edges.
int Axis::slot(double v) const {
  if (!(v >= low)) return std::isnan(v) ? bins + 1 : 0;
  if (v >= high) return bins + 1;
  int i = static_cast<int>((v - low) / (high - low) * bins);
  i = std::clamp(i, 0, bins - 1);
  while (v < lowEdge(i)) --i;
  while (i + 1 < bins && v >= lowEdge(i + 1)) ++i;
  return i + 1;
}

double Axis::lowEdge(int bin) const {
  if (bin <= 0) return low;
  if (bin >= bins) return high;
  return low + (high - low) * bin / bins;
}

// The quotient x = (v - low) * bins / (high - low) is off by a few units of rounding of bins,
// and an edge k computed by lowEdge() lies off k (in bins) by a few units of rounding of
// bins * (|low| + |high|) / (high - low). The margin is 32 units of rounding of their sum, six
// times the worst case, so a quotient further than that from a whole number names the bin of
// the edges. A margin of a half or more (or not a number) sends every value to the exact rule.
SlotFinder::SlotFinder(const Axis& axis)
    : axis_(axis),
      scale_(axis.bins / (axis.high - axis.low)),
      bins_(axis.bins),
      margin_(0x1p-48 * axis.bins *
              (1.0 + (std::abs(axis.low) + std::abs(axis.high)) / (axis.high - axis.low))) {
  if (!(margin_ < 0.5)) margin_ = 1.0;
}

// ---------------------------------------------------------------------------------------------

void HistogramCore::setContents(std::vector<double> slots, std::int64_t entries) {
  if (slots.size() != counts_.size())
    throw std::invalid_argument(idText(id_) + " has " + std::to_string(counts_.size()) +
                                " slots, not " + std::to_string(slots.size()));
  counts_ = std::move(slots);
  entries_ = entries;
}

void HistogramCore::setSquares(std::vector<double> squares) {
  if (!weighted() || squares.size() != counts_.size())
    throw std::invalid_argument(idText(id_) +
                                ": squares need a weighted histogram and one value "
                                "per slot");
  weights_.squares() = std::move(squares);
}

void HistogramCore::clear() {
  if (weighted()) weights_.clear(counts_);
  std::fill(counts_.begin(), counts_.end(), 0.0);
  entries_ = 0;
}

void HistogramCore::addCore(const HistogramCore& o) {
  if (weighted()) {
    weights_.add(o.weights_, counts_, id_);
  } else {
    for (std::size_t k = 0; k < counts_.size(); ++k) counts_[k] += o.counts_[k];
  }
  entries_ += o.entries_;
}

std::string HistogramCore::bookingDifference(const HistogramCore& o) const {
  const std::string why = weighted() != o.weighted()
                              ? std::string(weighted() ? "this one is weighted, the other not"
                                                       : "the other is weighted, this one not")
                              : "the bookings differ";
  return "cannot add " + idText(o.id_) + " to " + idText(id_) + " (" + why +
         ") add only histograms of the same booking";
}

Histogram1D::Histogram1D(int id, std::string title, Axis axis)
    : HistogramCore(id, std::move(title), checkedSlots(axis, id)), axis_(axis), finder_(axis) {}

bool Histogram1D::sameBooking(const Histogram1D& o) const {
  return id_ == o.id_ && title_ == o.title_ && axis_.bins == o.axis_.bins &&
         axis_.low == o.axis_.low && axis_.high == o.axis_.high && weighted() == o.weighted();
}

void Histogram1D::add(const Histogram1D& o) {
  if (!sameBooking(o)) throw std::invalid_argument(bookingDifference(o));
  addCore(o);
}

Histogram2D::Histogram2D(int id, std::string title, Axis x, Axis y)
    : HistogramCore(id, std::move(title), checkedSlots(x, id) * checkedSlots(y, id)),
      axisX_(x),
      axisY_(y),
      finderX_(x),
      finderY_(y) {}

bool Histogram2D::sameBooking(const Histogram2D& o) const {
  auto same = [](const Axis& a, const Axis& b) {
    return a.bins == b.bins && a.low == b.low && a.high == b.high;
  };
  return id_ == o.id_ && title_ == o.title_ && same(axisX_, o.axisX_) && same(axisY_, o.axisY_) &&
         weighted() == o.weighted();
}

void Histogram2D::add(const Histogram2D& o) {
  if (!sameBooking(o)) throw std::invalid_argument(bookingDifference(o));
  addCore(o);
}

// ---------------------------------------------------------------------------------------------

void HistogramStore::checkFree(int id) const {
  if (has(id)) throw std::invalid_argument(idText(id) + " is already booked");
}

void HistogramStore::insertIndex(int id, int code) {
  auto it = std::lower_bound(index_.begin(), index_.end(), std::make_pair(id, code),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
  index_.insert(it, {id, code});
  order_.push_back(id);
}

Histogram1D& HistogramStore::book1(int id, std::string title, int bins, float low, float high) {
  return add(Histogram1D(id, std::move(title),
                         Axis{bins, static_cast<double>(low), static_cast<double>(high)}));
}

Histogram2D& HistogramStore::book2(int id, std::string title, int xbins, float xlow, float xhigh,
                                   int ybins, float ylow, float yhigh) {
  return add(Histogram2D(id, std::move(title),
                         Axis{xbins, static_cast<double>(xlow), static_cast<double>(xhigh)},
                         Axis{ybins, static_cast<double>(ylow), static_cast<double>(yhigh)}));
}

void HistogramStore::checkWeights(int id, bool weighted) const {
  if (weighted && !weighted_) {
    throw std::invalid_argument("cannot add weighted " + idText(id) +
                                " to a store of unweighted histograms (their sums of squared "
                                "weights would be lost) enable the store's weights first");
  }
}

Histogram1D& HistogramStore::add(Histogram1D h) {
  checkFree(h.id());
  checkWeights(h.id(), h.weighted());
  if (weighted_) h.enableWeights();
  one_.push_back(std::move(h));
  insertIndex(one_.back().id(), static_cast<int>(one_.size()));
  return one_.back();
}

Histogram2D& HistogramStore::add(Histogram2D h) {
  checkFree(h.id());
  checkWeights(h.id(), h.weighted());
  if (weighted_) h.enableWeights();
  two_.push_back(std::move(h));
  insertIndex(two_.back().id(), -static_cast<int>(two_.size()));
  return two_.back();
}

int HistogramStore::code(int id) const {
  auto it = std::lower_bound(index_.begin(), index_.end(), id,
                             [](const auto& a, int v) { return a.first < v; });
  return (it != index_.end() && it->first == id) ? it->second : 0;
}

bool HistogramStore::has(int id) const {
  return code(id) != 0;
}

bool HistogramStore::is2D(int id) const {
  const int c = code(id);
  if (c == 0) throw std::out_of_range(idText(id) + " is not booked");
  return c < 0;
}

const Histogram1D& HistogramStore::h1(int id) const {
  const int c = code(id);
  if (c <= 0) throw std::out_of_range(idText(id) + " is not booked as a 1-D histogram");
  return one_[static_cast<std::size_t>(c - 1)];
}

Histogram1D& HistogramStore::h1(int id) {
  return const_cast<Histogram1D&>(std::as_const(*this).h1(id));
}

const Histogram2D& HistogramStore::h2(int id) const {
  const int c = code(id);
  if (c >= 0) throw std::out_of_range(idText(id) + " is not booked as a 2-D histogram");
  return two_[static_cast<std::size_t>(-c - 1)];
}

Histogram2D& HistogramStore::h2(int id) {
  return const_cast<Histogram2D&>(std::as_const(*this).h2(id));
}

bool HistogramStore::sameBooking(const HistogramStore& other) const {
  if (weighted_ != other.weighted_ || order_ != other.order_ || one_.size() != other.one_.size() ||
      two_.size() != other.two_.size()) {
    return false;
  }
  for (std::size_t k = 0; k < one_.size(); ++k) {
    if (!one_[k].sameBooking(other.one_[k])) return false;
  }
  for (std::size_t k = 0; k < two_.size(); ++k) {
    if (!two_[k].sameBooking(other.two_[k])) return false;
  }
  return true;
}

void HistogramStore::merge(const HistogramStore& other) {
  if (weighted_ != other.weighted_) {
    throw std::invalid_argument(std::string("cannot merge histogram stores (") +
                                (weighted_ ? "this one is weighted, the other not"
                                           : "the other is weighted, this one not") +
                                ") merge only stores of one kind of run");
  }
  if (!sameBooking(other)) {
    throw std::invalid_argument(
        "cannot merge histogram stores (the bookings differ: ids, order, titles or binning) merge "
        "only stores of one booking");
  }
  for (std::size_t k = 0; k < one_.size(); ++k) one_[k].add(other.one_[k]);
  for (std::size_t k = 0; k < two_.size(); ++k) two_[k].add(other.two_[k]);
}

void HistogramStore::clear() {
  for (Histogram1D& h : one_) h.clear();
  for (Histogram2D& h : two_) h.clear();
}

void HistogramStore::enableWeights() {
  weighted_ = true;
  for (Histogram1D& h : one_) h.enableWeights();
  for (Histogram2D& h : two_) h.enableWeights();
}

void HistogramStore::flushBlock() {
  if (!weighted_) return;
  for (Histogram1D& h : one_) h.flushBlock();
  for (Histogram2D& h : two_) h.flushBlock();
}

}  // namespace ornaplex
