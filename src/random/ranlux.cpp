// RANLUX: subtract-with-borrow x(n) = x(n-10) - x(n-24) - carry on 24-bit integers; after
// every 24 numbers delivered, the next ones are generated and thrown away (luxury).
#include "random/ranlux.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace ornaplex {
namespace {

constexpr int kShortLag = 10;
constexpr std::int32_t kModulus = 1 << 24;  // the numbers are multiples of 2^-24
constexpr std::int32_t kMask = kModulus - 1;
constexpr std::int32_t kPadBelow = 1 << 12;  // outputs below 2^-12 get 24 more bits
constexpr float kTwoM24 = 1.0f / 16777216.0f;
constexpr float kTwoM48 = kTwoM24 * kTwoM24;

constexpr int kMaxLevel = 4;
constexpr int kSkipped[kMaxLevel + 1] = {0, 24, 73, 199, 365};  // numbers discarded per 24
constexpr int kMinGroup = 24;                                   // smallest explicit p
constexpr int kMaxGroup = 2000;                                 // largest explicit p

// Steps of the generator done in one pass over the work buffer.
constexpr int kChunk = 240;

// Computes x[24 .. 24+n) from x[0 .. 24+n) and the carry; returns the new carry.
inline std::int32_t advance(std::int32_t* x, int n, std::int32_t carry) {
  for (int k = 24; k < 24 + n; ++k) {
    const std::int32_t u = x[k - kShortLag] - x[k - 24] - carry;
    carry = static_cast<std::int32_t>(static_cast<std::uint32_t>(u) >> 31);
    x[k] = u & kMask;
  }
  return carry;
}

}  // namespace

bool RanluxState::degenerate() const {
  const bool zeros = std::all_of(lags.begin(), lags.end(), [](std::int32_t v) { return v == 0; });
  const bool ones =
      std::all_of(lags.begin(), lags.end(), [](std::int32_t v) { return v == kMask; });
  return (zeros && carry == 0) || (ones && carry == 1);
}

void Ranlux::setLuxury(int luxury) {
  if (luxury < 0) {
    luxury_ = kDefaultLuxury;
  } else if (luxury <= kMaxLevel) {
    luxury_ = luxury;
  } else if (luxury < kMinGroup || luxury > kMaxGroup) {
    luxury_ = kMaxLevel;
  } else {
    // A group length p; the levels keep their number when p is one of theirs.
    luxury_ = luxury;
    for (int level = 0; level <= kMaxLevel; ++level) {
      if (luxury == kSkipped[level] + 24) luxury_ = level;
    }
  }
  nskip_ = luxury_ <= kMaxLevel ? kSkipped[luxury_] : luxury_ - 24;
}

Ranlux::Ranlux(std::int32_t seed, int luxury) {
  setLuxury(luxury);
  // Linear congruential generator 40014 mod 2147483563 (Schrage's factorisation).
  std::int64_t s = seed > 0 ? seed : kDefaultSeed;
  std::array<std::int32_t, kLags> first{};
  for (auto& v : first) {
    const std::int64_t k = s / 53668;
    s = 40014 * (s - k * 53668) - k * 12211;
    if (s < 0) s += 2147483563;
    v = static_cast<std::int32_t>(s % kModulus);
  }
  // The first value seeded is the newest of the lags, the last one the oldest.
  std::reverse_copy(first.begin(), first.end(), lags_.begin());
  carry_ = lags_[0] == 0 ? 1 : 0;
}

void checkRanluxState(const RanluxState& state, std::string_view what) {
  const std::string refused = std::string(what) + " refused";
  for (int m = 0; m < 24; ++m)
    if (state.lags[m] < 0 || state.lags[m] > kMask)
      throw std::invalid_argument(refused + " (word " + std::to_string(m) + " is " +
                                  std::to_string(state.lags[m]) +
                                  ", outside 0..16777215) give 24-bit words");
  if (state.carry != 0 && state.carry != 1)
    throw std::invalid_argument(refused + " (carry is " + std::to_string(state.carry) +
                                ", not 0 or 1) give a carry of 0 or 1");
  if (state.degenerate())
    throw std::invalid_argument(
        refused + " (every word " + std::to_string(state.lags[0]) + " with carry " +
        std::to_string(state.carry) +
        " is a fixed point of the recurrence) give a state with other words");
}

Ranlux::Ranlux(const RanluxState& state, int luxury) {
  setLuxury(luxury);
  checkRanluxState(state);
  lags_ = state.lags;
  carry_ = state.carry;
}

Ranlux::Ranlux(RanluxGroupSource& source, int stream, int luxury)
    : source_(&source), stream_(stream) {
  setLuxury(luxury);
}

Ranlux::Ranlux(RanluxGroupSource& source, int stream, const Ranlux& from)
    : out_(from.out_),
      in24_(from.in24_),
      nskip_(from.nskip_),
      luxury_(from.luxury_),
      delivered_(from.delivered_),
      source_(&source),
      stream_(stream) {}

void Ranlux::takeNextGroup(std::span<float, 24> out) {
  refill();
  std::copy(out_.begin(), out_.end(), out.begin());
  in24_ = kLags;
}

void Ranlux::continueFrom(const Ranlux& further) {
  out_ = further.out_;
  in24_ = further.in24_;
  delivered_ = further.delivered_;
}

RanluxState Ranlux::state() const {
  if (source_ != nullptr)
    throw std::logic_error(
        "generator state refused (this generator is fed whole groups by another and keeps no "
        "state of its own) take the state from the generator that feeds it");
  return {lags_, carry_};
}

void Ranlux::refill() {
  in24_ = 0;
  if (source_ != nullptr)
    source_->nextGroup(stream_, out_);
  else
    generate();
}

// Out of line, so that a fed generator's refill sets up no frame for the generation.
[[gnu::noinline]] void Ranlux::generate() {
  std::array<std::int32_t, 24 + kChunk> x;
  std::copy(lags_.begin(), lags_.end(), x.begin());
  std::int32_t carry = carry_;
  int remaining = kLags + nskip_;
  bool delivering = true;
  while (remaining > 0) {
    const int n = std::min(remaining, kChunk);
    carry = advance(x.data(), n, carry);
    if (delivering) {
      // x[24 + k] is number k of the group; small ones are padded with the bits of the value
      // nine steps back, and an exact zero becomes 2^-48.
      for (int k = 0; k < kLags; ++k) {
        const std::int32_t u = x[24 + k];
        float r = static_cast<float>(u) * kTwoM24;
        if (u < kPadBelow) [[unlikely]] {
          r += static_cast<float>(x[24 + k - (kShortLag - 1)]) * kTwoM48;
          if (r == 0.0f) r = kTwoM48;
        }
        out_[k] = r;
      }
      delivering = false;
    }
    std::copy(x.begin() + n, x.begin() + n + 24, x.begin());
    remaining -= n;
  }
  std::copy(x.begin(), x.begin() + 24, lags_.begin());
  carry_ = carry;
}

}  // namespace ornaplex
