// RANLUX: the 24-bit subtract-with-borrow generator with lags 10 and 24 and luxury levels,
// after F. James, Comput. Phys. Commun. 79 (1994) 111. Single-precision output in (0, 1).
// The engine is a plain value: copy it to branch a stream, pass it by reference to every
// routine that draws; nothing is global.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace ornaplex {

class Ranlux {
 public:
  static constexpr int kDefaultLuxury = 3;
  static constexpr std::int32_t kDefaultSeed = 314159265;  // used for seed 0

  // Seeds as RLUXGO(luxury, seed, 0, 0): the 24 seeds come from the linear congruential
  // generator 40014 mod 2147483563 started at seed (0 means 314159265).
  explicit Ranlux(std::int32_t seed = 0, int luxury = kDefaultLuxury);

  // One uniform number in (0, 1), single precision.
  float next();
  // Fills the span with consecutive numbers, like RANLUX(vector, n).
  void fill(std::span<float> out) {
    for (float& v : out) v = next();
  }
  // Numbers delivered since seeding (what routines drew; lets tests count draws).
  std::uint64_t delivered() const { return delivered_; }
  int luxury() const { return luxury_; }

 private:
  void skipDiscarded();
  std::array<std::int32_t, 24> seeds_{};  // 24-bit integers
  int i24_ = 23, j24_ = 9;
  std::int32_t carry_ = 0;
  int in24_ = 0;   // numbers delivered in the current group of 24
  int nskip_ = 0;  // numbers discarded after each group
  int luxury_ = kDefaultLuxury;
  std::uint64_t delivered_ = 0;
};

}  // namespace ornaplex
