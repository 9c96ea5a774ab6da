#include "random/pair_streams.h"

#include <algorithm>

namespace ornaplex {

PairStreams::PairStreams(Ranlux& stream) : stream_(stream) {
  RanluxGroupSource& source = *this;
  partners_[0].emplace(source, 0, stream);
  partners_[1].emplace(source, 1, stream);
}

void PairStreams::nextGroup(int k, std::span<float, 24> out) {
  std::size_t& n = taken_[std::size_t(k)];
  if (n == groups_.size()) stream_.takeNextGroup(groups_.emplace_back());
  std::copy(groups_[n].begin(), groups_[n].end(), out.begin());
  ++n;
}

void PairStreams::finish() {
  const Ranlux& a = *partners_[0];
  const Ranlux& b = *partners_[1];
  stream_.continueFrom(a.delivered() >= b.delivered() ? a : b);
}

}  // namespace ornaplex
