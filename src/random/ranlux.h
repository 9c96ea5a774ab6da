// RANLUX: the 24-bit subtract-with-borrow generator with lags 10 and 24 and luxury levels,
// after F. James, Comput. Phys. Commun. 79 (1994) 111. Single-precision output in (0, 1).
// The engine is a plain value: copy it to branch a stream, pass it by reference to every
// routine that draws; nothing is global.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace ornaplex {

// The full state the generator draws its next group from: the last 24 values of the sequence,
// oldest first (lags[m] = x(n-24+m) for the next n to compute), each in 0 .. 2^24-1, and the
// borrow of the last subtraction, 0 or 1.
struct RanluxState {
  std::array<std::int32_t, 24> lags{};
  std::int32_t carry = 0;

  bool operator==(const RanluxState&) const = default;
  // True for the two fixed points of the recurrence: every word 0 with carry 0, and every word
  // 2^24-1 with carry 1. Every other state lies on the generator's full period.
  bool degenerate() const;
};

// Throws std::invalid_argument, naming the state as `what`, for a word outside 0 .. 2^24-1, a
// carry other than 0 or 1, or a degenerate state.
void checkRanluxState(const RanluxState& state, std::string_view what = "generator state");

// Whole groups of 24 numbers for generators that do not compute their own (a LaneRanlux
// computes many streams side by side and hands each its groups).
class RanluxGroupSource {
 public:
  // Writes the next 24 numbers of stream `stream` to out.
  virtual void nextGroup(int stream, std::span<float, 24> out) = 0;

 protected:
  ~RanluxGroupSource() = default;
};

class Ranlux {
 public:
  static constexpr int kDefaultLuxury = 3;
  static constexpr std::int32_t kDefaultSeed = 314159265;  // used for seed 0

  // Seeds as RLUXGO(luxury, seed, 0, 0): the 24 seeds come from the linear congruential
  // generator 40014 mod 2147483563 started at seed (0 or negative means 314159265). Luxury
  // levels 0..4 discard 0, 24, 73, 199, 365 numbers after every 24 delivered; a negative level
  // means 3; 24..2000 means that many numbers generated per 24 delivered; others mean 4.
  explicit Ranlux(std::int32_t seed = 0, int luxury = kDefaultLuxury);
  // Starts from a full state, as if a group had just been used up: the first number delivered
  // is the first of the group generated from state. Luxury as above. Throws
  // std::invalid_argument for a word outside 0 .. 2^24-1, a carry other than 0 or 1, or a
  // degenerate state.
  explicit Ranlux(const RanluxState& state, int luxury = kDefaultLuxury);
  // A fed generator: every group comes from source.nextGroup(stream, ...) instead of being
  // computed here, so it keeps no state (state() throws std::logic_error) and delivers whatever
  // stream the source computes, at the luxury the source computes it with. Copies draw from the
  // same source, so they share one stream instead of branching it. The source must outlive it.
  Ranlux(RanluxGroupSource& source, int stream, int luxury);
  // A fed generator that delivers next what `from` would: the rest of from's current group,
  // then the groups source hands it for `stream`. Its count of numbers delivered goes on from
  // from's.
  Ranlux(RanluxGroupSource& source, int stream, const Ranlux& from);

  // Hands the group after the current one to out, for a generator fed from this one, and leaves
  // this one at that group's end. Counts nothing as delivered.
  void takeNextGroup(std::span<float, 24> out);
  // Goes on from where `further` stands: further started where this generator stood and was fed
  // every group since by takeNextGroup.
  void continueFrom(const Ranlux& further);

  // One uniform number in (0, 1), single precision.
  float next() {
    if (in24_ == kLags) [[unlikely]]
      refill();
    ++delivered_;
    return out_[in24_++];
  }
  // Fills the span with consecutive numbers, like RANLUX(vector, n).
  void fill(std::span<float> out) {
    for (float& v : out) v = next();
  }
  // Numbers delivered since seeding (what routines drew; lets tests count draws).
  std::uint64_t delivered() const { return delivered_; }
  int luxury() const { return luxury_; }
  // The state the next group will be generated from (numbers of the current group not yet
  // delivered are not part of it). Right after construction, the start state of the stream.
  // Throws std::logic_error for a fed generator, which has no state of its own.
  RanluxState state() const;

 private:
  static constexpr int kLags = 24;  // long lag; also the numbers delivered per group

  // Sets luxury_ and nskip_ from a luxury level or group length.
  void setLuxury(int luxury);
  // Starts the next group: asks the source of a fed generator, or generates it.
  void refill();
  // Runs one group: the 24 delivered numbers into out_, then the discarded ones.
  void generate();

  // The last 24 values of the sequence x(n) = x(n-10) - x(n-24) - carry (mod 2^24), oldest
  // first: lags_[m] = x(n-24+m) for the next n to compute.
  std::array<std::int32_t, kLags> lags_{};
  std::int32_t carry_ = 0;          // borrow of the last subtraction, 0 or 1
  std::array<float, kLags> out_{};  // numbers of the current group
  int in24_ = kLags;                // next position in out_; kLags: group used up
  int nskip_ = 0;                   // numbers discarded after each group
  int luxury_ = kDefaultLuxury;
  std::uint64_t delivered_ = 0;
  RanluxGroupSource* source_ = nullptr;  // set for a fed generator
  int stream_ = 0;                       // the stream a fed generator asks its source for
};

}  // namespace ornaplex
