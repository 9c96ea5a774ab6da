// Common random numbers for the two partners of a mirror pair: each partner draws the numbers of
// one stream from where the pair began, as many as its own carry asks for, and the stream goes
// on after the further of the two. The stream may compute its own groups or be fed them (a lane).
#pragma once

#include <array>
#include <optional>
#include <span>
#include <vector>

#include "random/ranlux.h"

namespace ornaplex {

class PairStreams final : private RanluxGroupSource {
 public:
  // The pair begins where stream stands; stream must not be drawn from until finish.
  explicit PairStreams(Ranlux& stream);
  PairStreams(const PairStreams&) = delete;
  PairStreams& operator=(const PairStreams&) = delete;

  // The generator of partner k (0 or 1): the stream's numbers from the pair's beginning.
  Ranlux& partner(int k) { return *partners_[std::size_t(k)]; }
  // Leaves the stream after the last number either partner drew.
  void finish();

 private:
  // Group n of partner k (from 0, after the one the pair began in): taken from the stream when
  // neither partner has had it yet.
  void nextGroup(int k, std::span<float, 24> out) override;

  Ranlux& stream_;
  std::vector<std::array<float, 24>> groups_;  // the groups taken from the stream, in order
  std::array<std::size_t, 2> taken_{};         // groups each partner has been handed
  std::array<std::optional<Ranlux>, 2> partners_;
};

}  // namespace ornaplex
